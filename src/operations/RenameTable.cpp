#include "operations/RenameTable.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "seam/Dialogs.h"
#include "db/Failure.h"
#include "seam/MainView.h"
#include "operations/CopyBeforeChange.h"

void renameSelectedTable(MainView& view, Dialogs& dialogs)
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

    Database database = DatabaseEngine::instance().open(view.databasePath());
    // The copy and the deletion of the old table commit together: a failure
    // leaves the file as it was, and no other program writes in between.
    Database::WriteTransaction change(database);
    const QString copy = copyBeforeChange(database, dialogs);
    try {
        database.copyTableAs(name, newName);
    } catch (const Failure& refused) {
        throw refused.withContext(QStringLiteral("Uudelleennimeäminen hylättiin; taulukko %1 on ennallaan.").arg(name));
    }
    try {
        database.deleteTable(name);
        change.commit();
    } catch (const Failure& failed) {
        throw failed.withContext(QStringLiteral("Uudelleennimeäminen epäonnistui; tietokanta on ennallaan, eikä "
                                                "taulukkoa %1 tehty.")
                                     .arg(newName));
    }
    dialogs.informWithDetail(QStringLiteral("Uudelleennimetty!"), copyLocation(copy));
    RefreshTableList(database, view);
}
