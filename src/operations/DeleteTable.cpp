#include "operations/DeleteTable.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/References.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"
#include "operations/CopyBeforeChange.h"
#include "operations/ReferenceCheck.h"
#include "operations/WaitingDialogs.h"

namespace {

void deleteTable(MainView& view, WaitingDialogs& dialogs)
{
    const QString name = view.selectedTableName();
    if (name.isEmpty())
        return;
    const QString question = QStringLiteral("Poistetaanko tietokannasta\n") + view.databasePath()
                             + QStringLiteral("\ntaulukko\n") + name;
    if (!dialogs.confirm(question, QStringLiteral("Taulukon poistaminen"), Dialogs::DefaultAnswer::No))
        return;

    dialogs.setNotDone(QStringLiteral("Taulukkoa %1 ei poistettu").arg(name));
    Database database = DatabaseEngine::instance().open(view.databasePath(), dialogs.keepWaiting());
    Database::WriteTransaction change(database);
    // Decided under the lock, before the copy: a refusal leaves no copy.
    if (const QString refusal = referredTableRefusal(References(database), name, QStringLiteral("ei poistettu"));
        !refusal.isEmpty()) {
        database.close();   // rolls back: the write lock goes before the box waits for the operator
        dialogs.inform(refusal);
        return;
    }
    const QString copy = copyBeforeChange(database, dialogs);
    database.deleteTable(name);
    change.commit();
    dialogs.setNotDone({});
    dialogs.informWithDetail(QStringLiteral("Poistettu!"), copyLocation(copy));
    RefreshTableList(database, view);
}

} // namespace

void deleteSelectedTable(MainView& view, Dialogs& dialogs)
{
    WaitingDialogs waiting(dialogs);
    waiting.run([&] { deleteTable(view, waiting); });
}
