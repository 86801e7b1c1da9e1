#include "operations/DeleteSeries.h"

#include "seam/Dialogs.h"
#include "seam/MainView.h"
#include "operations/BulkDeletion.h"
#include "operations/RegisterNames.h"

void deleteSelectedSeries(MainView& view, Dialogs& dialogs)
{
    const QString prefix = view.seriesPrefix();
    if (!registerNames::captionNamesSeries(prefix)) {
        dialogs.inform(QStringLiteral("Valitse listalta ensin Tulorekisteri_ -alkuinen taulu, jonka "
                                      "numerosarjan taulut poistetaan"));
        return;
    }
    deleteTablesWhere(view, dialogs,
                      QStringLiteral("Poistetaanko kaikki ") + prefix + QStringLiteral("  -alkuiset taulut"),
                      QStringLiteral("POISTETAAN KAIKKI ") + prefix + QStringLiteral(" -alkuiset taulut"),
                      [&prefix](const QString& name) { return registerNames::beginsWith(name, prefix); });
}
