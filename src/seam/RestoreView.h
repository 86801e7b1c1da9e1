#pragma once

#include "copies/SafetyCopyList.h"

#include <QList>
#include <QString>

// What the restore program's operations see of its window: the chosen
// database, its safety copies as listed and selected, and the listing, which
// reads the folder away from the window.
class RestoreView {
public:
    virtual ~RestoreView() = default;

    virtual QString databasePath() const = 0;
    // Sets the chosen database; only the database choice calls it, and lists its copies next.
    virtual void setDatabasePath(const QString& path) = 0;

    // The copies as listed so far, newest first.
    virtual const QList<SafetyCopyEntry>& copies() const = 0;
    virtual QList<SafetyCopyEntry> selectedCopies() const = 0;
    // Whether the copies are still being listed or compared with the database.
    virtual bool listing() const = 0;

    // Reads the folder anew; the list shows what it holds once it has been read.
    virtual void listCopies() = 0;
    // Stops the reading: its brief looks into the database must not hold up a lock the work needs.
    virtual void stopListing() = 0;
};
