#include "operations/RenameTable.h"

#include "db/DatabaseEngine.h"
#include "seam/Dialogs.h"
#include "db/Failure.h"
#include "seam/MainView.h"
#include "operations/ChangeUnderLock.h"
#include "operations/RenameRefusals.h"
#include "operations/WaitingDialogs.h"

namespace {

void renameTable(MainView& view, WaitingDialogs& dialogs)
{
    const QString name = view.selectedTableName();
    if (name.isEmpty())
        return;
    dialogs.setNotDone(QStringLiteral("Taulukkoa %1 ei nimetty uudelleen").arg(name));
    // Opened before the prompt: a rename the engine would refuse whatever
    // the name is refused instead of asking for one.
    Database database = DatabaseEngine::instance().open(view.databasePath(), dialogs.keepWaiting());
    if (const Refusal refusal = refusalForAnyName(database, name); !refusal.isEmpty()) {
        refuse(database, dialogs, refusal);
        return;
    }
    const int tried = database.catalogueVersion();

    const QString prompt = QStringLiteral("Nimetään uudelleen tietokannasta\n") + view.databasePath()
                           + QStringLiteral("\ntaulukko\n") + name
                           + QStringLiteral("\nSyötä taulukon uusi nimi");
    const QString newName = dialogs.askText(prompt);
    if (newName.isEmpty())
        return;

    // A "]" in the new name has always been refused; nothing is locked or copied for it.
    if (newName.contains(QLatin1Char(']')))
        throw Failure(QStringLiteral("Uudelleennimeäminen hylättiin; taulukko %1 on ennallaan.").arg(name),
                      view.databasePath(), QStringLiteral("taulukon uudessa nimessä ei saa olla merkkiä ]"));

    // The rename commits with the copy's lock: no other program writes
    // between the copy and the change, and a failure leaves the file as it was.
    changeUnderLock(
        database, dialogs, view,
        {
            .decideAgain = [&] {
                Refusal refusal = refusalForName(database, name, newName);
                // The engine is asked again, now with the name itself, where its answer
                // may differ from the one before the prompt: another program changed the
                // catalogue meanwhile, or a view or trigger uses the new name already
                // (under it, a view may no longer tell two tables apart).
                if (refusal.isEmpty() && (database.hasViewsOrTriggers() || database.isVirtual(name))
                    && (database.catalogueVersion() != tried || database.namedInViewsOrTriggers(newName)))
                    if (const QString words = database.renameRefusal(name, newName); !words.isEmpty())
                        refusal = engineRefusal(database, name, newName, words);
                return refusal;
            },
            .change = [&]() -> Refusal {
                if (const QString words = database.renameTable(name, newName); !words.isEmpty())
                    return engineRefusal(database, name, newName, words);
                return {};
            },
            .rethrow = [&](const Failure& failed) {
                throw failed
                    .reworded(QStringLiteral("Taulukkoa %1 ei nimetty uudelleen. Tietokanta on ennallaan.").arg(name))
                    .withState(QStringLiteral("Tietokanta on ennallaan."));
            },
            .doneText = QStringLiteral("Uudelleennimetty!"),
        });
}

} // namespace

void renameSelectedTable(MainView& view, Dialogs& dialogs)
{
    whileWaiting(dialogs, [&](WaitingDialogs& waiting) { renameTable(view, waiting); });
}
