#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace testdb {

namespace {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, Closer>;

Db openDb(const QString& path, int flags)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error("test database " + path.toStdString() + ": " + sqlite3_errmsg(raw));
    sqlite3_busy_timeout(raw, 5000);
    return db;
}

void exec(sqlite3* db, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error("test SQL failed: " + message + " in " + sql.toStdString());
    }
}

QStringList column(const QString& path, const QString& sql)
{
    const Db db = openDb(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("test query failed: ") + sqlite3_errmsg(db.get()));
    QStringList values;
    while (sqlite3_step(st) == SQLITE_ROW)
        values.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    sqlite3_finalize(st);
    return values;
}

QString quoted(QString name)
{
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

void create(const QString& path, const QString& sql)
{
    const Db db = openDb(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(db.get(), sql);
}

void run(const QString& path, const QString& sql)
{
    const Db db = openDb(path, SQLITE_OPEN_READWRITE);
    exec(db.get(), sql);
}

bool othersCanWrite(const QString& path)
{
    try {
        run(path, QStringLiteral("BEGIN IMMEDIATE; ROLLBACK"));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QStringList tableNames(const QString& path)
{
    return column(path, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid"));
}

qint64 rowCount(const QString& path, const QString& table)
{
    return column(path, QStringLiteral("SELECT count(*) FROM ") + quoted(table)).value(0).toLongLong();
}

QString tablesSql(const QStringList& names)
{
    QString sql;
    for (const QString& name : names)
        sql += QStringLiteral("CREATE TABLE %1 (a, b); INSERT INTO %1 VALUES (1, 'x');").arg(quoted(name));
    return sql;
}

QStringList safetyCopies(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.var")}, QDir::Files, QDir::Name);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

QString integrity(const QString& path)
{
    return column(path, QStringLiteral("PRAGMA integrity_check")).join(QLatin1Char('\n'));
}

QString value(const QString& path, const QString& sql)
{
    return column(path, sql).value(0);
}

} // namespace testdb
