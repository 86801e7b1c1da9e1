#pragma once

#include "operations/Refusal.h"

#include <QString>

class Database;

// Why a table is not renamed. Every text ends "Tietokanta on ennallaan.".

// Before the prompt: what stands in the way of any new name for `table`:
// the engine's own table, a part of a virtual table, a table that is gone,
// or whatever the engine refuses when it tries the rename (a view or trigger
// that cannot be read). The try is undone at once and holds no lock after.
Refusal refusalForAnyName(Database& database, const QString& table);

// After the prompt, before the safety copy: the checks on `newName`, which
// the engine does not all make: an entry of that name in any letter case,
// a name kept for the engine or for a virtual table's parts, and a name that
// a foreign key already names (the reference would come to point at the
// renamed table).
Refusal refusalForName(Database& database, const QString& table, const QString& newName);

// The engine's refusal `words` of renaming `table` to `newName`, told:
// which view, trigger or definition stands in the way, when the words name one.
Refusal engineRefusal(Database& database, const QString& table, const QString& newName, const QString& words);
