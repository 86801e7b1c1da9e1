#include "copies/CopyComparison.h"

#include "db/Failure.h"
#include "db/Reasons.h"
#include "db/SqliteHandles.h"

#include <QFile>
#include <QSet>

namespace {

const QString kNotRead = QStringLiteral("Taulukoiden nimiä ei voitu lukea.");

int stopIfAsked(void* stopAsked)
{
    return (*static_cast<const StopAsked*>(stopAsked))() ? 1 : 0;
}

QStringList tableNames(sqlite3* db, const QString& path, const StopAsked& stopAsked)
{
    if (stopAsked)
        sqlite3_progress_handler(db, 1000, &stopIfAsked, const_cast<StopAsked*>(&stopAsked));
    sqlite3_stmt* raw = nullptr;
    const int prepared =
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &raw, nullptr);
    const sqlite::StmtPtr query(raw);
    QStringList names;
    int rc = prepared;
    if (prepared == SQLITE_OK) {
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
            names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)),
                                           sqlite3_column_bytes(raw, 0)));
    }
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    if (rc != SQLITE_DONE)
        throw reasons::engineFailure(kNotRead, path, db);
    return names;
}

} // namespace

QStringList databaseTableNames(const QString& databasePath, const StopAsked& stopAsked)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const sqlite::DbPtr db(raw);
    if (rc != SQLITE_OK)
        throw raw ? reasons::engineFailure(kNotRead, databasePath, raw)
                  : reasons::codeFailure(kNotRead, databasePath, rc);
    sqlite3_busy_timeout(raw, sqlite::kListingBusyTimeoutMs);
    return tableNames(raw, databasePath, stopAsked);
}

CopyComparison compareTables(const QStringList& databaseTables, const QStringList& copyTables)
{
    const QSet<QString> inDatabase(databaseTables.cbegin(), databaseTables.cend());
    const QSet<QString> inCopy(copyTables.cbegin(), copyTables.cend());
    CopyComparison comparison;
    for (const QString& name : copyTables)
        if (!inDatabase.contains(name))
            comparison.bringsBack.append(name);
    for (const QString& name : databaseTables)
        if (!inCopy.contains(name))
            comparison.removes.append(name);
    return comparison;
}
