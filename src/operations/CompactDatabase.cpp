#include "operations/CompactDatabase.h"

#include "copies/Compaction.h"
#include "copies/DiskRoom.h"
#include "operations/LateProgress.h"
#include "operations/WaitingDialogs.h"
#include "seam/Dialogs.h"
#include "seam/RestoreView.h"

void compactChosenDatabase(RestoreView& view, Dialogs& dialogs)
{
    const QString databasePath = view.databasePath();
    if (databasePath.isEmpty()) {
        dialogs.inform(QStringLiteral("Valitse ensin tietokanta, joka tiivistetään."));
        return;
    }
    WaitingDialogs waiting(dialogs);
    waiting.setNotDone(QStringLiteral("Tietokantaa ei tiivistetty"));
    CompactionEstimate estimate;
    {
        const BusyPointer busy(dialogs);
        waiting.run([&] { estimate = estimateCompaction(databasePath, waiting.keepWaiting()); });
    }
    if (estimate.freeBytes == 0) {
        dialogs.inform(QStringLiteral("Tietokannassa ei ole vapaata tilaa, joten tiivistäminen ei pienentäisi "
                                      "sitä."));
        return;
    }
    const QString question = QStringLiteral("Tiivistetäänkö tietokanta\n") + databasePath
                             + QStringLiteral("?\n\nTiedosto vie nyt %1; tiivistäminen pienentää sitä %2 %3. "
                                              "Taulukot ja niiden tiedot säilyvät ennallaan.\n\nSulje Lumeri-ohjelmat "
                                              "ennen tiivistämistä.")
                                   .arg(diskRoom::size(estimate.fileBytes),
                                        estimate.atLeast ? QStringLiteral("vähintään") : QStringLiteral("noin"),
                                        diskRoom::size(estimate.freeBytes));
    if (!dialogs.confirm(question, QStringLiteral("Tietokannan tiivistäminen"), Dialogs::DefaultAnswer::No))
        return;

    // The comparison's brief look at the database must not hold up the lock.
    view.stopListing();
    qint64 after = 0;
    {
        const BusyPointer busy(dialogs);
        waiting.run([&] {
            LateProgress progress(waiting, QStringLiteral("Tiivistetään tietokantaa ..."));
            after = compactDatabase(databasePath, [&progress] { progress.report(); }, waiting.keepWaiting());
        });
    }
    view.listCopies();
    dialogs.inform(QStringLiteral("Tiivistetty!\n\nTiedosto vie nyt %1, ennen %2.")
                       .arg(diskRoom::size(after), diskRoom::size(estimate.fileBytes)));
}
