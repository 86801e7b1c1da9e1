#pragma once

#include "copies/CopyName.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>

class Database;

// Told how far the copy is, `done` of `total` (bytes or pages), as it goes.
using CopyProgress = std::function<void(qint64 done, qint64 total)>;

// Copies the whole database file beside it, under the name of this moment,
// through `database`, which must hold the write lock (a
// Database::WriteTransaction): no other program can commit between the copy
// and the change that follows it under the same lock.
// The copy is a consistent database and is on disk under its final name
// before this returns; an earlier copy is never replaced: a later copy of the
// same second takes the next free number. A database in rollback-journal
// mode is copied byte for byte; one in write-ahead-log mode page by page
// through the engine. Returns the copy's path.
// Before copying it checks that the folder has room for the copy.
// Every failure says that the safety copy failed and why; the database is
// then as it was.
QString takeSafetyCopy(Database& database, const CopyProgress& progress = {});
QString takeSafetyCopy(Database& database, const QDateTime& moment, const CopyProgress& progress = {});
