#pragma once

#include <QString>
#include <QStringList>

class Database;
struct sqlite3;
class References;

// The checks that keep every reference between tables pointing at a table
// and at rows that exist, as a relational engine would refuse to break them.
// Each returns the Finnish text of the box that refuses the change, or an
// empty text when nothing stands in the way.

// Deleting `table`: no other table may refer to it. `notDone` ends the
// box's first words, e.g. "ei poistettu".
QString referredTableRefusal(const References& references, const QString& table, const QString& notDone);

// What emptying `table` does to the rows of other tables that refer to its
// rows: `refusal` when the schema lets no such row lose its referred row,
// otherwise `detail`, one line per table whose rows a declared ON DELETE
// action deletes or changes (empty when there are none).
struct EmptyingEffects {
    QString refusal;
    QString detail;
};
EmptyingEffects emptyingEffects(Database& database, const QString& table);

// The engine enforces references (and carries out their ON DELETE actions)
// while this lives, when `enforce` is set; it cannot be switched inside a
// transaction, so it is made before one.
class EnforcedReferences {
public:
    EnforcedReferences(Database& database, bool enforce);
    ~EnforcedReferences();
    EnforcedReferences(const EnforcedReferences&) = delete;
    EnforcedReferences& operator=(const EnforcedReferences&) = delete;

private:
    sqlite3* db_ = nullptr;   // set while the engine enforces them
};
