#include "operations/DeleteTable.h"

#include "db/DatabaseEngine.h"
#include "db/Dependencies.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"
#include "operations/ConfirmationLines.h"
#include "operations/ChangeUnderLock.h"
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
            refuse(database, dialogs, {refusal});
            return;
        }
    }
    const QString question = QStringLiteral("Poistetaanko tietokannasta\n") + view.databasePath()
                             + QStringLiteral("\ntaulukko\n") + name;
    if (!dialogs.confirmWithDetail(question, QStringLiteral("Taulukon poistaminen"), Dialogs::DefaultAnswer::No,
                                   confirmationLines::tableToDelete(database.rowCountWithin(name, kCountingMs),
                                                                    views)))
        return;

    changeUnderLock(database, dialogs, view,
                    {
                        // Another program may have changed the schema during the question.
                        .decideAgain = [&]() -> Refusal {
                            const Dependencies now(database);
                            const QStringList viewsNow = now.viewsReading({name});
                            if (const QString refusal = deletionRefusal(now, name, viewsNow); !refusal.isEmpty())
                                return {refusal};
                            if (viewsNow != views)
                                return {QStringLiteral("Taulukkoa %1 ei poistettu, koska tietokanta muuttui "
                                                       "kysymyksen jälkeen. Tietokanta on ennallaan.")
                                            .arg(name)};
                            return {};
                        },
                        .change = [&]() -> Refusal {
                            database.deleteTable(name, views);
                            return {};
                        },
                        .rethrow = {},
                        .doneText = QStringLiteral("Poistettu!"),
                    });
}

} // namespace

void deleteSelectedTable(MainView& view, Dialogs& dialogs)
{
    whileWaiting(dialogs, [&](WaitingDialogs& waiting) { deleteTable(view, waiting); });
}
