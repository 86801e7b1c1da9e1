#pragma once

#include <QString>
#include <QStringList>

class References;

// The checks that keep every reference between tables pointing at a table
// and at rows that exist, as a relational engine would refuse to break them.
// Each returns the Finnish text of the box that refuses the change, or an
// empty text when nothing stands in the way.

// Deleting `table`, or renaming it (a copy under the new name and the
// deletion of the old one): no other table may refer to it. `notDone` ends
// the box's first words, e.g. "ei poistettu".
QString referredTableRefusal(const References& references, const QString& table, const QString& notDone);

// Deleting every table of `doomed` in one walk: none may be referred to by a
// table that stays.
QString referredByStayingRefusal(const References& references, const QStringList& doomed);
