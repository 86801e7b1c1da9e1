#pragma once

#include "db/Connection.h"

#include <QByteArray>

struct sqlite3_file;

// The database file as the engine of `connection` has it open and locked,
// read without the engine parsing anything.
class EngineFile {
public:
    // A file the engine does not give out is thrown as `what`.
    EngineFile(const Connection& connection, const QString& what);
    // The first `size` bytes; a refused read is thrown as `what`.
    QByteArray header(int size, const QString& what) const;
    qint64 size(const QString& what) const;

private:
    const Connection& connection_;
    sqlite3_file* file_ = nullptr;
};
