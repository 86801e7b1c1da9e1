#include "db/Reasons.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace reasons {

QString forEngineCode(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return kLocked;
    case SQLITE_FULL:
        return QStringLiteral("Levy on täynnä; vapauta tilaa ja yritä uudelleen");
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return QStringLiteral("Ei oikeutta muuttaa tietokantaa");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Tietokantatiedostoa ei voi avata; tarkista, että se on olemassa ja että siihen on "
                              "oikeudet");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("Tietokantatiedosto on vioittunut");
    case SQLITE_IOERR:
        return QStringLiteral("Tiedoston lukeminen tai kirjoittaminen epäonnistui");
    case SQLITE_NOMEM:
        return QStringLiteral("Muisti loppui");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("Tietokannan sääntö esti muutoksen");
    default:
        return QStringLiteral("Tietokantamoottori hylkäsi toimenpiteen");
    }
}

QString forSystemError(int error)
{
    switch (error) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return QStringLiteral("Levy on täynnä; vapauta tilaa ja yritä uudelleen");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("Ei oikeutta kirjoittaa kansioon tai tiedostoon");
    case ENOENT:
        return QStringLiteral("Tiedostoa tai kansiota ei löydy");
    case ENAMETOOLONG:
        return QStringLiteral("Tiedoston nimi on liian pitkä");
    case EIO:
        return QStringLiteral("Levyn lukeminen tai kirjoittaminen epäonnistui");
    default:
        return QStringLiteral("Käyttöjärjestelmä esti toimenpiteen");
    }
}

// The engine calls a write past the file size limit or into a read-only
// place only an I/O error; the system's own error tells which.
QString forConnection(sqlite3* db)
{
    const int code = sqlite3_extended_errcode(db);
    const int error = sqlite3_system_errno(db);
    if ((code & 0xff) == SQLITE_IOERR && error != 0 && forSystemError(error) != forSystemError(0))
        return forSystemError(error);
    return forEngineCode(code);
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
    return Failure(what, file, forEngineCode(code), QString::fromUtf8(sqlite3_errstr(code)));
}

} // namespace reasons
