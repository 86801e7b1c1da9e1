#include "operations/RenameTable.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/References.h"
#include "seam/Dialogs.h"
#include "db/Failure.h"
#include "seam/MainView.h"
#include "operations/CopyBeforeChange.h"
#include "operations/ReferenceCheck.h"
#include "operations/WaitingDialogs.h"

namespace {

void renameTable(MainView& view, WaitingDialogs& dialogs)
{
    const QString name = view.selectedTableName();
    if (name.isEmpty())
        return;
    const QString prompt = QStringLiteral("Nimetään uudelleen tietokannasta\n") + view.databasePath()
                           + QStringLiteral("\ntaulukko\n") + name
                           + QStringLiteral("\nSyötä taulukon uusi nimi");
    const QString newName = dialogs.askText(prompt);
    if (newName.isEmpty())
        return;

    // A "]" in the new name has always been refused; nothing is opened or copied for it.
    if (newName.contains(QLatin1Char(']')))
        throw Failure(QStringLiteral("Uudelleennimeäminen hylättiin; taulukko %1 on ennallaan.").arg(name),
                      view.databasePath(), QStringLiteral("taulukon uudessa nimessä ei saa olla merkkiä ]"));

    dialogs.setNotDone(QStringLiteral("Taulukkoa %1 ei nimetty uudelleen").arg(name));
    Database database = DatabaseEngine::instance().open(view.databasePath(), dialogs.keepWaiting());
    // The copy and the deletion of the old table commit together: a failure
    // leaves the file as it was, and no other program writes in between.
    Database::WriteTransaction change(database);
    // The copy under the new name refers to nothing and nothing refers to
    // it, so a table others refer to keeps its name.
    if (const QString refusal =
            referredTableRefusal(References(database), name, QStringLiteral("ei nimetty uudelleen"));
        !refusal.isEmpty()) {
        database.close();   // rolls back: the write lock goes before the box waits for the operator
        dialogs.inform(refusal);
        return;
    }
    const QString copy = copyBeforeChange(database, dialogs);
    try {
        database.copyTableAs(name, newName);
    } catch (const Failure& refused) {
        throw refused.withContext(QStringLiteral("Uudelleennimeäminen hylättiin; taulukko %1 on ennallaan.").arg(name));
    }
    try {
        database.deleteTable(name);
        change.commit();
        dialogs.setNotDone({});
    } catch (const Failure& failed) {
        throw failed.withContext(QStringLiteral("Uudelleennimeäminen epäonnistui; tietokanta on ennallaan, eikä "
                                                "taulukkoa %1 tehty.")
                                     .arg(newName));
    }
    dialogs.informWithDetail(QStringLiteral("Uudelleennimetty!"), copyLocation(copy));
    RefreshTableList(database, view);
}

} // namespace

void renameSelectedTable(MainView& view, Dialogs& dialogs)
{
    WaitingDialogs waiting(dialogs);
    waiting.run([&] { renameTable(view, waiting); });
}
