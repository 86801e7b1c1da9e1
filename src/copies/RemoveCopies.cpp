#include "copies/RemoveCopies.h"

#include "copies/SafetyCopyList.h"
#include "db/Failure.h"
#include "db/Reasons.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace {

void refuseOtherFiles(const QString& databasePath, const QStringList& copyPaths)
{
    for (const QString& path : copyPaths)
        if (!safetyCopyName(databasePath, path))
            throw Failure(QStringLiteral("Tiedosto ei ole tämän tietokannan varmuuskopio, joten mitään ei "
                                         "poistettu."),
                          path);
}

} // namespace

CopyRemoval removeEachSafetyCopy(const QString& databasePath, const QStringList& copyPaths)
{
    refuseOtherFiles(databasePath, copyPaths);
    CopyRemoval removal;
    for (const QString& path : copyPaths) {
        if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT) {
            removal.removed.append(path);   // one already gone is gone all the same
            continue;
        }
        removal.left.append(path);
        removal.reasons.append(errno == EISDIR ? QStringLiteral("nimellä on kansio, ei tiedosto")
                                               : reasons::forSystemError(errno).text);
    }
    return removal;
}

int removeSafetyCopies(const QString& databasePath, const QStringList& copyPaths)
{
    refuseOtherFiles(databasePath, copyPaths);
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
