#pragma once

#include "db/Database.h"
#include "db/LockWait.h"

#include <QString>

// The outside engine. Created at the first operation that needs it and kept
// until the program ends; every operation opens its own Database from it.
class DatabaseEngine {
public:
    static DatabaseEngine& instance();

    DatabaseEngine(const DatabaseEngine&) = delete;
    DatabaseEngine& operator=(const DatabaseEngine&) = delete;

    // Opens an existing database file read-write and shared. Never creates
    // or changes a file; anything that is not a usable database is a Failure.
    // While another program holds the file, its every step waits as long as
    // `keepWaiting` says (see LockWait).
    Database open(const QString& path, KeepWaiting keepWaiting = {}) const;

private:
    DatabaseEngine();
    Database openChecked(const QString& path, KeepWaiting keepWaiting) const;
};
