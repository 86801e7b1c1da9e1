#pragma once

#include <memory>
#include <utility>

#include "db/FileHandle.h"

#include <sqlite3.h>

// Owners of the engine's handles, for the database layer alone.
namespace sqlite {

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
// A backup not finished by its owner is finished when it goes, so that a
// failure part-way (a progress report that throws) leaves no backup open on
// either connection.
struct FinishBackup {
    void operator()(sqlite3_backup* backup) const { sqlite3_backup_finish(backup); }
};
using DbPtr = std::unique_ptr<sqlite3, CloseDb>;
using StmtPtr = std::unique_ptr<sqlite3_stmt, Finalize>;
using BackupPtr = std::unique_ptr<sqlite3_backup, FinishBackup>;

// The first statement of `sql` on `db`, or empty when the engine refuses it;
// its reason is then on `db`. `tail`, if given, is where the first statement ends.
inline StmtPtr prepare(sqlite3* db, const char* sql, int size = -1, const char** tail = nullptr)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, size, &raw, tail) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return {};
    }
    return StmtPtr(raw);
}

} // namespace sqlite
