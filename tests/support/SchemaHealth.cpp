#include "SchemaHealth.h"

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>

namespace {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, Closer>;
struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

QString quoted(QString name)
{
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// Every row's first column; an error becomes the one line "<sql>: <engine's words>".
QStringList rows(sqlite3* db, const QString& sql, bool* failed = nullptr)
{
    sqlite3_stmt* raw = nullptr;
    QStringList values;
    const QByteArray utf8 = sql.toUtf8();
    int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &raw, nullptr);
    const Statement statement(raw);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
            values.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0))));
    }
    if (rc != SQLITE_DONE && rc != SQLITE_OK) {
        if (failed)
            *failed = true;
        return {sql + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db))};
    }
    return values;
}

Db opened(const QString& path, int flags)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    Db db(raw);
    sqlite3_busy_timeout(raw, 5000);
    return db;
}

void checkReadable(const QString& path, QStringList& found)
{
    const Db db = opened(path, SQLITE_OPEN_READONLY);
    bool failed = false;
    const QStringList check = rows(db.get(), QStringLiteral("PRAGMA integrity_check"), &failed);
    if (failed) {
        found.append(QStringLiteral("cannot read the file: ") + check.join(QString()));
        return;
    }
    if (check != QStringList{QStringLiteral("ok")})
        found.append(QStringLiteral("integrity_check: ") + check.join(QStringLiteral("; ")));
    const QStringList broken = rows(db.get(), QStringLiteral("SELECT \"table\" || ' -> ' || parent FROM "
                                                             "pragma_foreign_key_check"));
    if (!broken.isEmpty())
        found.append(QStringLiteral("foreign_key_check: ") + broken.join(QStringLiteral("; ")));
    for (const QString& view : rows(db.get(), QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view'"))) {
        bool unreadable = false;
        const QStringList words = rows(db.get(), QStringLiteral("SELECT * FROM %1 LIMIT 1").arg(quoted(view)),
                                       &unreadable);
        if (unreadable)
            found.append(QStringLiteral("view %1: %2").arg(view, words.join(QString())));
    }
}

void checkAlterable(const QString& path, QStringList& found)
{
    const QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("copy.db"));
    if (!QFile::copy(path, copy)) {
        found.append(QStringLiteral("cannot copy the file for the ALTER TABLE check"));
        return;
    }
    if (QFile::exists(path + QStringLiteral("-wal")))
        QFile::copy(path + QStringLiteral("-wal"), copy + QStringLiteral("-wal"));
    const Db db = opened(copy, SQLITE_OPEN_READWRITE);
    for (const char* sql : {"CREATE TABLE schema_health_probe (a)",
                            "ALTER TABLE schema_health_probe RENAME TO schema_health_probe2"}) {
        char* error = nullptr;
        if (sqlite3_exec(db.get(), sql, nullptr, nullptr, &error) != SQLITE_OK) {
            found.append(QStringLiteral("ALTER TABLE of an unrelated table refused: ")
                         + QString::fromUtf8(error ? error : "?"));
            sqlite3_free(error);
            return;
        }
    }
}

} // namespace

QStringList schemaProblems(const QString& path)
{
    QStringList found;
    checkReadable(path, found);
    if (found.isEmpty() || !found.first().startsWith(QStringLiteral("cannot read")))
        checkAlterable(path, found);
    return found;
}
