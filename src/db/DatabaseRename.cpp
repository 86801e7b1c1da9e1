#include "db/Database.h"

#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"

#include <sqlite3.h>

// The rename of a table by the engine itself, the try of it, and the
// catalogue's entries of every kind that the rename's checks look at.

namespace {

QString alterStatement(const QString& table, const QString& newName)
{
    return QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quotedName(table), quotedName(newName));
}

// The engine refuses a statement it cannot carry out with a plain error;
// anything else (a lock, a failed read or write) is no refusal.
bool refused(int rc)
{
    return (rc & 0xff) == SQLITE_ERROR;
}

} // namespace

std::optional<Database::Entry> Database::entryNamedFolded(const QString& name)
{
    const QString folded = name.toCaseFolded();
    Statement query(connection(), "SELECT type, name, tbl_name FROM sqlite_master ORDER BY rowid",
                    QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    while (query.next()) {
        const QString entryName = query.name(1);
        if (entryName.toCaseFolded() == folded)
            return Entry{query.name(0), entryName, query.name(2)};
    }
    return std::nullopt;
}

// The engine's words read "error in <type> <name>: <why>", or "... <name>
// after rename: <why>". A name may hold ": " itself, so the entries are
// matched whole, the longest first.
std::optional<Database::Entry> Database::entryNamedIn(const QString& words)
{
    static const QString kStart = QStringLiteral("error in ");
    if (!words.startsWith(kStart))
        return std::nullopt;
    Statement query(connection(), "SELECT type, name, tbl_name FROM sqlite_master ORDER BY rowid",
                    QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    // Only a help in telling the engine's words: a failing read ends the search.
    std::optional<Entry> found;
    while (query.step() == Statement::Step::Row) {
        Entry entry{query.name(0), query.name(1), query.name(2)};
        const QString named = kStart + entry.type + QLatin1Char(' ') + entry.name;
        if (!words.startsWith(named))
            continue;
        const QStringView rest = QStringView(words).mid(named.size());
        if (!rest.startsWith(QLatin1String(": ")) && !rest.startsWith(QLatin1String(" after rename: ")))
            continue;
        if (!found || entry.name.size() > found->name.size())
            found = std::move(entry);
    }
    return found;
}

bool Database::namedInViewsOrTriggers(const QString& name)
{
    // LIKE folds ASCII letters as the engine folds names; its wildcards in
    // a name can only find more, never less. A quote in a quoted name is doubled.
    Statement query(connection(),
                    "SELECT 1 FROM sqlite_master WHERE type IN ('view', 'trigger')"
                    " AND (sql LIKE ?1 OR sql LIKE ?2) LIMIT 1",
                    QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    query.bind(1, QLatin1Char('%') + name + QLatin1Char('%'));
    query.bind(2, QLatin1Char('%') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\""))
                      + QLatin1Char('%'));
    return query.next();
}

// From 3.26 on the engine rewrites other tables' references, views and
// triggers that name a renamed table, unless the connection asks for the
// old behaviour; that is never left to a setting made elsewhere.
void Database::keepRenamesFollowing()
{
    if (renamesFollow_)
        return;
    const QString what = QStringLiteral("Tietokantamoottoria ei voitu asettaa päivittämään viittauksia taulukon "
                                        "nimeen, joten mitään ei muutettu.");
    run(QStringLiteral("PRAGMA legacy_alter_table=OFF"), what);
    if (Statement(connection(), "PRAGMA legacy_alter_table", what).firstNumber() != 0)
        throw Failure(what, path_);
    renamesFollow_ = true;
}

Database::Tried Database::tryRun(const QString& sql)
{
    std::optional<Statement> statement = Statement::ifAccepted(connection(), nameBytes::encode(sql));
    Statement::Step stepped = Statement::Step::Failed;
    if (statement)
        while ((stepped = statement->step()) == Statement::Step::Row) {}
    if (stepped == Statement::Step::Done)
        return Tried::Done;
    return refused(connection_->lastCode()) ? Tried::Refused : Tried::Failed;
}

QString Database::renameRefusal(const QString& table, const QString& newName)
{
    endReading();
    keepRenamesFollowing();
    const QString what = QStringLiteral("Taulukkoa %1 ei voitu nimetä uudelleen, joten mitään ei muutettu.").arg(table);
    // Under this program's write lock a savepoint is undone within it; the
    // engine then writes back into the file whatever pages it had to write
    // out for want of room, so a safety copy taken next reads the file as it was.
    const bool inside = connection().inTransaction();
    run(inside ? QStringLiteral("SAVEPOINT nimeamiskoe") : QStringLiteral("BEGIN"), what);
    const Tried tried = tryRun(alterStatement(table, newName));
    QString refusal;
    std::optional<Failure> failed;
    if (tried == Tried::Refused)
        refusal = connection_->words();
    else if (tried == Tried::Failed)
        failed = connection_->failure(what);

    // A failed write may have ended the whole transaction already.
    const bool stillOpen = connection_->inTransaction();
    try {
        if (inside && stillOpen) {
            run(QStringLiteral("ROLLBACK TO nimeamiskoe"), what);
            run(QStringLiteral("RELEASE nimeamiskoe"), what);
        } else if (stillOpen) {
            run(QStringLiteral("ROLLBACK"), what);
        }
    } catch (...) {
        if (!failed)
            throw;
    }
    if (!stillOpen)
        rollback();   // what this program knew of the catalogue is no longer sure
    if (failed)
        throw *failed;
    return refusal;
}

QString Database::renameTable(const QString& table, const QString& newName)
{
    const QString what = QStringLiteral("Taulukkoa %1 ei voitu nimetä uudelleen nimelle %2.").arg(table, newName);
    // The engine folds only ASCII letters; a name that differs from an
    // existing one only by the case of Ä, Ö or Å is still the same name.
    if (const std::optional<Entry> taken = entryNamedFolded(newName))
        throw Failure(what, path_, QStringLiteral("tietokannassa on jo nimi %1").arg(taken->name));
    endReading();
    keepRenamesFollowing();
    catalogue();
    // A virtual table's parts are renamed with it, and a name may make a
    // table look like a part: then the catalogue is read again.
    const bool sameShape = !virtuals_.contains(table) && partNameOwner(newName).isEmpty();
    const int known = cachedVersion_;
    const bool ownStep = !holdsWriteLock();
    int after = -1;
    QString refusal;
    try {
        if (ownStep)
            run(QStringLiteral("BEGIN IMMEDIATE"), what);
        if (const Tried tried = tryRun(alterStatement(table, newName)); tried == Tried::Refused)
            refusal = connection_->words();
        else if (tried == Tried::Failed)
            fail(what);
        after = schemaVersion();
        if (ownStep)
            run(refusal.isEmpty() ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"), what);
    } catch (...) {
        if (ownStep)
            rollback();
        cachedVersion_ = -1;
        throw;
    }
    if (!refusal.isEmpty())
        return refusal;
    // The entry keeps its place in the catalogue; when nothing else changed
    // the schema meanwhile, only its name is new.
    const qsizetype at = names_.indexOf(table);
    if (sameShape && known >= 0 && at >= 0 && after == known + 1) {
        names_[at] = newName;
        cachedVersion_ = after;
    } else {
        cachedVersion_ = -1;
    }
    return {};
}
