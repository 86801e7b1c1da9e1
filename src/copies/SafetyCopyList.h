#pragma once

#include "copies/CopyName.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// One safety copy of a database, as the restore program lists it.
struct SafetyCopyEntry {
    QString path;
    QDateTime moment;       // local time, from the digits of the name
    int number = 1;         // 2, 3, … for later copies of the same second
    qint64 size = 0;        // bytes
    // Empty when the copy cannot be read as a database; `problem` says why.
    std::optional<int> tableCount;
    QString problem;
};

// Whether `copyPath` is the database file itself under another name: a
// symbolic or a hard link to it. Such a "copy" holds no state of its own.
bool isTheDatabaseItself(const QString& databasePath, const QString& copyPath);

// Every safety copy of the database found beside it, newest first. A copy
// that cannot be read is still listed, with its problem.
QList<SafetyCopyEntry> findSafetyCopies(const QString& databasePath);
