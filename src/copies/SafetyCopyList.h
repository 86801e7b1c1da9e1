#pragma once

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

// The moment and number of `copyPath` when it is named as a safety copy of
// `databasePath` (<name>_<extension>_<14 digits>[_N].var, in the same
// folder); empty for any other file.
std::optional<std::pair<QDateTime, int>> safetyCopyName(const QString& databasePath, const QString& copyPath);

// Every safety copy of the database found beside it, newest first. A copy
// that cannot be read is still listed, with its problem.
QList<SafetyCopyEntry> findSafetyCopies(const QString& databasePath);
