#include "operations/BulkDeletion.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "db/Dependencies.h"
#include "operations/ConfirmationLines.h"
#include "operations/CopyBeforeChange.h"
#include "operations/DeletionBatches.h"
#include "operations/DependencyCheck.h"
#include "operations/Refusal.h"
#include "operations/WaitingDialogs.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

#include <QDir>
#include <QHash>
#include <QSet>

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

// Each view goes in the same commit as the first table it reads that the
// walk deletes: no commit leaves a view reading a missing table, and a
// stopped walk keeps the views of the tables that stay.
class ViewsAlong {
public:
    ViewsAlong(const Dependencies& picture, const QStringList& views)
    {
        const QSet<QString> going(views.cbegin(), views.cend());
        for (const Dependencies::View& view : picture.views())
            if (going.contains(view.name))
                for (const QString& read : view.reads)
                    byTable_[read].append(view.name);
    }
    // The views still standing that read `table`.
    QStringList take(const QString& table)
    {
        QStringList going;
        if (byTable_.isEmpty())
            return going;
        for (const QString& view : byTable_.value(engineFolded(table)))
            if (!gone_.contains(view)) {
                gone_.insert(view);
                going.append(view);
            }
        return going;
    }

private:
    QHash<QString, QStringList> byTable_;   // folded table name -> the views that read it
    QSet<QString> gone_;
};

// The names the walk will delete, read under the walk's own lock.
QStringList doomedTables(Database& database, const std::function<bool(const QString&)>& doomed)
{
    QStringList names;
    for (const QString& name : database.tableNames())
        if (doomed(name) && database.shadowOwner(name).isEmpty())
            names.append(name);
    return names;
}

// After the question, under the walk's lock: what stands in the way now, or
// views that would go that the question did not name.
Refusal refusalUnderLock(const Dependencies& now, const QStringList& doomed, const QStringList& viewsAsked)
{
    const QStringList viewsNow = now.viewsReading(doomed);
    if (const QString refusal = walkRefusal(now, doomed, viewsNow); !refusal.isEmpty())
        return {refusal};
    if (viewsNow != viewsAsked)
        return {QStringLiteral("Yhtään taulukkoa ei poistettu, koska tietokanta muuttui kysymyksen jälkeen. "
                               "Tietokanta on ennallaan.")};
    return {};
}

// Deletes the tables of `doomed`, read under the lock that `batches` holds,
// walking the catalogue from its last entry down: a deletion moves only
// entries already visited, and each name is deleted just after it is read,
// where the deletion finds it at once. Between batches another program may
// add tables; they are not in `doomed`. Returns whether the operator stopped
// the walk. A failure tells how far the walk got and where the copy is.
bool walk(Database& database, Dialogs& dialogs, DeletionBatches& batches, const QStringList& doomed,
          ViewsAlong& viewsAlong, const QString& copy)
{
    const QSet<QString> going(doomed.cbegin(), doomed.cend());
    const int total = int(doomed.size());
    bool stopped = false;
    try {
        const Database::Walk walking(database);
        const auto progress = dialogs.startProgress(QStringLiteral("Poistetaan taulukoita: %1 / %2"), true);
        for (int i = database.tableCount() - 1; i >= 0 && !stopped && batches.deletedCount() < total; --i) {
            const QString name = database.tableName(i);
            if (!going.contains(name))
                continue;
            batches.open();
            database.deleteTable(name, viewsAlong.take(name));
            batches.deleted();
            const int deleted = batches.deletedCount();
            stopped = !progress->advance(deleted, total) && deleted < total;
        }
        // Stopped or at the end, the open batch commits: the count the
        // operator is told is exactly what is gone.
        batches.commit();
    } catch (const Failure& failed) {
        // The batches committed before stay; the failing one is settled
        // either way before the count is told.
        const int deleted = batches.settleAfterFailure();
        const QString howFar =
            deleted == 0       ? QStringLiteral("Poisto keskeytyi ennen kuin yhtään taulukkoa oli poistettu; kaikki "
                                              "taulukot ovat tallella.")
            : deleted >= total ? allDeleted(deleted)
                             : QStringLiteral("Poisto keskeytyi, kun %1 oli poistettu; muut ovat tallella.")
                                   .arg(tablesCount(deleted));
        throw failed.withContext(howFar + QStringLiteral(" Varmuuskopio otettiin ennen poistoa:\n") + copy);
    }
    return stopped;
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
    QStringList views;
    QString refusal;
    {
        const Database::Walk reading(database);
        doomedNow = doomedTables(database, doomed);
        const Dependencies asked(database);
        views = asked.viewsReading(doomedNow);
        refusal = walkRefusal(asked, doomedNow, views);
    }
    // What stands in the way is told instead of the question.
    if (!refusal.isEmpty()) {
        refuse(database, dialogs, {refusal});
        return;
    }
    if (!dialogs.confirmWithDetail(question, title, Dialogs::DefaultAnswer::Yes,
                                   confirmationLines::tablesToDelete(doomedNow, views)))
        return;

    // The copy and the first batch of deletions share one write lock; every
    // later batch is its own committed step, so a walk that fails or is
    // stopped keeps what it committed.
    DeletionBatches batches(database);
    const QStringList doomedHere = doomedTables(database, doomed);
    if (doomedHere.isEmpty()) {
        // Nothing left to delete once the lock is ours: no copy, no change.
        batches.commit();
        RefreshTableList(database, view);
        return;
    }
    // Another program may have changed the schema during the question; decided
    // again before the copy, so that a refusal leaves no copy and deletes nothing.
    const Dependencies now(database);
    if (const Refusal refused = refusalUnderLock(now, doomedHere, views); !refused.isEmpty()) {
        refuse(database, dialogs, refused);
        return;
    }
    ViewsAlong viewsAlong(now, views);
    const QString copy = copyBeforeChange(database, dialogs);
    // From here on a failure tells how far the walk got.
    dialogs.setNotDone({});
    const bool stopped = walk(database, dialogs, batches, doomedHere, viewsAlong, copy);
    try {
        RefreshTableList(database, view);
    } catch (const Failure& failed) {
        if (stopped)
            throw;
        throw failed.withContext(allDeleted(batches.committedCount()) + QStringLiteral(" Varmuuskopio otettiin ennen poistoa:\n") + copy);
    }
    if (stopped)
        dialogs.informWithDetail(
            QStringLiteral("Poisto keskeytettiin, kun %1 oli poistettu; muut ovat tallella.")
                .arg(tablesCount(batches.committedCount())),
            QStringLiteral("Varmuuskopio %1 sisältää tietokannan sellaisena kuin se oli ennen poistoa.")
                .arg(QDir::toNativeSeparators(copy)));
}

} // namespace

void deleteTablesWhere(MainView& view, Dialogs& dialogs, const QString& question, const QString& title,
                       const std::function<bool(const QString&)>& doomed)
{
    whileWaiting(dialogs, [&](WaitingDialogs& waiting) { deleteTables(view, waiting, question, title, doomed); });
}
