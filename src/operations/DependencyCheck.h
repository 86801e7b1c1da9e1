#pragma once

#include <QString>
#include <QStringList>

class Dependencies;

// The checks that keep whatever stays in a database working when tables are
// deleted: no other table may refer to a table that goes, and no trigger of a
// table or view that stays may read or write a table or view that goes. A
// view that reads a table that goes goes with it (`viewsGoing`). Each returns
// the Finnish text of the box that refuses the change, or an empty text.

// Deleting `table` alone.
QString deletionRefusal(const Dependencies& picture, const QString& table, const QStringList& viewsGoing);

// Deleting every table of `doomed` in one walk.
QString walkRefusal(const Dependencies& picture, const QStringList& doomed, const QStringList& viewsGoing);
