#pragma once

#include <QString>

// Puts the contents of the safety copy `copyPath` in place of the database
// at `databasePath`, through the engine, so that a log or journal file
// beside the database cannot bring the old contents back. First takes a
// safety copy of the database as it stands, whose path is returned. The
// database is locked exclusively while its pages are replaced: another
// program using it makes the restore wait and then fail, with the database
// unchanged.
QString restoreSafetyCopy(const QString& databasePath, const QString& copyPath);
