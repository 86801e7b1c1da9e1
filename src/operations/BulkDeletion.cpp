#include "operations/BulkDeletion.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "operations/CopyBeforeChange.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

#include <QDir>

namespace {

// "1 taulukko", "3 taulukkoa".
QString tablesCount(int count)
{
    return count == 1 ? QStringLiteral("1 taulukko") : QStringLiteral("%1 taulukkoa").arg(count);
}

// The walk's doomed tables; a virtual table's parts go with it, never alone.
int countDoomed(Database& database, const std::function<bool(const QString&)>& doomed)
{
    int count = 0;
    for (int i = 0, n = database.tableCount(); i < n; ++i) {
        const QString name = database.tableName(i);
        if (doomed(name) && database.shadowOwner(name).isEmpty())
            ++count;
    }
    return count;
}

} // namespace

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
    // deletion is its own committed step, so a walk that fails or is stopped
    // keeps what it did.
    Database::WriteTransaction first(database);
    const QString copy = copyBeforeChange(database, dialogs);
    int deleted = 0;
    bool stopped = false;
    try {
        const Database::Walk walk(database);
        const int total = countDoomed(database, doomed);
        const auto progress = dialogs.startProgress(QStringLiteral("Poistetaan taulukoita: %1 / %2"), true);
        // Downward, so that a deletion moves only entries already visited.
        for (int i = database.tableCount() - 1; i >= 0 && !stopped; --i) {
            const QString name = database.tableName(i);
            if (!doomed(name) || !database.shadowOwner(name).isEmpty())
                continue;
            database.deleteTable(name);
            first.commit();
            ++deleted;
            // Another program may have added tables since they were counted.
            stopped = !progress->advance(deleted, qMax(total, deleted)) && deleted < total;
        }
    } catch (const Failure& failed) {
        // Each deletion is final when made: say how far the walk got.
        const QString howFar =
            deleted == 0 ? QStringLiteral("Poisto keskeytyi ennen kuin yhtään taulukkoa oli poistettu; kaikki "
                                          "taulukot ovat tallella.")
                         : QStringLiteral("Poisto keskeytyi, kun %1 oli poistettu; muut ovat tallella.")
                               .arg(tablesCount(deleted));
        throw failed.withContext(howFar + QStringLiteral(" Varmuuskopio otettiin ennen poistoa:\n") + copy);
    }
    RefreshTableList(database, view);
    if (stopped)
        dialogs.informWithDetail(
            QStringLiteral("Poisto keskeytettiin, kun %1 oli poistettu; muut ovat tallella.").arg(tablesCount(deleted)),
            QStringLiteral("Varmuuskopio %1 sisältää tietokannan sellaisena kuin se oli ennen poistoa.")
                .arg(QDir::toNativeSeparators(copy)));
}
