#pragma once

#include "copies/SafetyCopyList.h"

#include <QStringList>

// How one safety copy reads in the restore program: its moment, size,
// number of tables and file name, in Finnish.
namespace copyRows {

enum Column { MomentColumn, SizeColumn, TablesColumn, BringsBackColumn, RemovesColumn, FileColumn };

QStringList headers();
QStringList columns(const SafetyCopyEntry& copy);
QString moment(const SafetyCopyEntry& copy);

// A copy's table count and what restoring it would do, while the catalogues
// are still being read.
QString notYetRead();
// A number of tables, the Finnish way: "4 992".
QString count(qsizetype tables);
// "Palauttaa 4 992 taulukkoa: Tulorekisteri_00001_Palkat, ... ja 4 987 muuta."
QString bringsBackTip(const QStringList& names);
// "Poistaa 2 taulukkoa: Laskut, Tilaukset."
QString removesTip(const QStringList& names);

} // namespace copyRows
