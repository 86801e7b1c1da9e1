#include "db/Reasons.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <sys/statvfs.h>

namespace {

using reasons::Cause;
using reasons::Reason;

const Reason kNoRightToChange{Cause::NoRightToChange, QStringLiteral("Ei oikeutta muuttaa tietokantaa")};
const Reason kNoRightToWrite{Cause::NoRightToWrite, QStringLiteral("Ei oikeutta kirjoittaa kansioon tai tiedostoon")};
const Reason kNotFound{Cause::NotFound, QStringLiteral("Tiedostoa tai kansiota ei löydy")};
const Reason kNameTooLong{Cause::NameTooLong, QStringLiteral("Tiedoston nimi on liian pitkä")};
const Reason kDiskError{Cause::DiskError, QStringLiteral("Levyn lukeminen tai kirjoittaminen epäonnistui")};
const Reason kOutOfMemory{Cause::OutOfMemory, QStringLiteral("Muisti loppui")};
const Reason kDamaged{Cause::Damaged, QStringLiteral("Tietokantatiedosto on vioittunut")};
const Reason kFileGone{Cause::FileGone, QStringLiteral("Tietokantatiedostoa ei löydy; se on poistettu tai siirretty")};
const Reason kFileMoved{Cause::FileMoved,
                        QStringLiteral("Tietokantatiedosto on poistettu tai siirretty sen jälkeen, kun se avattiin")};
const QString kFolderNotWritable = QStringLiteral("Tietokannan kansioon ei voi kirjoittaa: %1. Muutoksen aikana "
                                                  "tietokannan viereen kirjoitetaan tiedosto; tietokantatiedosto itse "
                                                  "on kunnossa");
const Reason kDiskFull{Cause::DiskFull, QStringLiteral("Levy on täynnä; vapauta tilaa ja yritä uudelleen")};
const Reason kSizeLimit{
    Cause::SizeLimit,
    QStringLiteral("Tiedoston kokoraja tuli vastaan; tiedostoa ei voi kasvattaa suuremmaksi (käyttöjärjestelmän "
                   "tiedostokokoraja)")};

// A reason that names no cause: the engine's or the system's own words then go with it.
Reason unnamed(const QString& text)
{
    return {Cause::Other, text};
}

// The engine reports a write cut short by the file size limit as a full
// disk, without the system's error. A limit is set for this program and the
// disk still has room: then the limit it was.
bool sizeLimitRatherThanFullDisk(const QString& file)
{
    rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return false;
    struct statvfs disk {};
    const QString folder = file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
    if (folder.isEmpty() || statvfs(QFile::encodeName(folder).constData(), &disk) != 0)
        return true;
    constexpr quint64 kRoomForAPage = 1 << 20;
    return quint64(disk.f_bavail) * quint64(disk.f_frsize) > kRoomForAPage;
}

// Longer than this, and a second reading of a file that looked damaged is given up.
constexpr int kSecondReadingMs = 3000;

int pastDeadline(void* deadline)
{
    return std::chrono::steady_clock::now() > *static_cast<const std::chrono::steady_clock::time_point*>(deadline)
               ? 1
               : 0;
}

} // namespace

// A damaged page and a read that failed for a moment look alike to the
// engine: a read cut short comes back as zeros. A second reading, on a
// connection of its own, tells them apart; whatever keeps it from finishing
// leaves the engine's verdict standing.
bool reasons::soundOnSecondReading(const QString& file)
{
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, &sqlite3_close_v2);
    if (opened != SQLITE_OK)
        return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSecondReadingMs);
    sqlite3_progress_handler(raw, 1000, &pastDeadline, &deadline);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(raw, "PRAGMA quick_check(1)", -1, &statement, nullptr) != SQLITE_OK)
        return false;
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> check(statement, &sqlite3_finalize);
    return sqlite3_step(statement) == SQLITE_ROW
           && qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "ok") == 0;
}

namespace reasons {

Reason forEngineCode(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return kLockedReason;
    case SQLITE_FULL:
        return kDiskFull;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return (code == SQLITE_READONLY_DBMOVED) ? kFileMoved : kNoRightToChange;
    case SQLITE_CANTOPEN:
        return unnamed(QStringLiteral("Tietokantatiedostoa ei voi avata; tarkista, että se on olemassa ja että "
                                      "siihen on oikeudet"));
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return kDamaged;
    case SQLITE_IOERR:
        if (code == SQLITE_IOERR_READ || code == SQLITE_IOERR_SHORT_READ)
            return kReadFailedReason;
        return unnamed(QStringLiteral("Tiedoston lukeminen tai kirjoittaminen epäonnistui"));
    case SQLITE_NOMEM:
        return kOutOfMemory;
    case SQLITE_CONSTRAINT:
        return unnamed(QStringLiteral("Tietokannan sääntö esti muutoksen"));
    default:
        return unnamed(QStringLiteral("Tietokantamoottori hylkäsi toimenpiteen"));
    }
}

Reason forSystemError(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return kDiskFull;
    case EFBIG:
        return kSizeLimit;
    case EACCES:
    case EPERM:
    case EROFS:
        return kNoRightToWrite;
    case ENOENT:
        return kNotFound;
    case ENAMETOOLONG:
        return kNameTooLong;
    case EIO:
        return kDiskError;
    default:
        return unnamed(QStringLiteral("Käyttöjärjestelmä esti toimenpiteen"));
    }
}

// The engine calls a write past the file size limit or into a read-only
// place only an I/O error; the system's own error tells which.
Reason forFailedCall(int code, int systemError, const QString& file)
{
    // The engine cannot open a file it needs: the database itself gone, or
    // a folder where it may not write the journal or log beside it.
    if (code == SQLITE_READONLY_DIRECTORY && !file.isEmpty())
        return folderNotWritable(QFileInfo(file).absolutePath());
    if ((code & 0xff) == SQLITE_CANTOPEN && !file.isEmpty()) {
        if (!QFileInfo::exists(file))
            return kFileGone;
        if (systemError == EACCES || systemError == EPERM || systemError == EROFS)
            return folderNotWritable(QFileInfo(file).absolutePath());
    }
    // A read that failed is told as such, whatever the system called it: it may well succeed again.
    if (code == SQLITE_IOERR_READ || code == SQLITE_IOERR_SHORT_READ)
        return kReadFailedReason;
    if ((code & 0xff) == SQLITE_IOERR && systemError != 0 && forSystemError(systemError).cause != Cause::Other)
        return forSystemError(systemError);
    if ((code & 0xff) == SQLITE_FULL && sizeLimitRatherThanFullDisk(file))
        return kSizeLimit;
    if (isDamage(code) && !file.isEmpty() && soundOnSecondReading(file))
        return kReadFailedReason;
    return forEngineCode(code);
}

Reason folderNotWritable(const QString& folder)
{
    return {Cause::FolderNotWritable, kFolderNotWritable.arg(folder)};
}

bool isDamage(int code)
{
    return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}

Reason forConnection(sqlite3* db)
{
    const char* file = sqlite3_db_filename(db, "main");
    return forFailedCall(sqlite3_extended_errcode(db), sqlite3_system_errno(db),
                         file ? QString::fromUtf8(file) : QString());
}

QString engineWords(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

QString systemWords(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace reasons

namespace reasons {

Failure engineFailure(const QString& what, const QString& file, sqlite3* db)
{
    return Failure(what, file, forConnection(db), engineWords(db));
}

Failure codeFailure(const QString& what, const QString& file, int code)
{
    return Failure(what, file, forFailedCall(code, 0, file), QString::fromUtf8(sqlite3_errstr(code)));
}

} // namespace reasons
