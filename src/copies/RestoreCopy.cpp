#include "copies/RestoreCopy.h"

#include "copies/ReadOnlyCopy.h"
#include "copies/CopyPages.h"
#include "copies/SafetyCopy.h"
#include "copies/SafetyCopyList.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "db/PageBackup.h"
#include "db/Reasons.h"
#include "db/Statement.h"

#include <QFile>

#include <memory>
#include <sys/stat.h>

namespace {

const QString kNotRestored = QStringLiteral("Varmuuskopiota ei palautettu; tietokanta on ennallaan.");
const QString kUnchanged = QStringLiteral("Tietokanta on ennallaan.");
const QString kChangedMeanwhile =
    QStringLiteral("Palautus ei kirjoittanut tietokantaan, mutta tietokantatiedosto muuttui palautusyrityksen "
                   "aikana, joten se ei ole täsmälleen ennallaan (esimerkiksi toinen ohjelma kirjoitti siihen).");
const QString kNotRestoredButChanged = QStringLiteral("Varmuuskopiota ei palautettu. ") + kChangedMeanwhile;
const QString kWriteUndone =
    QStringLiteral("Tietokantamoottori perui kesken jääneen kirjoituksen, joten tietokannassa on sen aiempi "
                   "sisältö, mutta tiedosto ei välttämättä ole tavu tavulta ennallaan.");
const QString kPagesNotWritten = QStringLiteral("Varmuuskopion sivuja ei voitu kirjoittaa tietokantaan.");
const QString kNotLocked = QStringLiteral("Tietokantaa ei voitu lukita palautusta varten; se voi olla toisen "
                                          "ohjelman käytössä.");

// In write-ahead-log mode the commit is the log's last frames and their
// flush: once they are written, a failure to flush them leaves a log that
// may hold the whole restore.
const QString kCommitUnknown =
    QStringLiteral("Palautus epäonnistui viimeisessä vaiheessa, kun varmuuskopion sivut oli jo kirjoitettu tietokannan "
                   "lokiin (WAL). Ei voida tietää, näkeekö seuraava tietokannan avaava ohjelma palautetun vai aiemman "
                   "sisällön.");

// How far the restore got, for what a failure can truthfully say.
enum class Stage { NothingWritten, Writing, Committing, Restored };

// The database's files as a write leaves its mark on them: the main file's
// size and time of change, and a log beside it that holds anything. The
// engine makes an empty log when it opens a database in write-ahead-log
// mode; that changes no byte of the database.
struct FileState {
    struct Mark {
        bool present = false;
        qint64 size = 0;
        qint64 seconds = 0;
        qint64 nanoseconds = 0;
        ino_t inode = 0;
        bool operator==(const Mark&) const = default;
    };
    Mark main;
    Mark log;

    static Mark of(const QString& path, bool emptyIsAbsent)
    {
        struct stat seen {};
        if (::stat(QFile::encodeName(path).constData(), &seen) != 0 || (emptyIsAbsent && seen.st_size == 0))
            return {};
        return {true, seen.st_size, seen.st_mtim.tv_sec, seen.st_mtim.tv_nsec, seen.st_ino};
    }
    static FileState of(const QString& databasePath)
    {
        return {of(databasePath, false), of(databasePath + QStringLiteral("-wal"), true)};
    }
    bool operator==(const FileState&) const = default;
};

qint64 number(const Connection& db, const char* sql)
{
    return Statement(db, sql, QStringLiteral("Tietokannan tietoja ei voitu lukea.")).firstNumber();
}

// The backup's first step copies no page: it only opens the backup's write
// transaction on the database, which lasts until the last page is in, so a
// copy of the current state taken meanwhile is the state replaced. The copy
// changes nothing through the connection; it reads its open file, or the log
// through a second connection. In rollback-journal mode the engine takes the
// exclusive lock at once. In write-ahead-log mode it takes the write lock:
// an exclusive lock would keep that second connection out, and the engine
// takes one only at the start of a transaction, so the write lock would
// have to be let go first.
// The copy has at least one page (checked in the snapshot the backup reads),
// so this first step cannot finish the backup and commit.
PageBackup lockForRestore(Database& database, const ReadOnlyCopy& copy)
{
    PageBackup backup(database.connection(), copy.connection(), kPagesNotWritten);
    if (backup.step(0) == PageBackup::Step::Failed) {
        const Failure failed = backup.failure();
        if (reasons::lockedOut(failed))
            throw failed.reworded(kNotLocked);
        throw failed;
    }
    return backup;
}

// Every page of the copy replaces the database's pages in the one write the
// backup holds open; the engine writes it through the database's own log or
// journal.
void writePages(PageBackup backup, int pageSize, const std::function<void()>& stillWorking, Stage& stage)
{
    // In pieces of a few megabytes when someone waits to hear of each; the
    // write transaction stays open from the first piece to the last.
    const int pagesPerStep = copyPages::pagesPerPiece(pageSize);
    PageBackup::Step stepped = PageBackup::Step::More;
    do {
        stepped = backup.step(stillWorking ? pagesPerStep : -1);
        if (stillWorking && stepped == PageBackup::Step::More)
            stillWorking();
    } while (stepped == PageBackup::Step::More);
    // Every page copied: the step that failed was committing them.
    if (backup.failedCommitting())
        stage = Stage::Committing;
    backup.finish();
}

// The journal mode the engine is in after `sql` sets one.
QString journalMode(const Connection& db, const char* sql)
{
    std::optional<Statement> row = Statement::ifAccepted(db, sql);
    if (!row || row->step() != Statement::Step::Row)
        return {};
    return row->text(0);
}

CopyProgress progressOf(const std::function<void()>& stillWorking)
{
    return [&stillWorking](qint64, qint64) {
        if (stillWorking)
            stillWorking();
    };
}

// In write-ahead-log mode the engine writes no page of another size, so a
// copy whose page size differs is written with the database in
// rollback-journal mode, and the mode is set back afterwards. Leaving the
// log needs the file to itself: the engine then keeps every other program
// out, readers too, until this connection closes. Taking that lock means
// letting the write lock go for a moment, after the copy of the current
// state; a commit by another program in that moment refuses the restore.
void restoreInRollbackMode(Database& database, const ReadOnlyCopy& copy, const std::function<void()>& stillWorking,
                           QString& currentStateCopy, Stage& stage)
{
    Connection& db = database.connection();
    const QString& path = database.path();
    qint64 seen = 0;
    {
        Transaction current(db, Transaction::Kind::Immediate, kNotLocked);
        currentStateCopy = takeSafetyCopy(database, progressOf(stillWorking));
        seen = number(db, "PRAGMA data_version");
        current.rollback(kNotLocked);
    }
    db.run("PRAGMA locking_mode=EXCLUSIVE", kNotLocked);
    {
        Transaction alone(db, Transaction::Kind::Immediate,
                          QStringLiteral("Tietokantaa ei voitu varata yksin palautusta varten: varmuuskopion sivukoko "
                                         "on eri kuin tietokannan, ja sen palauttaminen vaatii, ettei mikään muu "
                                         "ohjelma pidä tietokantaa auki."));
        if (number(db, "PRAGMA data_version") != seen)
            throw Failure(QStringLiteral("Toinen ohjelma muutti tietokantaa palautuksen aikana, joten varmuuskopiota "
                                         "ei palautettu."),
                          path);
        alone.commit(kNotLocked);
    }

    stage = Stage::Writing;
    if (journalMode(db, "PRAGMA journal_mode=DELETE") != QLatin1String("delete"))
        db.fail(QStringLiteral("Tietokannan lokitilaa ei voitu vaihtaa palautusta varten."));
    try {
        writePages(lockForRestore(database, copy), copy.pageSize(), stillWorking, stage);
    } catch (const Failure& failure) {
        // Committed through a rollback journal: a failed commit is undone.
        if (stage == Stage::Committing)
            stage = Stage::Writing;
        // The database goes back to its log as it was, with its old pages.
        if (journalMode(db, "PRAGMA journal_mode=WAL") == QLatin1String("wal"))
            throw;
        throw failure.followedBy(QStringLiteral("Tietokanta jäi tavalliseen lokitilaan (ei WAL)."));
    }
    stage = Stage::Restored;
    if (journalMode(db, "PRAGMA journal_mode=WAL") != QLatin1String("wal"))
        db.fail(QStringLiteral("Tietokantaa ei voitu palauttaa WAL-lokitilaan; se jäi tavalliseen lokitilaan."));
}

bool needsRollbackMode(Database& database, const ReadOnlyCopy& copy)
{
    const Connection& db = database.connection();
    return copyPages::usesWriteAheadLog(db) && number(db, "PRAGMA page_size") != copy.pageSize();
}

} // namespace

QString restoreSafetyCopy(const QString& databasePath, const QString& copyPath,
                          const std::function<void()>& stillWorking, KeepWaiting keepWaiting)
{
    if (!safetyCopyName(databasePath, copyPath))
        throw Failure(kNotRestored + QStringLiteral("\nTiedosto ei ole tämän tietokannan varmuuskopio."), copyPath);
    if (isTheDatabaseItself(databasePath, copyPath))
        throw Failure(kNotRestored + QStringLiteral("\nValittu varmuuskopio on sama tiedosto kuin tietokanta (linkki "
                                                    "siihen), ei erillinen kopio."),
                      copyPath);
    const FileState before = FileState::of(databasePath);
    Stage stage = Stage::NothingWritten;
    bool wal = false;
    QString currentStateCopy;
    try {
        // The work shows itself before its first long step, the check of the copy.
        if (stillWorking)
            stillWorking();
        const ReadOnlyCopy copy(copyPath);
        // What is checked is what is written: one snapshot from here on.
        copy.holdSnapshot();
        copy.checkSound(stillWorking);
        Database database = DatabaseEngine::instance().open(databasePath, std::move(keepWaiting));
        Connection& db = database.connection();
        wal = copyPages::usesWriteAheadLog(db);
        // A failed restore leaves a log beside the database as it found it.
        db.setCheckpointOnClose(false);
        if (needsRollbackMode(database, copy)) {
            restoreInRollbackMode(database, copy, stillWorking, currentStateCopy, stage);
        } else {
            PageBackup backup = lockForRestore(database, copy);
            // The database as it stands is kept before anything changes it,
            // under the lock the pages are then written with.
            currentStateCopy = takeSafetyCopy(database, progressOf(stillWorking));
            stage = Stage::Writing;
            writePages(std::move(backup), copy.pageSize(), stillWorking, stage);
            stage = Stage::Restored;
        }
        db.setCheckpointOnClose(true);
        // The restored pages go from the log into the file now, waiting for
        // a reader of the moment as any step does, so that closing leaves no
        // log beside the file. The restore has committed: should this fail,
        // the log keeps the pages, and the next program reads them there.
        if (wal)
            db.tryRun("PRAGMA wal_checkpoint(TRUNCATE)");
        database.close();
    } catch (const Failure& failure) {
        const QString kept = currentStateCopy.isEmpty()
                                 ? QString()
                                 : QStringLiteral("\nTietokanta sellaisena kuin se oli ennen palautusta on tallessa "
                                                  "tiedostossa\n%1")
                                       .arg(currentStateCopy);
        switch (stage) {
        case Stage::NothingWritten: {
            const bool unchanged = FileState::of(databasePath) == before;
            throw failure.withContext((unchanged ? kNotRestored : kNotRestoredButChanged) + kept)
                .withState((unchanged ? kUnchanged : kChangedMeanwhile) + kept);
        }
        case Stage::Committing:
            if (wal)
                throw failure.withContext(kCommitUnknown + kept).withState(kCommitUnknown + kept);
            [[fallthrough]];
        case Stage::Writing:
            throw failure
                .withContext(QStringLiteral("Varmuuskopion palauttaminen epäonnistui kesken. ") + kWriteUndone + kept)
                .withState(kWriteUndone + kept);
        case Stage::Restored:
            throw failure.withContext(QStringLiteral("Varmuuskopio palautettiin.") + kept);
        }
    }
    return currentStateCopy;
}
