#include "copies/RestoreCopy.h"

#include "copies/CopyDatabase.h"
#include "copies/SafetyCopyList.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "db/SqliteHandles.h"
#include "copies/SafetyCopy.h"

#include <sqlite3.h>

#include <memory>

namespace {

const QString kNotRestored = QStringLiteral("Varmuuskopiota ei palautettu; tietokanta on ennallaan.");

QString engineMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

using Backup = sqlite::BackupPtr;

const QString kPagesNotWritten = QStringLiteral("Varmuuskopion sivuja ei voitu kirjoittaa tietokantaan.");

// The backup's first step copies no page: it only opens the backup's write
// transaction on the database, which lasts until the last page is in, so a
// copy of the current state taken meanwhile is the state replaced. The copy
// changes nothing through the connection; it reads its open file, or the log
// through a second connection. In rollback-journal mode the engine takes the
// exclusive lock at once. In write-ahead-log mode it takes the write lock:
// an exclusive lock would keep that second connection out, and the engine
// takes one only at the start of a transaction, so the write lock would
// have to be let go first.
Backup lockForRestore(Database& database, const CopyDatabase& copy)
{
    sqlite3* db = database.nativeHandle();
    Backup backup(sqlite3_backup_init(db, "main", copy.handle(), "main"));
    if (!backup)
        throw Failure(kPagesNotWritten, database.path(), engineMessage(db));
    if (const int stepped = sqlite3_backup_step(backup.get(), 0); stepped != SQLITE_OK) {
        const int primary = stepped & 0xff;
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
            throw Failure(QStringLiteral("Tietokantaa ei voitu lukita palautusta varten; se voi olla toisen "
                                         "ohjelman käytössä."),
                          database.path(), QString::fromUtf8(sqlite3_errstr(stepped)));
        throw Failure(kPagesNotWritten, database.path(), QString::fromUtf8(sqlite3_errstr(stepped)));
    }
    return backup;
}

// Every page of the copy replaces the database's pages in the one write the
// backup holds open; the engine writes it through the database's own log or
// journal.
void copyPages(Database& database, Backup backup, const std::function<void()>& stillWorking)
{
    // In pieces of some megabytes when someone waits to hear of each; the
    // write transaction stays open from the first piece to the last.
    constexpr int kPagesPerStep = 1024;
    int stepped = SQLITE_OK;
    do {
        stepped = sqlite3_backup_step(backup.get(), stillWorking ? kPagesPerStep : -1);
        if (stillWorking && stepped == SQLITE_OK)
            stillWorking();
    } while (stepped == SQLITE_OK);
    const int finished = sqlite3_backup_finish(backup.release());
    if (stepped != SQLITE_DONE)
        throw Failure(kPagesNotWritten, database.path(), QString::fromUtf8(sqlite3_errstr(stepped)));
    if (finished != SQLITE_OK)
        throw Failure(kPagesNotWritten, database.path(), engineMessage(database.nativeHandle()));
}

} // namespace

QString restoreSafetyCopy(const QString& databasePath, const QString& copyPath,
                          const std::function<void()>& stillWorking)
{
    if (!safetyCopyName(databasePath, copyPath))
        throw Failure(kNotRestored + QStringLiteral("\nTiedosto ei ole tämän tietokannan varmuuskopio."), copyPath);
    QString currentStateCopy;
    try {
        const CopyDatabase copy(copyPath);
        copy.checkSound();
        Database database = DatabaseEngine::instance().open(databasePath);
        Backup backup = lockForRestore(database, copy);
        // The database as it stands is kept before anything changes it, under
        // the lock the pages are then written with.
        currentStateCopy = SafetyCopy(database, [&stillWorking](qint64, qint64) {
            if (stillWorking)
                stillWorking();
        });
        copyPages(database, std::move(backup), stillWorking);
        database.close();
    } catch (const Failure& failure) {
        if (currentStateCopy.isEmpty())
            throw failure.withContext(kNotRestored);
        throw failure.withContext(QStringLiteral("Varmuuskopion palauttaminen epäonnistui. Tietokanta sellaisena "
                                                 "kuin se oli ennen palautusta on tallessa tiedostossa\n%1")
                                      .arg(currentStateCopy));
    }
    return currentStateCopy;
}
