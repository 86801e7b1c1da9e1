#include "OtherProgram.h"
#include "TestDatabase.h"
#include "db/DatabaseEngine.h"
#include "db/Dependencies.h"
#include "db/Emptying.h"
#include "db/Failure.h"
#include "db/References.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

QStringList namesOf(Database& db)
{
    QStringList names;
    for (int i = 0; i < db.tableCount(); ++i)
        names << db.tableName(i);
    return names;
}

// Counts the catalogue reads that the engine layer sends to SQLite.
int catalogueReads = 0;
int countCatalogueReads(unsigned, void*, void* statement, void*)
{
    const QByteArray sql(sqlite3_sql(static_cast<sqlite3_stmt*>(statement)));
    if (sql.startsWith("SELECT name") && sql.contains("FROM sqlite_master"))
        ++catalogueReads;
    return 0;
}

// Counts the looks at the schema version, each one a read of the file's header.
int versionChecks = 0;
int countVersionChecks(unsigned, void*, void* statement, void*)
{
    if (QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(statement))) == "PRAGMA schema_version")
        ++versionChecks;
    return 0;
}

// A setting of an open database, as the engine reports it.
qint64 setting(Database& db, const char* pragma)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.connection().handle(), pragma, -1, &st, nullptr) != SQLITE_OK
        || sqlite3_step(st) != SQLITE_ROW) {
        sqlite3_finalize(st);
        throw std::runtime_error(pragma);
    }
    const qint64 value = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return value;
}

// What a closed database is asked to do.
enum class Use { Names, RowCount, References, Dependencies, EmptyingReach, Rename, Connection };

void use(Database& db, Use what)
{
    switch (what) {
    case Use::Names:
        db.tableNames();
        break;
    case Use::RowCount:
        db.rowCount("A");
        break;
    case Use::References:
        References{db};
        break;
    case Use::Dependencies:
        Dependencies{db};
        break;
    case Use::EmptyingReach:
        emptying::reachOf(db, References(db), "A");
        break;
    case Use::Rename:
        (void)db.renameTable("A", "E");
        break;
    case Use::Connection:
        db.connection();
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Use)

class TestDatabase : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

    // A database with the tables A, B, C, D and one row in each.
    QString abcd(const QString& name)
    {
        const QString file = path(name);
        testdb::create(file, testdb::tablesSql({"A", "B", "C", "D"}));
        return file;
    }

    // A database with the empty tables T0000 … T0299; returns their names.
    static QStringList numberedTables(const QString& file)
    {
        QStringList names;
        for (int i = 0; i < 300; ++i)
            names << QStringLiteral("T%1").arg(i, 4, 10, QLatin1Char('0'));
        testdb::create(file, "BEGIN;" + testdb::tablesSql(names) + "COMMIT;");
        return names;
    }

    // `change` is refused with a reason, and the file is not touched.
    void expectRefused(const std::function<void()>& change, const QString& file)
    {
        const QByteArray before = testdb::fileBytes(file);
        try {
            change();
            QFAIL("accepted");
        } catch (const Failure& refused) {
            QCOMPARE(refused.file(), file);
            QVERIFY(!refused.detail().isEmpty());
        }
        QCOMPARE(testdb::fileBytes(file), before);
    }

private slots:
    void catalogueListsTablesInCreationOrderWithSystemTables()
    {
        const QString file = path("order.wk1");
        testdb::create(file, "CREATE TABLE Zeta (a); CREATE TABLE Alfa (id INTEGER PRIMARY KEY AUTOINCREMENT);"
                             "CREATE VIEW Näkymä AS SELECT * FROM Zeta; CREATE INDEX ix ON Zeta(a);"
                             "CREATE TABLE \"Henkilöstö ja palkat\" (x); CREATE TABLE sq (y); DROP TABLE sq;"
                             "CREATE TABLE \"[hakasulku]\" (z);");
        Database db = DatabaseEngine::instance().open(file);
        QCOMPARE(namesOf(db), (QStringList{"Zeta", "Alfa", "sqlite_sequence", "Henkilöstö ja palkat", "[hakasulku]"}));
        QVERIFY_THROWS_EXCEPTION(Failure, db.tableName(5));
        QVERIFY_THROWS_EXCEPTION(Failure, db.tableName(-1));
    }

    void deletingMovesOnlyLaterEntriesDown()
    {
        const QString file = abcd("shift.wk1");
        Database db = DatabaseEngine::instance().open(file);
        db.deleteTable("B");
        QCOMPARE(namesOf(db), (QStringList{"A", "C", "D"}));
        db.deleteTable("D");
        db.deleteTable("A");
        QCOMPARE(namesOf(db), QStringList{"C"});
        QCOMPARE(testdb::tableNames(file), QStringList{"C"});
    }

    void failingDeleteQuotesTheEngine()
    {
        const QString file = path("missing-table.wk1");
        testdb::create(file, "CREATE TABLE t (id INTEGER PRIMARY KEY AUTOINCREMENT); INSERT INTO t DEFAULT VALUES;");
        Database db = DatabaseEngine::instance().open(file);
        try {
            db.deleteTable("eiole");
            QFAIL("deleted a table that does not exist");
        } catch (const Failure& failure) {
            QVERIFY2(failure.original().contains("no such table"), qPrintable(failure.original()));
            QCOMPARE(failure.file(), file);
        }
        // The engine's own table is refused by the engine, and the catalogue stays true.
        QVERIFY_THROWS_EXCEPTION(Failure, db.deleteTable("sqlite_sequence"));
        QCOMPARE(namesOf(db), (QStringList{"t", "sqlite_sequence"}));
    }

    void catalogueIsReadOncePerChangeAndSeesOtherPrograms()
    {
        const QString file = path("cache.wk1");
        const QStringList names = numberedTables(file);
        Database db = DatabaseEngine::instance().open(file);
        sqlite3_trace_v2(db.connection().handle(), SQLITE_TRACE_STMT, countCatalogueReads, nullptr);
        catalogueReads = 0;

        QCOMPARE(namesOf(db), names);
        for (int i = db.tableCount() - 1; i >= 0; i -= 2)
            db.deleteTable(db.tableName(i));
        QCOMPARE(db.tableCount(), 150);
        QCOMPARE(catalogueReads, 0);

        // Another program changes the schema: the next access reads it again, once.
        testdb::run(file, "CREATE TABLE Uusi (x); DROP TABLE T0000;");
        QCOMPARE(db.tableCount(), 150);
        QCOMPARE(db.tableName(149), QString("Uusi"));
        QCOMPARE(db.tableName(0), QString("T0002"));
        QCOMPARE(catalogueReads, 1);
        QCOMPARE(namesOf(db), testdb::tableNames(file));
    }

    // A walk looks at the file once per deletion, not once per entry, and
    // still sees what another program changed between two deletions; while
    // it reads, other programs cannot change the catalogue under it.
    void aWalkLooksAtTheFileOncePerDeletion()
    {
        const QString file = path("walk.wk1");
        QStringList names = numberedTables(file);
        Database db = DatabaseEngine::instance().open(file);
        sqlite3_trace_v2(db.connection().handle(), SQLITE_TRACE_STMT, countVersionChecks, nullptr);
        versionChecks = 0;
        {
            const Database::Walk walk(db);
            for (int i = db.tableCount() - 1; i >= 0; --i) {
                const QString name = db.tableName(i);
                if (name.endsWith(QLatin1String("50")))
                    db.deleteTable(name);
                if (i == 200) {   // read since the last deletion: the walk holds the catalogue
                    const OtherProgram other(file);
                    QCOMPARE(other.exec("DROP TABLE T0000"), SQLITE_BUSY);
                }
                if (i == 150)   // right after a deletion: the walk holds nothing
                    testdb::run(file, "DROP TABLE T0001;");
            }
        }
        // Three deletions among 300 entries: the looks follow the deletions,
        // a few each, not the entries.
        QVERIFY2(versionChecks >= 1 && versionChecks <= 3 * (3 + 1), qPrintable(QString::number(versionChecks)));
        names.removeAll("T0050");
        names.removeAll("T0150");
        names.removeAll("T0250");
        names.removeAll("T0001");
        QCOMPARE(namesOf(db), names);
        QCOMPARE(testdb::tableNames(file), names);
    }

    void allNamesAtOnceLookAtTheFileOnceAndSeeOtherPrograms()
    {
        const QString file = abcd("all-names.wk1");
        Database db = DatabaseEngine::instance().open(file);
        sqlite3_trace_v2(db.connection().handle(), SQLITE_TRACE_STMT, countVersionChecks, nullptr);
        versionChecks = 0;
        QCOMPARE(db.tableNames(), (QStringList{"A", "B", "C", "D"}));
        QCOMPARE(versionChecks, 1);

        testdb::run(file, "DROP TABLE B; CREATE TABLE E (x);");
        QCOMPARE(db.tableNames(), (QStringList{"A", "C", "D", "E"}));
        QCOMPARE(db.tableNames(), namesOf(db));
    }

    // A delete right after a read trusts the names it had only when the drop
    // was the one change: a change by another program in between is seen.
    void deleteAfterAnotherProgramChangedTheSchemaKeepsTheCatalogueTrue()
    {
        const QString file = abcd("between.wk1");
        Database db = DatabaseEngine::instance().open(file);
        const QString last = db.tableName(3);
        testdb::run(file, "CREATE TABLE E (x); DROP TABLE A;");
        db.deleteTable(last);
        QCOMPARE(namesOf(db), (QStringList{"B", "C", "E"}));

        // Same, when the other program's one change matches what a drop would do to the version.
        const QString second = db.tableName(1);
        testdb::run(file, "CREATE TABLE F (x);");
        db.deleteTable(second);
        QCOMPARE(namesOf(db), (QStringList{"B", "E", "F"}));
        QCOMPARE(namesOf(db), testdb::tableNames(file));
    }

    void openRefusesWhatIsNoUsableDatabaseAndLeavesItAlone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");   // empty: made by the test function itself
        QTest::newRow("empty file") << "tyhja.wk1" << QByteArray("");
        QTest::newRow("text file") << "teksti.wk1" << QByteArray("Tämä on tekstiä, ei tietokanta.\n");
        QTest::newRow("header only") << "otsake.wk1" << QByteArray("SQLite format 3\0", 16);
        QTest::newRow("truncated") << "katkennut.wk1" << QByteArray("truncate");
        QTest::newRow("corrupt first page") << "vioittunut.wk1" << QByteArray("corrupt");
    }

    void openRefusesWhatIsNoUsableDatabaseAndLeavesItAlone()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        const QString file = folder.filePath(name);
        if (content == "truncate" || content == "corrupt") {
            if (content == "truncate") {
                // The catalogue fits the first page; only the rows are cut off.
                testdb::create(file, "CREATE TABLE Iso (b); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                                     "SELECT i + 1 FROM n WHERE i < 200) INSERT INTO Iso SELECT randomblob(500) FROM n;");
            } else {
                QStringList many;
                for (int i = 0; i < 60; ++i)
                    many << QStringLiteral("Taulu%1").arg(i);
                testdb::create(file, testdb::tablesSql(many));
            }
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            if (content == "truncate") {
                QVERIFY(f.resize(f.size() / 2 + 100));
            } else {
                f.seek(100);
                f.write(QByteArray(3000, '\x5a'));
            }
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = testdb::fileBytes(file);

        try {
            DatabaseEngine::instance().open(file);
            QFAIL("opened a file that is no usable database");
        } catch (const Failure& failure) {
            QCOMPARE(failure.file(), file);
        }
        QCOMPARE(testdb::fileBytes(file), before);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{name});
    }

    void openRefusesMissingPathsAndFoldersWithoutCreatingAnything()
    {
        QTemporaryDir folder;
        QVERIFY_THROWS_EXCEPTION(Failure, DatabaseEngine::instance().open(folder.filePath("eiole.wk1")));
        QVERIFY_THROWS_EXCEPTION(Failure, DatabaseEngine::instance().open(QString()));
        QVERIFY(QDir(folder.path()).mkdir("kansio.wk1"));
        QVERIFY_THROWS_EXCEPTION(Failure, DatabaseEngine::instance().open(folder.filePath("kansio.wk1")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{});
    }

    void openRefusesAFileThatMayNotBeWritten()
    {
        if (::geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        const QString file = abcd("lukittu.wk1");
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner));
        QVERIFY_THROWS_EXCEPTION(Failure, DatabaseEngine::instance().open(file));
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void freedPagesAreNotZeroed()
    {
        Database db = DatabaseEngine::instance().open(abcd("secure.wk1"));
        QCOMPARE(setting(db, "PRAGMA secure_delete"), 2);   // FAST
    }

    // Every drop scans the catalogue, so the page cache must hold all of it,
    // with the engine's default room left for the rest; a small file keeps
    // the default, since a larger cache slows work on large tables.
    void pageCacheHoldsTheCatalogue()
    {
        // Wide tables: a record of more than a third of a page fills pages
        // worst, and few tables are quick to make.
        QStringList columns;
        for (int j = 0; j < 40; ++j)
            columns << QStringLiteral("Sarake_%1_Pitkä_Kuvaava_Nimi TEXT").arg(j);
        QString sql = QStringLiteral("BEGIN;");
        for (int i = 0; i < 1500; ++i)
            sql += QStringLiteral("CREATE TABLE Tulorekisteri_Ansiotulot_%1 (%2);").arg(i).arg(columns.join(", "));
        const QString large = path("suuri.wk1");
        testdb::create(large, sql + QStringLiteral("COMMIT;"));
        const qint64 catalogueBytes =
            testdb::value(large, QStringLiteral("SELECT sum(pgsize) FROM dbstat WHERE name = 'sqlite_schema'"))
                .toLongLong();
        constexpr qint64 kDefaultBytes = 2000 * 1024;
        QVERIFY2(catalogueBytes > kDefaultBytes, "the catalogue must outgrow the default cache");

        Database big = DatabaseEngine::instance().open(large);
        const qint64 bigCache = -setting(big, "PRAGMA cache_size") * 1024;
        QVERIFY2(bigCache >= catalogueBytes + kDefaultBytes && bigCache <= 3 * catalogueBytes + kDefaultBytes,
                 qPrintable(QStringLiteral("cache %1, catalogue %2").arg(bigCache).arg(catalogueBytes)));

        Database small = DatabaseEngine::instance().open(abcd("pieni.wk1"));
        QCOMPARE(setting(small, "PRAGMA cache_size"), -2000);
    }

    void renameTableKeepsRowsAndPlaceUnderTheNewName()
    {
        const QString file = path("rename.wk1");
        testdb::create(file, "CREATE TABLE Asiakkaat (nro INTEGER, nimi TEXT);"
                             "INSERT INTO Asiakkaat VALUES (1, 'Mäkelä'), (2, 'Åström'), (3, NULL);"
                             "CREATE TABLE Muut (y);");
        Database db = DatabaseEngine::instance().open(file);
        QCOMPARE(db.renameTable("Asiakkaat", "Asiakkaat 2 \"ä\""), QString());
        QCOMPARE(namesOf(db), (QStringList{"Asiakkaat 2 \"ä\"", "Muut"}));
        QCOMPARE(namesOf(db), testdb::tableNames(file));
        QCOMPARE(testdb::value(file, "SELECT group_concat(nimi, ',') FROM \"Asiakkaat 2 \"\"ä\"\"\""),
                 QStringLiteral("Mäkelä,Åström"));
    }

    // What names the table follows it even where the connection was set to
    // the engine's old way, which leaves views and references behind.
    void renameTableRewritesWhatNamesItWhateverTheSetting()
    {
        const QString file = path("legacy.wk1");
        testdb::create(file, "CREATE TABLE A (id INTEGER PRIMARY KEY); CREATE TABLE B (a REFERENCES A (id));"
                             "CREATE VIEW V AS SELECT id FROM A;");
        Database db = DatabaseEngine::instance().open(file);
        QCOMPARE(sqlite3_exec(db.connection().handle(), "PRAGMA legacy_alter_table=ON", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        QCOMPARE(db.renameTable("A", "Uusi"), QString());
        QCOMPARE(testdb::value(file, "SELECT \"table\" FROM pragma_foreign_key_list('B')"), QStringLiteral("Uusi"));
        QCOMPARE(testdb::value(file, "SELECT sql FROM sqlite_master WHERE name = 'V'"),
                 QStringLiteral("CREATE VIEW V AS SELECT id FROM \"Uusi\""));
    }

    // Whatever name the catalogue holds in any letter case, views, indexes
    // and triggers too, is refused.
    void renameTableFailsOnAnExistingNameInAnyLetterCase_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("itself") << "Päivät";
        QTest::newRow("ASCII case") << "pÄIVÄT";
        QTest::newRow("Finnish case only") << "PäIVäT";
        QTest::newRow("another table") << "Muut";
        QTest::newRow("a view") << "näkymä";
        QTest::newRow("an index") << "HAKU";
        QTest::newRow("a trigger") << "Merkintä";
    }

    void renameTableFailsOnAnExistingNameInAnyLetterCase()
    {
        QFETCH(QString, target);
        const QString file = path("exists-" + QString(QTest::currentDataTag()).replace(' ', '_') + ".wk1");
        testdb::create(file, "CREATE TABLE \"PÄIVÄT\" (x); INSERT INTO \"PÄIVÄT\" VALUES (1);"
                             "CREATE TABLE \"Muut\" (y); CREATE VIEW \"Näkymä\" AS SELECT y FROM Muut;"
                             "CREATE INDEX haku ON Muut (y);"
                             "CREATE TRIGGER \"merkintä\" AFTER INSERT ON Muut BEGIN SELECT 1; END;");
        Database db = DatabaseEngine::instance().open(file);
        expectRefused([&] { static_cast<void>(db.renameTable("PÄIVÄT", target)); }, file);
        QCOMPARE(namesOf(db), (QStringList{"PÄIVÄT", "Muut"}));
    }

    void deleteAllRowsRemovesEveryRowAndKeepsTheTable()
    {
        const QString file = abcd("rows.wk1");
        testdb::run(file, "INSERT INTO B VALUES (2, 'y'), (3, 'z');");
        Database db = DatabaseEngine::instance().open(file);
        db.deleteAllRows("B");
        QCOMPARE(testdb::rowCount(file, "B"), 0);
        QCOMPARE(testdb::rowCount(file, "A"), 1);
        QCOMPARE(namesOf(db), (QStringList{"A", "B", "C", "D"}));
    }

    // Whatever a name holds is a name: brackets, quotes or a second statement
    // in it name exactly one table, and nothing else runs.
    void namesAreNeverPartOfTheStatement_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("closing bracket") << "x]y";
        QTest::newRow("second statement") << "x\"; DROP TABLE B; --";
        QTest::newRow("bracketed statement") << "x] FROM [A]; DROP TABLE [B";
        QTest::newRow("quotes") << "\"\"x'";
    }

    void namesAreNeverPartOfTheStatement()
    {
        QFETCH(QString, name);
        const QString file = abcd("names-" + QString(QTest::currentDataTag()).replace(' ', '_') + ".wk1");
        Database db = DatabaseEngine::instance().open(file);
        QCOMPARE(db.renameTable("A", name), QString());
        QCOMPARE(testdb::tableNames(file), (QStringList{name, "B", "C", "D"}));
        QCOMPARE(testdb::rowCount(file, name), 1);
        db.deleteAllRows(name);
        QCOMPARE(testdb::rowCount(file, name), 0);
        QCOMPARE(testdb::rowCount(file, "B"), 1);
        QCOMPARE(testdb::rowCount(file, "C"), 1);
    }

    void aShortLockByAnotherProgramIsWaitedOut()
    {
        const QString file = abcd("busy.wk1");
        Database db = DatabaseEngine::instance().open(file);
        const OtherProgram other(file);
        QCOMPARE(other.exec("BEGIN EXCLUSIVE"), SQLITE_OK);
        std::thread release([&other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.exec("COMMIT");
        });
        db.deleteTable("C");
        release.join();
        QCOMPARE(testdb::tableNames(file), (QStringList{"A", "B", "D"}));
    }

    // The count before a question: given up once it takes longer than
    // allowed, and a wait for another program's lock is not counted in it.
    void rowCountWithinCountsOrGivesUp_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("lockedMs");
        QTest::addColumn<int>("withinMs");
        QTest::addColumn<qint64>("expected");   // -1: given up
        const QString few = QStringLiteral("CREATE TABLE Rivit (x); INSERT INTO Rivit VALUES (1), (2), (3);");
        // Small pages, one row each: the engine's own count has 40,000 pages to read.
        const QString many = QStringLiteral("PRAGMA page_size=512; CREATE TABLE Rivit (x);"
                                            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                                            " WHERE i < 40000) INSERT INTO Rivit SELECT randomblob(400) FROM n;");
        QTest::newRow("counted in time") << few << 0 << 10000 << qint64(3);
        QTest::newRow("lock held longer than allowed") << few << 300 << 100 << qint64(3);
        QTest::newRow("counting takes longer") << many << 0 << 5 << qint64(-1);
    }

    void rowCountWithinCountsOrGivesUp()
    {
        QFETCH(QString, sql);
        QFETCH(int, lockedMs);
        QFETCH(int, withinMs);
        QFETCH(qint64, expected);
        const QString file = path(QStringLiteral("count-%1.wk1").arg(QTest::currentDataTag()).replace(' ', '_'));
        testdb::create(file, sql);
        Database db = DatabaseEngine::instance().open(file);
        const OtherProgram other(file);
        std::thread release;
        if (lockedMs > 0) {
            QCOMPARE(other.exec("BEGIN EXCLUSIVE"), SQLITE_OK);
            release = std::thread([&other, lockedMs] {
                std::this_thread::sleep_for(std::chrono::milliseconds(lockedMs));
                other.exec("COMMIT");
            });
        }
        const std::optional<qint64> counted = db.rowCountWithin(QStringLiteral("Rivit"), withinMs);
        if (release.joinable())
            release.join();
        QCOMPARE(counted.value_or(-1), expected);
        // Nothing of the deadline is left behind: the next steps run whole,
        // and no read lock keeps another program from writing.
        QCOMPARE(db.rowCount(QStringLiteral("Rivit")), testdb::rowCount(file, QStringLiteral("Rivit")));
        QCOMPARE(other.exec("CREATE TABLE Toinen (y)"), SQLITE_OK);
        db.deleteAllRows(QStringLiteral("Rivit"));
        QCOMPARE(testdb::rowCount(file, QStringLiteral("Rivit")), 0);
    }

    // Once closed, every reader of the engine refuses as closed, and none
    // reaches the engine without its handle.
    void aClosedDatabaseRefusesEveryUse_data()
    {
        QTest::addColumn<Use>("use");
        QTest::newRow("names") << Use::Names;
        QTest::newRow("row count") << Use::RowCount;
        QTest::newRow("references") << Use::References;
        QTest::newRow("dependencies") << Use::Dependencies;
        QTest::newRow("emptying's reach") << Use::EmptyingReach;
        QTest::newRow("rename") << Use::Rename;
        QTest::newRow("connection") << Use::Connection;
    }

    void aClosedDatabaseRefusesEveryUse()
    {
        QFETCH(Use, use);
        const QString file = abcd(QStringLiteral("closed-%1.wk1").arg(int(use)));
        Database db = DatabaseEngine::instance().open(file);
        db.close();
        try {
            ::use(db, use);
            QFAIL("used");
        } catch (const Failure& refused) {
            QCOMPARE(refused.whatFailed(), QStringLiteral("Tietokanta on jo suljettu."));
            QCOMPARE(refused.file(), file);
        }
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
