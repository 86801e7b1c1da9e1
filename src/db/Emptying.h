#pragma once

#include <QList>
#include <QString>

#include <optional>

class Connection;
class Database;
class References;

// What deleting every row of one table reaches, as the engine itself carries
// out the ON DELETE actions other tables' keys declare and the triggers that
// run with the deletion: at every depth, table by table.
namespace emptying {

// How emptying a table can reach other tables, read from the schema alone.
struct Reach {
    bool referred = false;        // another table's key refers to it
    bool keyActions = false;      // ... and one of them deletes or changes rows
    bool deleteTrigger = false;   // a trigger runs when its rows are deleted

    // Nothing beyond the table itself: its rows go as they always did.
    bool alone() const { return !referred && !deleteTrigger; }
    // Whether the emptying may delete or change rows of other tables.
    bool mayReachOthers() const { return keyActions || deleteTrigger; }
    bool operator==(const Reach&) const = default;
};
Reach reachOf(Database& database, const References& references, const QString& table);

// The rows of one other table that the emptying deletes, changes or adds.
struct TableRows {
    QString table;
    qint64 deleted = 0;
    qint64 changed = 0;
    qint64 added = 0;
    bool operator==(const TableRows&) const = default;
};

// Why the engine refuses the emptying.
struct Refusal {
    enum class Kind {
        ReferringRows,   // rows of `table` would refer to rows of `referred` that are gone or never were
        NotNull,         // SET NULL into `column` of `table`, which allows no empty value
        BrokenKey,       // a key of `table` that the engine cannot use (its referred columns are no key)
        Rule             // another rule (CHECK, UNIQUE, a trigger's RAISE)
    };
    Kind kind = Kind::Rule;
    QString table;         // whose rows block it; empty when the engine does not say
    QString referred;
    QString column;
    bool changedRows = false;   // ReferringRows: rows the emptying itself changes (SET DEFAULT onto a missing row)
    QString engineWords;        // Rule: the engine's, or the trigger's, own words
};

struct Effects {
    enum class Outcome { Done, Refused, NotInTime };
    Outcome outcome = Outcome::Done;
    std::optional<qint64> rows;   // the table's own rows before, when counted
    qint64 ownDeleted = 0;
    QList<TableRows> others;      // in the order the engine first reached them
    std::optional<Refusal> refusal;

    // Whether rows of other tables are deleted or changed.
    bool reachesOthers() const;
};

// The emptying carried out and rolled back again, given about `withinMs` of
// the engine's work (a wait for another program's lock not counted). Leaves
// the file as it was and holds no lock afterwards.
Effects rehearse(Database& database, const References& references, const QString& table, int withinMs);

// The engine enforces the keys, and carries out their actions, while this
// lives. It cannot be switched inside a transaction, so it is made before one.
class EnforcedKeys {
public:
    explicit EnforcedKeys(Database& database);
    ~EnforcedKeys();
    EnforcedKeys(const EnforcedKeys&) = delete;
    EnforcedKeys& operator=(const EnforcedKeys&) = delete;

private:
    const Connection& connection_;
};

// The emptying inside the caller's WriteTransaction, made under an
// EnforcedKeys, counted as rehearse() counts. When it is Refused the caller
// rolls back.
Effects carryOut(Database& database, const References& references, const QString& table);

} // namespace emptying
