#include "db/EngineFile.h"

#include "db/Reasons.h"

#include <sqlite3.h>

EngineFile::EngineFile(const Connection& connection, const QString& what) : connection_(connection)
{
    if (sqlite3_file_control(connection.handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file_) != SQLITE_OK || !file_
        || !file_->pMethods)
        throw Failure(what, connection.path(), QStringLiteral("tietokannan avointa tiedostoa ei saatu käyttöön"));
}

QByteArray EngineFile::header(int size, const QString& what) const
{
    QByteArray bytes(size, '\0');
    if (const int rc = file_->pMethods->xRead(file_, bytes.data(), size, 0); rc != SQLITE_OK)
        throw reasons::codeFailure(what, connection_.path(), rc);
    return bytes;
}

qint64 EngineFile::size(const QString& what) const
{
    sqlite3_int64 bytes = 0;
    if (const int rc = file_->pMethods->xFileSize(file_, &bytes); rc != SQLITE_OK)
        throw reasons::codeFailure(what, connection_.path(), rc);
    return bytes;
}
