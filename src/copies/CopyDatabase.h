#pragma once

#include "db/SqliteHandles.h"

#include <QString>

// A safety copy opened read-only as a database that nothing changes: the
// engine takes no lock on it and never makes a log or shared-memory file
// beside it, whatever mode the copy's header names.
class CopyDatabase {
public:
    explicit CopyDatabase(const QString& path);

    const QString& path() const { return path_; }
    sqlite3* handle() const { return db_.get(); }

    // The number of tables the copy holds, system tables included, as the
    // main window lists them.
    int tableCount() const;
    // Throws unless the engine finds the copy sound, so that a damaged copy
    // is never put in place of a working database.
    void checkSound() const;

private:
    [[noreturn]] void fail(const QString& what) const;

    QString path_;
    sqlite::DbPtr db_;
};
