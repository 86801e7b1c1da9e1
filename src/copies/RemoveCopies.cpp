#include "copies/RemoveCopies.h"

#include "copies/SafetyCopyList.h"
#include "db/Failure.h"

#include <QFile>

int removeSafetyCopies(const QString& databasePath, const QStringList& copyPaths)
{
    for (const QString& path : copyPaths)
        if (!safetyCopyName(databasePath, path))
            throw Failure(QStringLiteral("Tiedosto ei ole tämän tietokannan varmuuskopio, joten mitään ei "
                                         "poistettu."),
                          path);
    int removed = 0;
    for (const QString& path : copyPaths) {
        QFile file(path);
        if (!file.remove())
            throw Failure(QStringLiteral("Varmuuskopiota ei voitu poistaa. Valituista kopioista poistettiin "
                                         "%1 / %2.")
                              .arg(removed)
                              .arg(copyPaths.size()),
                          path, file.errorString());
        ++removed;
    }
    return removed;
}
