#include "operations/RemoveSelectedCopies.h"

#include "copies/RemoveCopies.h"
#include "seam/Dialogs.h"
#include "seam/RestoreView.h"

void removeSelectedCopies(RestoreView& view, Dialogs& dialogs)
{
    const QList<SafetyCopyEntry> chosen = view.selectedCopies();
    if (chosen.isEmpty()) {
        dialogs.inform(QStringLiteral("Valitse luettelosta poistettavat varmuuskopiot."));
        return;
    }
    QStringList paths;
    for (const SafetyCopyEntry& copy : chosen)
        paths.append(copy.path);
    const QString question = QStringLiteral("Poistetaanko %1 varmuuskopiota?\n").arg(paths.size())
                             + paths.join(QLatin1Char('\n'));
    if (!dialogs.confirm(question, QStringLiteral("Varmuuskopioiden poistaminen"), Dialogs::DefaultAnswer::No))
        return;

    const int removed = removeSafetyCopies(view.databasePath(), paths);
    view.listCopies();
    dialogs.inform(QStringLiteral("Poistettu %1 varmuuskopiota.").arg(removed));
}
