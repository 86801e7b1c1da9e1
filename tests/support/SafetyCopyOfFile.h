#pragma once

#include "copies/SafetyCopy.h"
#include "db/DatabaseEngine.h"

#include <QDateTime>
#include <QString>

namespace testdb {

// A safety copy of a database nothing has open, made as an operation makes
// it: opened and locked for writing, then let go with nothing changed.
inline QString safetyCopy(const QString& path, const QDateTime& moment = QDateTime::currentDateTime())
{
    Database database = DatabaseEngine::instance().open(path);
    const Database::WriteTransaction lock(database);
    return takeSafetyCopy(database, moment);
}

} // namespace testdb
