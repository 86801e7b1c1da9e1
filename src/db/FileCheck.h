#pragma once

#include <QString>

// Rejects what SQLite would open without complaint but is no usable database,
// or what would make it wait for ever; a Failure says why.
void checkFile(const QString& path);
