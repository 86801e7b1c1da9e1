#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// A database shaped like the ones the tool is used on: half of the tables are
// register tables (the basic-data tables and numbered series of both kinds,
// ten tables a series), the other half ordinary tables that hold most of the
// bytes, five of them large. The two halves are interleaved in the catalogue.
namespace benchdb {

struct Spec {
    int tables = 10000;
    qint64 bytes = qint64(1) << 30;
    std::uint64_t seed = 0x5eed;
};

struct Shape {
    int tables = 0;
    int basicData = 0;
    int numbered = 0;          // tables of numbered series, both kinds
    int series = 0;            // numbered series, the last one possibly short
    int ordinary = 0;
    QString largestTable;      // the ordinary table given the most bytes
    QString sampleSeriesTable; // first table of a full series near the middle of the catalogue
};

inline constexpr int kBasicDataTables = 8;
inline constexpr int kTablesPerSeries = 10;
inline constexpr int kLargeTables = 5;

// Writes a new database at `path` (which must not exist) in one transaction.
Shape generate(const QString& path, const Spec& spec);

// The file's table names in catalogue order, read with SQLite directly.
QStringList tableNames(const QString& path);
qint64 rowCount(const QString& path, const QString& table);

} // namespace benchdb
