#include "operations/EmptyTable.h"

#include "db/DatabaseEngine.h"
#include "operations/ConfirmationLines.h"
#include "operations/ReferenceCheck.h"
#include "operations/WaitingDialogs.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

namespace {

// Longer than this, and the question comes without the count.
constexpr int kCountingMs = 200;

void emptyTable(MainView& view, WaitingDialogs& dialogs)
{
    const QString name = view.selectedTableName();
    if (name.isEmpty()) {
        dialogs.inform(QStringLiteral("Valitse taulukko"));
        return;
    }
    // Opened before the question, which tells what the emptying does to
    // the rows of other tables that refer to this one.
    dialogs.setNotDone(QStringLiteral("Taulukon %1 rivejä ei poistettu").arg(name));
    Database database = DatabaseEngine::instance().open(view.databasePath(), dialogs.keepWaiting());
    const EmptyingEffects asked = emptyingEffects(database, name);
    if (!asked.refusal.isEmpty()) {
        dialogs.inform(asked.refusal);
        return;
    }
    const QString question = QStringLiteral("Tyhjennetäänkö '") + name + QStringLiteral("' taulukko?");
    const QString title = QStringLiteral("Poistetaan '") + name + QStringLiteral("' rivit?");
    const QString rows = confirmationLines::rowsToDelete(database.rowCountWithin(name, kCountingMs));
    if (!dialogs.confirmWithDetail(question, title, Dialogs::DefaultAnswer::No,
                                   asked.detail.isEmpty() ? rows : rows + QLatin1Char('\n') + asked.detail))
        return;

    qint64 left = 0;
    QString refusal;
    {
        // The engine carries out the declared ON DELETE actions only when
        // there is one to carry out: otherwise the rows go as they always did.
        const EnforcedReferences actions(database, !asked.detail.isEmpty());
        // The count is read before the commit, so it tells what this deletion left.
        Database::WriteTransaction change(database);
        // Another program may have changed the referring rows during the question.
        if (const EmptyingEffects now = emptyingEffects(database, name); !now.refusal.isEmpty())
            refusal = now.refusal;
        else if (now.detail != asked.detail)
            refusal = QStringLiteral("Taulukkoon %1 viittaavat rivit muuttuivat kysymyksen jälkeen, joten mitään "
                                     "ei tyhjennetty. Yritä uudelleen.")
                          .arg(name);
        if (refusal.isEmpty()) {
            database.deleteAllRows(name);
            left = database.rowCount(name);
            change.commit();
            dialogs.setNotDone({});
        }
    }
    database.close();
    // The box waits for the operator only after the write lock is gone.
    if (!refusal.isEmpty()) {
        dialogs.inform(refusal);
        return;
    }
    // A trigger may ignore the deletion of some rows or all of them.
    if (left == 0)
        dialogs.inform(QStringLiteral("Poistettu taulukon ") + name + QStringLiteral(" rivit"));
    else
        dialogs.inform(QStringLiteral("Taulukkoa %1 ei saatu tyhjäksi: siihen jäi %2 %3, koska tietokannan "
                                      "sääntö esti niiden poistamisen.")
                           .arg(name, QString::number(left),
                                left == 1 ? QStringLiteral("rivi") : QStringLiteral("riviä")));
}

} // namespace

void emptySelectedTable(MainView& view, Dialogs& dialogs)
{
    WaitingDialogs waiting(dialogs);
    waiting.run([&] { emptyTable(view, waiting); });
}
