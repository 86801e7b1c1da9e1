#pragma once

#include "db/LockWait.h"

#include <QString>

#include <functional>

// Compacting a database: after many tables are deleted the file keeps their
// pages as free space, and every later safety copy copies it too.
struct CompactionEstimate {
    qint64 fileBytes = 0;   // the file and a write-ahead log beside it
    qint64 freeBytes = 0;   // about what compacting gives back
    // freeBytes counts only the free pages, not the unused room inside pages
    // (the engine's page statistics were not had in time): compacting gives
    // back at least that much.
    bool atLeast = false;
};

// Counts the free pages and the unused room inside the pages of every table
// and index, which compacting packs together; a file whose pages take too
// long to read gets the free pages alone, as a lower bound.
// Read without changing the file. A wait for another program's lock lasts
// as long as `keepWaiting` says (see LockWait), or else about two seconds.
CompactionEstimate estimateCompaction(const QString& databasePath, KeepWaiting keepWaiting = {});

// Rewrites the database without its free pages through the engine's own
// journal or log, so that a failure or a killed program at any moment
// leaves the file either as it was or compacted. Tables, rows, indexes,
// triggers, views and the file's settings stay as they were. Refused with a
// Failure, before anything is written, while another program uses the file
// or when the disk has not room for the work. The engine works in a thread
// of its own; `stillWorking`, when set, is called on the caller's thread
// every few dozen milliseconds until it is done, so that a window stays
// answering; a wait for another program's lock meanwhile is asked of
// `keepWaiting` on the caller's thread too, as in estimateCompaction.
// Returns the file's new size. A failure before the compacted database is
// committed keeps "Tietokanta on ennallaan." as its state (Failure::withState).
qint64 compactDatabase(const QString& databasePath, const std::function<void()>& stillWorking = {},
                       KeepWaiting keepWaiting = {});
