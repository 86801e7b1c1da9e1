#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class Connection;

// The two ways the safety copy writes the database's pages into its new file.
// `db` is a connection on the database whose state keeps every other program
// from committing while the copy is made; failures name its path.
namespace copyPages {

// How many pages of `pageSize` make one piece of the engine's page copying:
// a few megabytes, some hundredths of a second of work, after which a
// window is told how far the copy got.
int pagesPerPiece(int pageSize);

// Whether the file is in write-ahead-log mode, from its header.
bool usesWriteAheadLog(const Connection& db);

// The main file byte for byte, read through `reader`, the program's own
// descriptor of it, into `target`.
// `progress`, when set, hears after each piece how many bytes are copied.
void copyBytes(const Connection& db, int reader, int target, const std::function<void(qint64, qint64)>& progress);

// Every page of `db`'s snapshot, through the engine, into the file at
// `targetPath` (named or reachable through /proc for an unnamed file).
// `progress`, when set, hears after each piece how many pages are copied.
void copyThroughEngine(Connection& db, const QByteArray& targetPath,
                       const std::function<void(qint64, qint64)>& progress);

} // namespace copyPages
