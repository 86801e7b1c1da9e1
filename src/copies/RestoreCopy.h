#pragma once

#include "db/LockWait.h"

#include <QString>

#include <functional>

// Puts the contents of the safety copy `copyPath` in place of the database
// at `databasePath`, through the engine, so that a log or journal file
// beside the database cannot bring the old contents back. First takes a
// safety copy of the database as it stands, whose path is returned. The
// database is locked from before that copy until its pages are replaced, so
// no other program commits between the two; in rollback-journal mode the
// lock is exclusive, in write-ahead-log mode it keeps out writers. Another
// program that holds a lock the restore needs makes it wait and then fail,
// with the database unchanged.
// `stillWorking`, when set, is called as the copy of the current state and
// the writing of the pages go on, so that a window can stay answering. The
// engine's check of the chosen copy, first, reports nothing. A wait for
// another program's lock lasts as long as `keepWaiting` says (see LockWait);
// a failure keeps how it left the database as its state (Failure::withState).
QString restoreSafetyCopy(const QString& databasePath, const QString& copyPath,
                          const std::function<void()>& stillWorking = {}, KeepWaiting keepWaiting = {});
