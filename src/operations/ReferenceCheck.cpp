#include "operations/ReferenceCheck.h"

#include "db/Database.h"
#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"
#include "db/Reasons.h"
#include "db/References.h"
#include "db/SqliteHandles.h"

#include <QHash>
#include <QSet>

#include <sqlite3.h>

namespace {

// "A", "A ja B", "A, B ja C".
QString joined(const QStringList& items)
{
    if (items.size() < 2)
        return items.join(QString());
    return QStringList(items.mid(0, items.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" ja ")
           + items.last();
}

QString rows(qint64 count)
{
    return count == 1 ? QStringLiteral("1 rivi") : QStringLiteral("%1 riviä").arg(count);
}

[[noreturn]] void failReading(Database& database)
{
    sqlite3* db = database.nativeHandle();
    throw Failure(QStringLiteral("Taulukkoon viittaavia rivejä ei voitu laskea, joten mitään ei muutettu."),
                  database.path(), reasons::forConnection(db), reasons::engineWords(db));
}

// `sql` prepared on the database's connection; `owner` finalizes it.
sqlite3_stmt* prepared(Database& database, const QString& sql, sqlite::StmtPtr& owner)
{
    sqlite3_stmt* raw = nullptr;
    const QByteArray utf8 = nameBytes::encode(sql);
    if (sqlite3_prepare_v2(database.nativeHandle(), utf8.constData(), int(utf8.size()), &raw, nullptr) != SQLITE_OK)
        failReading(database);
    owner.reset(raw);
    return raw;
}

// The columns of `table`'s primary key, or the row id when it has none.
QStringList primaryKey(Database& database, const QString& table)
{
    sqlite::StmtPtr owner;
    sqlite3_stmt* query = prepared(
        database, QStringLiteral("SELECT name FROM pragma_table_info(?1, 'main') WHERE pk > 0 ORDER BY pk"), owner);
    const QByteArray name = nameBytes::encode(table);
    sqlite3_bind_text(query, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    QStringList columns;
    int rc;
    while ((rc = sqlite3_step(query)) == SQLITE_ROW)
        columns.append(nameBytes::decode(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)),
                                         sqlite3_column_bytes(query, 0)));
    if (rc != SQLITE_DONE)
        failReading(database);
    return columns.isEmpty() ? QStringList{QStringLiteral("rowid")} : columns;
}

// "a row of the child refers through `key` to a row of `table`"; a key with
// a NULL in it refers to nothing, which the comparison gives.
QString refersThrough(Database& database, const Reference& key, const QString& table)
{
    const QStringList parentColumns = key.parentColumns.isEmpty() ? primaryKey(database, table) : key.parentColumns;
    if (parentColumns.size() != key.childColumns.size())
        return QStringLiteral("0");   // a key the engine itself cannot use refers to nothing
    QStringList matches;
    for (qsizetype i = 0; i < parentColumns.size(); ++i)
        matches.append(QStringLiteral("p.%1 = c.%2").arg(quotedName(parentColumns.at(i)),
                                                         quotedName(key.childColumns.at(i))));
    return QStringLiteral("EXISTS (SELECT 1 FROM %1 AS p WHERE %2)")
        .arg(quotedName(table), matches.join(QStringLiteral(" AND ")));
}

// Rows of `child` that refer to `table` through any of `through`, and through none of `besides`.
qint64 referringRows(Database& database, const QString& child, const QString& table,
                     const QList<Reference>& through, const QList<Reference>& besides = {})
{
    if (through.isEmpty())
        return 0;
    QStringList any;
    for (const Reference& key : through)
        any.append(refersThrough(database, key, table));
    QString sql = QStringLiteral("SELECT count(*) FROM %1 AS c WHERE (%2)")
                      .arg(quotedName(child), any.join(QStringLiteral(" OR ")));
    for (const Reference& key : besides)
        sql += QStringLiteral(" AND NOT ") + refersThrough(database, key, table);
    sqlite::StmtPtr owner;
    sqlite3_stmt* query = prepared(database, sql, owner);
    if (sqlite3_step(query) != SQLITE_ROW)
        failReading(database);
    return sqlite3_column_int64(query, 0);
}

} // namespace

QString referredTableRefusal(const References& references, const QString& table, const QString& notDone)
{
    const QStringList referring = references.tablesReferringTo(table);
    if (referring.isEmpty())
        return {};
    return QStringLiteral("Taulukkoa %1 %2, koska %3 siihen. Poista ensin viittaavat taulukot.")
        .arg(table, notDone,
             referring.size() == 1
                 ? QStringLiteral("taulukko %1 viittaa").arg(referring.first())
                 : QStringLiteral("taulukot %1 viittaavat").arg(joined(referring)));
}

EmptyingEffects emptyingEffects(Database& database, const QString& table)
{
    const References references(database);
    const QList<Reference> keys = references.to(table);
    if (keys.isEmpty())
        return {};
    QStringList children;
    for (const Reference& key : keys)
        if (!children.contains(key.child))
            children.append(key.child);

    QStringList refusing;
    QStringList detail;
    for (const QString& child : children) {
        QList<Reference> holding;
        QList<Reference> deleting;
        QList<Reference> changing;
        for (const Reference& key : keys) {
            if (key.child != child)
                continue;
            if (!key.actsOnDelete())
                holding.append(key);
            else if (key.onDelete == QLatin1String("CASCADE"))
                deleting.append(key);
            else
                changing.append(key);
        }
        if (const qint64 held = referringRows(database, child, table, holding); held > 0) {
            refusing.append(QStringLiteral("taulukon %1 %2").arg(child, rows(held)));
            continue;
        }
        if (const qint64 lost = referringRows(database, child, table, deleting); lost > 0)
            detail.append(QStringLiteral("Taulukosta %1 poistuu samalla %2.").arg(child, rows(lost)));
        if (const qint64 changed = referringRows(database, child, table, changing, deleting); changed > 0)
            detail.append(QStringLiteral("Taulukossa %1 muuttuu samalla %2.").arg(child, rows(changed)));
    }
    if (!refusing.isEmpty()) {
        return {QStringLiteral("Taulukkoa %1 ei tyhjennetty, koska %2 %3 sen riveihin. Poista ensin viittaavat "
                               "rivit.")
                    .arg(table, joined(refusing),
                         refusing.size() == 1 ? QStringLiteral("viittaa") : QStringLiteral("viittaavat")),
                {}};
    }
    return {{}, detail.join(QLatin1Char('\n'))};
}

EnforcedReferences::EnforcedReferences(Database& database, bool enforce)
{
    if (!enforce)
        return;
    db_ = database.nativeHandle();
    sqlite3_exec(db_, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
    // Read back: a setting that did not take would let the deletion leave
    // the referring rows pointing at nothing.
    sqlite::StmtPtr owner;
    if (sqlite3_step(prepared(database, QStringLiteral("PRAGMA foreign_keys"), owner)) != SQLITE_ROW
        || sqlite3_column_int(owner.get(), 0) != 1) {
        const Failure failed(QStringLiteral("Viittausten sääntöjä ei voitu ottaa käyttöön, joten mitään ei "
                                            "muutettu."),
                             database.path(), reasons::forConnection(db_), reasons::engineWords(db_));
        sqlite3_exec(db_, "PRAGMA foreign_keys=OFF", nullptr, nullptr, nullptr);
        throw failed;
    }
}

EnforcedReferences::~EnforcedReferences()
{
    if (db_)
        sqlite3_exec(db_, "PRAGMA foreign_keys=OFF", nullptr, nullptr, nullptr);
}
