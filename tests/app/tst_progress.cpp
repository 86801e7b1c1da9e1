#include "AnswerBox.h"
#include "SchemaHealth.h"
#include "ScriptedDialogs.h"
#include "seam/Progress.h"
#include "TestDatabase.h"
#include "dialogs/QtDialogs.h"
#include "app/frmAloitus.h"
#include "operations/DeletionBatches.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

// The real dialogs, but the boxes the window shows are only written down,
// so that what a click ran can be read without answering a real box.
class RecordingDialogs : public QtDialogs {
public:
    QStringList informed;
    QString fileAnswer;
    void inform(const QString& text) override { informed.append(text); }
    QString chooseFileToOpen(const OpenFileRequest&) override { return fileAnswer; }
    void informWithDetail(const QString& text, const QString& detail) override
    {
        informed.append(text + QStringLiteral(" | ") + detail);
    }
    // As the real question's buttons do.
    void answer(bool yes) { noteAnswer(yes); }
};

// A click and a key press queued as the window system queues them: they
// reach the button only when events are next processed.
void queueClickAndKey(QWidget* target)
{
    const QPointF centre = QRectF(target->rect()).center();
    const QPointF global = target->mapToGlobal(centre);
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " "));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " "));
}

QWidget* progressDialog()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("Edistyminen") && top->isVisible())
            return top;
    return nullptr;
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The window with real dialogs, shown; cmdTyhjenna with no table chosen
// shows "Valitse taulukko", so a click on it that ran is easy to see.
struct RealWindow {
    RecordingDialogs dialogs;
    frmAloitus window{dialogs};

    RealWindow()
    {
        dialogs.setParentWindow(&window);
        window.show();
        QTEST_ASSERT(QTest::qWaitForWindowExposed(&window));
    }
    QPushButton* emptyButton() const { return window.findChild<QPushButton*>(QStringLiteral("cmdTyhjenna")); }
};

} // namespace

class TestProgress : public QObject {
    Q_OBJECT

private slots:
    void labelFillsInTheCounts()
    {
        QCOMPARE(Progress::label(QStringLiteral("Poistetaan taulukoita: %1 / %2"), 1234, 5000),
                 QStringLiteral("Poistetaan taulukoita: 1234 / 5000"));
        QCOMPARE(Progress::label(QStringLiteral("Otetaan varmuuskopiota ..."), 10, 20),
                 QStringLiteral("Otetaan varmuuskopiota ..."));
    }

    // The control case: without work running, the queued click and key run the button.
    void queuedInputRunsWhenNoWorkRuns()
    {
        RealWindow w;
        queueClickAndKey(w.emptyButton());
        QCoreApplication::processEvents();
        QCOMPARE(w.dialogs.informed, (QStringList{"Valitse taulukko", "Valitse taulukko"}));
    }

    void inputDuringTheWorkIsDroppedAndTheDialogShowsAfterTheDelay()
    {
        RealWindow w;
        PaintCounter painted;
        w.window.installEventFilter(&painted);
        w.dialogs.setProgressDelay(150);
        bool timerRan = false;
        qint64 done = 0;
        {
            QElapsedTimer clock;
            clock.start();
            const auto progress = w.dialogs.startProgress(QStringLiteral("Poistetaan taulukoita: %1 / %2"), true);
            queueClickAndKey(w.emptyButton());   // before the dialog shows
            QTimer::singleShot(0, [&timerRan] { timerRan = true; });
            QVERIFY(progress->advance(++done, 100000));
            if (clock.elapsed() < 150)
                QVERIFY(!progressDialog());

            while (!progressDialog() && clock.elapsed() < 10000) {
                QThread::msleep(1);   // one step of the work
                QVERIFY(progress->advance(++done, 100000));
            }
            QWidget* dialog = progressDialog();
            QVERIFY(dialog);
            QVERIFY(dialog->isModal());
            QVERIFY(timerRan);   // the window answers while the work runs

            // The window repaints behind the dialog, and clicks on it are still lost.
            painted.paints = 0;
            w.window.update();
            queueClickAndKey(w.emptyButton());
            for (const qint64 until = clock.elapsed() + 200; clock.elapsed() < until;) {
                QThread::msleep(1);
                QVERIFY(progress->advance(++done, 100000));
            }
            QVERIFY(painted.paints > 0);
            QCOMPARE(w.dialogs.informed, QStringList());
            const QLabel* label = dialog->findChild<QLabel*>();
            QVERIFY(label);
            QVERIFY2(label->text().startsWith(QStringLiteral("Poistetaan taulukoita: ")), qPrintable(label->text()));
            QVERIFY2(label->text().endsWith(QStringLiteral(" / 100000")), qPrintable(label->text()));

            auto* stop = dialog->findChild<QPushButton*>(QStringLiteral("Keskeyta"));
            QVERIFY(stop);
            QCOMPARE(stop->text(), QStringLiteral("Keskeytä"));
            queueClickAndKey(w.emptyButton());   // the last step's input, dropped when the work ends
            QTest::mouseClick(stop, Qt::LeftButton);
            QVERIFY(!progress->advance(++done, 100000));
            QVERIFY(!progress->advance(++done, 100000));   // and it stays asked
        }
        QTest::qWait(50);
        QVERIFY(!progressDialog());
        QCOMPARE(w.dialogs.informed, QStringList());

        // Once the work is over, the window takes clicks again.
        queueClickAndKey(w.emptyButton());
        QCoreApplication::processEvents();
        QCOMPARE(w.dialogs.informed, (QStringList{"Valitse taulukko", "Valitse taulukko"}));
    }

    void workThatCannotStopOffersNoWayToStop()
    {
        RealWindow w;
        w.dialogs.setProgressDelay(0);
        const auto progress = w.dialogs.startProgress(QStringLiteral("Otetaan varmuuskopiota ..."), false);
        QElapsedTimer clock;
        clock.start();
        while (!progressDialog() && clock.elapsed() < 10000) {
            QThread::msleep(1);
            QVERIFY(progress->advance(1, 0));
        }
        QWidget* dialog = progressDialog();
        QVERIFY(dialog);
        QVERIFY(!dialog->findChild<QPushButton*>());
        QCOMPARE(dialog->findChild<QLabel*>()->text(), QStringLiteral("Otetaan varmuuskopiota ..."));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        QVERIFY(progress->advance(2, 0));
    }

    // The close box during the work neither closes the window nor ends the work.
    void closingTheWindowDuringTheWorkIsRefused()
    {
        RealWindow w;
        {
            const auto progress = w.dialogs.startProgress(QStringLiteral("Poistetaan taulukoita: %1 / %2"), true);
            QVERIFY(!w.window.close());
            QVERIFY(progress->advance(1, 2));
        }
        QVERIFY(w.window.isVisible());
    }

    void theDelayCountsFromTheAnswer_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes, the work goes on") << true;
        QTest::newRow("no, nothing follows") << false;
    }

    // The work an answer Yes starts, after opening the file for longer than
    // the delay, shows its dialog at its first report; after No the next
    // work waits out the delay of its own.
    void theDelayCountsFromTheAnswer()
    {
        QFETCH(bool, yes);
        RealWindow w;
        w.dialogs.answer(yes);
        QTest::qWait(QtProgress::kShowAfterMs + 100);
        QElapsedTimer work;
        work.start();
        {
            const auto progress = w.dialogs.startProgress(QStringLiteral("Otetaan varmuuskopiota ..."), false);
            while (work.elapsed() < 60) {
            }
            progress->advance(1, 10);
            if (!yes && work.elapsed() >= QtProgress::kShowAfterMs)
                QSKIP("the machine was too slow to tell");
            QCOMPARE(progressDialog() != nullptr, yes);
        }
    }

    // Work shorter than the delay shows nothing at all.
    void shortWorkShowsNoDialog()
    {
        RealWindow w;
        QElapsedTimer clock;
        clock.start();
        {
            const auto progress = w.dialogs.startProgress(QStringLiteral("Poistetaan taulukoita: %1 / %2"), true);
            for (int i = 1; i <= 100; ++i)
                QVERIFY(progress->advance(i, 100));
        }
        if (clock.elapsed() >= QtProgress::kShowAfterMs)
            QSKIP("the machine was too slow to tell");
        QVERIFY(!w.window.findChild<QWidget*>(QStringLiteral("Edistyminen")));
    }

    void stoppingARealWalkKeepsTheRest_data()
    {
        QTest::addColumn<int>("stopPast");
        QTest::newRow("as soon as the dialog shows") << 0;
        QTest::newRow("in a later batch") << DeletionBatches::kMostPerBatch + 1;
    }

    // The whole way through the real window and dialogs: the operator says
    // Yes, the walk's dialog shows, "Keskeytä" is pressed once the dialog
    // counts past `stopPast`, and the walk ends after the deletion it was
    // making, its batch committed: the box's count is what is gone.
    void stoppingARealWalkKeepsTheRest()
    {
        QFETCH(int, stopPast);
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("suuri.wk1"));
        QStringList names{QStringLiteral("Asiakkaat")};
        for (int i = 1; i <= 3000; ++i)
            names.append(QStringLiteral("Tulorekisteri_%1_a").arg(10000 + i));
        testdb::create(file, QStringLiteral("BEGIN;") + testdb::tablesSql(names) + QStringLiteral("COMMIT;"));

        RealWindow w;
        w.dialogs.setProgressDelay(0);
        w.dialogs.fileAnswer = file;
        QTest::mouseClick(w.window.findChild<QPushButton*>(QStringLiteral("cmdSelaa")), Qt::LeftButton);
        QCOMPARE(testdb::tableNames(file).size(), 3001);

        answerNextBox([](QDialog* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
        QString label;
        QTimer stopper;
        stopper.setInterval(5);
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            QWidget* dialog = progressDialog();
            if (!dialog || !dialog->findChild<QPushButton*>(QStringLiteral("Keskeyta")))
                return;
            const QString shown = dialog->findChild<QLabel*>()->text();
            if (shown.section(QLatin1Char(' '), 2, 2).toInt() <= stopPast)
                return;
            stopper.stop();
            label = dialog->findChild<QLabel*>()->text();
            dialog->findChild<QPushButton*>(QStringLiteral("Keskeyta"))->click();
        });
        stopper.start();
        QTest::mouseClick(w.window.findChild<QPushButton*>(QStringLiteral("cmdPTN")), Qt::LeftButton);

        QVERIFY2(label.startsWith(QStringLiteral("Poistetaan taulukoita: ")) && label.endsWith(QStringLiteral(" / 3000")),
                 qPrintable(label));
        const QStringList left = testdb::tableNames(file);
        const qsizetype deleted = names.size() - left.size();
        QVERIFY2(deleted > stopPast && left.size() > 1, qPrintable(QString::number(deleted)));
        QCOMPARE(left.first(), QStringLiteral("Asiakkaat"));
        QCOMPARE(schemaProblems(file), QStringList());
        auto* list = w.window.findChild<QListWidget*>(QStringLiteral("List1"));
        QCOMPARE(list->count(), left.size());
        QCOMPARE(w.dialogs.informed.size(), 1);
        QVERIFY2(w.dialogs.informed[0].startsWith(
                     QStringLiteral("Poisto keskeytettiin, kun %1 oli poistettu; muut ovat tallella. | "
                                    "Varmuuskopio ")
                         .arg(deleted == 1 ? QStringLiteral("1 taulukko")
                                           : QStringLiteral("%1 taulukkoa").arg(deleted))),
                 qPrintable(w.dialogs.informed[0]));
        const QStringList copies = testdb::safetyCopies(dir.path());
        QCOMPARE(copies.size(), 1);
        QCOMPARE(testdb::tableNames(dir.filePath(copies[0])), names);
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
