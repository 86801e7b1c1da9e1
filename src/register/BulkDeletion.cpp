#include "register/BulkDeletion.h"

#include "db/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/Dialogs.h"
#include "db/Failure.h"
#include "db/MainView.h"
#include "db/SafetyCopy.h"

void deleteTablesWhere(MainView& view, Dialogs& dialogs, const QString& question, const QString& title,
                       const std::function<bool(const QString&)>& doomed)
{
    if (view.databasePath().isEmpty()) {
        dialogs.inform(QStringLiteral("Valitse ensin tietokanta"));
        return;
    }
    if (!dialogs.confirm(question, title, Dialogs::DefaultAnswer::Yes))
        return;

    SafetyCopy(view.databasePath());
    Database database = DatabaseEngine::instance().open(view.databasePath());
    int deleted = 0;
    // Downward, so that a deletion moves only entries already visited.
    for (int i = database.tableCount() - 1; i >= 0; --i) {
        const QString name = database.tableName(i);
        if (!doomed(name))
            continue;
        try {
            database.deleteTable(name);
        } catch (const Failure& failed) {
            throw failed.withContext(QStringLiteral("Poisto keskeytyi: %1 taulukkoa ehdittiin poistaa, muut ovat "
                                                    "tallella. Varmuuskopio on otettu ennen poistoa.")
                                         .arg(deleted));
        }
        ++deleted;
    }
    RefreshTableList(database, view);
}
