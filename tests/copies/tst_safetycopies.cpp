#include "EagerWriter.h"
#include "FileSizeLimit.h"
#include "OtherProgram.h"
#include "SafetyCopyOfFile.h"
#include "TestDatabase.h"
#include "copies/CopyComparison.h"
#include "copies/RemoveCopies.h"
#include "copies/RestoreCopy.h"
#include "copies/SafetyCopyList.h"
#include "db/Failure.h"
#include "db/Reasons.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <optional>
#include <unistd.h>

namespace {

const QDateTime kMonday(QDate(2026, 12, 7), QTime(8, 0, 0));

void touch(const QString& path, const QByteArray& bytes = "ei tietokanta")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The copies as the restore program lists them once each is read.
QList<SafetyCopyEntry> listedAndRead(const QString& databasePath)
{
    QList<SafetyCopyEntry> copies = listSafetyCopyFiles(databasePath);
    for (SafetyCopyEntry& copy : copies)
        readSafetyCopy(copy);
    return copies;
}

QStringList fileNames(const QList<SafetyCopyEntry>& entries)
{
    QStringList names;
    for (const SafetyCopyEntry& entry : entries)
        names.append(QFileInfo(entry.path).fileName());
    return names;
}

QList<int> numbersIn(const QString& file)
{
    QList<int> numbers;
    const QString listed = testdb::value(file, "SELECT group_concat(n) FROM (SELECT n FROM Kirjaukset ORDER BY n)");
    for (const QString& number : listed.split(',', Qt::SkipEmptyParts))
        numbers.append(number.toInt());
    return numbers;
}

// The database's own bytes: the file and a log beside it.
QByteArray databaseBytes(const QString& file)
{
    return testdb::fileBytes(file) + '|' + (QFile::exists(file + "-wal") ? testdb::fileBytes(file + "-wal") : "");
}

// The engine's own words stand only on the last line, after the Finnish reason.
void checkFinnishReason(const Failure& failure)
{
    QVERIFY2(!failure.detail().isEmpty(), qPrintable(failure.message()));
    const QString told = failure.message().section("\nAlkuperäinen ilmoitus: ", 0, 0);
    for (const char* english : {"database", "malformed", "locked", "no more rows", "disk", "readonly"})
        QVERIFY2(!told.contains(QLatin1String(english)), qPrintable(failure.message()));
}

} // namespace

class TestSafetyCopies : public QObject {
    Q_OBJECT

private slots:
    void listsOnlyThisDatabasesCopiesNewestFirst()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, testdb::tablesSql({"A", "B", "C"}));
        testdb::safetyCopy(file, kMonday);
        testdb::run(file, "DROP TABLE C");
        testdb::safetyCopy(file, kMonday);   // the same second: _2
        testdb::safetyCopy(file, kMonday.addDays(1));
        // Copies of other databases and names that only look alike.
        testdb::create(dir.filePath("yritys.wk2"), testdb::tablesSql({"X"}));
        testdb::safetyCopy(dir.filePath("yritys.wk2"), kMonday);
        for (const char* other : {"yritys_wk1_2026120708000.var", "yritys_wk1_20261207080000_1.var",
                                  "yritys_wk1_20261399080000.var", "yritys_wk1_20261207080000.var.kesken",
                                  "Yritys_wk1_20261207080000.var", "toinen_yritys_wk1_20261207080000.var"})
            touch(dir.filePath(QString::fromLatin1(other)));
        touch(dir.filePath("yritys_wk1_20261206080000.var"));   // named as a copy, but damaged

        const QList<SafetyCopyEntry> copies = listedAndRead(file);
        QCOMPARE(fileNames(copies), (QStringList{"yritys_wk1_20261208080000.var", "yritys_wk1_20261207080000_2.var",
                                                 "yritys_wk1_20261207080000.var", "yritys_wk1_20261206080000.var"}));
        QCOMPARE(copies[0].moment, kMonday.addDays(1));
        QCOMPARE(copies[1].number, 2);
        QCOMPARE(copies[2].number, 1);
        QCOMPARE(copies[0].tableCount, std::optional<int>(2));
        QCOMPARE(copies[2].tableCount, std::optional<int>(3));
        QCOMPARE(copies[2].size, QFileInfo(copies[2].path).size());
        QVERIFY(copies[2].size > 0);
        QVERIFY(copies[2].problem.isEmpty());
        QCOMPARE(copies[3].tableCount, std::nullopt);
        QVERIFY2(!copies[3].problem.isEmpty(), "a damaged copy says why it cannot be read");
    }

    void tableNamesThatCannotBeReadSayWhyInFinnish_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<Failure::Cause>("named");
        QTest::newRow("missing") << "missing" << "Tietokantatiedostoa ei voi avata" << Failure::Cause::Other;
        QTest::newRow("not a database") << "garbage" << "Tietokantatiedosto on vioittunut" << Failure::Cause::Damaged;
        QTest::newRow("held by another program") << "locked" << QString(reasons::kLocked) << Failure::Cause::Locked;
    }

    // The restore program lists these reasons beside every copy.
    void tableNamesThatCannotBeReadSayWhyInFinnish()
    {
        QFETCH(QString, cause);
        QFETCH(QString, reason);
        QFETCH(Failure::Cause, named);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        std::optional<OtherProgram> other;
        if (cause == "garbage") {
            touch(file, QByteArray(4096, 'x'));
        } else if (cause == "locked") {
            testdb::create(file, testdb::tablesSql({"A"}));
            other.emplace(file);
            QCOMPARE(other->exec("BEGIN EXCLUSIVE"), SQLITE_OK);
        }
        try {
            databaseTableNames(file);
            QFAIL("the names were read");
        } catch (const Failure& failure) {
            QCOMPARE(failure.file(), file);
            QVERIFY2(failure.detail().startsWith(reason), qPrintable(failure.message()));
            QCOMPARE(failure.cause(), named);
            // The engine's own words only where the reason names no cause.
            QCOMPARE(failure.message().contains("Alkuperäinen ilmoitus"), named == Failure::Cause::Other);
            checkFinnishReason(failure);
        }
    }

    // Reading a copy leaves nothing beside it, also a copy of a database in
    // write-ahead-log mode, whose header names the log.
    void readingACopyOfALogDatabaseLeavesNoFilesBesideIt()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("loki.wk1");
        testdb::create(file, "PRAGMA journal_mode=WAL;" + testdb::tablesSql({"A", "B"}));
        const QString copy = testdb::safetyCopy(file, kMonday);
        const QList<SafetyCopyEntry> copies = listedAndRead(file);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(copies[0].tableCount, std::optional<int>(2));
        QVERIFY(!QFile::exists(copy + "-wal"));
        QVERIFY(!QFile::exists(copy + "-shm"));
    }

    // A listing stopped while it reads a copy leaves that copy unread, not
    // damaged; read again, its count is the number of its names.
    void aStoppedReadLeavesTheCopyUnread()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        QStringList tables;
        for (int i = 0; i < 300; ++i)
            tables.append(QString("Taulukko%1").arg(i));
        testdb::create(file, testdb::tablesSql(tables));
        testdb::safetyCopy(file, kMonday);
        QList<SafetyCopyEntry> listed = listSafetyCopyFiles(file);
        QCOMPARE(listed.size(), 1);
        QVERIFY_THROWS_EXCEPTION(Failure, readSafetyCopy(listed[0], [] { return true; }));
        QCOMPARE(listed[0].tableCount, std::nullopt);
        QVERIFY2(listed[0].problem.isEmpty(), qPrintable(listed[0].problem));
        QCOMPARE(readSafetyCopy(listed[0], [] { return false; }), tables);
        QCOMPARE(listed[0].tableCount, std::optional<int>(300));
    }

    void restoreBringsBackTheCopyAfterKeepingTheCurrentState()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, testdb::tablesSql({"Asiakkaat", "Tuotteet"}) + "INSERT INTO Asiakkaat VALUES (2, 'y');");
        const QString copy = testdb::safetyCopy(file, kMonday);
        testdb::run(file, "DROP TABLE Tuotteet; DELETE FROM Asiakkaat; CREATE TABLE Uusi (x);"
                          "INSERT INTO Uusi VALUES (42);");

        const QString before = restoreSafetyCopy(file, copy);

        QCOMPARE(testdb::tableNames(file), (QStringList{"Asiakkaat", "Tuotteet"}));
        QCOMPARE(testdb::rowCount(file, "Asiakkaat"), qint64(2));
        QCOMPARE(testdb::rowCount(file, "Tuotteet"), qint64(1));
        QCOMPARE(testdb::integrity(file), QString("ok"));
        // The state just replaced is in a new safety copy, and the restored copy stays.
        QVERIFY(before != copy);
        QCOMPARE(safetyCopyName(file, before).has_value(), true);
        QCOMPARE(testdb::tableNames(before), (QStringList{"Asiakkaat", "Uusi"}));
        QCOMPARE(testdb::value(before, "SELECT x FROM Uusi"), QString("42"));
        QCOMPARE(testdb::rowCount(copy, "Tuotteet"), qint64(1));
        QCOMPARE(listedAndRead(file).size(), 2);
    }

    // The database was left with committed changes still only in its log,
    // as after a crash. Copying a file over it would let the log bring them
    // back at the next open; the restore writes through the log instead.
    void aLogBesideTheDatabaseCannotUndoTheRestore()
    {
        const QTemporaryDir dir;
        const QString original = dir.filePath("alkuperainen.wk1");
        testdb::create(original, "PRAGMA journal_mode=WAL;" + testdb::tablesSql({"A"}));
        const QString file = dir.filePath("yritys.wk1");
        {
            const OtherProgram other(original);
            QCOMPARE(other.exec("PRAGMA wal_autocheckpoint=0; CREATE TABLE Lokissa (x);"
                                "INSERT INTO Lokissa VALUES (1), (2), (3);"),
                     SQLITE_OK);
            QVERIFY(QFile::copy(original, file));
            QVERIFY(QFile::copy(original + "-wal", file + "-wal"));
        }
        QVERIFY(QFileInfo(file + "-wal").size() > 0);
        // The copy to restore: the database as it was before the log's changes.
        const QString copy = dir.filePath("yritys_wk1_20261207080000.var");
        testdb::create(copy, testdb::tablesSql({"A", "Vanha"}));

        restoreSafetyCopy(file, copy);

        QCOMPARE(testdb::tableNames(file), (QStringList{"A", "Vanha"}));
        // Once more after every file beside it has been looked at by a new connection.
        testdb::run(file, "PRAGMA user_version");
        QCOMPARE(testdb::tableNames(file), (QStringList{"A", "Vanha"}));
        QCOMPARE(testdb::integrity(file), QString("ok"));
        // The state replaced, the log's table included, is in the new safety copy.
        const QList<SafetyCopyEntry> copies = listedAndRead(file);
        QCOMPARE(copies.size(), 2);
        const QString before = copies[0].path == copy ? copies[1].path : copies[0].path;
        QCOMPARE(testdb::rowCount(before, "Lokissa"), qint64(3));
    }

    void noCommitFallsBetweenTheCopyOfTheStateAndTheRestore_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("write-ahead log") << true;
    }

    // Another program commits wherever it can while the restore runs. Each
    // row it got in is in the copy of the state before the restore, or was
    // written after it into the restored file; none falls between the two
    // and is lost.
    void noCommitFallsBetweenTheCopyOfTheStateAndTheRestore()
    {
        QFETCH(bool, wal);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, QString(wal ? "PRAGMA journal_mode=WAL;" : "") + testdb::tablesSql({"Asiakkaat"})
                                 + "CREATE TABLE Kirjaukset (n);");
        const QString copy = dir.filePath("yritys_wk1_20261207080000.var");
        testdb::create(copy, testdb::tablesSql({"Vanha"}) + "CREATE TABLE Kirjaukset (n);");

        QString before;
        QList<int> committed;
        {
            EagerWriter other(file);
            before = restoreSafetyCopy(file, copy);
            committed = other.committed;
        }

        QCOMPARE(testdb::tableNames(file), (QStringList{"Vanha", "Kirjaukset"}));
        QCOMPARE(testdb::integrity(file), QString("ok"));
        QCOMPARE(testdb::tableNames(before), (QStringList{"Asiakkaat", "Kirjaukset"}));
        const QList<int> kept = numbersIn(before);
        const QList<int> afterwards = numbersIn(file);
        QVERIFY2(!kept.isEmpty() && !afterwards.isEmpty(), "the other program tried both before and after");
        QCOMPARE(kept + afterwards, committed);
    }

    void refusedRestoresLeaveTheDatabaseAndTakeNoCopy_data()
    {
        QTest::addColumn<QString>("copyName");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged copy") << "yritys_wk1_20261207080000.var" << "vioittunut";
        QTest::newRow("another database's copy") << "muu_wk1_20261207080000.var" << "ei ole tämän tietokannan";
        QTest::newRow("missing copy") << "yritys_wk1_20261207090000.var" << "ei löydy";
    }

    void refusedRestoresLeaveTheDatabaseAndTakeNoCopy()
    {
        QFETCH(QString, copyName);
        QFETCH(QString, reason);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, testdb::tablesSql({"A", "B"}));
        const QString good = dir.filePath("muu_wk1_20261207080000.var");
        testdb::create(good, testdb::tablesSql({"X"}));
        // A copy whose pages are cut off after the header.
        const QByteArray whole = testdb::fileBytes(file);
        if (copyName.startsWith("yritys_wk1_20261207080000"))
            touch(dir.filePath(copyName), whole.left(1024) + QByteArray(3072, '\x5a'));
        const QByteArray before = testdb::fileBytes(file);

        try {
            restoreSafetyCopy(file, dir.filePath(copyName));
            QFAIL("the restore went ahead");
        } catch (const Failure& failure) {
            QVERIFY2(failure.message().contains(reason), qPrintable(failure.message()));
            QVERIFY2(failure.message().contains("ennallaan"), qPrintable(failure.message()));
            if (copyName.startsWith("yritys_wk1_20261207080000"))
                checkFinnishReason(failure);
        }
        QCOMPARE(testdb::fileBytes(file), before);
        QCOMPARE(testdb::safetyCopies(dir.path()).filter("yritys_").size(),
                 copyName.startsWith("yritys_wk1_20261207080000") ? 1 : 0);
    }

    void aDatabaseInUseIsNotRestored_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::addColumn<bool>("commitsMeanwhile");
        QTest::newRow("rollback journal") << false << false;
        QTest::newRow("write-ahead log") << true << false;
        QTest::newRow("rollback journal, a commit while waiting") << false << true;
        // The commit goes only into the log: the file itself keeps its size and time.
        QTest::newRow("write-ahead log, a commit while waiting") << true << true;
    }

    // Another program in the middle of a write: the restore waits for the
    // lock, then fails without touching the database. The lock comes before
    // the copy of the current state, so none is taken. Should the other
    // program commit while the restore waits, the database is no longer
    // quite as it was, and the box does not say it is.
    void aDatabaseInUseIsNotRestored()
    {
        QFETCH(bool, wal);
        QFETCH(bool, commitsMeanwhile);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, QString(wal ? "PRAGMA journal_mode=WAL;" : "") + testdb::tablesSql({"A", "B"}));
        const QString copy = testdb::safetyCopy(file, kMonday);
        testdb::run(file, "DROP TABLE B");

        const OtherProgram other(file);
        QCOMPARE(other.exec("PRAGMA wal_autocheckpoint=0; BEGIN IMMEDIATE; INSERT INTO A VALUES (9, 'z');"), SQLITE_OK);
        int asked = 0;
        int committed = SQLITE_OK;
        const KeepWaiting keepWaiting = [&](int) {
            if (++asked == 1 && commitsMeanwhile)
                committed = other.exec("COMMIT; BEGIN IMMEDIATE; INSERT INTO A VALUES (10, 'w');");
            return asked < 5;
        };
        try {
            restoreSafetyCopy(file, copy, {}, keepWaiting);
            QFAIL("restored under another program's write");
        } catch (const Failure& failure) {
            QVERIFY2(failure.message().contains("lukita"), qPrintable(failure.message()));
            QVERIFY2(failure.message().contains("tietokanta on ennallaan") != commitsMeanwhile,
                     qPrintable(failure.message()));
            QVERIFY2(failure.message().contains("ei ole täsmälleen ennallaan") == commitsMeanwhile,
                     qPrintable(failure.message()));
            checkFinnishReason(failure);
        }
        QCOMPARE(committed, SQLITE_OK);
        QCOMPARE(asked, 5);
        QCOMPARE(testdb::safetyCopies(dir.path()), QStringList{QFileInfo(copy).fileName()});
        QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
        QCOMPARE(testdb::tableNames(file), QStringList{"A"});
        QCOMPARE(testdb::rowCount(file, "A"), qint64(commitsMeanwhile ? 3 : 2));
    }

    void aCopyThatIsNoCopyIsListedWithItsProblemAndRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("wal");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty, rollback journal") << "empty" << false << "tyhjä";
        QTest::newRow("one byte") << "byte" << true << "liian lyhyt";
        QTest::newRow("a header and no page") << "header" << true << "lyhyempi kuin yksi sivu";
        QTest::newRow("symbolic link to the database") << "symlink" << true << "sama tiedosto kuin tietokanta";
        QTest::newRow("hard link to the database") << "link" << true << "sama tiedosto kuin tietokanta";
    }

    // The engine reads each as a database: an empty one, or the database's
    // own file without the commits that only its log holds. Restored, the
    // database would lose them, with no copy of what it held.
    void aCopyThatIsNoCopyIsListedWithItsProblemAndRefused()
    {
        QFETCH(QString, kind);
        QFETCH(bool, wal);
        QFETCH(QString, problem);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, QString(wal ? "PRAGMA journal_mode=WAL;" : "") + testdb::tablesSql({"A"}));
        const QString copy = dir.filePath("yritys_wk1_20261207080000.var");
        if (kind == "symlink" || kind == "link")
            QVERIFY(kind == "symlink" ? QFile::link(file, copy)
                                      : ::link(QFile::encodeName(file), QFile::encodeName(copy)) == 0);
        else   // "header": the first 512 bytes of a database of 4096-byte pages
            touch(copy, kind == "empty" ? "" : kind == "byte" ? "x" : testdb::fileBytes(file).left(512));
        OtherProgram other(file);
        QCOMPARE(other.exec("PRAGMA wal_autocheckpoint=0; CREATE TABLE Lokissa (x)"), SQLITE_OK);
        const QByteArray before = databaseBytes(file);

        const QList<SafetyCopyEntry> listed = listedAndRead(file);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0].tableCount, std::nullopt);
        QVERIFY2(listed[0].problem.contains(problem), qPrintable(listed[0].problem));
        try {
            restoreSafetyCopy(file, copy);
            QFAIL("restored what is no copy");
        } catch (const Failure& failure) {
            QVERIFY2(failure.message().contains(problem), qPrintable(failure.message()));
            QVERIFY2(failure.message().contains("ennallaan"), qPrintable(failure.message()));
        }
        QCOMPARE(databaseBytes(file), before);
        QCOMPARE(testdb::safetyCopies(dir.path()), QStringList{QFileInfo(copy).fileName()});
        QCOMPARE(testdb::tableNames(file), (QStringList{"A", "Lokissa"}));
    }

    void anotherPageSizeIsRestoredInEitherMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("databasePageSize");
        QTest::addColumn<int>("copyPageSize");
        QTest::newRow("write-ahead log, smaller pages") << "wal" << 4096 << 1024;
        QTest::newRow("write-ahead log, larger pages") << "wal" << 1024 << 8192;
        QTest::newRow("rollback journal") << "delete" << 4096 << 1024;
    }

    void anotherPageSizeIsRestoredInEitherMode()
    {
        QFETCH(QString, mode);
        QFETCH(int, databasePageSize);
        QFETCH(int, copyPageSize);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, QString("PRAGMA page_size=%1; PRAGMA journal_mode=%2;").arg(databasePageSize).arg(mode)
                                 + testdb::tablesSql({"Nyt"}));
        const QString copy = dir.filePath("yritys_wk1_20261207080000.var");
        testdb::create(copy, QString("PRAGMA page_size=%1; PRAGMA journal_mode=%2;").arg(copyPageSize).arg(mode)
                                 + "CREATE TABLE Vanha (v); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                   "FROM c WHERE i < 3000) INSERT INTO Vanha SELECT randomblob(300) FROM c;");

        int reports = 0;
        const QString before = restoreSafetyCopy(file, copy, [&reports] { ++reports; });

        QCOMPARE(testdb::tableNames(file), QStringList{"Vanha"});
        QCOMPARE(testdb::rowCount(file, "Vanha"), qint64(3000));
        QCOMPARE(testdb::integrity(file), QString("ok"));
        QCOMPARE(testdb::value(file, "PRAGMA page_size"), QString::number(copyPageSize));
        QCOMPARE(testdb::value(file, "PRAGMA journal_mode"), mode);
        QCOMPARE(testdb::tableNames(before), QStringList{"Nyt"});
        QVERIFY(reports > 0);
    }

    // Writing another page size in log mode needs the file to itself, and
    // the write lock is let go for a moment after the copy of the state.
    void anotherPageSizeInLogModeIsRefusedWhileOthersUseTheDatabase_data()
    {
        QTest::addColumn<bool>("writes");
        QTest::newRow("another program keeps it open") << false;
        QTest::newRow("another program commits whenever it can") << true;
    }

    void anotherPageSizeInLogModeIsRefusedWhileOthersUseTheDatabase()
    {
        QFETCH(bool, writes);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, "PRAGMA journal_mode=WAL;" + testdb::tablesSql({"Nyt"}) + "CREATE TABLE Kirjaukset (n);");
        const QString copy = dir.filePath("yritys_wk1_20261207080000.var");
        testdb::create(copy, "PRAGMA page_size=1024;" + testdb::tablesSql({"Vanha"}));

        std::optional<OtherProgram> reader;
        std::optional<EagerWriter> writer;
        if (writes)
            writer.emplace(file);
        else
            QCOMPARE(reader.emplace(file).exec("SELECT count(*) FROM Nyt"), SQLITE_OK);
        try {
            restoreSafetyCopy(file, copy);
            QFAIL("restored while another program used the database");
        } catch (const Failure& failure) {
            QVERIFY2(failure.message().contains(writes ? "Toinen ohjelma muutti" : "pidä tietokantaa auki"),
                     qPrintable(failure.message()));
            QVERIFY2(failure.message().contains("tietokanta on ennallaan") != writes, qPrintable(failure.message()));
            QVERIFY2(failure.message().contains("on tallessa tiedostossa"), qPrintable(failure.message()));
        }
        const QList<int> committed = writer ? writer->committed : QList<int>{};
        writer.reset();
        reader.reset();
        QCOMPARE(testdb::tableNames(file), (QStringList{"Nyt", "Kirjaukset"}));
        QCOMPARE(numbersIn(file), committed);
        QCOMPARE(testdb::value(file, "PRAGMA journal_mode"), QString("wal"));
    }

    void aFileSizeLimitIsNoFullDisk_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("write-ahead log") << true;
    }

    // The copy is larger than the limit lets the database grow.
    void aFileSizeLimitIsNoFullDisk()
    {
        QFETCH(bool, wal);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, QString(wal ? "PRAGMA journal_mode=WAL;" : "") + testdb::tablesSql({"Nyt"}));
        const QString copy = dir.filePath("yritys_wk1_20261207080000.var");
        testdb::create(copy, "CREATE TABLE Iso (v); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c "
                             "WHERE i < 200) INSERT INTO Iso SELECT randomblob(1000) FROM c;");
        try {
            const FileSizeLimit limit(100000);
            restoreSafetyCopy(file, copy);
            QFAIL("the copy was written past the file size limit");
        } catch (const Failure& failure) {
            QVERIFY2(failure.detail().startsWith("Tiedoston kokoraja tuli vastaan"), qPrintable(failure.message()));
            QVERIFY2(!failure.message().contains("tietokanta on ennallaan"), qPrintable(failure.message()));
            checkFinnishReason(failure);
        }
        QCOMPARE(testdb::tableNames(file), QStringList{"Nyt"});
        QCOMPARE(testdb::integrity(file), QString("ok"));
    }

    void removingCopiesRemovesOnlyTheChosenOnes()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, testdb::tablesSql({"A"}));
        const QString first = testdb::safetyCopy(file, kMonday);
        const QString second = testdb::safetyCopy(file, kMonday.addSecs(60));
        const QString third = testdb::safetyCopy(file, kMonday.addSecs(120));

        QCOMPARE(removeSafetyCopies(file, {first, third}), 2);
        QCOMPARE(fileNames(listedAndRead(file)), QStringList{QFileInfo(second).fileName()});
        QVERIFY(QFile::exists(file));

        // A path that is no copy of this database stops the whole removal.
        try {
            removeSafetyCopies(file, {second, file});
            QFAIL("removed the database itself");
        } catch (const Failure& failure) {
            QVERIFY2(failure.message().contains("mitään ei poistettu"), qPrintable(failure.message()));
        }
        QVERIFY(QFile::exists(second));
        QVERIFY(QFile::exists(file));

        // A folder under a copy's name stays, and the box says why in Finnish.
        const QString folder = testdb::safetyCopy(file, kMonday.addSecs(180));
        QVERIFY(QFile::remove(folder) && QDir().mkdir(folder));
        try {
            removeSafetyCopies(file, {second, folder});
            QFAIL("a folder was reported removed");
        } catch (const Failure& failure) {
            QCOMPARE(failure.detail(), QString("nimellä on kansio, ei tiedosto"));
            QVERIFY2(failure.message().contains("poistettiin 1 / 2"), qPrintable(failure.message()));
        }
        QVERIFY(!QFile::exists(second));
    }
};

QTEST_GUILESS_MAIN(TestSafetyCopies)
#include "tst_safetycopies.moc"
