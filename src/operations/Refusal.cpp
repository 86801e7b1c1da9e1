#include "operations/Refusal.h"

#include "db/Database.h"
#include "seam/Dialogs.h"

void refuse(Database& database, Dialogs& dialogs, const Refusal& refusal)
{
    database.close();   // rolls back: the write lock goes before the box waits for the operator
    if (refusal.engineWords.isEmpty())
        dialogs.inform(refusal.text);
    else
        dialogs.informWithDetail(refusal.text, QStringLiteral("Alkuperäinen ilmoitus: ") + refusal.engineWords);
}
