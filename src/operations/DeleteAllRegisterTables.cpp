#include "operations/DeleteAllRegisterTables.h"

#include "operations/BulkDeletion.h"
#include "operations/RegisterNames.h"

void deleteAllRegisterTables(MainView& view, Dialogs& dialogs)
{
    deleteTablesWhere(view, dialogs, QStringLiteral("Poistetaanko kaikki tulorekisteri -taulut"),
                      QStringLiteral("POISTETAAN KAIKKI Tulorekisteri_ -alkuiset taulut"),
                      registerNames::isRegisterTable);
}
