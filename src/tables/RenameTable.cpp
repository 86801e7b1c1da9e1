#include "tables/RenameTable.h"

#include "db/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/References.h"
#include "view/Dialogs.h"
#include "db/Failure.h"
#include "view/MainView.h"
#include "tables/CopyBeforeChange.h"
#include "tables/ReferenceCheck.h"
#include "tables/WaitingDialogs.h"

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
        database.execute(QStringLiteral("SELECT [") + name + QStringLiteral("].* INTO [") + newName
                         + QStringLiteral("] FROM [") + name + QStringLiteral("]"));
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
