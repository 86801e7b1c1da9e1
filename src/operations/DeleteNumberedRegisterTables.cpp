#include "operations/DeleteNumberedRegisterTables.h"

#include "operations/BulkDeletion.h"
#include "operations/RegisterNames.h"

void deleteNumberedRegisterTables(MainView& view, Dialogs& dialogs)
{
    deleteTablesWhere(view, dialogs,
                      QStringLiteral("Poistetaanko kaikki numeroidut tulorekisteri -taulut. Jätetään jäljelle "
                                     "vain perustieto -taulut"),
                      QStringLiteral("POISTETAAN KAIKKI NUMEROIDUT Tulorekisteri_ -alkuiset taulut"),
                      registerNames::isNumberedRegisterTable);
}
