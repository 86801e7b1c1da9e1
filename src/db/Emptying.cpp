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
#include "db/References.h"
#include "db/Statement.h"

#include <QHash>
#include <QSet>

#include <cstring>

#include <sqlite3.h>

namespace emptying {

namespace {

// Whether deleting a row of `table` runs one of its triggers: the engine
// writes the triggers of a DELETE into the statement, and the authorizer is
// told the name of the trigger each of their steps comes from (with the keys
// enforced, also of other tables' triggers that their actions run, which are
// not counted here). Only prepared, never run.
bool hasDeleteTrigger(Database& database, const QString& table)
{
    const Connection& connection = database.connection();
    const QString what =
        QStringLiteral("Taulukon %1 herättimiä ei voitu lukea, joten mitään ei muutettu.").arg(table);
    struct Seen {
        QSet<QString> own;   // folded
        bool found = false;
    } seen;
    {
        // Most tables have no trigger at all: one look at the catalogue.
        Statement own(connection,
                      "SELECT name FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE", what);
        own.bind(1, table);
        while (own.next())
            seen.own.insert(engineFolded(own.name(0)));
    }
    if (seen.own.isEmpty())
        return false;
    // The engine's authorizer hook takes its handle.
    sqlite3* db = connection.handle();
    sqlite3_set_authorizer(
        db,
        [](void* self, int, const char*, const char*, const char*, const char* trigger) {
            auto* seen = static_cast<Seen*>(self);
            if (trigger && !seen->found)
                seen->found = seen->own.contains(engineFolded(nameBytes::decode(trigger, qstrlen(trigger))));
            return SQLITE_OK;
        },
        &seen);
    const std::optional<Statement> deletion =
        Statement::ifAccepted(connection, nameBytes::encode(QStringLiteral("DELETE FROM ") + quotedName(table)));
    sqlite3_set_authorizer(db, nullptr, nullptr);
    if (!deletion)
        connection.fail(what);
    return seen.found;
}

// Counts, table by table, the rows the engine deletes, changes and adds while
// it is installed: the engine's pre-update hook, which takes its handle.
class Counter {
public:
    Counter(const Connection& connection, const QString& table, Effects& effects)
        : db_(connection.handle()), own_(nameBytes::encode(table)), effects_(effects)
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
        std::optional<Statement> query =
            Statement::ifAccepted(database.connection(), "SELECT wr FROM pragma_table_list(?1) WHERE schema = 'main'");
        if (!query)
            return false;
        query->bind(1, table);
        return query->step() == Statement::Step::Row && query->number(0) == 0;
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

Refusal immediateRefusal(const Connection& connection, const QStringList& tables)
{
    const QString words = connection.words();
    const int rc = connection.lastCode();
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

    const Connection& connection = database.connection();
    const QString what = QStringLiteral("Taulukkoon viittaavia rivejä ei voitu tarkistaa.");
    Statement check(connection, "SELECT DISTINCT parent FROM pragma_foreign_key_check(?1)", what);
    for (const QString& child : candidates) {
        check.reset();
        check.bind(1, child);
        Statement::Step stepped;
        while ((stepped = check.step()) == Statement::Step::Row) {
            const QString parent = reached.value(engineFolded(check.name(0)));
            if (!parent.isEmpty())
                return Refusal{Refusal::Kind::ReferringRows, child, parent, {}, changed.contains(engineFolded(child)),
                               {}};
        }
        if (stepped == Statement::Step::Done)
            continue;
        if ((connection.lastCode() & 0xff) == SQLITE_INTERRUPT)
            return std::nullopt;
        connection.fail(what);
    }
    return Refusal{Refusal::Kind::Rule, {}, {}, {}, false, QStringLiteral("FOREIGN KEY constraint failed")};
}

// DELETE FROM the table inside the open transaction, the keys enforced at
// its end; returns false when the engine's work was interrupted.
bool deleteCounting(Database& database, const References& references, const QString& table, Effects& effects)
{
    const Connection& connection = database.connection();
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu poistaa.").arg(table);
    // Every key is checked at the end, so that a refusal can name the table
    // whose rows stand in the way; the engine switches this off at the end
    // of the transaction.
    connection.run("PRAGMA defer_foreign_keys=ON", what);
    {
        Counter counter(connection, table, effects);
        std::optional<Statement> deletion = Statement::ifAccepted(
            connection, nameBytes::encode(QStringLiteral("DELETE FROM ") + quotedName(table)));
        const int code = deletion && deletion->step() == Statement::Step::Done ? SQLITE_DONE : connection.lastCode();
        if (code == SQLITE_DONE) {
            counter.countChanges(database);
        } else if ((code & 0xff) == SQLITE_INTERRUPT) {
            return false;
        } else if ((code & 0xff) == SQLITE_CONSTRAINT
                   || connection.words().startsWith(QStringLiteral("foreign key mismatch"))) {
            effects.outcome = Effects::Outcome::Refused;
            effects.refusal = immediateRefusal(connection, knownTables(references, effects, table));
            return true;
        } else {
            connection.fail(what);
        }
    }
    if (connection.keysUnresolved()) {
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
    explicit NoSpill(const Connection& connection) : connection_(connection)
    {
        connection_.tryRun("PRAGMA cache_spill=OFF");
    }
    ~NoSpill() { connection_.tryRun("PRAGMA cache_spill=ON"); }
    NoSpill(const NoSpill&) = delete;
    NoSpill& operator=(const NoSpill&) = delete;

private:
    const Connection& connection_;
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

EnforcedKeys::EnforcedKeys(Database& database) : connection_(database.connection())
{
    connection_.tryRun("PRAGMA foreign_keys=ON");
    // Read back: a setting that did not take would let the deletion leave
    // referring rows pointing at nothing.
    std::optional<Statement> on = Statement::ifAccepted(connection_, "PRAGMA foreign_keys");
    if (!on || on->step() != Statement::Step::Row || on->number(0) != 1) {
        const Failure failed =
            connection_.failure(QStringLiteral("Viittausten sääntöjä ei voitu ottaa käyttöön, joten mitään ei "
                                               "muutettu."));
        connection_.tryRun("PRAGMA foreign_keys=OFF");
        throw failed;
    }
}

EnforcedKeys::~EnforcedKeys()
{
    connection_.tryRun("PRAGMA foreign_keys=OFF");
}

Effects rehearse(Database& database, const References& references, const QString& table, int withinMs)
{
    Effects effects;
    const EnforcedKeys keys(database);
    // Rolled back when it goes. The write lock is waited for here, before
    // the clock starts.
    const Database::WriteTransaction trial(database);
    const Connection& connection = database.connection();
    const NoSpill inMemory(connection);
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu laskea.").arg(table);
    Statement count(connection, nameBytes::encode(QStringLiteral("SELECT count(*) FROM ") + quotedName(table)), what);

    const Deadline deadline(connection, withinMs);
    const Statement::Step stepped = count.step();
    if (stepped == Statement::Step::Failed && (connection.lastCode() & 0xff) == SQLITE_INTERRUPT) {
        effects.outcome = Effects::Outcome::NotInTime;
        return effects;
    }
    if (stepped != Statement::Step::Row)
        connection.fail(what);
    effects.rows = count.number(0);
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
        database.connection().fail(QStringLiteral("Taulukon %1 rivejä ei voitu poistaa.").arg(table));
    return effects;
}

} // namespace emptying
