#include "operations/DeleteTable.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"
#include "operations/CopyBeforeChange.h"

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
    const QString copy = copyBeforeChange(database, dialogs);
    database.deleteTable(name);
    change.commit();
    dialogs.informWithDetail(QStringLiteral("Poistettu!"), copyLocation(copy));
    RefreshTableList(database, view);
}
