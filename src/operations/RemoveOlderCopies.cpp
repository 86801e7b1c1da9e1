#include "operations/RemoveOlderCopies.h"

#include "copies/DiskRoom.h"
#include "copies/RemoveCopies.h"
#include "operations/CopyRows.h"
#include "seam/Dialogs.h"
#include "seam/RestoreView.h"

void removeAllButNewestCopy(RestoreView& view, Dialogs& dialogs)
{
    if (view.databasePath().isEmpty()) {
        dialogs.inform(QStringLiteral("Valitse ensin tietokanta, jonka varmuuskopiot poistetaan."));
        return;
    }
    // Only copies listed as older than the one kept go: one taken since the
    // list was read is newer still, and stays too.
    const QList<SafetyCopyEntry> listed = view.copies();
    const QList<SafetyCopyEntry> older = diskRoom::allButNewest(listed);
    if (older.isEmpty()) {
        dialogs.inform(listed.isEmpty() && view.listing()
                           ? QStringLiteral("Varmuuskopioita luetaan vielä; yritä hetken kuluttua uudelleen.")
                           : QStringLiteral("Tietokannalla ei ole muita varmuuskopioita kuin uusin."));
        return;
    }
    QStringList paths;
    for (const SafetyCopyEntry& copy : older)
        paths.append(copy.path);
    const QString freed = diskRoom::size(diskRoom::totalSize(older));
    const SafetyCopyEntry& newest = listed.first();
    const QString question =
        (older.size() == 1 ? QStringLiteral("Poistetaanko 1 varmuuskopio? Levyltä vapautuu %2.")
                           : QStringLiteral("Poistetaanko %1 varmuuskopiota? Levyltä vapautuu %2."))
            .arg(copyRows::count(older.size()), freed)
        + QStringLiteral("\n\nVain uusin varmuuskopio jää, otettu ") + copyRows::moment(newest) + QLatin1Char('\n')
        + newest.path;
    if (!dialogs.confirm(question, QStringLiteral("Varmuuskopioiden poistaminen"), Dialogs::DefaultAnswer::No))
        return;

    const CopyRemoval removal = removeEachSafetyCopy(view.databasePath(), paths);
    view.listCopies();
    QList<SafetyCopyEntry> gone;
    for (const SafetyCopyEntry& copy : older)
        if (removal.removed.contains(copy.path))
            gone.append(copy);
    const QString freedNow = diskRoom::size(diskRoom::totalSize(gone));
    if (removal.left.isEmpty()) {
        dialogs.inform(QStringLiteral("Poistettu %1 varmuuskopiota; levyltä vapautui %2.").arg(gone.size()).arg(freedNow));
        return;
    }
    QStringList left;
    for (qsizetype i = 0; i < removal.left.size(); ++i)
        left.append(removal.left.at(i) + QStringLiteral(" (") + removal.reasons.at(i) + QLatin1Char(')'));
    dialogs.inform(QStringLiteral("Poistettu %1 / %2 varmuuskopiota; levyltä vapautui %3.\n\nNäitä varmuuskopioita ei "
                                  "voitu poistaa:\n")
                       .arg(gone.size())
                       .arg(older.size())
                       .arg(freedNow)
                   + left.join(QLatin1Char('\n')));
}
