#include "operations/EmptyTable.h"

#include "copies/RemoveCopies.h"
#include "db/DatabaseEngine.h"
#include "db/Emptying.h"
#include "db/References.h"
#include "operations/ConfirmationLines.h"
#include "operations/CopyBeforeChange.h"
#include "operations/WaitingDialogs.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

#include <algorithm>

namespace {

// Longer than this, and the question comes without the count.
constexpr int kCountingMs = 200;

const QString kUnchanged = QStringLiteral(" Tietokanta on ennallaan.");

// The box that comes instead of the question, or instead of the emptying
// after Yes, when the engine would refuse it.
struct RefusalBox {
    QString text;
    QString detail;   // the engine's own words, where ours are only the general reason
};

RefusalBox refusalBox(const QString& table, const emptying::Refusal& refusal)
{
    using Kind = emptying::Refusal::Kind;
    const QString notDone = QStringLiteral("Taulukkoa %1 ei tyhjennetty, koska ").arg(table);
    switch (refusal.kind) {
    case Kind::ReferringRows:
        if (refusal.changedRows)
            return {notDone
                        + QStringLiteral("taulukon %1 rivit muuttuisivat viittaamaan taulukon %2 riveihin, joita ei "
                                         "ole.")
                              .arg(refusal.table, refusal.referred)
                        + kUnchanged,
                    {}};
        if (engineFolded(refusal.referred) == engineFolded(table))
            return {notDone
                        + QStringLiteral("taulukossa %1 on rivejä, jotka viittaavat sen riveihin.").arg(refusal.table)
                        + kUnchanged,
                    {}};
        return {notDone
                    + QStringLiteral("taulukossa %1 on rivejä, jotka viittaavat taulukon %2 riveihin, joihin "
                                     "tyhjennys ulottuu.")
                          .arg(refusal.table, refusal.referred)
                    + kUnchanged,
                {}};
    case Kind::NotNull:
        return {notDone
                    + QStringLiteral("viittaus asettaisi taulukon %1 sarakkeeseen %2 tyhjän arvon, jota sarake ei "
                                     "salli.")
                          .arg(refusal.table, refusal.column)
                    + kUnchanged,
                {}};
    case Kind::BrokenKey:
    case Kind::Rule:
        break;
    }
    const QString detail = refusal.engineWords.isEmpty()
                               ? QString()
                               : QStringLiteral("Tietokannan ilmoitus: ") + refusal.engineWords;
    if (refusal.kind == Kind::BrokenKey)
        return {notDone
                    + QStringLiteral("taulukon %1 viittaus siihen on määritelty virheellisesti, eikä tietokanta voi "
                                     "tarkistaa sitä.")
                          .arg(refusal.table)
                    + kUnchanged,
                detail};
    if (refusal.table.isEmpty())
        return {notDone + QStringLiteral("tietokannan sääntö estää sen.") + kUnchanged, detail};
    return {notDone + QStringLiteral("taulukon %1 sääntö estää sen.").arg(refusal.table) + kUnchanged, detail};
}

void show(WaitingDialogs& dialogs, const RefusalBox& box)
{
    if (box.detail.isEmpty())
        dialogs.inform(box.text);
    else
        dialogs.informWithDetail(box.text, box.detail);
}

QString changedMeanwhile(const QString& table)
{
    return QStringLiteral("Rivit, joihin taulukon %1 tyhjennys ulottuu, muuttuivat kysymyksen jälkeen, joten "
                          "mitään ei tyhjennetty. Yritä uudelleen.")
        .arg(table);
}

// What the closing box says: a trigger may ignore the deletion of some rows or all of them.
QString emptiedText(const QString& table, qint64 left)
{
    if (left == 0)
        return QStringLiteral("Poistettu taulukon ") + table + QStringLiteral(" rivit");
    return QStringLiteral("Taulukkoa %1 ei saatu tyhjäksi: siihen jäi %2 %3, koska tietokannan sääntö esti niiden "
                          "poistamisen.")
        .arg(table, QString::number(left), left == 1 ? QStringLiteral("rivi") : QStringLiteral("riviä"));
}

bool ask(WaitingDialogs& dialogs, const QString& table, const QString& detail)
{
    const QString question = QStringLiteral("Tyhjennetäänkö '") + table + QStringLiteral("' taulukko?");
    const QString title = QStringLiteral("Poistetaan '") + table + QStringLiteral("' rivit?");
    return dialogs.confirmWithDetail(question, title, Dialogs::DefaultAnswer::No, detail);
}

// A table that nothing refers to and no trigger watches: its rows go as they
// always did, the engine's keys left off.
void emptyAlone(Database& database, WaitingDialogs& dialogs, const QString& table, const emptying::Reach& reach)
{
    if (!ask(dialogs, table, confirmationLines::rowsToDelete(database.rowCountWithin(table, kCountingMs))))
        return;
    qint64 left = 0;
    bool changed = false;
    {
        // The count is read before the commit, so it tells what this deletion left.
        Database::WriteTransaction change(database);
        // Another program may have made the table reach further during the question.
        changed = emptying::reachOf(database, References(database), table) != reach;
        if (!changed) {
            database.deleteAllRows(table);
            left = database.rowCount(table);
            change.commit();
            dialogs.setNotDone({});
        }
    }
    database.close();
    // The box waits for the operator only after the write lock is gone.
    dialogs.inform(changed ? changedMeanwhile(table) : emptiedText(table, left));
}

// A table whose emptying the engine carries further, along the keys that
// refer to it or through its triggers: rehearsed before the question, which
// tells everything it reaches; a safety copy first when that is more than
// the table itself.
void emptyReaching(Database& database, WaitingDialogs& dialogs, const QString& table, const emptying::Reach& reach,
                   const References& references)
{
    using Outcome = emptying::Effects::Outcome;
    const emptying::Effects asked = emptying::rehearse(database, references, table, kCountingMs);
    if (asked.outcome == Outcome::Refused) {
        database.close();
        show(dialogs, refusalBox(table, *asked.refusal));
        return;
    }
    // Not counted in time: a copy whenever the schema lets the emptying delete or change other rows.
    const bool copy = asked.outcome == Outcome::Done ? asked.reachesOthers() : reach.mayReachOthers();
    // Told in the order of the list, whatever order the engine reached them in.
    emptying::Effects told = asked;
    const QStringList listed = database.tableNames();
    std::stable_sort(told.others.begin(), told.others.end(),
                     [&listed](const emptying::TableRows& a, const emptying::TableRows& b) {
                         return listed.indexOf(a.table) < listed.indexOf(b.table);
                     });
    if (!ask(dialogs, table, confirmationLines::emptyingReach(told, copy)))
        return;

    qint64 left = 0;
    QString copyPath;
    std::optional<RefusalBox> refused;
    {
        const emptying::EnforcedKeys keys(database);
        Database::WriteTransaction change(database);
        const References now(database);
        if (emptying::reachOf(database, now, table) != reach) {
            refused = RefusalBox{changedMeanwhile(table), {}};
        } else {
            if (copy)
                copyPath = copyBeforeChange(database, dialogs);
            const emptying::Effects done = emptying::carryOut(database, now, table);
            if (done.outcome == Outcome::Refused)
                refused = refusalBox(table, *done.refusal);
            // Another program changed rows the emptying reaches since the question.
            else if (asked.outcome == Outcome::Done && done.others != asked.others)
                refused = RefusalBox{changedMeanwhile(table), {}};
            else if (!copy && done.reachesOthers())
                refused = RefusalBox{changedMeanwhile(table), {}};
        }
        if (!refused) {
            left = database.rowCount(table);
            change.commit();
            dialogs.setNotDone({});
        }
    }
    database.close();
    if (refused) {
        // The file is as it was: a copy of it would only take room.
        if (!copyPath.isEmpty()) {
            try {
                removeSafetyCopies(database.path(), {copyPath});
            } catch (const Failure& failure) {
                throw failure.withContext(refused->text);
            }
        }
        show(dialogs, *refused);
        return;
    }
    if (copyPath.isEmpty())
        dialogs.inform(emptiedText(table, left));
    else
        dialogs.informWithDetail(emptiedText(table, left), copyLocation(copyPath));
}

void emptyTable(MainView& view, WaitingDialogs& dialogs)
{
    const QString name = view.selectedTableName();
    if (name.isEmpty()) {
        dialogs.inform(QStringLiteral("Valitse taulukko"));
        return;
    }
    // Opened before the question, which tells what the emptying does to
    // the rows of other tables.
    dialogs.setNotDone(QStringLiteral("Taulukon %1 rivejä ei poistettu").arg(name));
    Database database = DatabaseEngine::instance().open(view.databasePath(), dialogs.keepWaiting());
    const References references(database);
    const emptying::Reach reach = emptying::reachOf(database, references, name);
    if (reach.alone())
        emptyAlone(database, dialogs, name, reach);
    else
        emptyReaching(database, dialogs, name, reach, references);
}

} // namespace

void emptySelectedTable(MainView& view, Dialogs& dialogs)
{
    whileWaiting(dialogs, [&](WaitingDialogs& waiting) { emptyTable(view, waiting); });
}
