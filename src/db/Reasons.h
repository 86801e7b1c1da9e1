#pragma once

#include "db/Failure.h"

#include <QString>

struct sqlite3;

// The operator's words for why the engine or the operating system said no,
// each with the cause it names.
namespace reasons {

using Reason = Failure::Reason;
using Cause = Failure::Cause;

// From an extended result code of the engine.
Reason forEngineCode(int code);
// From an errno value.
Reason forSystemError(int error);
// From the last failing call on `db`, the system's error included.
Reason forConnection(sqlite3* db);
// From a failing call's result code and the system's error (0 if none), for
// a database file `file`; a file size limit is not told as a full disk.
Reason forFailedCall(int code, int systemError, const QString& file);
// The engine's own message of its last failing call on `db`.
QString engineWords(sqlite3* db);
// The operating system's own words for `error`.
QString systemWords(int error);

inline const QString kLocked = QStringLiteral("Toinen ohjelma käyttää tietokantaa; yritä myöhemmin uudelleen");
inline const Reason kLockedReason{Cause::Locked, kLocked};

// The end of a box whose operation gave up waiting for another program: the
// operator need not know which program it is.
inline const QString kTryAgainLater =
    QStringLiteral("Yritä myöhemmin uudelleen; jos tietokanta on yhä varattu, sulje muut ohjelmat, jotka voivat "
                   "käyttää sitä.");

// A read that failed for a moment: the file may well be sound.
inline const QString kReadFailed =
    QStringLiteral("Tiedostoa ei voitu lukea juuri nyt; tiedosto voi olla kunnossa, joten yritä uudelleen");
inline const Reason kReadFailedReason{Cause::ReadFailed, kReadFailed};

// The operator may not write in `folder`, the database's, where the engine
// writes its journal and the tool its safety copies.
Reason folderNotWritable(const QString& folder);

// The engine found the file damaged, not merely unreadable for a moment.
bool isDamage(int code);
// Whether `file`, which the engine found damaged, reads sound when read
// again from the start: then it was a read of a moment that failed.
bool soundOnSecondReading(const QString& file);

// A Failure whose reason is the operating system's `error`, in Finnish and in its own words.
inline Failure systemFailure(const QString& what, const QString& file, int error)
{
    return Failure(what, file, forSystemError(error), systemWords(error));
}

// A Failure whose reason is the engine's last failing call on `db`.
Failure engineFailure(const QString& what, const QString& file, sqlite3* db);

// A Failure from an engine result code without a connection to ask.
Failure codeFailure(const QString& what, const QString& file, int code);

// Whether another program holding the file caused `failure`.
inline bool lockedOut(const Failure& failure)
{
    return failure.cause() == Cause::Locked;
}

} // namespace reasons
