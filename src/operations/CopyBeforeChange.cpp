#include "operations/CopyBeforeChange.h"

#include "copies/SafetyCopy.h"
#include "seam/Dialogs.h"

#include <QDir>

QString copyBeforeChange(Database& database, Dialogs& dialogs)
{
    // Gone before the caller shows any box: none takes input while it lives.
    const auto progress = dialogs.startProgress(QStringLiteral("Otetaan varmuuskopiota ..."), false);
    return takeSafetyCopy(database, [&progress](qint64 done, qint64 total) { progress->advance(done, total); });
}

QString copyLocation(const QString& copyPath)
{
    return QStringLiteral("Varmuuskopio: ") + QDir::toNativeSeparators(copyPath);
}
