#include "operations/DeleteTable.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/Dependencies.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"
#include "operations/ConfirmationLines.h"
#include "operations/CopyBeforeChange.h"
#include "operations/DependencyCheck.h"
#include "operations/WaitingDialogs.h"

namespace {

// Longer than this, and the question comes without the count.
constexpr int kCountingMs = 200;

void deleteTable(MainView& view, WaitingDialogs& dialogs)
{
    const QString name = view.selectedTableName();
    if (name.isEmpty())
        return;
    dialogs.setNotDone(QStringLiteral("Taulukkoa %1 ei poistettu").arg(name));
    // Opened before the question: what stands in the way is told instead of
    // the question, and the question tells what goes with the table. No lock
    // is held while the box waits.
    Database database = DatabaseEngine::instance().open(view.databasePath(), dialogs.keepWaiting());
    QStringList views;
    {
        const Dependencies asked(database);
        views = asked.viewsReading({name});
        if (const QString refusal = deletionRefusal(asked, name, views); !refusal.isEmpty()) {
            database.close();
            dialogs.inform(refusal);
            return;
        }
    }
    const QString question = QStringLiteral("Poistetaanko tietokannasta\n") + view.databasePath()
                             + QStringLiteral("\ntaulukko\n") + name;
    if (!dialogs.confirmWithDetail(question, QStringLiteral("Taulukon poistaminen"), Dialogs::DefaultAnswer::No,
                                   confirmationLines::tableToDelete(database.rowCountWithin(name, kCountingMs),
                                                                    views)))
        return;

    Database::WriteTransaction change(database);
    // Another program may have changed the schema during the question; decided
    // again under the lock, before the copy, so that a refusal leaves no copy.
    QString refusal;
    {
        const Dependencies now(database);
        const QStringList viewsNow = now.viewsReading({name});
        refusal = deletionRefusal(now, name, viewsNow);
        if (refusal.isEmpty() && viewsNow != views)
            refusal = QStringLiteral("Taulukkoa %1 ei poistettu, koska tietokanta muuttui kysymyksen jälkeen. "
                                     "Tietokanta on ennallaan.")
                          .arg(name);
    }
    if (!refusal.isEmpty()) {
        database.close();   // rolls back: the write lock goes before the box waits for the operator
        dialogs.inform(refusal);
        return;
    }
    const QString copy = copyBeforeChange(database, dialogs);
    database.deleteTable(name, views);
    change.commit();
    dialogs.setNotDone({});
    dialogs.informWithDetail(QStringLiteral("Poistettu!"), copyLocation(copy));
    RefreshTableList(database, view);
}

} // namespace

void deleteSelectedTable(MainView& view, Dialogs& dialogs)
{
    whileWaiting(dialogs, [&](WaitingDialogs& waiting) { deleteTable(view, waiting); });
}
