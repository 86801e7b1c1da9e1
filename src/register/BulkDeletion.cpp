#include "register/BulkDeletion.h"

#include "db/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "view/Dialogs.h"
#include "db/Failure.h"
#include "view/MainView.h"
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

    Database database = DatabaseEngine::instance().open(view.databasePath());
    // The copy and the first deletion share one write lock; every later
    // deletion is its own committed step, so a failing walk keeps what it did.
    Database::WriteTransaction first(database);
    SafetyCopy(database);
    int deleted = 0;
    try {
        // Downward, so that a deletion moves only entries already visited.
        const Database::Walk walk(database);
        for (int i = database.tableCount() - 1; i >= 0; --i) {
            const QString name = database.tableName(i);
            // A virtual table's parts go with it, never before it.
            if (!doomed(name) || !database.shadowOwner(name).isEmpty())
                continue;
            database.deleteTable(name);
            first.commit();
            ++deleted;
        }
    } catch (const Failure& failed) {
        // Each deletion is final when made: say how far the walk got.
        const QString howFar =
            deleted == 0 ? QStringLiteral("Poisto keskeytyi ennen kuin yhtään taulukkoa oli poistettu; kaikki "
                                          "taulukot ovat tallella.")
            : deleted == 1
                ? QStringLiteral("Poisto keskeytyi, kun 1 taulukko oli poistettu; muut ovat tallella.")
                : QStringLiteral("Poisto keskeytyi, kun %1 taulukkoa oli poistettu; muut ovat tallella.").arg(deleted);
        throw failed.withContext(howFar + QStringLiteral(" Varmuuskopio otettiin ennen poistoa."));
    }
    RefreshTableList(database, view);
}
