#include "db/Database.h"

#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"
#include "db/Reasons.h"

#include <sqlite3.h>

// The rename of a table by the engine itself, the try of it, and the
// catalogue's entries of every kind that the rename's checks look at.

namespace {

QString textOf(sqlite3_stmt* query, int column)
{
    return nameBytes::decode(reinterpret_cast<const char*>(sqlite3_column_text(query, column)),
                             sqlite3_column_bytes(query, column));
}

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
    const StmtPtr query = sqlite::prepare(db(), "SELECT type, name, tbl_name FROM sqlite_master ORDER BY rowid");
    if (!query)
        fail(QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW) {
        const QString entryName = textOf(query.get(), 1);
        if (entryName.toCaseFolded() == folded)
            return Entry{textOf(query.get(), 0), entryName, textOf(query.get(), 2)};
    }
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
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
    const StmtPtr query = sqlite::prepare(db(), "SELECT type, name, tbl_name FROM sqlite_master ORDER BY rowid");
    if (!query)
        fail(QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    std::optional<Entry> found;
    while (sqlite3_step(query.get()) == SQLITE_ROW) {
        Entry entry{textOf(query.get(), 0), textOf(query.get(), 1), textOf(query.get(), 2)};
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
    const StmtPtr query = sqlite::prepare(db(), "SELECT 1 FROM sqlite_master WHERE type IN ('view', 'trigger')"
                                                " AND (sql LIKE ?1 OR sql LIKE ?2) LIMIT 1");
    if (!query)
        fail(QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    const QByteArray plain = nameBytes::encode(QLatin1Char('%') + name + QLatin1Char('%'));
    const QByteArray doubled =
        nameBytes::encode(QLatin1Char('%') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\""))
                          + QLatin1Char('%'));
    sqlite3_bind_text(query.get(), 1, plain.constData(), int(plain.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(query.get(), 2, doubled.constData(), int(doubled.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(query.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail(QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    return rc == SQLITE_ROW;
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
    const StmtPtr setting = sqlite::firstRow(db(), "PRAGMA legacy_alter_table");
    if (!setting)
        fail(what);
    if (sqlite3_column_int(setting.get(), 0) != 0)
        throw Failure(what, path_);
    renamesFollow_ = true;
}

int Database::tryRun(const QString& sql)
{
    const QByteArray utf8 = nameBytes::encode(sql);
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db(), utf8.constData(), int(utf8.size()), &raw, nullptr);
    const StmtPtr statement(raw);
    if (rc != SQLITE_OK)
        return rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {}
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

QString Database::renameRefusal(const QString& table, const QString& newName)
{
    endReading();
    keepRenamesFollowing();
    const QString what = QStringLiteral("Taulukkoa %1 ei voitu nimetä uudelleen, joten mitään ei muutettu.").arg(table);
    // Under this program's write lock a savepoint is undone within it; the
    // engine then writes back into the file whatever pages it had to write
    // out for want of room, so a safety copy taken next reads the file as it was.
    const bool inside = !sqlite3_get_autocommit(db());
    run(inside ? QStringLiteral("SAVEPOINT nimeamiskoe") : QStringLiteral("BEGIN"), what);
    const int rc = tryRun(alterStatement(table, newName));
    QString refusal;
    std::optional<Failure> failed;
    if (refused(rc))
        refusal = reasons::engineWords(connection_.handle());
    else if (rc != SQLITE_OK)
        failed = reasons::engineFailure(what, path_, connection_.handle());

    // A failed write may have ended the whole transaction already.
    const bool stillOpen = !sqlite3_get_autocommit(connection_.handle());
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
        if (const int rc = tryRun(alterStatement(table, newName)); refused(rc))
            refusal = reasons::engineWords(connection_.handle());
        else if (rc != SQLITE_OK)
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
