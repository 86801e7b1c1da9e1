#include "FaultyFiles.h"
#include "FileSizeLimit.h"
#include "LockAfterDrop.h"
#include "ConnectionWatch.h"
#include "OtherProgram.h"
#include "SafetyCopyOfFile.h"
#include "SchemaHealth.h"
#include "ScriptedDialogs.h"
#include "TestDatabase.h"

#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "copies/RestoreCopy.h"
#include "copies/SafetyCopy.h"
#include "operations/RegisterCleanups.h"
#include "operations/DeletionBatches.h"
#include "seam/MainView.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QtTest/qtestassert.h>

#include <functional>
#include <optional>

#include <sqlite3.h>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {


// Another program that makes copies over and over, killed at whatever point
// of a copy it happens to be.
void killWhileCopying(const std::function<void()>& copyOnce)
{
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        for (;;) {
            try {
                copyOnce();
            } catch (...) {
                ::_exit(1);
            }
        }
    }
    QTest::qWait(300);
    QCOMPARE(::kill(child, SIGKILL), 0);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
}

// The window as the operations see it, without a window.
class PlainView : public MainView {
public:
    explicit PlainView(QString path) : path_(std::move(path)) {}
    QString databasePath() const override { return path_; }
    void setDatabasePath(const QString& path) override { path_ = path; }
    QString selectedTableName() const override { return {}; }
    void showTableNames(const QStringList& names) override { listed = names; }
    QString seriesPrefix() const override { return {}; }
    void setSeriesPrefix(const QString&) override {}
    QStringList listed;

private:
    QString path_;
};

// One ordinary table, then `count` register tables; the names in catalogue order.
QStringList registerDatabase(const QString& file, int count, bool wal)
{
    QStringList names{QStringLiteral("Asiakkaat")};
    for (int i = 1; i <= count; ++i)
        names.append(QStringLiteral("Tulorekisteri_%1_a").arg(10000 + i));
    testdb::create(file, (wal ? QStringLiteral("PRAGMA journal_mode=WAL;") : QString()) + QStringLiteral("BEGIN;")
                             + testdb::tablesSql(names) + QStringLiteral("COMMIT;"));
    return names;
}

// Cleans every register table up as the window would on a Yes.
void cleanUp(const QString& file, ScriptedDialogs& dialogs)
{
    PlainView view(file);
    dialogs.confirmAnswers = {true};
    deleteAllRegisterTables(view, dialogs);
}

// A forked program cleaning up `file` that tells `out` of its steps: 'd' as
// a drop starts, 'c' once a transaction that dropped tables has committed.
// At the `stallAt`-th drop after its `afterCommits`-th commit it stops for
// good, inside that batch, to be killed there.
struct ReportingCleanup {
    int out;
    int afterCommits;
    int stallAt;
    int commits = 0;
    int dropsSinceCommit = 0;

    [[noreturn]] void run(const QString& file)
    {
        const ConnectionWatch watch([this](sqlite3* db) {
            sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_PROFILE, &ReportingCleanup::traced, this);
        });
        ScriptedDialogs dialogs;
        try {
            cleanUp(file, dialogs);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }

    static int traced(unsigned event, void* self, void* statement, void*)
    {
        auto& me = *static_cast<ReportingCleanup*>(self);
        const QByteArray sql = QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(statement))).trimmed().toUpper();
        if (event == SQLITE_TRACE_STMT && sql.startsWith("DROP TABLE")) {
            me.tell('d');
            ++me.dropsSinceCommit;
            if (me.commits >= me.afterCommits && me.dropsSinceCommit >= me.stallAt) {
                me.tell('s');
                for (;;)
                    ::pause();
            }
        } else if (event == SQLITE_TRACE_PROFILE && sql == "COMMIT" && me.dropsSinceCommit > 0) {
            me.tell('c');
            ++me.commits;
            me.dropsSinceCommit = 0;
        }
        return 0;
    }
    void tell(char what) const
    {
        if (::write(out, &what, 1) != 1)
            ::_exit(2);
    }
};

} // namespace

Q_DECLARE_METATYPE(FaultyFiles::Kind)

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void copyAndChangeShareOneWriteLock_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("write-ahead log") << true;
    }

    // From the copy to the commit no other program can commit, so the rows
    // it tries to add are in neither file; once the lock is gone it can.
    void copyAndChangeShareOneWriteLock()
    {
        QFETCH(bool, wal);
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, (wal ? QStringLiteral("PRAGMA journal_mode=WAL;") : QString())
                                 + QStringLiteral("CREATE TABLE a (x); INSERT INTO a VALUES (1), (2);"
                                                  "CREATE TABLE b (y); INSERT INTO b VALUES (1);"));
        const OtherProgram other(file);

        Database database = DatabaseEngine::instance().open(file);
        QString copy;
        {
            Database::WriteTransaction change(database);
            copy = takeSafetyCopy(database);
            QCOMPARE(other.exec("INSERT INTO a VALUES (3)"), SQLITE_BUSY);
            database.deleteTable(QStringLiteral("a"));
            QCOMPARE(other.exec("INSERT INTO b VALUES (2)"), SQLITE_BUSY);
            change.commit();
        }
        QCOMPARE(testdb::integrity(copy), QStringLiteral("ok"));
        QCOMPARE(testdb::rowCount(copy, QStringLiteral("a")), qint64(2));
        QCOMPARE(testdb::tableNames(file), QStringList{"b"});
        QCOMPARE(other.exec("INSERT INTO b VALUES (2)"), SQLITE_OK);
        QCOMPARE(testdb::rowCount(file, QStringLiteral("b")), qint64(2));
    }

    // The copy refuses a connection that holds no write lock, and a change
    // that is not committed is rolled back with the transaction.
    void copyNeedsTheLockAndAnUncommittedChangeIsUndone()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, QStringLiteral("CREATE TABLE a (x); CREATE TABLE b (y);"));
        const QByteArray before = testdb::fileBytes(file);
        Database database = DatabaseEngine::instance().open(file);
        QVERIFY_THROWS_EXCEPTION(Failure, takeSafetyCopy(database));
        QCOMPARE(testdb::safetyCopies(dir.path()), QStringList{});
        {
            Database::WriteTransaction change(database);
            database.deleteTable(QStringLiteral("a"));
        }
        QCOMPARE(database.tableNames(), (QStringList{"a", "b"}));
        QCOMPARE(testdb::fileBytes(file), before);
    }

    // The moment the drop has committed, another program locks the file and
    // keeps it past the busy timeout: the drop is done, so it is not
    // reported as failed, and its step ends with the commit.
    void aDropThatCommittedIsNotReportedAsFailed()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, QStringLiteral("CREATE TABLE a (x); CREATE TABLE b (y);"));
        LockAfterDrop other(file, 1);
        Database database = DatabaseEngine::instance().open(file);
        try {
            database.deleteTable(QStringLiteral("a"));
        } catch (const Failure& failure) {
            QFAIL(qPrintable(QStringLiteral("a committed drop was reported as failed:\n") + failure.message()));
        }
        QVERIFY(other.tookTheLock());
        QVERIFY2(other.holding(), "the file was looked at after the commit");
        other.release();
        QCOMPARE(testdb::tableNames(file), QStringList{"b"});
        QCOMPARE(database.tableNames(), QStringList{"b"});
    }

    // Another program holding the write lock: the reason is Finnish, the
    // engine's words come after it, and the box names the database.
    void aLockedDatabaseSaysSoInFinnish()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, QStringLiteral("CREATE TABLE a (x);"));
        const OtherProgram other(file);
        QCOMPARE(other.exec("BEGIN IMMEDIATE; INSERT INTO a VALUES (1);"), SQLITE_OK);
        Database database = DatabaseEngine::instance().open(file);
        try {
            Database::WriteTransaction change(database);
            QFAIL("the lock was taken while another program held it");
        } catch (const Failure& failure) {
            QCOMPARE(failure.detail(), QStringLiteral("Toinen ohjelma käyttää tietokantaa; yritä myöhemmin uudelleen"));
            // The Finnish reason names the cause: the engine's English stays out of the box.
            QVERIFY2(!failure.message().contains(QStringLiteral("Alkuperäinen ilmoitus")), qPrintable(failure.message()));
            QVERIFY2(failure.original().contains(QStringLiteral("locked")), qPrintable(failure.original()));
            QCOMPARE(failure.file(), file);
        }
        QCOMPARE(other.exec("ROLLBACK"), SQLITE_OK);
    }

    void aPipeBesideTheDatabaseIsRefused_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("journal") << QStringLiteral("-journal");
        QTest::newRow("log") << QStringLiteral("-wal");
        QTest::newRow("shared memory") << QStringLiteral("-shm");
    }

    // The engine would wait for ever for a writer to the pipe.
    void aPipeBesideTheDatabaseIsRefused()
    {
        QFETCH(QString, suffix);
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, QStringLiteral("CREATE TABLE a (x);"));
        const QByteArray before = testdb::fileBytes(file);
        QCOMPARE(::mkfifo(QFile::encodeName(file + suffix).constData(), 0600), 0);
        try {
            DatabaseEngine::instance().open(file);
            QFAIL("a database with a pipe beside it was opened");
        } catch (const Failure& failure) {
            QVERIFY2(failure.message().contains(QStringLiteral("yritys.wk1") + suffix), qPrintable(failure.message()));
            QCOMPARE(failure.file(), file);
        }
        QVERIFY_THROWS_EXCEPTION(Failure, testdb::safetyCopy(file));
        QCOMPARE(testdb::fileBytes(file), before);
    }

    void aHealthyFileOfAnOddLengthOpens_data()
    {
        QTest::addColumn<int>("extra");
        QTest::newRow("a page more than the header says") << 4096;
        QTest::newRow("not a whole number of pages") << 100;
    }

    void aHealthyFileOfAnOddLengthOpens()
    {
        QFETCH(int, extra);
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, QStringLiteral("PRAGMA page_size=4096; CREATE TABLE a (x); CREATE TABLE b (y);"));
        {
            QFile grow(file);
            QVERIFY(grow.open(QIODevice::Append));
            grow.write(QByteArray(extra, '\0'));
        }
        QCOMPARE(testdb::integrity(file), QStringLiteral("ok"));
        Database database = DatabaseEngine::instance().open(file);
        QCOMPARE(database.tableNames(), (QStringList{"a", "b"}));
    }

    // The copy's name is the longest the folder takes; the copy in the
    // making has a shorter one.
    void aNameAtTheLimitGetsItsCopy()
    {
        const QTemporaryDir dir;
        const QDateTime moment(QDate(2026, 12, 8), QTime(9, 30, 5));
        constexpr int kLongestName = 255;
        const int stemLength = kLongestName - int(QStringLiteral("_wk1_20261208093005.var").size());
        const QString file = dir.filePath(QString(stemLength, QLatin1Char('n')) + QStringLiteral(".wk1"));
        testdb::create(file, QStringLiteral("CREATE TABLE a (x); INSERT INTO a VALUES (1);"));
        const QString copy = testdb::safetyCopy(file, moment);
        QCOMPARE(QFileInfo(copy).fileName().size(), kLongestName);
        QCOMPARE(testdb::fileBytes(copy), testdb::fileBytes(file));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void aFileSizeLimitSaysSoInFinnishAndNamesTheDatabase_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("write-ahead log") << true;
    }

    // The reason is Finnish, the system's words follow, and the box names
    // the database, not the copy in the making. A file size limit stands in
    // for a disk that cannot take the copy.
    void aFileSizeLimitSaysSoInFinnishAndNamesTheDatabase()
    {
        QFETCH(bool, wal);
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, (wal ? QStringLiteral("PRAGMA journal_mode=WAL;") : QString())
                                 + QStringLiteral("CREATE TABLE t (v); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL"
                                                  " SELECT i + 1 FROM c WHERE i < 200)"
                                                  " INSERT INTO t SELECT randomblob(1000) FROM c;"));
        try {
            const FileSizeLimit full(100000);
            testdb::safetyCopy(file);
            QFAIL("the copy was made on a full disk");
        } catch (const Failure& failure) {
            QCOMPARE(failure.file(), file);
            // The limit, not a full disk: the disk has room, and freeing some would not help.
            QVERIFY2(failure.detail().startsWith(QStringLiteral("Tiedoston kokoraja tuli vastaan")),
                     qPrintable(failure.message()));
            QVERIFY2(!failure.message().contains(QStringLiteral(".kesken")), qPrintable(failure.message()));
        }
        QCOMPARE(testdb::safetyCopies(dir.path()), QStringList{});
    }

    void aKillInsideABatchKeepsTheCommittedOnes_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::addColumn<int>("afterCommits");
        QTest::addColumn<int>("stallAt");
        QTest::newRow("rollback journal, third batch") << false << 2 << 5;
        QTest::newRow("rollback journal, first batch") << false << 0 << 3;
        QTest::newRow("write-ahead log, third batch") << true << 2 << 5;
        QTest::newRow("write-ahead log, second batch") << true << 1 << 40;
    }

    // A cleanup killed inside a batch: every batch committed before stays,
    // the one under way is gone without a trace, the file is sound, and the
    // next cleanup finishes the walk.
    void aKillInsideABatchKeepsTheCommittedOnes()
    {
        QFETCH(bool, wal);
        QFETCH(int, afterCommits);
        QFETCH(int, stallAt);
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        const QStringList names = registerDatabase(file, 4 * DeletionBatches::kMostPerBatch, wal);

        int pipeEnds[2];
        QCOMPARE(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(pipeEnds[0]);
            ReportingCleanup{pipeEnds[1], afterCommits, stallAt}.run(file);
        }
        ::close(pipeEnds[1]);
        int drops = 0;
        int committed = 0;   // drops in the batches committed
        char step = 0;
        while (step != 's' && ::read(pipeEnds[0], &step, 1) == 1) {
            if (step == 'd')
                ++drops;
            else if (step == 'c')
                committed = drops;
        }
        ::close(pipeEnds[0]);
        QCOMPARE(step, 's');
        // The batch under way has written its journal: the kill finds it hot.
        if (!wal)
            QVERIFY(QFile::exists(file + QStringLiteral("-journal")));
        QCOMPARE(::kill(child, SIGKILL), 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));

        QVERIFY(drops > committed);
        const QStringList left = testdb::tableNames(file);
        QCOMPARE(left, names.first(names.size() - committed));
        QCOMPARE(schemaProblems(file), QStringList());

        ScriptedDialogs again;
        cleanUp(file, again);
        QCOMPARE(testdb::tableNames(file), QStringList{"Asiakkaat"});
        QCOMPARE(again.informed(), QStringList());
        QCOMPARE(testdb::safetyCopies(dir.path()).size(), 2);
        QCOMPARE(schemaProblems(file), QStringList());
    }

    void aWriteFailingInsideABatchKeepsTheCommittedOnes_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal: the journal cannot grow") << false;
        QTest::newRow("write-ahead log: the log cannot grow") << true;
    }

    // Past the first batch, the journal or the log cannot grow any more:
    // the batch under way fails and is undone, the box's count is exactly
    // what is gone, the file is sound and the next cleanup finishes.
    void aWriteFailingInsideABatchKeepsTheCommittedOnes()
    {
        QFETCH(bool, wal);
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        const QStringList names = registerDatabase(file, 3 * DeletionBatches::kMostPerBatch, wal);
        const QString growing = file + (wal ? QStringLiteral("-wal") : QStringLiteral("-journal"));

        ScriptedDialogs dialogs;
        std::optional<FileSizeLimit> full;
        dialogs.whileProgressing = [&](const ScriptedDialogs::ProgressShown& work) {
            if (work.cancellable && work.steps.size() == DeletionBatches::kMostPerBatch + 3)
                full.emplace(rlim_t(QFileInfo(growing).size()));
        };
        QString told;
        try {
            cleanUp(file, dialogs);
        } catch (const Failure& failure) {
            told = failure.message();
        }
        full.reset();
        QVERIFY2(!told.isEmpty(), "the cleanup went through a file that could not grow");
        const QStringList left = testdb::tableNames(file);
        const qsizetype gone = names.size() - left.size();
        QVERIFY2(gone > 0 && left.size() > 1, qPrintable(told));
        QVERIFY2(told.startsWith(QStringLiteral("Poisto keskeytyi, kun %1 taulukkoa oli poistettu; muut ovat tallella.")
                                     .arg(gone)),
                 qPrintable(told));
        QCOMPARE(left, names.first(left.size()));
        QCOMPARE(schemaProblems(file), QStringList());

        ScriptedDialogs again;
        cleanUp(file, again);
        QCOMPARE(testdb::tableNames(file), QStringList{"Asiakkaat"});
        QCOMPARE(schemaProblems(file), QStringList());
    }

    // A program killed while it copies leaves no half-made copy behind: the
    // copy has no name until it is finished.
    void aKillDuringTheCopyLeavesNoStrayFile()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, QStringLiteral("CREATE TABLE t (v);"
                                            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c"
                                            " WHERE i < 4000) INSERT INTO t SELECT randomblob(2000) FROM c;"));
        killWhileCopying([&file] { QFile::remove(testdb::safetyCopy(file)); });
        for (const QString& left : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(left == QStringLiteral("yritys.wk1") || left.endsWith(QStringLiteral(".var")), qPrintable(left));
    }

    // In log mode the copy must have a name while it is made, so a program
    // killed then leaves it; the next copy, under the write lock, removes
    // such leftovers, but never a file another living program still writes,
    // nor a file that only looks alike.
    void leftoversOfAKilledCopyGoWithTheNextCopy()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, QStringLiteral("PRAGMA journal_mode=WAL; CREATE TABLE t (v);"
                                            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c"
                                            " WHERE i < 4000) INSERT INTO t SELECT randomblob(2000) FROM c;"));
        killWhileCopying([&file] {
            Database database = DatabaseEngine::instance().open(file);
            Database::WriteTransaction lock(database);
            QFile::remove(takeSafetyCopy(database));
        });

        // One left by a program killed earlier, one still being written, and two look-alikes.
        const auto make = [&dir](const char* name) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QTEST_ASSERT(f.open(QIODevice::WriteOnly) && f.write("osa") == 3);
        };
        make("yritys_wk1_Ab12Cd.kesken");
        make("yritys_wk1_Ab12Cd.kesken.oma");
        make("toinen_wk1_Ab12Cd.kesken");
        make("yritys_wk1_Live01.kesken");
        const int live = ::open(QFile::encodeName(dir.filePath(QStringLiteral("yritys_wk1_Live01.kesken"))).constData(),
                                O_RDONLY | O_CLOEXEC);
        QVERIFY(live >= 0);
        const auto closeLive = qScopeGuard([live] { ::close(live); });
        QCOMPARE(::flock(live, LOCK_EX | LOCK_NB), 0);

        QString copy;
        {
            Database database = DatabaseEngine::instance().open(file);
            Database::WriteTransaction lock(database);
            copy = takeSafetyCopy(database);
        }
        QCOMPARE(testdb::integrity(copy), QStringLiteral("ok"));
        const QStringList left = QDir(dir.path()).entryList({QStringLiteral("*.kesken*")}, QDir::Files | QDir::Hidden);
        QCOMPARE(left, (QStringList{"toinen_wk1_Ab12Cd.kesken", "yritys_wk1_Ab12Cd.kesken.oma",
                                    "yritys_wk1_Live01.kesken"}));
    }

    void aRestoreTellsWhatAFailedCallLeft_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::addColumn<FaultyFiles::Kind>("kind");
        QTest::addColumn<QByteArray>("suffix");
        QTest::addColumn<int>("code");
        using K = FaultyFiles::Kind;
        QTest::newRow("journal, reading the database") << false << K::Read << QByteArray(".wk1") << SQLITE_IOERR_READ;
        QTest::newRow("journal, reading the copy") << false << K::Read << QByteArray(".var") << SQLITE_IOERR_READ;
        QTest::newRow("journal, a short read of the copy")
            << false << K::Read << QByteArray(".var") << SQLITE_IOERR_SHORT_READ;
        QTest::newRow("journal, writing the database") << false << K::Write << QByteArray(".wk1") << SQLITE_IOERR_WRITE;
        QTest::newRow("journal, flushing the journal")
            << false << K::Sync << QByteArray("-journal") << SQLITE_IOERR_FSYNC;
        QTest::newRow("journal, flushing the database") << false << K::Sync << QByteArray(".wk1") << SQLITE_IOERR_FSYNC;
        QTest::newRow("log, reading the database") << true << K::Read << QByteArray(".wk1") << SQLITE_IOERR_READ;
        QTest::newRow("log, reading the log") << true << K::Read << QByteArray("-wal") << SQLITE_IOERR_READ;
        QTest::newRow("log, writing the log") << true << K::Write << QByteArray("-wal") << SQLITE_IOERR_WRITE;
        QTest::newRow("log, flushing the log") << true << K::Sync << QByteArray("-wal") << SQLITE_IOERR_FSYNC;
    }

    // Each call of its kind fails once, one restore after another: a
    // restore that fails says what the next program to open the file will
    // see, no sound file is called damaged, and a restore that succeeds in
    // log mode leaves no log beside the file.
    void aRestoreTellsWhatAFailedCallLeft()
    {
        QFETCH(bool, wal);
        QFETCH(FaultyFiles::Kind, kind);
        QFETCH(QByteArray, suffix);
        QFETCH(int, code);
        const QStringList old{"Asiakkaat", "Laskut"};
        const QStringList restored{"Asiakkaat"};
        int failures = 0;
        int nth = 1;
        for (;; ++nth) {
            QVERIFY2(nth < 500, "the calls never ran out");
            const QTemporaryDir dir;
            const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
            testdb::create(file, (wal ? QStringLiteral("PRAGMA journal_mode=WAL;") : QString())
                                     + QStringLiteral("CREATE TABLE Asiakkaat (v); WITH RECURSIVE c(i) AS (SELECT 1 "
                                                      "UNION ALL SELECT i + 1 FROM c WHERE i < 60) INSERT INTO "
                                                      "Asiakkaat SELECT randomblob(300) FROM c;"));
            const QString copy = testdb::safetyCopy(file, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
            testdb::run(file, QStringLiteral("CREATE TABLE Laskut (v); INSERT INTO Laskut VALUES (1);"));
            QString told;
            bool struck = false;
            {
                const FaultyFiles faulty(kind, suffix, nth, code);
                try {
                    restoreSafetyCopy(file, copy);
                } catch (const Failure& failure) {
                    told = failure.message();
                }
                struck = faulty.struck();
            }
            // Looked at before the test's own reading opens the file again.
            const bool logLeft = QFile::exists(file + QStringLiteral("-wal")) || QFile::exists(file + QStringLiteral("-shm"));
            const QStringList tables = testdb::tableNames(file);
            QCOMPARE(schemaProblems(file), QStringList{});
            if (told.isEmpty()) {
                QCOMPARE(tables, restored);
                QVERIFY2(!logLeft, qPrintable(QString::number(nth)));
                if (!struck)
                    break;
                continue;
            }
            ++failures;
            const QString seen = QStringLiteral("call %1: %2").arg(nth).arg(told);
            QVERIFY2(!told.contains(QStringLiteral("vioittunut")), qPrintable(seen));
            QVERIFY2(tables == old || tables == restored, qPrintable(seen));
            // Where the box says the old contents are there, they are.
            if (told.contains(QStringLiteral("ennallaan")) || told.contains(QStringLiteral("aiempi sisältö")))
                QVERIFY2(tables == old, qPrintable(seen + QStringLiteral("\nfound: ") + tables.join(',')));
        }
        qDebug() << nth - 1 << "calls," << failures << "restores failed";
        QVERIFY(nth > 1);
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
