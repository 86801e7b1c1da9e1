#pragma once

#include "db/Connection.h"

#include <QStringList>

#include <functional>

// A safety copy opened read-only as a database that nothing changes: the
// engine takes no lock on it and never makes a log or shared-memory file
// beside it, whatever mode the copy's header names.
class ReadOnlyCopy {
public:
    // Throws unless the file is a database at all: long enough to hold a
    // page, with a database header and a valid page size. The engine would
    // take an empty file for an empty database.
    explicit ReadOnlyCopy(const QString& path);

    const QString& path() const { return path_; }
    const Connection& connection() const { return db_; }

    // Every table the copy holds, system tables included, as the main window
    // lists them, in catalogue order. The read gives up with a Failure once
    // `stopAsked` answers true.
    QStringList tableNames(const std::function<bool()>& stopAsked = {}) const;
    // The page size of the copy, from its header.
    int pageSize() const { return pageSize_; }
    // Keeps the copy read as one snapshot until this connection closes, so
    // that what checkSound() looked at is what a backup then reads.
    void holdSnapshot() const;
    // Throws unless the engine finds the copy sound and it has pages to
    // write, so that a damaged or empty copy is never put in place of a
    // working database.
    // `stillWorking`, when set, is called every so often while the engine
    // reads the copy through.
    void checkSound(const std::function<void()>& stillWorking = {}) const;

private:
    QString path_;
    int pageSize_ = 0;
    Connection db_;
};
