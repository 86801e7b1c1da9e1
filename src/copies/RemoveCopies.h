#pragma once

#include <QStringList>

// Removes the chosen safety copies of the database, and nothing else: a path
// that is not named as one of its copies is refused before any file goes.
// Returns how many were removed; a failure says how many had gone before it.
int removeSafetyCopies(const QString& databasePath, const QStringList& copyPaths);
