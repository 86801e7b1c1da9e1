#include "db/References.h"

#include "db/Database.h"
#include "db/Statement.h"

bool Reference::actsOnDelete() const
{
    return onDelete == QLatin1String("CASCADE") || onDelete == QLatin1String("SET NULL")
           || onDelete == QLatin1String("SET DEFAULT");
}

QString engineFolded(const QString& name)
{
    QString folded = name;
    for (QChar& c : folded)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return folded;
}

References::References(Database& database)
{
    // Only the definitions that mention REFERENCES are parsed for their keys:
    // a catalogue without any is one pass over its text.
    static const char* const kSql =
        "SELECT m.name, f.id, f.\"table\", f.\"from\", f.\"to\", f.on_delete"
        " FROM sqlite_master AS m JOIN pragma_foreign_key_list(m.name, 'main') AS f"
        " WHERE m.type = 'table' AND m.sql LIKE '%REFERENCES%'"
        " ORDER BY m.rowid, f.id, f.seq";
    Statement query(database.connection(), kSql,
                    QStringLiteral("Taulukoiden välisiä viittauksia ei voitu lukea, joten mitään ei muutettu."));
    qint64 lastId = -1;
    QString lastChild;
    while (query.next()) {
        const QString child = query.name(0);
        const qint64 id = query.number(1);
        // The columns of one key come as consecutive rows of the same id.
        if (all_.isEmpty() || child != lastChild || id != lastId)
            all_.append({child, query.name(2), {}, {}, query.name(5)});
        Reference& key = all_.last();
        key.childColumns.append(query.name(3));
        if (!query.isNull(4))
            key.parentColumns.append(query.name(4));
        lastChild = child;
        lastId = id;
    }
}

QList<Reference> References::to(const QString& table) const
{
    const QString folded = engineFolded(table);
    QList<Reference> found;
    for (const Reference& key : all_)
        if (engineFolded(key.parent) == folded && engineFolded(key.child) != folded)
            found.append(key);
    return found;
}

QStringList References::tablesReferringTo(const QString& table) const
{
    QStringList tables;
    for (const Reference& key : to(table))
        if (!tables.contains(key.child))
            tables.append(key.child);
    return tables;
}
