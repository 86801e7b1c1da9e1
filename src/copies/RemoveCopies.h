#pragma once

#include <QStringList>

// Removes the chosen safety copies of the database, and nothing else: a path
// that is not named as one of its copies is refused before any file goes.
// Returns how many were removed; a failure says how many had gone before it.
int removeSafetyCopies(const QString& databasePath, const QStringList& copyPaths);

// What removing every one of some copies came to.
struct CopyRemoval {
    QStringList removed;
    QStringList left;      // the copies that could not be removed
    QStringList reasons;   // why, one for each of `left`, in Finnish
};

// Removes each of the chosen safety copies that it can, going on past one it
// cannot remove; refused as a whole, before any file goes, like
// removeSafetyCopies, when a path is not named as one of the database's copies.
CopyRemoval removeEachSafetyCopy(const QString& databasePath, const QStringList& copyPaths);
