// The engine's pre-update hook sees every row a deletion takes or changes,
// in tables without row ids too; its declarations are behind this switch.
// Debian's SQLite is built with it.
#define SQLITE_ENABLE_PREUPDATE_HOOK 1

#include "db/Emptying.h"

#include "db/Database.h"
#include "db/Deadline.h"
#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"
#include "db/Reasons.h"
#include "db/References.h"
#include "db/SqliteHandles.h"

#include <QHash>
#include <QSet>

#include <cstring>

#include <sqlite3.h>

namespace emptying {

namespace {

QString textOf(sqlite3_stmt* query, int column)
{
    return nameBytes::decode(reinterpret_cast<const char*>(sqlite3_column_text(query, column)),
                             sqlite3_column_bytes(query, column));
}

// Whether deleting a row of `table` runs one of its triggers: the engine
// writes the triggers of a DELETE into the statement, and the authorizer is
// told the name of the trigger each of their steps comes from (with the keys
// enforced, also of other tables' triggers that their actions run, which are
// not counted here). Only prepared, never run.
bool hasDeleteTrigger(Database& database, const QString& table)
{
    sqlite3* db = database.nativeHandle();
    const auto fail = [&] {
        throw reasons::engineFailure(QStringLiteral("Taulukon %1 herättimiä ei voitu lukea, joten mitään ei "
                                                    "muutettu.")
                                         .arg(table),
                                     database.path(), db);
    };
    const QByteArray name = nameBytes::encode(table);
    struct Seen {
        QSet<QString> own;   // folded
        bool found = false;
    } seen;
    {
        // Most tables have no trigger at all: one look at the catalogue.
        const sqlite::StmtPtr own = sqlite::prepare(
            db, "SELECT name FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE");
        if (!own)
            fail();
        sqlite3_bind_text(own.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(own.get())) == SQLITE_ROW)
            seen.own.insert(engineFolded(textOf(own.get(), 0)));
        if (rc != SQLITE_DONE)
            fail();
    }
    if (seen.own.isEmpty())
        return false;
    sqlite3_set_authorizer(
        db,
        [](void* self, int, const char*, const char*, const char*, const char* trigger) {
            auto* seen = static_cast<Seen*>(self);
            if (trigger && !seen->found)
                seen->found = seen->own.contains(engineFolded(nameBytes::decode(trigger, qstrlen(trigger))));
            return SQLITE_OK;
        },
        &seen);
    const QByteArray sql = nameBytes::encode(QStringLiteral("DELETE FROM ") + quotedName(table));
    const sqlite::StmtPtr deletion = sqlite::prepare(db, sql.constData(), int(sql.size()));
    sqlite3_set_authorizer(db, nullptr, nullptr);
    if (!deletion)
        fail();
    return seen.found;
}

// Counts, table by table, the rows the engine deletes, changes and adds while it is installed.
class Counter {
public:
    Counter(sqlite3* db, const QString& table, Effects& effects)
        : db_(db), own_(nameBytes::encode(table)), effects_(effects)
    {
        // Installed before the statement is prepared: with a hook in place the
        // engine also visits each row where it would otherwise erase a whole
        // table's pages at once, unseen.
        sqlite3_preupdate_hook(db_, &Counter::seen, this);
    }
    ~Counter() { sqlite3_preupdate_hook(db_, nullptr, nullptr); }
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;

    // After the statement: a row that several keys set to NULL changed once,
    // and one that was changed and then deleted was deleted. Row ids tell
    // rows apart in tables that have them; in the others every change counts.
    void countChanges(Database& database)
    {
        for (qsizetype i = 0; i < effects_.others.size(); ++i) {
            TableRows& rows = effects_.others[i];
            if (rows.changed > 0 && hasRowIds(database, rows.table))
                rows.changed = changedIds_.value(i).size();
        }
    }

private:
    static bool hasRowIds(Database& database, const QString& table)
    {
        const sqlite::StmtPtr query =
            sqlite::prepare(database.nativeHandle(), "SELECT wr FROM pragma_table_list(?1) WHERE schema = 'main'");
        if (!query)
            return false;
        const QByteArray name = nameBytes::encode(table);
        sqlite3_bind_text(query.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        return sqlite3_step(query.get()) == SQLITE_ROW && sqlite3_column_int(query.get(), 0) == 0;
    }

    static void seen(void* self, sqlite3*, int op, const char* schema, const char* table, sqlite3_int64 before,
                     sqlite3_int64)
    {
        static_cast<Counter*>(self)->count(op, schema, table, before);
    }

    void count(int op, const char* schema, const char* table, sqlite3_int64 rowId)
    {
        if (std::strcmp(schema, "main") != 0)
            return;
        // The engine passes each table's own copy of its name: the same
        // pointer for every row of one table.
        if (table != lastName_) {
            lastName_ = table;
            if (sqlite3_stricmp(table, own_.constData()) == 0) {
                last_ = -1;
            } else {
                const QByteArray key(table);
                auto at = index_.constFind(key);
                if (at == index_.constEnd()) {
                    at = index_.insert(key, int(effects_.others.size()));
                    effects_.others.append({nameBytes::decode(key.constData(), key.size())});
                }
                last_ = *at;
            }
        }
        if (last_ < 0) {
            if (op == SQLITE_DELETE)
                ++effects_.ownDeleted;
            return;
        }
        TableRows& rows = effects_.others[last_];
        if (op == SQLITE_DELETE) {
            ++rows.deleted;
            if (rows.changed > 0)
                changedIds_[last_].remove(rowId);
        } else if (op == SQLITE_UPDATE) {
            ++rows.changed;
            changedIds_[last_].insert(rowId);
        } else if (op == SQLITE_INSERT)
            ++rows.added;
    }

    sqlite3* db_;
    const QByteArray own_;
    Effects& effects_;
    QHash<QByteArray, int> index_;
    QHash<int, QSet<sqlite3_int64>> changedIds_;
    const char* lastName_ = nullptr;
    int last_ = -1;
};

// The names the engine may give in its messages: every table a key joins,
// the tables the deletion reached and the table itself.
QStringList knownTables(const References& references, const Effects& effects, const QString& table)
{
    QStringList names{table};
    for (const TableRows& rows : effects.others)
        names.append(rows.table);
    for (const Reference& key : references.all())
        names.append(key.child);
    return names;
}

// "NOT NULL constraint failed: B.x": the table whose name, with a dot, begins
// `place`, the longest such if several do; the column is the rest.
std::pair<QString, QString> tableAndColumn(const QString& place, const QStringList& tables)
{
    QString found;
    for (const QString& name : tables)
        if (name.size() > found.size() && place.startsWith(name + QLatin1Char('.'), Qt::CaseInsensitive))
            found = name;
    if (found.isEmpty()) {
        const qsizetype dot = place.lastIndexOf(QLatin1Char('.'));
        return dot < 0 ? std::pair{QString(), QString()} : std::pair{place.left(dot), place.mid(dot + 1)};
    }
    return {found, place.mid(found.size() + 1)};
}

Refusal immediateRefusal(sqlite3* db, int rc, const QStringList& tables)
{
    const QString words = reasons::engineWords(db);
    Refusal refusal;
    refusal.engineWords = words;
    const qsizetype colon = words.indexOf(QStringLiteral(" constraint failed: "));
    if (colon >= 0) {
        const auto [table, column] = tableAndColumn(words.mid(colon + 20), tables);
        refusal.table = table;
        if (rc == SQLITE_CONSTRAINT_NOTNULL && !table.isEmpty()) {
            refusal.kind = Refusal::Kind::NotNull;
            refusal.column = column;
        }
    } else if (const QString mismatch = QStringLiteral("foreign key mismatch - \""); words.startsWith(mismatch)) {
        // foreign key mismatch - "B" referencing "A"
        refusal.kind = Refusal::Kind::BrokenKey;
        refusal.table = words.mid(mismatch.size()).section(QLatin1Char('"'), 0, 0);
    }
    return refusal;
}

// After a deletion that left references to rows that are gone, the table
// whose rows do: the tables that refer to a table the deletion reached, and
// those reached that refer to others, asked in the catalogue's order.
// Nothing when the engine's work was interrupted.
std::optional<Refusal> referringRows(Database& database, const References& references, const Effects& effects,
                                     const QString& table)
{
    QHash<QString, QString> reached{{engineFolded(table), table}};   // folded -> as the engine names it
    QSet<QString> changed;
    for (const TableRows& rows : effects.others) {
        if (rows.deleted > 0 || rows.changed > 0)
            reached.insert(engineFolded(rows.table), rows.table);
        if (rows.changed > 0)
            changed.insert(engineFolded(rows.table));
    }
    QStringList candidates;
    for (const Reference& key : references.all())
        if ((reached.contains(engineFolded(key.parent)) || reached.contains(engineFolded(key.child)))
            && !candidates.contains(key.child))
            candidates.append(key.child);

    sqlite3* db = database.nativeHandle();
    const sqlite::StmtPtr check = sqlite::prepare(db, "SELECT DISTINCT parent FROM pragma_foreign_key_check(?1)");
    if (!check)
        throw reasons::engineFailure(QStringLiteral("Taulukkoon viittaavia rivejä ei voitu tarkistaa."),
                                     database.path(), db);
    for (const QString& child : candidates) {
        const QByteArray name = nameBytes::encode(child);
        sqlite3_reset(check.get());
        sqlite3_bind_text(check.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(check.get())) == SQLITE_ROW) {
            const QString parent = reached.value(engineFolded(textOf(check.get(), 0)));
            if (!parent.isEmpty())
                return Refusal{Refusal::Kind::ReferringRows, child, parent, {}, changed.contains(engineFolded(child)),
                               {}};
        }
        if ((rc & 0xff) == SQLITE_INTERRUPT)
            return std::nullopt;
        if (rc != SQLITE_DONE)
            throw reasons::engineFailure(QStringLiteral("Taulukkoon viittaavia rivejä ei voitu tarkistaa."),
                                         database.path(), db);
    }
    return Refusal{Refusal::Kind::Rule, {}, {}, {}, false, QStringLiteral("FOREIGN KEY constraint failed")};
}

// DELETE FROM the table inside the open transaction, the keys enforced at
// its end; returns false when the engine's work was interrupted.
bool deleteCounting(Database& database, const References& references, const QString& table, Effects& effects)
{
    sqlite3* db = database.nativeHandle();
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu poistaa.").arg(table);
    // Every key is checked at the end, so that a refusal can name the table
    // whose rows stand in the way; the engine switches this off at the end
    // of the transaction.
    if (sqlite3_exec(db, "PRAGMA defer_foreign_keys=ON", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw reasons::engineFailure(what, database.path(), db);
    int rc;
    {
        Counter counter(db, table, effects);
        const QByteArray sql = nameBytes::encode(QStringLiteral("DELETE FROM ") + quotedName(table));
        sqlite3_stmt* raw = nullptr;
        rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr);
        const sqlite::StmtPtr deletion(raw);
        if (rc == SQLITE_OK)
            rc = sqlite3_step(raw);
        if (rc == SQLITE_DONE) {
            counter.countChanges(database);
        } else if ((rc & 0xff) == SQLITE_INTERRUPT) {
            return false;
        } else if ((rc & 0xff) == SQLITE_CONSTRAINT
                   || reasons::engineWords(db).startsWith(QStringLiteral("foreign key mismatch"))) {
            effects.outcome = Effects::Outcome::Refused;
            effects.refusal =
                immediateRefusal(db, sqlite3_extended_errcode(db), knownTables(references, effects, table));
            return true;
        } else {
            throw reasons::engineFailure(what, database.path(), db);
        }
    }
    int unresolved = 0;
    int highest = 0;
    sqlite3_db_status(db, SQLITE_DBSTATUS_DEFERRED_FKS, &unresolved, &highest, 0);
    if (unresolved != 0) {
        effects.refusal = referringRows(database, references, effects, table);
        if (!effects.refusal)
            return false;
        effects.outcome = Effects::Outcome::Refused;
    }
    return true;
}

// The engine keeps a rehearsal's changed pages in memory instead of writing
// them into the file, which would lock other programs out even from reading.
class NoSpill {
public:
    explicit NoSpill(sqlite3* db) : db_(db) { sqlite3_exec(db_, "PRAGMA cache_spill=OFF", nullptr, nullptr, nullptr); }
    ~NoSpill() { sqlite3_exec(db_, "PRAGMA cache_spill=ON", nullptr, nullptr, nullptr); }
    NoSpill(const NoSpill&) = delete;
    NoSpill& operator=(const NoSpill&) = delete;

private:
    sqlite3* db_;
};

} // namespace

bool Effects::reachesOthers() const
{
    for (const TableRows& rows : others)
        if (rows.deleted > 0 || rows.changed > 0)
            return true;
    return false;
}

Reach reachOf(Database& database, const References& references, const QString& table)
{
    Reach reach;
    for (const Reference& key : references.to(table)) {
        reach.referred = true;
        reach.keyActions = reach.keyActions || key.actsOnDelete();
    }
    reach.deleteTrigger = hasDeleteTrigger(database, table);
    return reach;
}

EnforcedKeys::EnforcedKeys(Database& database) : db_(database.nativeHandle())
{
    sqlite3_exec(db_, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
    // Read back: a setting that did not take would let the deletion leave
    // referring rows pointing at nothing.
    const sqlite::StmtPtr on = sqlite::firstRow(db_, "PRAGMA foreign_keys");
    if (!on || sqlite3_column_int(on.get(), 0) != 1) {
        const Failure failed(QStringLiteral("Viittausten sääntöjä ei voitu ottaa käyttöön, joten mitään ei "
                                            "muutettu."),
                             database.path(), reasons::forConnection(db_), reasons::engineWords(db_));
        sqlite3_exec(db_, "PRAGMA foreign_keys=OFF", nullptr, nullptr, nullptr);
        throw failed;
    }
}

EnforcedKeys::~EnforcedKeys()
{
    sqlite3_exec(db_, "PRAGMA foreign_keys=OFF", nullptr, nullptr, nullptr);
}

Effects rehearse(Database& database, const References& references, const QString& table, int withinMs)
{
    Effects effects;
    const EnforcedKeys keys(database);
    // Rolled back when it goes. The write lock is waited for here, before
    // the clock starts.
    const Database::WriteTransaction trial(database);
    sqlite3* db = database.nativeHandle();
    const NoSpill inMemory(db);
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu laskea.").arg(table);
    const QByteArray sql = nameBytes::encode(QStringLiteral("SELECT count(*) FROM ") + quotedName(table));
    const sqlite::StmtPtr count = sqlite::prepare(db, sql.constData(), int(sql.size()));
    if (!count)
        throw reasons::engineFailure(what, database.path(), db);

    const Deadline deadline(db, withinMs);
    const int rc = sqlite3_step(count.get());
    if ((rc & 0xff) == SQLITE_INTERRUPT) {
        effects.outcome = Effects::Outcome::NotInTime;
        return effects;
    }
    if (rc != SQLITE_ROW)
        throw reasons::engineFailure(what, database.path(), db);
    effects.rows = sqlite3_column_int64(count.get(), 0);
    if (!deleteCounting(database, references, table, effects)) {
        effects.outcome = Effects::Outcome::NotInTime;
        effects.ownDeleted = 0;
        effects.others.clear();
    }
    return effects;
}

Effects carryOut(Database& database, const References& references, const QString& table)
{
    Effects effects;
    if (!deleteCounting(database, references, table, effects))
        throw reasons::engineFailure(QStringLiteral("Taulukon %1 rivejä ei voitu poistaa.").arg(table),
                                     database.path(), database.nativeHandle());
    return effects;
}

} // namespace emptying
