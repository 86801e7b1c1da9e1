#include "backups/RestoreCopy.h"

#include "backups/CopyDatabase.h"
#include "backups/SafetyCopyList.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "db/SafetyCopy.h"

#include <sqlite3.h>

#include <memory>

namespace {

const QString kNotRestored = QStringLiteral("Varmuuskopiota ei palautettu; tietokanta on ennallaan.");

QString engineMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Keeps the file locked against every other program until the connection
// closes. The lock is taken by a write transaction that changes nothing;
// the exclusive locking mode keeps it after the commit, so the backup then
// writes with the lock already held.
void lockExclusively(Database& database)
{
    sqlite3* db = database.nativeHandle();
    if (sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr)
        != SQLITE_OK) {
        const QString message = engineMessage(db);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw Failure(QStringLiteral("Tietokantaa ei voitu lukita palautusta varten; se voi olla toisen "
                                     "ohjelman käytössä."),
                      database.path(), message);
    }
}

struct BackupFinisher {
    void operator()(sqlite3_backup* backup) const { sqlite3_backup_finish(backup); }
};

// Every page of the copy replaces the database's pages in one committed
// write; the engine writes it through the database's own log or journal.
void copyPages(Database& database, const CopyDatabase& copy)
{
    sqlite3* db = database.nativeHandle();
    const QString what = QStringLiteral("Varmuuskopion sivuja ei voitu kirjoittaa tietokantaan.");
    std::unique_ptr<sqlite3_backup, BackupFinisher> backup(sqlite3_backup_init(db, "main", copy.handle(), "main"));
    if (!backup)
        throw Failure(what, database.path(), engineMessage(db));
    const int stepped = sqlite3_backup_step(backup.get(), -1);
    const int finished = sqlite3_backup_finish(backup.release());
    if (stepped != SQLITE_DONE)
        throw Failure(what, database.path(), QString::fromUtf8(sqlite3_errstr(stepped)));
    if (finished != SQLITE_OK)
        throw Failure(what, database.path(), engineMessage(db));
}

} // namespace

QString restoreSafetyCopy(const QString& databasePath, const QString& copyPath)
{
    if (!safetyCopyName(databasePath, copyPath))
        throw Failure(kNotRestored + QStringLiteral("\nTiedosto ei ole tämän tietokannan varmuuskopio."), copyPath);
    QString currentStateCopy;
    try {
        const CopyDatabase copy(copyPath);
        copy.checkSound();
        // The database as it stands is kept before anything changes it.
        currentStateCopy = SafetyCopy(databasePath);
        Database database = DatabaseEngine::instance().open(databasePath);
        lockExclusively(database);
        copyPages(database, copy);
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
