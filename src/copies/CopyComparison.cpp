#include "copies/CopyComparison.h"

#include "db/Connection.h"
#include "db/Statement.h"

#include <QSet>

namespace {

const QString kNotRead = QStringLiteral("Taulukoiden nimiä ei voitu lukea.");

} // namespace

QStringList databaseTableNames(const QString& databasePath, const StopAsked& stopAsked)
{
    Connection db(databasePath, Connection::OpenAs::ReadOnly, kNotRead);
    db.waitAtMost(Connection::kListingBusyTimeoutMs);
    std::optional<Connection::Watch> asking;
    if (stopAsked)
        asking.emplace(db, 1000, stopAsked);
    Statement query(db, "SELECT name FROM sqlite_master WHERE type = 'table'", kNotRead);
    QStringList names;
    while (query.next())
        names.append(query.name(0));
    return names;
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
