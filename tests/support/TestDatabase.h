#pragma once

#include <QString>
#include <QStringList>

// Real SQLite files for the tests, made and read with the engine's C API
// directly, so that what a test checks does not pass through the code tested.
namespace testdb {

// Creates `path` and runs `sql` (any number of statements) in it.
void create(const QString& path, const QString& sql);
void run(const QString& path, const QString& sql);
// Table names in creation order, system tables included.
QStringList tableNames(const QString& path);
qint64 rowCount(const QString& path, const QString& table);
// SQL for `count` tables named `name` with one row each.
QString tablesSql(const QStringList& names);
// The files of a folder whose names end in ".var".
QStringList safetyCopies(const QString& folder);
QByteArray fileBytes(const QString& path);
// "ok" for a sound database.
QString integrity(const QString& path);
// The first column of the first row of a query, read-only.
QString value(const QString& path, const QString& sql);
// Whether another program could take the write lock of `path` now.
bool othersCanWrite(const QString& path);

} // namespace testdb
