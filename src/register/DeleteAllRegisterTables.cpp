#include "register/DeleteAllRegisterTables.h"

#include "register/BulkDeletion.h"
#include "register/RegisterNames.h"

void deleteAllRegisterTables(MainView& view, Dialogs& dialogs)
{
    deleteTablesWhere(view, dialogs, QStringLiteral("Poistetaanko kaikki tulorekisteri -taulut"),
                      QStringLiteral("POISTETAAN KAIKKI Tulorekisteri_ -alkuiset taulut"),
                      registerNames::isRegisterTable);
}
