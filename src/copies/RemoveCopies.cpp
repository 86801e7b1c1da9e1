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

// Removes the file at `path`; one already gone is gone all the same. The
// reason it stays otherwise, in Finnish, else empty.
QString removeOne(const QString& path)
{
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
        return {};
    return errno == EISDIR ? QStringLiteral("nimellä on kansio, ei tiedosto") : reasons::forSystemError(errno).text;
}

} // namespace

CopyRemoval removeEachSafetyCopy(const QString& databasePath, const QStringList& copyPaths)
{
    refuseOtherFiles(databasePath, copyPaths);
    CopyRemoval removal;
    for (const QString& path : copyPaths) {
        if (const QString reason = removeOne(path); reason.isEmpty()) {
            removal.removed.append(path);
        } else {
            removal.left.append(path);
            removal.reasons.append(reason);
        }
    }
    return removal;
}

int removeSafetyCopies(const QString& databasePath, const QStringList& copyPaths)
{
    refuseOtherFiles(databasePath, copyPaths);
    int removed = 0;
    for (const QString& path : copyPaths) {
        // The reason in the operator's words, not the toolkit's English.
        if (const QString reason = removeOne(path); !reason.isEmpty())
            throw Failure(QStringLiteral("Varmuuskopiota ei voitu poistaa. Valituista kopioista poistettiin "
                                         "%1 / %2.")
                              .arg(removed)
                              .arg(copyPaths.size()),
                          path, reason);
        ++removed;
    }
    return removed;
}
