#include "FileSizeLimit.h"
#include "OtherProgram.h"
#include "SafetyCopyOfFile.h"
#include "SmallDisk.h"
#include "TestDatabase.h"
#include "WithoutOverride.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "copies/DiskRoom.h"
#include "copies/SafetyCopy.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtTest/qtestassert.h>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A flush to disk that fails: of any file in `folder` but the database's
// own, or of the folder itself. Every flush of this program passes here on
// its way to the system.
struct FailingFlush {
    enum Of { Nothing, CopyFile, Folder };
    Of of = Nothing;
    QByteArray folder;
    QByteArray database;   // the file name whose own files flush as usual
};
FailingFlush failingFlush;

bool flushFails(int fd)
{
    if (failingFlush.of == FailingFlush::Nothing)
        return false;
    char target[4096];
    const ssize_t length = ::readlink(("/proc/self/fd/" + QByteArray::number(fd)).constData(), target,
                                      sizeof target - 1);
    struct stat seen {};
    if (length <= 0 || ::fstat(fd, &seen) != 0)
        return false;
    const QByteArray path(target, length);
    if (failingFlush.of == FailingFlush::Folder)
        return S_ISDIR(seen.st_mode) && path == failingFlush.folder;
    // The copy in the making has a temporary name, or none ("#123 (deleted)").
    return S_ISREG(seen.st_mode) && path.startsWith(failingFlush.folder + '/')
           && !path.mid(failingFlush.folder.size() + 1).startsWith(failingFlush.database);
}

} // namespace

extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    if (flushFails(fd)) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
    if (flushFails(fd)) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

namespace {

// Rows of a few hundred bytes, so that a database spans many pages.
QString filledTableSql(int rows)
{
    return QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, v BLOB);"
                          "CREATE TABLE meta (n INTEGER, k INTEGER);"
                          "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1)"
                          " INSERT INTO t(v) SELECT randomblob(400) FROM c;"
                          "INSERT INTO meta VALUES ((SELECT count(*) FROM t), 0);")
        .arg(rows);
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.kesken")}, QDir::Files | QDir::Hidden);
}


void writeBytes(const QString& path, qint64 size)
{
    QFile file(path);
    QTEST_ASSERT(file.open(QIODevice::WriteOnly));
    QTEST_ASSERT(file.write(QByteArray(size, 'x')) == size);
}

} // namespace

class TestSafetyCopy : public QObject {
    Q_OBJECT

    QTemporaryDir roomDir_;
    SmallDisk small_{roomDir_.filePath(QStringLiteral("pieni"))};

private slots:
    void copyPathIsBuiltFromTheRealExtensionAndTheMoment_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");

        const QDateTime march7(QDate(2026, 3, 7), QTime(9, 5, 3));
        QTest::newRow("three-letter extension, zero-filled fields")
            << "/data/yritys.wk1" << march7 << 1 << "/data/yritys_wk1_20260307090503.var";
        QTest::newRow("last moment of a year")
            << "/data/yritys.wk1" << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)) << 1
            << "/data/yritys_wk1_20261231235959.var";
        QTest::newRow("year below 1000 has four digits")
            << "/data/yritys.wk1" << QDateTime(QDate(987, 1, 2), QTime(0, 0, 0)) << 1
            << "/data/yritys_wk1_09870102000000.var";
        QTest::newRow("two-letter extension") << "/data/yritys.wk" << march7 << 1 << "/data/yritys_wk_20260307090503.var";
        QTest::newRow("four-letter extension")
            << "/data/yritys.wdb1" << march7 << 1 << "/data/yritys_wdb1_20260307090503.var";
        QTest::newRow("dots in the name and the folder")
            << "/data.2026/yritys.vanha.wk1" << march7 << 1 << "/data.2026/yritys.vanha_wk1_20260307090503.var";
        QTest::newRow("second copy of the second") << "/data/yritys.wk1" << march7 << 2
                                                   << "/data/yritys_wk1_20260307090503_2.var";
        QTest::newRow("eleventh copy") << "/data/Yritys Öy.wk1" << march7 << 11
                                       << "/data/Yritys Öy_wk1_20260307090503_11.var";
    }

    void copyPathIsBuiltFromTheRealExtensionAndTheMoment()
    {
        QFETCH(QString, database);
        QFETCH(QDateTime, moment);
        QFETCH(int, number);
        QFETCH(QString, expected);
        QCOMPARE(safetyCopyPath(database, moment, number), expected);
    }

    void copiesOfOneSecondNeverReplaceEachOther()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wdb1"));
        testdb::create(file, filledTableSql(50));
        const QDateTime moment(QDate(2026, 12, 8), QTime(9, 30, 5));

        const QByteArray first = testdb::fileBytes(file);
        QCOMPARE(testdb::safetyCopy(file, moment), dir.filePath(QStringLiteral("yritys_wdb1_20261208093005.var")));
        testdb::run(file, QStringLiteral("DELETE FROM t WHERE id <= 10"));
        const QByteArray second = testdb::fileBytes(file);
        QVERIFY(second != first);
        QCOMPARE(testdb::safetyCopy(file, moment), dir.filePath(QStringLiteral("yritys_wdb1_20261208093005_2.var")));
        QCOMPARE(testdb::safetyCopy(file, moment), dir.filePath(QStringLiteral("yritys_wdb1_20261208093005_3.var")));

        QCOMPARE(testdb::fileBytes(dir.filePath(QStringLiteral("yritys_wdb1_20261208093005.var"))), first);
        QCOMPARE(testdb::fileBytes(dir.filePath(QStringLiteral("yritys_wdb1_20261208093005_2.var"))), second);
        QCOMPARE(testdb::fileBytes(dir.filePath(QStringLiteral("yritys_wdb1_20261208093005_3.var"))), second);
        QCOMPARE(testdb::fileBytes(file), second);
        QCOMPARE(leftovers(dir.path()), QStringList());
    }

    // Committed rows that are still only in the log must be in the copy.
    void writeAheadLogDatabaseIsCopiedWithEveryCommit()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("loki.wk1"));
        testdb::create(file, QStringLiteral("PRAGMA journal_mode=WAL;") + filledTableSql(20));

        // Another program keeps the database open, so the log is not folded
        // into the main file when it commits.
        const OtherProgram other(file);
        QCOMPARE(other.exec("PRAGMA wal_autocheckpoint=0;"
                            "INSERT INTO t(v) VALUES (x'01'), (x'02');"
                            "UPDATE meta SET n = (SELECT count(*) FROM t), k = 7;"),
                 SQLITE_OK);
        QVERIFY(QFileInfo(file + QStringLiteral("-wal")).size() > 0);

        const QString copy = testdb::safetyCopy(file, QDateTime(QDate(2026, 5, 4), QTime(3, 2, 1)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"loki.wk1", "loki.wk1-shm", "loki.wk1-wal", "loki_wk1_20260504030201.var"}));
        QCOMPARE(testdb::integrity(copy), QStringLiteral("ok"));
        QCOMPARE(testdb::value(copy, QStringLiteral("SELECT k FROM meta")), QStringLiteral("7"));
        QCOMPARE(testdb::rowCount(copy, QStringLiteral("t")), qint64(22));
    }

    // Told piece by piece, up to the whole: byte for byte in rollback mode
    // (in one step where the file system clones), page by page in log mode.
    // A report that throws part-way through a copy in log mode leaves no
    // reader behind: the log can be folded into the file at once afterwards.
    void aThrowingReportLeavesNoReaderBehind()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("kesken.wk1"));
        testdb::create(file, QStringLiteral("PRAGMA page_size=512; PRAGMA journal_mode=WAL;") + filledTableSql(3000));
        {
            Database database = DatabaseEngine::instance().open(file);
            Database::WriteTransaction lock(database);
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, takeSafetyCopy(database, [](qint64, qint64) {
                                         throw std::runtime_error("keskeytetty");
                                     }));
        }
        const OtherProgram other(file);
        QCOMPARE(other.exec("INSERT INTO meta VALUES (1, 1); PRAGMA wal_checkpoint(TRUNCATE);"), SQLITE_OK);
        QCOMPARE(QFileInfo(file + QStringLiteral("-wal")).size(), qint64(0));
        QCOMPARE(testdb::safetyCopies(dir.path()), QStringList());
        QCOMPARE(leftovers(dir.path()), QStringList());
    }

    void copyReportsHowFarItGot_data()
    {
        QTest::addColumn<bool>("writeAheadLog");
        QTest::addColumn<int>("rows");
        QTest::newRow("rollback journal") << false << 5000;
        QTest::newRow("write-ahead log") << true << 5000;
        // Some megabytes: the copy reports at once and after each few.
        QTest::newRow("rollback journal, 20 MB") << false << 50000;
        QTest::newRow("write-ahead log, 20 MB") << true << 50000;
    }

    void copyReportsHowFarItGot()
    {
        QFETCH(bool, writeAheadLog);
        QFETCH(int, rows);
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("iso.wk1"));
        // Small pages, so that a file of a few megabytes has thousands.
        testdb::create(file, QStringLiteral("PRAGMA page_size=512;")
                                 + (writeAheadLog ? QStringLiteral("PRAGMA journal_mode=WAL;") : QString())
                                 + filledTableSql(rows));
        QList<QPair<qint64, qint64>> steps;
        QString copy;
        {
            Database database = DatabaseEngine::instance().open(file);
            Database::WriteTransaction lock(database);
            copy = takeSafetyCopy(database, [&steps](qint64 done, qint64 total) { steps.append({done, total}); });
        }
        QCOMPARE(testdb::integrity(copy), QStringLiteral("ok"));
        QCOMPARE(testdb::rowCount(copy, QStringLiteral("t")), qint64(rows));
        if (!writeAheadLog && steps.isEmpty())
            return;   // cloned by the file system in one step
        QVERIFY(!steps.isEmpty());
        const qint64 total = steps.first().second;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            QCOMPARE(steps[i].second, total);
            // The first report may come before any byte is copied, at once.
            QVERIFY(i == 0 ? steps[i].first >= 0 : steps[i].first > steps[i - 1].first);
        }
        QCOMPARE(steps.last().first, total);
        // No piece longer than some megabytes goes without a report: 4 MB of
        // bytes, or 1024 pages of 512 bytes.
        const qint64 longestPiece = writeAheadLog ? 1024 : 4 << 20;
        for (qsizetype i = 1; i < steps.size(); ++i)
            QVERIFY2(steps[i].first - steps[i - 1].first <= longestPiece, qPrintable(QString::number(i)));
        if (!writeAheadLog)
            QCOMPARE(steps.first().first, qint64(0));
        if (writeAheadLog) {
            QVERIFY2(steps.size() >= 3, qPrintable(QString::number(steps.size())));
            QCOMPARE(QString::number(total), testdb::value(copy, QStringLiteral("PRAGMA page_count")));
        } else {
            QCOMPARE(total, QFileInfo(file).size());
        }
    }

    void failedCopyLeavesNoCopyAndSaysWhy_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("disk full") << "full";
        QTest::newRow("database missing") << "missing";
        QTest::newRow("folder not writable") << "readonly";
        QTest::newRow("copy not flushed to disk") << "copy unflushed";
        QTest::newRow("folder not flushed to disk") << "folder unflushed";
    }

    void failedCopyLeavesNoCopyAndSaysWhy()
    {
        QFETCH(QString, cause);
        const QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("kansio"));
        QVERIFY(QDir().mkdir(folder));
        QString file = folder + QStringLiteral("/yritys.wk1");
        testdb::create(file, filledTableSql(400));
        const QByteArray before = testdb::fileBytes(file);

        std::optional<FileSizeLimit> limit;
        std::optional<WithoutOverride> heldToPermissions;
        QString reason;
        if (cause == QLatin1String("full")) {
            limit.emplace(before.size() / 4);
            reason = QStringLiteral("\nSyy: Tiedoston kokoraja tuli vastaan");
        } else if (cause == QLatin1String("missing")) {
            file = folder + QStringLiteral("/poissa.wk1");
            reason = QStringLiteral("Tietokantatiedostoa ei löydy.");
        } else if (cause.endsWith(QLatin1String("unflushed"))) {
            failingFlush = {cause.startsWith(QLatin1String("copy")) ? FailingFlush::CopyFile : FailingFlush::Folder,
                            QFile::encodeName(QFileInfo(folder).canonicalFilePath()), "yritys.wk1"};
            reason = QStringLiteral("\nSyy: Levyn lukeminen tai kirjoittaminen epäonnistui");
        } else {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            heldToPermissions.emplace();
            if (!heldToPermissions->active())
                QSKIP("the permission bits cannot be made to hold here");
            reason = QStringLiteral("\nSyy: Tietokannan kansioon ei voi kirjoittaa: ") + folder;
        }
        const auto restore = qScopeGuard([&] {
            failingFlush = {};
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });

        try {
            testdb::safetyCopy(file);
            QFAIL("the copy should have failed");
        } catch (const Failure& failure) {
            limit.reset();
            failingFlush = {};
            heldToPermissions.reset();
            // Said once: the reason names the cause, so the system's English stays out.
            QVERIFY2(!failure.message().contains(QStringLiteral("Alkuperäinen ilmoitus")), qPrintable(failure.message()));
            const qsizetype copyNamed = cause == QLatin1String("full") || cause.endsWith(QLatin1String("unflushed")) ? 2 : cause == QLatin1String("missing") ? 0 : 1;
            QCOMPARE(failure.message().count(QStringLiteral("Varmuuskopio")), copyNamed);
            // A missing database is refused by the open, before any copy.
            if (cause != QLatin1String("missing"))
                QVERIFY2(failure.message().startsWith(
                             QStringLiteral("Varmuuskopion tekeminen epäonnistui, joten tietokantaan ei koskettu.\n")),
                         qPrintable(failure.message()));
            QVERIFY2(failure.message().contains(reason), qPrintable(failure.message()));
        }
        limit.reset();
        heldToPermissions.reset();
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("yritys.wk1")});
        QCOMPARE(testdb::fileBytes(folder + QStringLiteral("/yritys.wk1")), before);
    }

    // A second program commits in a loop while copies are taken: every copy
    // must be a sound database whose tables agree with each other.
    void copiesAreConsistentWhileAnotherProgramWrites_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("write-ahead log") << true;
    }

    void copiesAreConsistentWhileAnotherProgramWrites()
    {
        QFETCH(bool, wal);
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (shell.isEmpty())
            QFAIL("the sqlite3 shell is needed as the second program (scripts/setup.sh installs it)");

        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, (wal ? QStringLiteral("PRAGMA journal_mode=WAL;") : QString()) + filledTableSql(1500));

        // Each transaction adds and removes rows and keeps meta.n equal to the
        // row count; k counts the transactions. Between two transactions the
        // writer reads, as a real program does: a copy is taken under the
        // write lock, which a writer that never lets go of it would withhold.
        QString script = QStringLiteral(".timeout 5000\nPRAGMA synchronous=OFF;\nPRAGMA wal_autocheckpoint=8;\n");
        for (int i = 0; i < 20000; ++i)
            script += QStringLiteral(
                "BEGIN IMMEDIATE;"
                "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 30)"
                " INSERT INTO t(v) SELECT randomblob(300 + abs(random() % 400)) FROM c;"
                "DELETE FROM t WHERE id IN (SELECT id FROM t ORDER BY random() LIMIT 25);"
                "UPDATE meta SET n = (SELECT count(*) FROM t), k = k + 1;"
                "COMMIT;"
                "SELECT sum(length(v)) FROM t;\n");
        const QString scriptFile = dir.filePath(QStringLiteral("kirjoittaja.sql"));
        {
            QFile out(scriptFile);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(script.toUtf8());
        }

        QProcess writer;
        writer.setStandardInputFile(scriptFile);
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.setStandardOutputFile(QProcess::nullDevice());
        writer.start(shell, {file});
        QVERIFY(writer.waitForStarted());
        const auto stop = qScopeGuard([&writer] {
            writer.kill();
            writer.waitForFinished();
        });
        QTRY_VERIFY_WITH_TIMEOUT(testdb::value(file, QStringLiteral("SELECT k FROM meta")).toInt() > 0, 5000);

        QStringList counts;
        for (int i = 0; i < 30; ++i) {
            const QString copy = testdb::safetyCopy(file);
            try {
                QCOMPARE(testdb::integrity(copy), QStringLiteral("ok"));
                QCOMPARE(testdb::value(copy, QStringLiteral("SELECT n = (SELECT count(*) FROM t) FROM meta")),
                         QStringLiteral("1"));
                counts.append(testdb::value(copy, QStringLiteral("SELECT k FROM meta")));
            } catch (const std::exception& unreadable) {
                QFAIL(qPrintable(QStringLiteral("copy %1 is no sound database: %2").arg(i).arg(unreadable.what())));
            }
            QVERIFY(QFile::remove(copy));
            QTest::qWait(5);
        }
        QVERIFY2(writer.state() == QProcess::Running, "the writer stopped before the copies were taken");
        // The writer did commit between the copies, or nothing was tested.
        QVERIFY2(counts.first() != counts.last(), qPrintable(counts.join(QLatin1Char(' '))));
    }

    // As the file dialog writes them: units of 1024, two decimals, Finnish words.
    void sizesReadAsTheOperatorReadsThem_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one byte") << qint64(1) << "1 tavu";
        QTest::newRow("bytes") << qint64(512) << "512 tavua";
        QTest::newRow("bytes with a group") << qint64(1023) << "1\u00a0023 tavua";
        QTest::newRow("one kilobyte") << qint64(1024) << "1,00 kt";
        QTest::newRow("one file of the restore list") << qint64(114688) << "112,00 kt";
        QTest::newRow("rounded to the nearest") << qint64(5000) << "4,88 kt";
        QTest::newRow("a byte short of a megabyte") << qint64(1048575) << "1,00 Mt";
        QTest::newRow("megabytes") << qint64(312) * 1024 * 1024 << "312,00 Mt";
        QTest::newRow("gigabytes") << qint64(44040192000) << "41,02 Gt";
        QTest::newRow("terabytes") << qint64(3) * 1024 * 1024 * 1024 * 1024 << "3,00 Tt";
        QTest::newRow("beyond the last unit") << qint64(2048) * 1024 * 1024 * 1024 * 1024 << "2\u00a0048,00 Tt";
    }

    void sizesReadAsTheOperatorReadsThem()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, shown);
        QCOMPARE(diskRoom::size(bytes), shown);
    }

    void messageGivesBothSizes_data()
    {
        QTest::addColumn<qint64>("needed");
        QTest::addColumn<qint64>("free");
        QTest::addColumn<QString>("sizes");
        QTest::newRow("gigabytes") << qint64(1288490188) << qint64(322122548) << "tarvitaan 1,20 Gt, vapaana 0,30 Gt";
        QTest::newRow("in the unit of the larger") << qint64(700) << qint64(2048)
                                                   << "tarvitaan 0,69 kt, vapaana 2,00 kt";
        QTest::newRow("bytes") << qint64(700) << qint64(600) << "tarvitaan 700 tavua, vapaana 600 tavua";
        // Rounded to the nearest hundredth both would read 1,20 Mt.
        QTest::newRow("a few bytes apart") << qint64(1258292) << qint64(1258290)
                                           << "tarvitaan 1,21 Mt, vapaana 1,19 Mt";
    }

    void messageGivesBothSizes()
    {
        QFETCH(qint64, needed);
        QFETCH(qint64, free);
        QFETCH(QString, sizes);
        QCOMPARE(diskRoom::noRoomMessage(QStringLiteral("varmuuskopiolle"), needed, free),
                 QStringLiteral("Levyllä ei ole tilaa varmuuskopiolle: ") + sizes + ".");
    }

    void tooLittleRoomIsRefusedWithNothingChanged()
    {
        if (small_.path().isEmpty())
            QSKIP("no small file system could be mounted here");
        const QString file = small_.path() + QStringLiteral("/yritys.wk1");
        writeBytes(file, 600 * 1024);   // a copy would need 600 kB of the 400 kB left
        const QByteArray before = testdb::fileBytes(file);
        try {
            diskRoom::ensureRoomForCopy(file);
            QFAIL("a copy that does not fit was allowed");
        } catch (const Failure& failure) {
            QVERIFY2(failure.whatFailed().startsWith(
                         QStringLiteral("Levyllä ei ole tilaa varmuuskopiolle: tarvitaan 600,00 kt, vapaana ")),
                     qPrintable(failure.message()));
            QVERIFY2(failure.whatFailed().endsWith(QStringLiteral(" kt.")),
                     qPrintable(failure.message()));
            QCOMPARE(failure.file(), file);
        }
        QCOMPARE(testdb::fileBytes(file), before);
        QCOMPARE(QDir(small_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"yritys.wk1"});
    }

    // The write-ahead log beside the file counts: the copy takes it in.
    void theLogBesideTheFileCounts()
    {
        if (small_.path().isEmpty())
            QSKIP("no small file system could be mounted here");
        const QString file = small_.path() + QStringLiteral("/loki.wk1");
        writeBytes(file, 200 * 1024);
        diskRoom::ensureRoomForCopy(file);   // 200 kB of some 400 kB: fits
        writeBytes(file + QStringLiteral("-wal"), 200 * 1024);
        QVERIFY_THROWS_EXCEPTION(Failure, diskRoom::ensureRoomForCopy(file));
        QFile::remove(file + QStringLiteral("-wal"));
        QFile::remove(file);
    }

    void aMissingFolderIsAFailure()
    {
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 diskRoom::ensureRoomForCopy(roomDir_.filePath(QStringLiteral("ei/ole/yritys.wk1"))));
    }
};

QTEST_GUILESS_MAIN(TestSafetyCopy)
#include "tst_safetycopy.moc"
