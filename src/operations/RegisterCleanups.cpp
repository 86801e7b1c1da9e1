#include "operations/RegisterCleanups.h"

#include "operations/BulkDeletion.h"
#include "operations/RegisterNames.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

void deleteAllRegisterTables(MainView& view, Dialogs& dialogs)
{
    deleteTablesWhere(view, dialogs, QStringLiteral("Poistetaanko kaikki tulorekisteri -taulut"),
                      QStringLiteral("POISTETAAN KAIKKI Tulorekisteri_ -alkuiset taulut"),
                      registerNames::isRegisterTable);
}

void deleteNumberedRegisterTables(MainView& view, Dialogs& dialogs)
{
    deleteTablesWhere(view, dialogs,
                      QStringLiteral("Poistetaanko kaikki numeroidut tulorekisteri -taulut. Jätetään jäljelle "
                                     "vain perustieto -taulut"),
                      QStringLiteral("POISTETAAN KAIKKI NUMEROIDUT Tulorekisteri_ -alkuiset taulut"),
                      registerNames::isNumberedRegisterTable);
}

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
