#include "copies/Compaction.h"

#include "copies/DiskRoom.h"
#include "db/Connection.h"
#include "db/Failure.h"
#include "db/FileCheck.h"
#include "db/LockWait.h"
#include "db/Statement.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <sys/stat.h>

namespace {

const QString kNotCompacted = QStringLiteral("Tietokantaa ei tiivistetty; se on ennallaan.");
const QString kUnchanged = QStringLiteral("Tietokanta on ennallaan.");

// Without a window to tell the wait: long enough for another program's
// short write to end; a program that keeps the file open for reading is not
// waited for.
constexpr int kQuietWaitMs = 2000;

qint64 fileBytes(const QString& databasePath)
{
    return diskRoom::databaseBytes(databasePath);
}

// Where the engine writes its temporary files, looked for in its own order.
QString engineTempFolder()
{
    for (const char* variable : {"SQLITE_TMPDIR", "TMPDIR"}) {
        const QString folder = QFile::decodeName(qgetenv(variable));
        const QFileInfo info(folder);
        if (!folder.isEmpty() && info.isDir() && info.isWritable())
            return folder;
    }
    for (const char* folder : {"/var/tmp", "/usr/tmp", "/tmp"}) {
        const QFileInfo info(QString::fromLatin1(folder));
        if (info.isDir() && info.isWritable())
            return info.filePath();
    }
    return QStringLiteral(".");
}

dev_t deviceOf(const QString& folder)
{
    struct stat status {};
    return ::stat(QFile::encodeName(folder).constData(), &status) == 0 ? status.st_dev : dev_t(-1);
}

// The engine builds the compact database in its temporary folder, then
// writes it into the file through a journal or log beside it: each needs
// about the file's size, both on one disk when the folders share it.
void ensureRoom(const QString& databasePath)
{
    const qint64 needed = fileBytes(databasePath);
    const QString databaseFolder = QFileInfo(databasePath).absolutePath();
    const QString tempFolder = engineTempFolder();
    const bool oneDisk = deviceOf(databaseFolder) == deviceOf(tempFolder);
    const QStringList folders = oneDisk ? QStringList{databaseFolder} : QStringList{databaseFolder, tempFolder};
    for (const QString& folder : folders) {
        const qint64 wanted = oneDisk ? 2 * needed : needed;
        const std::optional<qint64> free = diskRoom::freeBytes(folder);
        if (!free)
            throw Failure(kNotCompacted + QStringLiteral("\nLevyn vapaata tilaa ei voitu selvittää."), folder);
        if (*free < wanted)
            throw Failure(kNotCompacted + QLatin1Char('\n')
                              + diskRoom::noRoomMessage(QStringLiteral("tiivistämiselle"), wanted, *free),
                          folder);
    }
}

KeepWaiting orQuiet(KeepWaiting keepWaiting)
{
    if (keepWaiting)
        return keepWaiting;
    return [](int elapsedMs) { return elapsedMs < kQuietWaitMs; };
}

const QString kNotRead = QStringLiteral("Tietokannan tietoja ei voitu lukea.");

Connection openDatabase(const QString& databasePath, Connection::OpenAs how, const KeepWaiting& keepWaiting)
{
    checkFile(databasePath);
    Connection connection(databasePath, how, kNotCompacted + QStringLiteral("\nTietokantaa ei voitu avata."));
    connection.waitAsTold(keepWaiting);
    return connection;
}

qint64 pragmaValue(const Connection& db, const char* sql)
{
    return Statement(db, sql, kNotRead).firstNumber();
}

QString textValue(const Connection& db, const char* sql)
{
    Statement row(db, sql, kNotRead);
    if (!row.next())
        db.fail(kNotRead);
    return row.text(0);
}

// A wait for another program on the engine's thread, decided on the
// caller's, which owns the dialogs: the engine's handler only reports how
// long it has waited and reads the caller's last answer.
class WaitAcross {
public:
    explicit WaitAcross(KeepWaiting keepWaiting) : keepWaiting_(std::move(keepWaiting)) {}

    KeepWaiting aside()
    {
        return [this](int elapsedMs) {
            if (elapsedMs == 0)
                keep_ = true;
            waited_ = elapsedMs;
            return keep_.load();
        };
    }
    // On the caller's thread: false while no wait goes on.
    bool tell()
    {
        const int elapsedMs = waited_.exchange(-1);
        if (elapsedMs < 0)
            return false;
        try {
            keep_ = keepWaiting_(elapsedMs);
        } catch (...) {
            keep_ = false;   // the engine's thread stops waiting before the failure leaves
            throw;
        }
        return true;
    }

private:
    const KeepWaiting keepWaiting_;
    std::atomic<int> waited_{-1};
    std::atomic<bool> keep_{true};
};

// Runs `sql` on another thread while the caller's thread reports that work
// goes on, or tells the engine's wait for another program.
bool runAside(Connection& connection, const char* sql, const std::function<void()>& stillWorking,
              const KeepWaiting& keepWaiting)
{
    WaitAcross across(keepWaiting);
    connection.setKeepWaiting(across.aside());
    bool ran = false;
    {
        std::future<bool> done = std::async(std::launch::async, [&connection, sql] { return connection.tryRun(sql); });
        while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            if (!across.tell() && stillWorking)
                stillWorking();
        ran = done.get();
    }
    connection.setKeepWaiting(keepWaiting);
    return ran;
}

} // namespace

namespace {

// Reading every page of a large file takes its time; past this the
// question goes without the unused room inside pages.
constexpr int kPageStatisticsMs = 1500;

// The pages the tables and indexes would take packed full, as compacting
// packs them: for each, the bytes its pages hold but do not leave unused,
// in whole pages. Empty when the engine has no page statistics or they
// take too long.
std::optional<qint64> packedPages(const Connection& db, qint64 pageSize)
{
    std::optional<Statement> query =
        Statement::ifAccepted(db, "SELECT sum(pgsize), sum(unused) FROM dbstat('main', 1) GROUP BY name");
    if (!query)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPageStatisticsMs);
    const Connection::Watch late(db, 1000, [deadline] { return std::chrono::steady_clock::now() > deadline; });
    qint64 pages = 0;
    Statement::Step stepped;
    while ((stepped = query->step()) == Statement::Step::Row) {
        const qint64 held = query->number(0) - query->number(1);
        pages += (held + pageSize - 1) / pageSize;
    }
    if (stepped != Statement::Step::Done)
        return std::nullopt;
    return pages;
}

} // namespace

CompactionEstimate estimateCompaction(const QString& databasePath, KeepWaiting keepWaiting)
{
    Connection db = openDatabase(databasePath, Connection::OpenAs::ReadOnly, orQuiet(std::move(keepWaiting)));
    // One snapshot for every figure.
    const Transaction snapshot(db, Transaction::Kind::Deferred, kNotRead);
    const qint64 pageSize = pragmaValue(db, "PRAGMA page_size");
    const qint64 pageCount = pragmaValue(db, "PRAGMA page_count");
    const qint64 freePages = pragmaValue(db, "PRAGMA freelist_count");
    const qint64 bytes = fileBytes(databasePath);
    // The first page holds the file's header and the catalogue's root.
    const std::optional<qint64> packed = packedPages(db, pageSize);
    const qint64 pagesAfter = packed ? qMax(*packed, qint64(1)) : pageCount - freePages;
    return {bytes, qMax(qint64(0), bytes - pagesAfter * pageSize), !packed};
}

namespace {

void compactLocked(const QString& databasePath, const std::function<void()>& stillWorking,
                   const KeepWaiting& keepWaiting)
{
    Connection db = openDatabase(databasePath, Connection::OpenAs::ReadWrite, keepWaiting);
    // The exclusive lock is taken before anything is read and kept until the
    // end; in write-ahead-log mode this also keeps out readers, which would
    // otherwise read on and keep the file from shrinking.
    if (!db.tryRun("PRAGMA locking_mode=EXCLUSIVE"))
        throw db.failure(kNotCompacted).withState(kUnchanged);
    // Another program's lock is told by the waiting dialogs, in the operation's words.
    if (!db.tryRun("BEGIN EXCLUSIVE; COMMIT;"))
        throw db.failure(kNotCompacted).withState(kUnchanged);
    // The work begins: a window shows its progress from here on.
    if (stillWorking)
        stillWorking();
    ensureRoom(databasePath);

    if (!runAside(db, "VACUUM", stillWorking, keepWaiting))
        throw db.failure(kNotCompacted).withState(kUnchanged);
    // From here the compacted database is committed. In write-ahead-log mode
    // it is in the log until it is copied into the file.
    const bool wal = textValue(db, "PRAGMA journal_mode") == QLatin1String("wal");
    if (wal && !runAside(db, "PRAGMA wal_checkpoint(TRUNCATE)", stillWorking, keepWaiting))
        db.fail(QStringLiteral("Tietokanta tiivistettiin, mutta tiedosto pienenee vasta, kun tietokanta seuraavan "
                               "kerran suljetaan."));
    // Back to normal locking, which lets the engine remove the journal it kept.
    db.tryRun("PRAGMA locking_mode=NORMAL; SELECT count(*) FROM sqlite_master;");
}

} // namespace

qint64 compactDatabase(const QString& databasePath, const std::function<void()>& stillWorking,
                       KeepWaiting keepWaiting)
{
    compactLocked(databasePath, stillWorking, orQuiet(std::move(keepWaiting)));
    return fileBytes(databasePath);
}
