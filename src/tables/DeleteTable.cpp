#include "tables/DeleteTable.h"

#include "db/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/References.h"
#include "view/Dialogs.h"
#include "view/MainView.h"
#include "tables/CopyBeforeChange.h"
#include "tables/ReferenceCheck.h"

void deleteSelectedTable(MainView& view, Dialogs& dialogs)
{
    const QString name = view.selectedTableName();
    if (name.isEmpty())
        return;
    const QString question = QStringLiteral("Poistetaanko tietokannasta\n") + view.databasePath()
                             + QStringLiteral("\ntaulukko\n") + name;
    if (!dialogs.confirm(question, QStringLiteral("Taulukon poistaminen"), Dialogs::DefaultAnswer::No))
        return;

    Database database = DatabaseEngine::instance().open(view.databasePath());
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
    dialogs.informWithDetail(QStringLiteral("Poistettu!"), copyLocation(copy));
    RefreshTableList(database, view);
}
