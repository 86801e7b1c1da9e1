#pragma once

#include "copies/CopyComparison.h"
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
    // Both empty until the copy's catalogue is read. Then either the number
    // of tables, or why the copy cannot be read as a database.
    std::optional<int> tableCount;
    QString problem;
};

// Whether `copyPath` is the database file itself under another name: a
// symbolic or a hard link to it. Such a "copy" holds no state of its own.
bool isTheDatabaseItself(const QString& databasePath, const QString& copyPath);

// Every safety copy of the database found beside it, newest first, with what
// the folder tells: no copy is opened, so the list is quick to show. A link
// to the database itself is listed with its problem already.
QList<SafetyCopyEntry> listSafetyCopyFiles(const QString& databasePath);

// Reads the copy's catalogue once and returns its table names; their number
// becomes the copy's table count, so the count and a comparison made with
// the names agree. A copy that cannot be read gets its problem and no names;
// one listed with a problem is not opened. Throws only once `stopAsked`
// answers true, leaving the copy unread.
QStringList readSafetyCopy(SafetyCopyEntry& copy, const StopAsked& stopAsked = {});
