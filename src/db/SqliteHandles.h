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

// The statement `sql` on `db`, or empty when the engine refuses it; its
// reason is then on `db`.
inline StmtPtr prepare(sqlite3* db, const char* sql, int size = -1)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, size, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return {};
    }
    return StmtPtr(raw);
}

// The statement `sql` on `db`, stepped to its first row, or empty when the
// engine refuses it or it gives no row; a refusal's reason is then on `db`.
inline StmtPtr firstRow(sqlite3* db, const char* sql, int size = -1)
{
    StmtPtr statement = prepare(db, sql, size);
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW)
        return {};
    return statement;
}

} // namespace sqlite
