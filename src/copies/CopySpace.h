#pragma once

#include "copies/SafetyCopyList.h"

#include <QString>
#include <optional>

// The room the safety copies of a database take, and what removing the
// older ones would give back.
namespace copySpace {

qint64 totalSize(const QList<SafetyCopyEntry>& copies);
// What the operator may still write in `folder`'s file system; empty when
// the system cannot tell.
std::optional<qint64> freeBytes(const QString& folder);

// A size rounded as the eye reads it: "312 Mt", "41 Gt", "1,5 Gt", "800 t".
QString size(qint64 bytes);
// "Varmuuskopiot vievät 312 Mt; levyllä vapaana 41 Gt."
QString roomLine(const QList<SafetyCopyEntry>& copies, std::optional<qint64> freeBytes);

// Every copy but the newest, from a list that has the newest first.
QList<SafetyCopyEntry> allButNewest(const QList<SafetyCopyEntry>& copies);

} // namespace copySpace
