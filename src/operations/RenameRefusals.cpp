#include "operations/RenameRefusals.h"

#include "db/Database.h"
#include "db/References.h"

#include <QUuid>

namespace {

const QString kUnchanged = QStringLiteral(" Tietokanta on ennallaan.");

// Before the prompt the rename cannot be done; after it, it was not.
Refusal refusal(const QString& table, bool asked, const QString& because, const QString& words = {})
{
    const QString lead = asked ? QStringLiteral("Taulukkoa %1 ei nimetty uudelleen, koska ")
                               : QStringLiteral("Taulukkoa %1 ei voi nimetä uudelleen, koska ");
    return {lead.arg(table) + because + QLatin1Char('.') + kUnchanged, words};
}

// The engine keeps names that begin so for itself, in either letter case.
bool enginesOwn(const QString& name)
{
    return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
}

// "taulukko", "näkymä", ... as in "tietokannassa on jo taulukko X".
QString kindOf(const Database::Entry& entry)
{
    if (entry.type == QLatin1String("view"))
        return QStringLiteral("näkymä");
    if (entry.type == QLatin1String("index"))
        return QStringLiteral("indeksi");
    if (entry.type == QLatin1String("trigger"))
        return QStringLiteral("liipaisin");
    return QStringLiteral("taulukko");
}

Refusal nameTaken(const QString& table, const Database::Entry& taken)
{
    if (taken.type == QLatin1String("trigger"))
        return refusal(table, true,
                       QStringLiteral("tietokannassa on jo taulukon %1 liipaisin %2").arg(taken.table, taken.name));
    return refusal(table, true, QStringLiteral("tietokannassa on jo %1 %2").arg(kindOf(taken), taken.name));
}

} // namespace

Refusal refusalForAnyName(Database& database, const QString& table)
{
    if (!database.tableNames().contains(table))
        return refusal(table, false, QStringLiteral("sitä ei enää ole tietokannassa"));
    if (enginesOwn(table))
        return refusal(table, false, QStringLiteral("se on tietokantamoottorin oma taulukko"));
    // A part renamed alone would leave its virtual table without its data.
    if (const QString owner = database.shadowOwner(table); !owner.isEmpty())
        return refusal(table, false,
                       QStringLiteral("se on osa taulukkoa %1, joka ei toimi ilman sitä. Taulukon %1 voi nimetä "
                                      "uudelleen, ja sen osat saavat uudet nimet sen mukana")
                           .arg(owner));
    // The engine refuses a rename of a plain table only when a view or a
    // trigger somewhere in the file does not work: without any, it is not
    // asked, which at thousands of tables saves parsing every definition.
    if (!database.hasViewsOrTriggers() && !database.isVirtual(table))
        return {};
    // A name no entry has, nor any part of one: whatever the engine says
    // to it, it says to every name.
    const QString untaken = QStringLiteral("uusi_nimi_%1").arg(QUuid::createUuid().toString(QUuid::Id128));
    if (const QString words = database.renameRefusal(table, untaken); !words.isEmpty())
        return engineRefusal(database, table, {}, words);
    return {};
}

Refusal refusalForName(Database& database, const QString& table, const QString& newName)
{
    if (!database.tableNames().contains(table))
        return refusal(table, true, QStringLiteral("sitä ei enää ole tietokannassa"));
    if (enginesOwn(newName))
        return refusal(table, true,
                       QStringLiteral("sqlite_-alkuiset nimet on varattu tietokantamoottorille, joten nimeä %1 ei "
                                      "voi antaa")
                           .arg(newName));
    if (const std::optional<Database::Entry> taken = database.entryNamedFolded(newName)) {
        if (taken->name == table)
            return refusal(table, true,
                           QStringLiteral("%1 on taulukon nykyinen nimi, kun isoja ja pieniä kirjaimia ei "
                                          "eroteta")
                               .arg(newName));
        return nameTaken(table, *taken);
    }
    if (const QString owner = database.partNameOwner(newName); !owner.isEmpty())
        return refusal(table, true, QStringLiteral("nimi %1 on varattu taulukon %2 osille").arg(newName, owner));
    // A virtual table's parts take its new name with them.
    for (const QString& part : database.partsOf(table)) {
        const QString newPart = newName + part.mid(table.size());
        if (const std::optional<Database::Entry> taken = database.entryNamedFolded(newPart))
            return refusal(table, true,
                           QStringLiteral("sen osa %1 saisi nimen %2, ja tietokannassa on jo %3 %4")
                               .arg(part, newPart, kindOf(*taken), taken->name));
    }
    // A reference to a table that does not exist points at nothing; under
    // this name it would point at this table's rows, which were never meant.
    const QString folded = engineFolded(newName);
    const References references(database);
    for (const Reference& key : references.all())
        if (engineFolded(key.parent) == folded)
            return refusal(table, true,
                           QStringLiteral("taulukko %1 viittaa taulukkoon %2, jota ei ole; tällä nimellä viittaus "
                                          "osoittaisi taulukkoon %3")
                               .arg(key.child, key.parent, table));
    return {};
}

Refusal engineRefusal(Database& database, const QString& table, const QString& newName, const QString& words)
{
    const bool asked = !newName.isEmpty();
    const std::optional<Database::Entry> entry = database.entryNamedIn(words);
    if (!entry) {
        if (!database.tableNames().contains(table))
            return refusal(table, asked, QStringLiteral("sitä ei enää ole tietokannassa"), words);
        return refusal(table, asked,
                       asked ? QStringLiteral("tietokantamoottori ei hyväksy nimeä %1").arg(newName)
                             : QStringLiteral("tietokantamoottori ei salli sitä"),
                       words);
    }
    // Readable now, but not with the new name.
    const bool afterRename =
        words.startsWith(QStringLiteral("error in %1 %2 after rename: ").arg(entry->type, entry->name));
    if (entry->type == QLatin1String("view"))
        return refusal(table, asked,
                       afterRename ? QStringLiteral("näkymä %1 ei toimisi uuden nimen kanssa").arg(entry->name)
                                   : QStringLiteral("tietokannan näkymää %1 ei voi lukea").arg(entry->name),
                       words);
    if (entry->type == QLatin1String("trigger"))
        return refusal(table, asked,
                       afterRename ? QStringLiteral("taulukon %1 liipaisin %2 ei toimisi uuden nimen kanssa")
                                         .arg(entry->table, entry->name)
                                   : QStringLiteral("taulukon %1 liipaisinta %2 ei voi lukea")
                                         .arg(entry->table, entry->name),
                       words);
    const QString whose = entry->type == QLatin1String("index") ? QStringLiteral("indeksin")
                                                                : QStringLiteral("taulukon");
    return refusal(table, asked,
                   afterRename ? QStringLiteral("%1 %2 määrittely ei toimisi uuden nimen kanssa").arg(whose, entry->name)
                               : QStringLiteral("%1 %2 määrittelyä ei voi lukea").arg(whose, entry->name),
                   words);
}
