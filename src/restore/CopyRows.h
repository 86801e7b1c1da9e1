#pragma once

#include "copies/SafetyCopyList.h"

#include <QStringList>

// How one safety copy reads in the restore program: its moment, size,
// number of tables and file name, in Finnish.
namespace copyRows {

QStringList headers();
QStringList columns(const SafetyCopyEntry& copy);
QString moment(const SafetyCopyEntry& copy);

} // namespace copyRows
