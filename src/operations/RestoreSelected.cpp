#include "operations/RestoreSelected.h"

#include "copies/RestoreCopy.h"
#include "operations/CopyRows.h"
#include "operations/LateProgress.h"
#include "operations/WaitingDialogs.h"
#include "seam/Dialogs.h"
#include "seam/RestoreView.h"

void restoreSelectedCopy(RestoreView& view, Dialogs& dialogs)
{
    const QList<SafetyCopyEntry> chosen = view.selectedCopies();
    if (chosen.size() != 1) {
        dialogs.inform(QStringLiteral("Valitse luettelosta yksi palautettava varmuuskopio."));
        return;
    }
    const SafetyCopyEntry copy = chosen.first();
    const QString databasePath = view.databasePath();
    const QString question = QStringLiteral("Palautetaanko tietokantaan\n") + databasePath
                             + QStringLiteral("\nvarmuuskopio\n") + copy.path + QStringLiteral("\notettu ")
                             + copyRows::moment(copy)
                             + QStringLiteral("\n\nTietokannan nykyinen sisältö korvataan varmuuskopion sisällöllä. "
                                              "Nykyisestä tilasta otetaan ensin varmuuskopio. Sulje Lumeri-ohjelmat "
                                              "ennen palauttamista.");
    if (!dialogs.confirm(question, QStringLiteral("Varmuuskopion palauttaminen"), Dialogs::DefaultAnswer::No))
        return;

    QString before;
    view.stopListing();
    {
        const BusyPointer busy(dialogs);
        whileWaiting(dialogs, [&](WaitingDialogs& waiting) {
            waiting.setNotDone(QStringLiteral("Varmuuskopiota ei palautettu"));
            LateProgress progress(waiting, QStringLiteral("Palautetaan varmuuskopiota ..."));
            before = restoreSafetyCopy(databasePath, copy.path, [&progress] { progress.report(); },
                                       waiting.keepWaiting());
        });
    }
    view.listCopies();
    dialogs.inform(QStringLiteral("Palautettu!\n\nTietokanta sellaisena kuin se oli ennen palautusta on tallessa "
                                  "tiedostossa\n")
                   + before);
}
