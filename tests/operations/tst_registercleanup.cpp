#include "ChosenDatabase.h"
#include "FaultyFiles.h"
#include "LockAfterDrop.h"
#include "SchemaHealth.h"
#include "TestDatabase.h"
#include "WindowDriver.h"
#include "operations/DeletionBatches.h"
#include "operations/RegisterNames.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Kind = ScriptedDialogs::Kind;

const QString kInitial = registerNames::kInitialSeriesCaption.toString();

// A virtual table of a module this program does not have: the engine lists
// it but refuses to drop it, as it would a table another program made.
QString brokenTableSql(const QString& name)
{
    return QStringLiteral("PRAGMA writable_schema=ON;"
                          "INSERT INTO sqlite_master(type, name, tbl_name, rootpage, sql) "
                          "VALUES('table', '%1', '%1', 0, 'CREATE VIRTUAL TABLE \"%1\" USING puuttuva(x)');"
                          "PRAGMA writable_schema=OFF;")
        .arg(name);
}

// "Asiakkaat", then `count` register tables.
QStringList withRegisterTables(int count)
{
    QStringList names{QStringLiteral("Asiakkaat")};
    for (int i = 1; i <= count; ++i)
        names.append(QStringLiteral("Tulorekisteri_12345_%1").arg(i));
    return names;
}

// Another program's write: it tries the lock every 2 ms until it gets it,
// then adds a row to Asiakkaat. Returns how many register tables the file
// held at that moment, or -1 when it never got the lock.
int writeWhenLockAllows(const QString& file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return -1;
    }
    QElapsedTimer waiting;
    waiting.start();
    sqlite3_busy_handler(
        db,
        [](void* clock, int) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return static_cast<QElapsedTimer*>(clock)->elapsed() < 60000 ? 1 : 0;
        },
        &waiting);
    int left = -1;
    sqlite3_stmt* count = nullptr;
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'Tulorekisteri\\_%' ESCAPE '\\'",
                              -1, &count, nullptr)
               == SQLITE_OK
        && sqlite3_step(count) == SQLITE_ROW)
        left = sqlite3_column_int(count, 0);
    sqlite3_finalize(count);
    if (left >= 0
        && (sqlite3_exec(db, "INSERT INTO Asiakkaat VALUES (2, 'toinen')", nullptr, nullptr, nullptr) != SQLITE_OK
            || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK))
        left = -1;
    sqlite3_close_v2(db);
    return left;
}

// One row per bulk button.
void bulkButtons()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("series") << "cmdP";
    QTest::newRow("all") << "cmdPoistaTulorekisteriTaulut";
    QTest::newRow("numbered") << "cmdPTN";
}

} // namespace

Q_DECLARE_METATYPE(FaultyFiles::Kind)

class TestRegisterCleanup : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // A database alone in its own folder, so that its safety copies can be counted.
    QString databaseFromSql(const QString& folder, const QString& sql)
    {
        QDir(dir_.path()).mkpath(folder);
        const QString path = dir_.filePath(folder + QStringLiteral("/yritys.wk1"));
        testdb::create(path, sql);
        return path;
    }
    QString database(const QString& folder, const QStringList& names)
    {
        return databaseFromSql(folder, testdb::tablesSql(names));
    }
    static int copies(const QString& path) { return int(testdb::safetyCopies(QFileInfo(path).path()).size()); }

    // A run that went through: the file holds `remaining`, the list shows the
    // file with nothing selected, and no box followed the question.
    static void expectDeleted(const WindowDriver& d, const QString& path, const QStringList& remaining)
    {
        QCOMPARE(testdb::tableNames(path), remaining);
        QCOMPARE(d.listed(), remaining);
        QVERIFY(d.list()->selectedItems().isEmpty());
        QCOMPARE(d.dialogs.informed(), QStringList());
        QCOMPARE(testdb::integrity(path), QStringLiteral("ok"));
    }

private slots:
    void seriesButtonFollowsSelection()
    {
        WindowDriver d;
        d.show();
        const QString first = database("valinta1", {"Asiakkaat", "Tulorekisteri_12345_a", "Tulorekisteri_erillis_67890_b",
                                                    "tulorekisteri_55555", "Tulorekisteri_&1234_c"});
        const QString other = database("valinta2", {"Muut"});
        QCOMPARE(d.caption("cmdP"), kInitial);
        d.choose(first);

        d.clickEntry("Tulorekisteri_12345_a");
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_12345"));
        QTest::keyClick(d.list(), Qt::Key_Down);
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_erillis_67890"));
        QTest::keyClick(d.list(), Qt::Key_Down);
        QCOMPARE(d.caption("cmdP"), kInitial);
        QTest::keyClick(d.list(), Qt::Key_Up);
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_erillis_67890"));
        d.clickEntry("Asiakkaat");
        QCOMPARE(d.caption("cmdP"), kInitial);
        d.clickEntry("Tulorekisteri_12345_a");
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_12345"));

        // A name is no keyboard shortcut for the series deletion.
        d.clickEntry("Tulorekisteri_&1234_c");
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_&1234"));
        QVERIFY(d.button("cmdP")->shortcut().isEmpty());

        // Rebuilding the list for another database is no selection.
        d.choose(other);
        QCOMPARE(d.listed(), QStringList{"Muut"});
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_&1234"));
        QCOMPARE(d.dialogs.shown.size(), 2);   // the two file dialogs
    }

    void seriesDeletion()
    {
        WindowDriver d;
        d.show();
        const QString path = database("sarja", {"Tulorekisteri_12345_a", "Asiakkaat", "Tulorekisteri_12345_b",
                                                "Tulorekisteri_12345_c", "Tulorekisteri_12346_x",
                                                "tulorekisteri_12345_d", "Tulorekisteri_1234",
                                                "Tulorekisteri_erillis_12345", "Tulorekisteri_12345",
                                                "Tulorekisteri_12345_z"});
        d.choose(path);
        d.clickEntry("Tulorekisteri_12345_b");
        d.dialogs.confirmAnswers = {true, true};
        d.click("cmdP");

        const QList<ScriptedDialogs::Shown> asked = d.dialogs.shownOf(Kind::Confirm);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Poistetaanko kaikki Tulorekisteri_12345  -alkuiset taulut"));
        QCOMPARE(asked[0].title, QStringLiteral("POISTETAAN KAIKKI Tulorekisteri_12345 -alkuiset taulut"));
        QCOMPARE(asked[0].defaultAnswer, Dialogs::DefaultAnswer::Yes);
        const QStringList remaining{"Asiakkaat", "Tulorekisteri_12346_x", "tulorekisteri_12345_d",
                                    "Tulorekisteri_1234", "Tulorekisteri_erillis_12345"};
        expectDeleted(d, path, remaining);
        QCOMPARE(copies(path), 1);
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_12345"));

        // The button still names the series: asked again, nothing left to delete, so no copy.
        d.click("cmdP");
        QCOMPARE(d.dialogs.shownOf(Kind::Confirm).size(), 2);
        expectDeleted(d, path, remaining);
        QCOMPARE(copies(path), 1);
    }

    // A table named exactly "Tulorekisteri_" chooses every register table.
    void wholeRegisterAsSeries()
    {
        WindowDriver d;
        d.show();
        const QString path = database("kaikki", {"Asiakkaat", "Tulorekisteri_", "Tulorekisteri_12345_a",
                                                 "Tulorekisteri_erillis_M", "Tulorekisteri", "tulorekisteri_x",
                                                 "Tulorekisteri_S"});
        d.choose(path);
        d.clickEntry("Tulorekisteri_");
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_"));
        d.dialogs.confirmAnswers = {true};
        d.click("cmdP");
        expectDeleted(d, path, {"Asiakkaat", "Tulorekisteri", "tulorekisteri_x"});
    }

    void seriesKeptAcrossDatabaseChange()
    {
        WindowDriver d;
        d.show();
        const QString first = database("ensimmainen", {"Tulorekisteri_erillis_55555_a", "Muut"});
        const QString second = database("toinen", {"Tulorekisteri_erillis_55555_x", "Tulorekisteri_erillis_55556_y",
                                                   "Asiakkaat"});
        d.choose(first);
        d.clickEntry("Tulorekisteri_erillis_55555_a");
        d.choose(second);
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_erillis_55555"));

        d.dialogs.confirmAnswers = {true};
        d.click("cmdP");
        QCOMPARE(d.dialogs.shownOf(Kind::Confirm).value(0).text,
                 QStringLiteral("Poistetaanko kaikki Tulorekisteri_erillis_55555  -alkuiset taulut"));
        expectDeleted(d, second, {"Tulorekisteri_erillis_55556_y", "Asiakkaat"});
        QCOMPARE(copies(second), 1);
        QCOMPARE(testdb::tableNames(first), (QStringList{"Tulorekisteri_erillis_55555_a", "Muut"}));
        QCOMPARE(copies(first), 0);
    }

    void allRegisterTables()
    {
        WindowDriver d;
        d.show();
        const QStringList original{"Tulorekisteri_1", "Tulorekisteri_S_Saajat", "Asiakkaat", "Tulorekisteri",
                                   "Tulorekisteri_erillis_M", "Tulorekisteri_erillis_T", "TULOREKISTERI_X",
                                   "Tulorekisteri_", "Tulorekisteri_M", "Tulorekisteri_ÄÖ123"};
        const QString path = database("kaikkirekisteri", original);
        d.choose(path);
        // Neither the selection nor the series button plays a part.
        d.clickEntry("Tulorekisteri_1");
        d.dialogs.confirmAnswers = {true};
        d.click("cmdPoistaTulorekisteriTaulut");

        const QList<ScriptedDialogs::Shown> asked = d.dialogs.shownOf(Kind::Confirm);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Poistetaanko kaikki tulorekisteri -taulut"));
        QCOMPARE(asked[0].title, QStringLiteral("POISTETAAN KAIKKI Tulorekisteri_ -alkuiset taulut"));
        QCOMPARE(asked[0].defaultAnswer, Dialogs::DefaultAnswer::Yes);
        expectDeleted(d, path, {"Asiakkaat", "Tulorekisteri", "TULOREKISTERI_X"});
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_1"));
        const QStringList copy = testdb::safetyCopies(QFileInfo(path).path());
        QCOMPARE(copy.size(), 1);
        QCOMPARE(testdb::tableNames(QFileInfo(path).dir().filePath(copy[0])), original);
    }

    void numberedRegisterTables()
    {
        WindowDriver d;
        d.show();
        const QString path = database(
            "numeroidut",
            {"Tulorekisteri_00001_a", "Tulorekisteri_S_Saajat", "Tulorekisteri_00001_b", "Tulorekisteri_00002",
             "Tulorekisteri_M", "Tulorekisteri_erillis_00003", "Tulorekisteri_erillis_M_x", "Tulorekisteri_erillis_T",
             "Tulorekisteri_erillis_S1", "Tulorekisteri_s1", "Asiakkaat", "Tulorekisteri_", "Tulorekisteri_erillis_",
             "Tulorekisteri_99999"});
        d.choose(path);
        d.clickEntry("Asiakkaat");
        d.dialogs.confirmAnswers = {true, true};
        d.click("cmdPTN");

        const QList<ScriptedDialogs::Shown> asked = d.dialogs.shownOf(Kind::Confirm);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Poistetaanko kaikki numeroidut tulorekisteri -taulut. Jätetään "
                                               "jäljelle vain perustieto -taulut"));
        QCOMPARE(asked[0].title, QStringLiteral("POISTETAAN KAIKKI NUMEROIDUT Tulorekisteri_ -alkuiset taulut"));
        QCOMPARE(asked[0].defaultAnswer, Dialogs::DefaultAnswer::Yes);
        const QStringList kept{"Tulorekisteri_S_Saajat", "Tulorekisteri_M", "Tulorekisteri_erillis_M_x",
                               "Tulorekisteri_erillis_T", "Asiakkaat"};
        expectDeleted(d, path, kept);
        QCOMPARE(copies(path), 1);
        QCOMPARE(d.caption("cmdP"), kInitial);

        d.click("cmdPTN");
        QCOMPARE(d.dialogs.shownOf(Kind::Confirm).size(), 2);
        expectDeleted(d, path, kept);
        QCOMPARE(copies(path), 1);
    }

    // A drop the engine refuses part-way, in the first batch or a later one:
    // what was deleted before it, in its batch too, stays deleted, the rest
    // stays, the box says how far it got and the list shows the file.
    void failurePartWay_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("before");   // tables the walk deletes before the refused one
        QTest::newRow("series") << "cmdP" << 2;
        QTest::newRow("all") << "cmdPoistaTulorekisteriTaulut" << 2;
        QTest::newRow("numbered") << "cmdPTN" << 2;
        QTest::newRow("all, in the second batch") << "cmdPoistaTulorekisteriTaulut"
                                                  << DeletionBatches::kMostPerBatch + 5;
        QTest::newRow("numbered, in the third batch") << "cmdPTN" << 2 * DeletionBatches::kMostPerBatch + 1;
    }

    void failurePartWay()
    {
        QFETCH(QString, button);
        QFETCH(int, before);
        WindowDriver d;
        d.show();
        QStringList after;
        for (int i = 1; i <= before; ++i)
            after.append(QStringLiteral("Tulorekisteri_12345_b%1").arg(i));
        const QString path = databaseFromSql(QStringLiteral("virhe_%1_%2").arg(button).arg(before),
                                             testdb::tablesSql({"Tulorekisteri_12345_a", "Asiakkaat"})
                                                 + brokenTableSql("Tulorekisteri_12345_v") + testdb::tablesSql(after));
        d.choose(path);
        d.clickEntry("Tulorekisteri_12345_a");
        d.dialogs.confirmAnswers = {true};
        d.click(button);

        const QStringList left{"Tulorekisteri_12345_a", "Asiakkaat", "Tulorekisteri_12345_v"};
        QCOMPARE(testdb::tableNames(path), left);
        QCOMPARE(d.listed(), left);
        const QStringList informed = d.dialogs.informed();
        QCOMPARE(informed.size(), 1);
        QVERIFY2(informed[0].contains(QStringLiteral("kun %1 taulukkoa oli poistettu").arg(before)),
                 qPrintable(informed[0]));
        QVERIFY2(informed[0].contains(QStringLiteral("Tulorekisteri_12345_v")), qPrintable(informed[0]));
        QCOMPARE(copies(path), 1);
        const QString copy = QFileInfo(path).dir().filePath(testdb::safetyCopies(QFileInfo(path).path()).first());
        QVERIFY2(informed[0].contains(QStringLiteral("Varmuuskopio otettiin ennen poistoa:\n") + copy),
                 qPrintable(informed[0]));
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_12345"));
        QCOMPARE(testdb::integrity(path), QStringLiteral("ok"));
    }

    // The copy, then one step a deletion; "Keskeytä" during a step ends the
    // walk after it, also inside a later batch: the batch commits what it
    // did, so the box's count is exactly what is gone. The list shows the
    // file, the box says how far the walk got and where the file as it was
    // is kept. No box opens while either piece of work runs (the scripted
    // operator fails the test then).
    void stoppedWalkKeepsTheRestAndSaysHowFar_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("registerTables");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<QStringList>("left");
        const QStringList walkedFirst{"Asiakkaat", "Tulorekisteri_12345_1", "Tulorekisteri_12345_2",
                                      "Tulorekisteri_12345_3", "Tulorekisteri_12345_4"};
        QTest::newRow("series, stopped") << "cmdP" << 6 << 2 << walkedFirst;
        QTest::newRow("all, stopped") << "cmdPoistaTulorekisteriTaulut" << 6 << 2 << walkedFirst;
        QTest::newRow("numbered, stopped") << "cmdPTN" << 6 << 2 << walkedFirst;
        QTest::newRow("numbered, stopped at the last") << "cmdPTN" << 6 << 6 << QStringList{"Asiakkaat"};
        QTest::newRow("numbered, never stopped") << "cmdPTN" << 6 << -1 << QStringList{"Asiakkaat"};
        const int batch = DeletionBatches::kMostPerBatch;
        QTest::newRow("all, stopped in the second batch")
            << "cmdPoistaTulorekisteriTaulut" << batch + 50 << batch + 7 << withRegisterTables(43);
        QTest::newRow("series, stopped at the end of the first batch")
            << "cmdP" << batch + 50 << batch << withRegisterTables(50);
    }

    void stoppedWalkKeepsTheRestAndSaysHowFar()
    {
        QFETCH(QString, button);
        QFETCH(int, registerTables);
        QFETCH(int, stopAfter);
        QFETCH(QStringList, left);
        WindowDriver d;
        d.show();
        const QStringList original = withRegisterTables(registerTables);
        const QString path = database(QStringLiteral("keskeytys_%1_%2_%3").arg(button).arg(registerTables).arg(stopAfter),
                                      original);
        d.choose(path);
        d.clickEntry("Tulorekisteri_12345_1");
        d.dialogs.shown.clear();
        d.dialogs.confirmAnswers = {true};
        d.dialogs.stopAfterSteps = stopAfter;
        d.click(button);

        QCOMPARE(testdb::tableNames(path), left);
        QCOMPARE(d.listed(), left);
        QCOMPARE(schemaProblems(path), QStringList());
        const QStringList copy = testdb::safetyCopies(QFileInfo(path).path());
        QCOMPARE(copy.size(), 1);
        const QString copyPath = QFileInfo(path).dir().filePath(copy[0]);
        QCOMPARE(testdb::tableNames(copyPath), original);

        const QList<ScriptedDialogs::ProgressShown>& work = d.dialogs.progresses;
        QCOMPARE(work.size(), 2);
        QCOMPARE(work[0].text, QStringLiteral("Otetaan varmuuskopiota ..."));
        QVERIFY(!work[0].cancellable);
        QVERIFY(work[0].ended);
        QCOMPARE(work[1].text, QStringLiteral("Poistetaan taulukoita: %1 / %2"));
        QVERIFY(work[1].cancellable);
        QVERIFY(work[1].ended);
        const int deleted = int(original.size() - left.size());
        QStringList labels;
        for (int i = 1; i <= deleted; ++i)
            labels.append(QStringLiteral("Poistetaan taulukoita: %1 / %2").arg(i).arg(registerTables));
        QCOMPARE(work[1].labels(), labels);

        QStringList boxes = d.dialogs.lines();
        QVERIFY(boxes.value(0).startsWith(QStringLiteral("Kyllä/Ei")));
        boxes.removeFirst();
        if (left.size() == 1)
            QCOMPARE(boxes, QStringList());
        else
            QCOMPARE(boxes, QStringList{QStringLiteral("OK: Poisto keskeytettiin, kun %1 taulukkoa oli poistettu; muut "
                                                       "ovat tallella. | Varmuuskopio %2 sisältää tietokannan "
                                                       "sellaisena kuin se oli ennen poistoa.")
                                            .arg(deleted)
                                            .arg(copyPath)});
    }

    // The walk's first batch has committed when another program locks the
    // file until this program's next statement ends: the walk goes on with
    // its next batch, and no deletion is reported as failed.
    void aCommittedBatchIsNotReportedAsFailed()
    {
        ChosenDatabase db(testdb::tablesSql(withRegisterTables(DeletionBatches::kMostPerBatch + 3)));
        const LockAfterDrop other(db.file, 1);
        db.window.dialogs.confirmAnswers = {true};
        db.window.click(QStringLiteral("cmdPoistaTulorekisteriTaulut"));
        QVERIFY(other.tookTheLock());
        const QStringList informed = db.window.dialogs.informed();
        QVERIFY2(informed.isEmpty(), qPrintable(informed.join(QLatin1Char('\n'))));
        QCOMPARE(db.tables(), QStringList{"Asiakkaat"});
        QCOMPARE(db.window.listed(), QStringList{"Asiakkaat"});
    }

    void anotherProgramWritesBetweenBatches_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("write-ahead log") << true;
    }

    // Another program that wants to write while a long cleanup runs, trying
    // the lock every 2 ms as this program does, gets it between two batches,
    // not only once the walk is over; the walk then goes on and finishes.
    void anotherProgramWritesBetweenBatches()
    {
        QFETCH(bool, wal);
        const QStringList names = withRegisterTables(8 * DeletionBatches::kMostPerBatch);
        ChosenDatabase db((wal ? QStringLiteral("PRAGMA journal_mode=WAL;") : QString()) + QStringLiteral("BEGIN;")
                          + testdb::tablesSql(names) + QStringLiteral("COMMIT;"));
        std::atomic<int> registerLeft{-1};
        std::thread other;
        db.window.dialogs.whileProgressing = [&](const ScriptedDialogs::ProgressShown& work) {
            if (work.cancellable && work.steps.size() == 1)
                other = std::thread([&] { registerLeft = writeWhenLockAllows(db.file); });
        };
        db.window.dialogs.confirmAnswers = {true};
        db.window.click(QStringLiteral("cmdPoistaTulorekisteriTaulut"));
        QVERIFY(other.joinable());
        other.join();

        QVERIFY2(registerLeft > 0, qPrintable(QString::number(registerLeft)));
        QCOMPARE(db.tables(), QStringList{"Asiakkaat"});
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(2));
        QCOMPARE(db.window.dialogs.informed(), QStringList());
        QCOMPARE(schemaProblems(db.file), QStringList());
    }

    void nothingLeftToDeleteTakesNoCopy_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("goneMeanwhile");
        QTest::addColumn<QStringList>("stays");
        const QStringList noRegister{"Asiakkaat", "Tulorekisteri", "tulorekisteri_x"};
        const QStringList basicData{"Asiakkaat", "Tulorekisteri_S_Saajat", "Tulorekisteri_M"};
        QTest::newRow("series, none there") << "cmdP" << false << basicData;
        QTest::newRow("all, none there") << "cmdPoistaTulorekisteriTaulut" << false << noRegister;
        QTest::newRow("numbered, only basic data") << "cmdPTN" << false << basicData;
        QTest::newRow("series, deleted while asking") << "cmdP" << true << noRegister;
        QTest::newRow("all, deleted while asking") << "cmdPoistaTulorekisteriTaulut" << true << noRegister;
        QTest::newRow("numbered, deleted while asking") << "cmdPTN" << true << basicData;
    }

    // Once the walk holds the lock and finds nothing to delete, it takes no
    // copy and leaves the file as it was; the list shows the file, and no
    // box follows the question.
    void nothingLeftToDeleteTakesNoCopy()
    {
        QFETCH(QString, button);
        QFETCH(bool, goneMeanwhile);
        QFETCH(QStringList, stays);
        const QStringList doomed{"Tulorekisteri_12345_a", "Tulorekisteri_12345_b"};
        WindowDriver d;
        d.show();
        const QString path = database(QStringLiteral("tyhja_%1_%2").arg(button).arg(goneMeanwhile),
                                      goneMeanwhile ? stays + doomed : stays);
        // The series button keeps the series of a table of another file.
        d.choose(database(QStringLiteral("sarja_%1_%2").arg(button).arg(goneMeanwhile), {"Tulorekisteri_12345_z"}));
        d.clickEntry("Tulorekisteri_12345_z");
        d.choose(path);
        d.dialogs.shown.clear();
        QByteArray before = testdb::fileBytes(path);
        d.dialogs.whileConfirming = [&](const QString&) {
            if (!goneMeanwhile)
                return;
            for (const QString& name : doomed)
                testdb::run(path, QStringLiteral("DROP TABLE \"%1\"").arg(name));
            before = testdb::fileBytes(path);
        };
        d.dialogs.confirmAnswers = {true};
        d.click(button);

        QCOMPARE(d.dialogs.shownOf(Kind::Confirm).size(), 1);
        QCOMPARE(d.dialogs.shown.size(), 1);
        QCOMPARE(copies(path), 0);
        QCOMPARE(testdb::fileBytes(path), before);
        QCOMPARE(testdb::tableNames(path), stays);
        QCOMPARE(d.listed(), stays);
    }

    void aFailedCallIsToldAsFarAsTheWalkGot_data()
    {
        QTest::addColumn<FaultyFiles::Kind>("kind");
        QTest::addColumn<int>("code");
        QTest::newRow("a read of the database") << FaultyFiles::Kind::Read << SQLITE_IOERR_READ;
        QTest::newRow("a write of the database") << FaultyFiles::Kind::Write << SQLITE_IOERR_WRITE;
    }

    // Each call of its kind on the database fails once, one cleanup after
    // another. The box tells how far the walk got as the file shows it:
    // "muut ovat tallella" only with register tables left, "kaikki" only
    // with none, and no sound file is called damaged.
    void aFailedCallIsToldAsFarAsTheWalkGot()
    {
        QFETCH(FaultyFiles::Kind, kind);
        QFETCH(int, code);
        const QStringList names{"Asiakkaat", "Tulorekisteri_1", "Tulorekisteri_2", "Tulorekisteri_3"};
        int told = 0;
        int nth = 1;
        for (;; ++nth) {
            QVERIFY2(nth < 400, "the calls never ran out");
            ChosenDatabase db(testdb::tablesSql(names));
            db.window.dialogs.confirmAnswers = {true};
            bool struck = false;
            {
                const FaultyFiles faulty(kind, ".wk1", nth, code);
                db.window.click(QStringLiteral("cmdPoistaTulorekisteriTaulut"));
                struck = faulty.struck();
            }
            if (!struck)
                break;
            const QStringList informed = db.window.dialogs.informed();
            if (informed.isEmpty())
                continue;
            ++told;
            const QString box = informed.join(QStringLiteral("\n---\n"));
            QCOMPARE(informed.size(), 1);
            QCOMPARE(schemaProblems(db.file), QStringList{});
            const QStringList left = testdb::tableNames(db.file).filter(QStringLiteral("Tulorekisteri_"));
            const QString seen = QStringLiteral("call %1: %2\nleft: %3").arg(nth).arg(box, left.join(','));
            QVERIFY2(!box.contains(QStringLiteral("vioittunut")), qPrintable(seen));
            if (box.contains(QStringLiteral("muut ovat tallella")) || box.contains(QStringLiteral("ei poistettu")))
                QVERIFY2(!left.isEmpty(), qPrintable(seen));
            if (box.contains(QStringLiteral("poistettavaa taulukkoa poistettiin")))
                QVERIFY2(left.isEmpty(), qPrintable(seen));
        }
        qDebug() << nth - 1 << "calls," << told << "told";
        QVERIFY(told > 0);
    }
};

QTEST_MAIN(TestRegisterCleanup)
#include "tst_registercleanup.moc"
