#include "DatabaseGenerator.h"
#include "TestDatabase.h"
#include "db/DatabaseEngine.h"
#include "operations/RegisterNames.h"

#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>

#include <sqlite3.h>

namespace {

// Bytes of the pages of each table, from SQLite's page statistics.
QHash<QString, qint64> bytesPerTable(const QString& path)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close_v2);
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(raw, "SELECT name, sum(pgsize) FROM dbstat GROUP BY name", -1, &query, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(raw));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalize(query, sqlite3_finalize);
    QHash<QString, qint64> bytes;
    while (sqlite3_step(query) == SQLITE_ROW)
        bytes.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0))),
                     sqlite3_column_int64(query, 1));
    return bytes;
}

} // namespace

// The benchmark's figures mean something only if its database is what it
// claims to be: these check the generated file at a small size.
class TestGenerator : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const benchdb::Spec spec_{200, 8 << 20, 0x5eed};
    QString path_;
    benchdb::Shape shape_;
    QStringList names_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("generoitu.wk1"));
        shape_ = benchdb::generate(path_, spec_);
        names_ = testdb::tableNames(path_);
    }

    void halvesAndKindsOfTables()
    {
        QCOMPARE(names_.size(), spec_.tables);
        QCOMPARE(QSet<QString>(names_.begin(), names_.end()).size(), names_.size());

        int registers = 0, basic = 0, numbered = 0;
        for (const QString& name : names_) {
            registers += registerNames::isRegisterTable(name);
            basic += registerNames::isBasicDataTable(name);
            numbered += registerNames::isNumberedRegisterTable(name);
        }
        QCOMPARE(registers, spec_.tables / 2);
        QCOMPARE(basic, benchdb::kBasicDataTables);
        QCOMPARE(basic, shape_.basicData);
        QCOMPARE(numbered, shape_.numbered);
        QCOMPARE(names_.size() - registers, shape_.ordinary);

        // Interleaved: an ordinary table, then a register table, and so on.
        for (qsizetype i = 0; i < names_.size(); ++i)
            QVERIFY2(registerNames::isRegisterTable(names_.at(i)) == (i % 2 == 1), qPrintable(names_.at(i)));
    }

    void numberedSeriesOfBothKinds()
    {
        QHash<QString, int> perSeries;
        for (const QString& name : names_)
            if (registerNames::isNumberedRegisterTable(name))
                ++perSeries[registerNames::seriesCaptionFor(name)];
        QCOMPARE(perSeries.size(), shape_.series);

        int separate = 0, full = 0;
        for (auto it = perSeries.cbegin(); it != perSeries.cend(); ++it) {
            QVERIFY(registerNames::captionNamesSeries(it.key()));
            separate += it.key().startsWith(QStringLiteral("Tulorekisteri_erillis_"));
            full += it.value() == benchdb::kTablesPerSeries;
            QVERIFY(it.value() <= benchdb::kTablesPerSeries);
        }
        QVERIFY(separate > 0);
        QVERIFY(separate < perSeries.size());
        QVERIFY(full >= perSeries.size() - 1);

        // The series the benchmark deletes is listed and full.
        QVERIFY(names_.contains(shape_.sampleSeriesTable));
        QCOMPARE(perSeries.value(registerNames::seriesCaptionFor(shape_.sampleSeriesTable)), benchdb::kTablesPerSeries);
    }

    void bytesLieMostlyInOrdinaryTablesAndTheLargestIsLargest()
    {
        const qint64 size = QFileInfo(path_).size();
        QVERIFY2(size > spec_.bytes * 8 / 10 && size < spec_.bytes * 13 / 10, qPrintable(QString::number(size)));

        const QHash<QString, qint64> bytes = bytesPerTable(path_);
        qint64 registerBytes = 0;
        for (const QString& name : names_) {
            QVERIFY2(testdb::rowCount(path_, name) > 0, qPrintable(name));
            if (registerNames::isRegisterTable(name))
                registerBytes += bytes.value(name);
            else if (name != shape_.largestTable)
                QVERIFY2(bytes.value(name) < bytes.value(shape_.largestTable), qPrintable(name));
        }
        QVERIFY(!registerNames::isRegisterTable(shape_.largestTable));
        QVERIFY(bytes.value(shape_.largestTable) > size / 20);
        QVERIFY2(registerBytes < size / 4, qPrintable(QString::number(registerBytes)));
    }

    void theToolReadsTheSameCatalogue()
    {
        QCOMPARE(testdb::integrity(path_), QStringLiteral("ok"));
        Database database = DatabaseEngine::instance().open(path_);
        QCOMPARE(database.tableCount(), names_.size());
        QCOMPARE(database.tableName(names_.size() - 1), names_.last());
        QCOMPARE(benchdb::tableNames(path_), names_);
    }

    void sameSeedSameFileOtherSeedOtherBytes()
    {
        const QString again = dir_.filePath(QStringLiteral("uudelleen.wk1"));
        benchdb::generate(again, spec_);
        QCOMPARE(testdb::fileBytes(again), testdb::fileBytes(path_));

        const QString other = dir_.filePath(QStringLiteral("toinen.wk1"));
        benchdb::generate(other, {spec_.tables, spec_.bytes, spec_.seed + 1});
        QCOMPARE(testdb::tableNames(other), names_);
        QVERIFY(testdb::fileBytes(other) != testdb::fileBytes(path_));
    }

    void neverWritesOverAFile()
    {
        const QByteArray before = testdb::fileBytes(path_);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, benchdb::generate(path_, spec_));
        QCOMPARE(testdb::fileBytes(path_), before);
    }
};

QTEST_GUILESS_MAIN(TestGenerator)
#include "tst_generator.moc"
