#include "operations/ChangeUnderLock.h"

#include "db/Database.h"
#include "db/Failure.h"
#include "operations/CopyBeforeChange.h"
#include "operations/DatabaseChoice.h"
#include "operations/WaitingDialogs.h"

void changeUnderLock(Database& database, WaitingDialogs& dialogs, MainView& view, const LockedChange& what)
{
    Database::WriteTransaction lock(database);
    if (const Refusal refusal = what.decideAgain(); !refusal.isEmpty()) {
        refuse(database, dialogs, refusal);
        return;
    }
    const QString copy = copyBeforeChange(database, dialogs);
    try {
        if (const Refusal refusal = what.change(); !refusal.isEmpty()) {
            refuse(database, dialogs, refusal);
            return;
        }
        lock.commit();
    } catch (const Failure& failed) {
        if (what.rethrow)
            what.rethrow(failed);
        throw;
    }
    dialogs.setNotDone({});
    dialogs.informWithDetail(what.doneText, copyLocation(copy));
    RefreshTableList(database, view);
}
