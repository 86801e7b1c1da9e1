#include "ScriptedDialogs.h"
#include "TestDatabase.h"
#include "copies/SafetyCopy.h"
#include "restore/RestoreWindow.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

// The restore program's window over real files, with the operator scripted.
class TestRestoreWindow : public QObject {
    Q_OBJECT

    static void click(RestoreWindow& window, const char* name)
    {
        auto* button = window.findChild<QPushButton*>(name);
        QVERIFY(button);
        button->click();
    }

    static void selectRow(RestoreWindow& window, int row)
    {
        auto* list = window.findChild<QTreeWidget*>("lstKopiot");
        QVERIFY(list);
        list->clearSelection();
        list->topLevelItem(row)->setSelected(true);
    }

    // The database chosen, its newest copy selected, and Yes the answer to come.
    static void chooseNewestCopy(RestoreWindow& window, ScriptedDialogs& dialogs, const QString& db)
    {
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        selectRow(window, 0);
        dialogs.confirmAnswers = {true};
    }

private slots:
    void restoringAndRemovingAreConfirmedAndShownInTheList()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        testdb::create(db, testdb::tablesSql({"Asiakkaat"}));
        const QString older = SafetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        testdb::run(db, "CREATE TABLE Laskut(x); INSERT INTO Laskut VALUES (1)");

        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        QCOMPARE(window.databasePath(), db);
        QCOMPARE(window.copies().size(), 1);
        QCOMPARE(window.findChild<QTreeWidget*>("lstKopiot")->topLevelItemCount(), 1);

        // Declined: nothing changes and no copy is taken.
        selectRow(window, 0);
        dialogs.confirmAnswers = {false};
        click(window, "cmdPalauta");
        QCOMPARE(testdb::tableNames(db), (QStringList{"Asiakkaat", "Laskut"}));
        QCOMPARE(testdb::safetyCopies(dir.path()).size(), 1);

        // Confirmed: the copy's tables are back, and the state before it is a new copy.
        dialogs.confirmAnswers = {true};
        click(window, "cmdPalauta");
        QCOMPARE(testdb::tableNames(db), QStringList{"Asiakkaat"});
        QCOMPARE(window.copies().size(), 2);
        const QString informed = dialogs.shown.last().text;
        QVERIFY2(informed.startsWith("Palautettu!"), qPrintable(informed));
        const QString before = window.copies().first().path;
        QVERIFY2(before != older && informed.contains(before), qPrintable(informed));
        QCOMPARE(testdb::tableNames(before), (QStringList{"Asiakkaat", "Laskut"}));

        // Removing the older copy, once confirmed, leaves the newer one.
        selectRow(window, 1);
        dialogs.confirmAnswers = {true};
        click(window, "cmdPoista");
        QVERIFY(!QFile::exists(older));
        QVERIFY(QFile::exists(before));
        QCOMPARE(window.copies().size(), 1);
        QCOMPARE(window.copies().first().path, before);
    }

    // A restore of a large file keeps the window answering: its work reports
    // as it goes, and is over before the closing box shows.
    void aLargeRestoreReportsAsItGoes()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("suuri.wk1");
        testdb::create(db, "PRAGMA page_size=512; CREATE TABLE t(v BLOB);"
                           "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 5000)"
                           " INSERT INTO t SELECT randomblob(400) FROM c;");
        SafetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        testdb::run(db, "DELETE FROM t WHERE rowid > 10");

        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        chooseNewestCopy(window, dialogs, db);
        click(window, "cmdPalauta");

        QCOMPARE(testdb::rowCount(db, "t"), qint64(5000));
        QVERIFY2(dialogs.shown.last().text.startsWith("Palautettu!"), qPrintable(dialogs.shown.last().text));
        QCOMPARE(dialogs.progresses.size(), 1);
        const ScriptedDialogs::ProgressShown& work = dialogs.progresses.first();
        QCOMPARE(work.text, QString("Palautetaan varmuuskopiota ..."));
        QVERIFY(!work.cancellable);
        QVERIFY(work.ended);
        // The copy of the state once, the page writing at each piece of 1024 pages.
        QVERIFY2(work.steps.size() >= 3, qPrintable(QString::number(work.steps.size())));
    }

    void aFailedRestoreIsOneBoxAndTheDatabaseStays()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        testdb::create(db, testdb::tablesSql({"Asiakkaat"}));
        const QString copy = SafetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        {
            QFile broken(copy);
            QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
            broken.write(QByteArray(4096, 'x'));
        }
        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        chooseNewestCopy(window, dialogs, db);
        const int boxesBefore = dialogs.shown.size();
        click(window, "cmdPalauta");
        QCOMPARE(dialogs.shown.size(), boxesBefore + 2);   // the question, then the one failure box
        QVERIFY2(dialogs.shown.last().text.contains("tietokanta on ennallaan"), qPrintable(dialogs.shown.last().text));
        QCOMPARE(testdb::tableNames(db), QStringList{"Asiakkaat"});
        QCOMPARE(testdb::safetyCopies(dir.path()).size(), 1);
    }
};

QTEST_MAIN(TestRestoreWindow)
#include "tst_restorewindow.moc"
