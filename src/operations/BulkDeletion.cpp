#include "operations/BulkDeletion.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "db/References.h"
#include "operations/ConfirmationLines.h"
#include "operations/CopyBeforeChange.h"
#include "operations/ReferenceCheck.h"
#include "operations/WaitingDialogs.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

#include <QDir>

namespace {

// "1 taulukko", "3 taulukkoa".
QString tablesCount(int count)
{
    return count == 1 ? QStringLiteral("1 taulukko") : QStringLiteral("%1 taulukkoa").arg(count);
}

// A walk that deleted every table it meant to, and failed after.
QString allDeleted(int deleted)
{
    if (deleted == 0)
        return QStringLiteral("Poistettavia taulukoita ei ollut, mutta sen jälkeen tietokannan lukeminen epäonnistui.");
    return deleted == 1 ? QStringLiteral("Poistettava taulukko poistettiin, mutta sen jälkeen tietokannan lukeminen "
                                         "epäonnistui.")
                        : QStringLiteral("Kaikki %1 poistettavaa taulukkoa poistettiin, mutta sen jälkeen tietokannan "
                                         "lukeminen epäonnistui.")
                              .arg(deleted);
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

// The names the walk will delete, read under the walk's own lock.
QStringList doomedTables(Database& database, const std::function<bool(const QString&)>& doomed)
{
    QStringList names;
    for (const QString& name : database.tableNames())
        if (doomed(name) && database.shadowOwner(name).isEmpty())
            names.append(name);
    return names;
}

void deleteTables(MainView& view, WaitingDialogs& dialogs, const QString& question, const QString& title,
                  const std::function<bool(const QString&)>& doomed)
{
    if (view.databasePath().isEmpty()) {
        dialogs.inform(QStringLiteral("Valitse ensin tietokanta"));
        return;
    }
    dialogs.setNotDone(QStringLiteral("Taulukoita ei poistettu"));
    // Opened before the question, which tells what the walk would delete:
    // the catalogue is read once, and no lock is held while the box waits.
    Database database = DatabaseEngine::instance().open(view.databasePath(), dialogs.keepWaiting());
    QStringList doomedNow;
    {
        const Database::Walk reading(database);
        doomedNow = doomedTables(database, doomed);
    }
    if (!dialogs.confirmWithDetail(question, title, Dialogs::DefaultAnswer::Yes,
                                   confirmationLines::tablesToDelete(doomedNow)))
        return;

    // The copy and the first deletion share one write lock; every later
    // deletion is its own committed step, so a walk that fails or is stopped
    // keeps what it did.
    Database::WriteTransaction first(database);
    // Decided before the copy: a refusal leaves no copy and deletes nothing.
    if (const References references(database); !references.isEmpty()) {
        if (const QString refusal = referredByStayingRefusal(references, doomedTables(database, doomed));
            !refusal.isEmpty()) {
            database.close();   // rolls back: the write lock goes before the box waits for the operator
            dialogs.inform(refusal);
            return;
        }
    }
    const QString copy = copyBeforeChange(database, dialogs);
    // From here on a failure tells how far the walk got.
    dialogs.setNotDone({});
    int deleted = 0;
    int total = -1;
    bool stopped = false;
    try {
        const Database::Walk walk(database);
        total = countDoomed(database, doomed);
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
            deleted == 0     ? QStringLiteral("Poisto keskeytyi ennen kuin yhtään taulukkoa oli poistettu; kaikki "
                                              "taulukot ovat tallella.")
            : deleted >= total ? allDeleted(deleted)
                             : QStringLiteral("Poisto keskeytyi, kun %1 oli poistettu; muut ovat tallella.")
                                   .arg(tablesCount(deleted));
        throw failed.withContext(howFar + QStringLiteral(" Varmuuskopio otettiin ennen poistoa:\n") + copy);
    }
    try {
        RefreshTableList(database, view);
    } catch (const Failure& failed) {
        if (stopped)
            throw;
        throw failed.withContext(allDeleted(deleted) + QStringLiteral(" Varmuuskopio otettiin ennen poistoa:\n") + copy);
    }
    if (stopped)
        dialogs.informWithDetail(
            QStringLiteral("Poisto keskeytettiin, kun %1 oli poistettu; muut ovat tallella.").arg(tablesCount(deleted)),
            QStringLiteral("Varmuuskopio %1 sisältää tietokannan sellaisena kuin se oli ennen poistoa.")
                .arg(QDir::toNativeSeparators(copy)));
}

} // namespace

void deleteTablesWhere(MainView& view, Dialogs& dialogs, const QString& question, const QString& title,
                       const std::function<bool(const QString&)>& doomed)
{
    WaitingDialogs waiting(dialogs);
    waiting.run([&] { deleteTables(view, waiting, question, title, doomed); });
}
