#include "AnswerBox.h"
#include "dialogs/QtDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

// The real dialogs as the operator sees them.
class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void progressCarriesTheProgramsTitle()
    {
        QtDialogs dialogs;
        dialogs.setApplicationTitle(QStringLiteral("Lumeri-varmuuskopiot"));
        dialogs.setProgressDelay(0);
        const auto progress = dialogs.startProgress(QStringLiteral("Palautetaan varmuuskopiota ..."), false);
        QWidget* shown = nullptr;
        QTRY_VERIFY((progress->advance(0, 0), shown = qApp->activeModalWidget()) != nullptr);
        QCOMPARE(shown->windowTitle(), QStringLiteral("Lumeri-varmuuskopiot"));
    }

    // A folder name wider than the box would be cut off at its edge.
    void aCopyPathWithAWideFolderShowsItsFileName()
    {
        const QString detail = "Varmuuskopio: /home/" + QString(200, 'k') + "/vuosi/yritys_wk1_20261208101112.var";
        QString shown, tip;
        answerNextBox([&](QDialog* box) {
            const auto* line = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
            QVERIFY(line);
            shown = line->text();
            tip = line->toolTip();
            box->accept();
        });
        QtDialogs().informWithDetail(QStringLiteral("Poistettu!"), detail);
        QVERIFY2(shown.startsWith("Varmuuskopio: /home/") && shown.endsWith("/yritys_wk1_20261208101112.var")
                     && shown.contains(QChar(0x2026)) && shown.size() < 120,
                 qPrintable(shown));
        QCOMPARE(tip, detail);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
