// Checks that fail inside a dialog callback must fail the test, not pass it
// and not hang it. Each case here fails on purpose; ctest runs them one by
// one and expects each to fail, within its time limit.
#include "AnswerBox.h"
#include "ChosenDatabase.h"
#include "dialogs/QtDialogs.h"

#include <QMessageBox>
#include <QTest>

class FailingCallbacks : public QObject {
    Q_OBJECT

private slots:
    // A failed check while a scripted information box is open.
    void checkFailsWhileInforming()
    {
        WindowDriver w;
        w.dialogs.whileInforming = [](const QString& text) { QCOMPARE(text, QStringLiteral("jotain muuta")); };
        w.click(QStringLiteral("cmdTyhjenna"));   // "Valitse taulukko"
    }

    // A failed check while a real box waits for its answer: the box is closed
    // for the answer, so exec() returns and the failure is reported.
    void checkFailsInsideARealBox()
    {
        QtDialogs dialogs;
        answerNextBox([](QDialog* box) { QVERIFY(!box); });
        dialogs.inform(QStringLiteral("Poistettu!"));
    }

    // A box shown while long work reports progress, which the operator
    // could not answer in the real window.
    void boxDuringLongWork()
    {
        ScriptedDialogs dialogs;
        const auto progress = dialogs.startProgress(QStringLiteral("Poistetaan taulukoita: %1 / %2"), true);
        progress->advance(1, 2);
        dialogs.inform(QStringLiteral("Poistettu!"));
    }

    // A box expected but never opened: the waiting answer fails the test.
    void boxNeverOpens()
    {
        answerNextBox([](QDialog*) {}, 200);
        QTest::qWait(1000);
    }
};

QTEST_MAIN(FailingCallbacks)
#include "failing_callbacks.moc"
