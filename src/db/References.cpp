#include "db/References.h"

#include "db/Database.h"
#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/Reasons.h"
#include "db/SqliteHandles.h"

#include <sqlite3.h>

namespace {

QString textOf(sqlite3_stmt* query, int column)
{
    return nameBytes::decode(reinterpret_cast<const char*>(sqlite3_column_text(query, column)),
                             sqlite3_column_bytes(query, column));
}

} // namespace

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
    sqlite3* db = database.nativeHandle();
    const auto fail = [&] {
        throw Failure(QStringLiteral("Taulukoiden välisiä viittauksia ei voitu lukea, joten mitään ei muutettu."),
                      database.path(), reasons::forConnection(db), reasons::engineWords(db));
    };
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, kSql, -1, &raw, nullptr) != SQLITE_OK)
        fail();
    const sqlite::StmtPtr query(raw);
    int rc;
    int lastId = -1;
    QString lastChild;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        const QString child = textOf(raw, 0);
        const int id = sqlite3_column_int(raw, 1);
        // The columns of one key come as consecutive rows of the same id.
        if (all_.isEmpty() || child != lastChild || id != lastId)
            all_.append({child, textOf(raw, 2), {}, {}, textOf(raw, 5)});
        Reference& key = all_.last();
        key.childColumns.append(textOf(raw, 3));
        if (sqlite3_column_type(raw, 4) != SQLITE_NULL)
            key.parentColumns.append(textOf(raw, 4));
        lastChild = child;
        lastId = id;
    }
    if (rc != SQLITE_DONE)
        fail();
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
