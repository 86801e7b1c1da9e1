#pragma once

#include <QString>

#include <functional>

// Compacting a database: after many tables are deleted the file keeps their
// pages as free space, and every later safety copy copies it too.
struct CompactionEstimate {
    qint64 fileBytes = 0;   // the file and a write-ahead log beside it
    qint64 freeBytes = 0;   // its free pages: about what compacting gives back
};

// Read without changing the file.
CompactionEstimate estimateCompaction(const QString& databasePath);

// Rewrites the database without its free pages through the engine's own
// journal or log, so that a failure or a killed program at any moment
// leaves the file either as it was or compacted. Tables, rows, indexes,
// triggers, views and the file's settings stay as they were. Refused with a
// Failure, before anything is written, while another program uses the file
// or when the disk has not room for the work. The engine works in a thread
// of its own; `stillWorking`, when set, is called on the caller's thread
// every few dozen milliseconds until it is done, so that a window stays
// answering. Returns the file's new size.
qint64 compactDatabase(const QString& databasePath, const std::function<void()>& stillWorking = {});
