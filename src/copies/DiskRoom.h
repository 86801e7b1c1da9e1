#pragma once

#include "copies/SafetyCopyList.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// The room on the disk: what a safety copy or a compaction needs, what the
// copies take, and the one way every size is written for the operator.
namespace diskRoom {

enum class Rounding { Nearest, Up, Down };

// A size as the file dialog writes it, in units of 1024 with two decimals:
// "1 tavu", "512 tavua", "4,88 kt", "312,00 Mt", "41,02 Gt".
QString size(qint64 bytes, Rounding rounding = Rounding::Nearest);

// What the operator may still write in `folder`'s file system; empty when
// the system cannot tell (then `error`, if given, holds the system's errno).
std::optional<qint64> freeBytes(const QString& folder, int* error = nullptr);

// "Levyllä ei ole tilaa varmuuskopiolle: tarvitaan 1,21 Gt, vapaana 0,30 Gt."
// for `forWhat` "varmuuskopiolle". Both sizes are in the unit of the larger,
// the need rounded up and the free room down, so that the two never read
// alike and freeing what the message asks for is enough.
QString noRoomMessage(const QString& forWhat, qint64 neededBytes, qint64 freeBytes);

// Before a safety copy: throws a Failure, which changes nothing, when the
// folder of the database has less room than the copy needs: the file and a
// write-ahead log beside it, which the copy may take in.
void ensureRoomForCopy(const QString& databasePath);

// The file and a write-ahead log beside it.
qint64 databaseBytes(const QString& databasePath);

qint64 totalSize(const QList<SafetyCopyEntry>& copies);
// "Varmuuskopiot vievät 312,00 Mt; levyllä vapaana 41,02 Gt."
QString roomLine(const QList<SafetyCopyEntry>& copies, std::optional<qint64> freeBytes);

// Every copy but the newest, from a list that has the newest first: what
// removing the older ones would give back.
QList<SafetyCopyEntry> allButNewest(const QList<SafetyCopyEntry>& copies);

} // namespace diskRoom
