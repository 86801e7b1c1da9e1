#include "OtherProgram.h"
#include "SchemaHealth.h"
#include "SmallDisk.h"
#include "TestDatabase.h"
#include "copies/Compaction.h"
#include "db/Failure.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

// One data table with an index, a trigger and a view, in `journalMode` and
// `pageSize`, and the free pages a deleted large table leaves.
void makeDatabaseWithFreePages(const QString& path, const QString& journalMode, int pageSize, int rows)
{
    testdb::create(path, QStringLiteral(
        "PRAGMA page_size=%1; PRAGMA journal_mode=%2; PRAGMA application_id=1234567; PRAGMA user_version=42;"
        "CREATE TABLE Kirjaukset(id INTEGER PRIMARY KEY, tili TEXT, summa BLOB);"
        "CREATE INDEX Kirjaukset_tili ON Kirjaukset(tili);"
        "CREATE TABLE Loki(id INTEGER);"
        "CREATE TRIGGER Kirjaus_lokiin AFTER INSERT ON Kirjaukset BEGIN INSERT INTO Loki VALUES (new.id); END;"
        "CREATE VIEW Tilit AS SELECT tili, count(*) AS n FROM Kirjaukset GROUP BY tili;"
        "CREATE TABLE Tulorekisteri_00001_Palkat(v BLOB);"
        "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %3)"
        " INSERT INTO Tulorekisteri_00001_Palkat SELECT randomblob(700) FROM c;"
        "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %3)"
        " INSERT INTO Kirjaukset(tili, summa) SELECT 'tili' || (i % 37), randomblob(300) FROM c;"
        "DROP TABLE Tulorekisteri_00001_Palkat;")
        .arg(pageSize).arg(journalMode).arg(rows));
}

// Everything compacting must keep: the catalogue, every row, the settings.
QStringList contents(const QString& path)
{
    return {testdb::value(path, "SELECT group_concat(type || ' ' || name || ' ' || ifnull(sql, ''), char(10))"
                                " FROM (SELECT * FROM sqlite_master ORDER BY type, name)"),
            testdb::value(path, "SELECT group_concat(id || tili || hex(summa)) FROM (SELECT * FROM Kirjaukset ORDER BY id)"),
            testdb::value(path, "SELECT group_concat(id) FROM Loki"),
            testdb::value(path, "SELECT group_concat(tili || n) FROM Tilit"),
            testdb::value(path, "SELECT (SELECT page_size FROM pragma_page_size) || ' ' || (SELECT journal_mode FROM"
                                " pragma_journal_mode) || ' ' || (SELECT application_id FROM pragma_application_id)"
                                " || ' ' || (SELECT user_version FROM pragma_user_version)")};
}

qint64 freePages(const QString& path)
{
    return testdb::value(path, "PRAGMA freelist_count").toLongLong();
}

} // namespace

class TestCompaction : public QObject {
    Q_OBJECT

    QTemporaryDir roomDir_;
    SmallDisk small_{roomDir_.filePath(QStringLiteral("pieni"))};

private slots:
    void keepsContentsAndSettings_data()
    {
        QTest::addColumn<QString>("journalMode");
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<bool>("thinned");
        for (const char* mode : {"delete", "wal"})
            for (const int pageSize : {1024, 4096, 65536})
                QTest::addRow("%s, %d", mode, pageSize) << QString(mode) << pageSize << false;
        // Rows deleted here and there leave pages half used, which compacting packs.
        for (const char* mode : {"delete", "wal"})
            for (const int pageSize : {1024, 4096})
                QTest::addRow("%s, %d, rows thinned", mode, pageSize) << QString(mode) << pageSize << true;
    }
    void keepsContentsAndSettings()
    {
        QFETCH(QString, journalMode);
        QFETCH(int, pageSize);
        QFETCH(bool, thinned);
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        makeDatabaseWithFreePages(db, journalMode, pageSize, 2000);
        if (thinned)
            testdb::run(db, "DELETE FROM Kirjaukset WHERE id % 3 = 0 OR id % 7 = 0");
        const QStringList before = contents(db);
        QVERIFY(before.last().startsWith(QString("%1 %2 1234567 42").arg(pageSize).arg(journalMode)));
        const CompactionEstimate estimate = estimateCompaction(db);
        QVERIFY(!estimate.atLeast);
        QVERIFY(estimate.freeBytes >= freePages(db) * pageSize);
        QVERIFY(estimate.freeBytes > 1000 * 700);

        int reports = 0;
        const qint64 after = compactDatabase(db, [&reports] { ++reports; });

        QCOMPARE(contents(db), before);
        QCOMPARE(schemaProblems(db), QStringList());
        QCOMPARE(freePages(db), qint64(0));
        QCOMPARE(after, QFileInfo(db).size() + (QFileInfo::exists(db + "-wal") ? QFileInfo(db + "-wal").size() : 0));
        // The estimate against what the engine's VACUUM really gave back:
        // within 5 % of it, and a page of rounding for each table and index.
        const qint64 shrink = estimate.fileBytes - after;
        QVERIFY2(qAbs(estimate.freeBytes - shrink) <= shrink / 20 + 4 * pageSize,
                 qPrintable(QString("estimated %1, shrank %2").arg(estimate.freeBytes).arg(shrink)));
        QVERIFY(!QFileInfo::exists(db + "-journal"));
        // A window hears of the work at least once it has begun.
        QVERIFY(reports >= 1);
    }

    // Refused before anything is written: while another program reads the
    // file, and when the disk has no room for the work.
    void refusedLeavesTheFileAsItWas_data()
    {
        QTest::addColumn<QString>("journalMode");
        QTest::addColumn<bool>("roomy");
        QTest::addColumn<QString>("reason");
        for (const char* mode : {"delete", "wal"}) {
            QTest::addRow("%s, another program reads", mode)
                << QString(mode) << true << "Toinen ohjelma käyttää tietokantaa";
            QTest::addRow("%s, no room", mode)
                << QString(mode) << false << "Levyllä ei ole tilaa tiivistämiselle: tarvitaan ";
        }
    }
    void refusedLeavesTheFileAsItWas()
    {
        QFETCH(QString, journalMode);
        QFETCH(bool, roomy);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString db = dir.filePath("yritys.wk1");
        // Some 600 kB, of which the free pages are a fifth: the work needs
        // about the file's size beside it, and a 1 MB disk has not that.
        makeDatabaseWithFreePages(db, journalMode, 4096, roomy ? 300 : 500);
        if (!roomy) {
            if (small_.path().isEmpty())
                QSKIP("no small file system could be mounted here");
            const QString made = db;
            db = small_.path() + "/yritys.wk1";
            QVERIFY(QFile::copy(made, db));
            QVERIFY(QFileInfo(db).size() > 512 * 1024);
        }
        const auto cleanup = qScopeGuard([&] {
            if (!roomy)
                for (const QString& left : QDir(small_.path()).entryList(QDir::Files | QDir::Hidden))
                    QFile::remove(small_.path() + '/' + left);
        });
        const qint64 freeBefore = freePages(db);
        const QByteArray bytes = testdb::fileBytes(db);
        {
            std::optional<OtherProgram> reader;
            if (roomy)
                QCOMPARE(reader.emplace(db).exec("BEGIN; SELECT count(*) FROM Kirjaukset;"), SQLITE_OK);
            try {
                compactDatabase(db);
                QFAIL("compacted though it should have been refused");
            } catch (const Failure& refused) {
                QVERIFY2(refused.message().contains(reason), qPrintable(refused.message()));
                QVERIFY2(refused.message().contains("ennallaan"), qPrintable(refused.message()));
            }
            // The reader is not shut out by a lock left behind.
            if (reader)
                QCOMPARE(reader->exec("SELECT count(*) FROM Kirjaukset; COMMIT;"), SQLITE_OK);
        }
        QCOMPARE(testdb::fileBytes(db), bytes);
        QCOMPARE(freePages(db), freeBefore);
        QVERIFY(!QFileInfo::exists(db + "-journal"));
        if (roomy) {
            compactDatabase(db);   // and goes through once the reader has gone
            QCOMPARE(freePages(db), qint64(0));
        }
    }

    // A program killed at some moment of the work leaves the file sound with
    // the same contents, either as it was or compacted.
    void survivesAKillMidWay_data()
    {
        QTest::addColumn<QString>("journalMode");
        QTest::addColumn<int>("killAfterMs");
        for (const char* mode : {"delete", "wal"})
            for (const int ms : {0, 100, 300, 450})
                QTest::addRow("%s, %d ms", mode, ms) << QString(mode) << ms;
    }
    void survivesAKillMidWay()
    {
        QFETCH(QString, journalMode);
        QFETCH(int, killAfterMs);
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        makeDatabaseWithFreePages(db, journalMode, 4096, 40000);
        const QStringList before = contents(db);
        const qint64 pagesBefore = testdb::value(db, "PRAGMA page_count").toLongLong();

        QProcess child;
        child.start(QStringLiteral(COMPACT_CHILD), {db});
        QVERIFY(child.waitForReadyRead(10000));
        QTest::qSleep(killAfterMs);
        const bool stillRunning = child.state() == QProcess::Running;
        child.kill();
        QVERIFY(child.waitForFinished(10000));

        // The next program to open the file finds it whole.
        testdb::run(db, "SELECT count(*) FROM sqlite_master");
        QCOMPARE(testdb::integrity(db), QString("ok"));
        QCOMPARE(contents(db), before);
        const qint64 pagesAfter = testdb::value(db, "PRAGMA page_count").toLongLong();
        const qint64 freeAfter = freePages(db);
        QVERIFY2(pagesAfter == pagesBefore || freeAfter == 0,
                 qPrintable(QString("%1 pages of %2, %3 free").arg(pagesAfter).arg(pagesBefore).arg(freeAfter)));
        // A program that ended on its own before the kill had compacted the file.
        if (!stillRunning) {
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
            QCOMPARE(freeAfter, qint64(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestCompaction)
#include "tst_compaction.moc"
