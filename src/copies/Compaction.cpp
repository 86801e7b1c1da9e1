#include "copies/Compaction.h"

#include "copies/CopySpace.h"
#include "db/Failure.h"
#include "db/FileCheck.h"
#include "db/Reasons.h"
#include "db/SqliteHandles.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <cstdlib>
#include <future>
#include <sys/stat.h>

namespace {

const QString kNotCompacted = QStringLiteral("Tietokantaa ei tiivistetty; se on ennallaan.");

// Long enough for another program's short write to end; a program that
// keeps the file open for reading is not waited for.
constexpr int kBusyTimeoutMs = 2000;

qint64 sizeIfThere(const QString& path)
{
    const QFileInfo file(path);
    return file.exists() ? file.size() : 0;
}

qint64 fileBytes(const QString& databasePath)
{
    return sizeIfThere(databasePath) + sizeIfThere(databasePath + QStringLiteral("-wal"));
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
        const std::optional<qint64> free = copySpace::freeBytes(folder);
        if (!free)
            throw Failure(kNotCompacted + QStringLiteral("\nLevyn vapaata tilaa ei voitu selvittää."), folder);
        if (*free < wanted)
            throw Failure(kNotCompacted
                              + QStringLiteral("\nLevyllä ei ole tilaa tiivistämiselle: tarvitaan %1, vapaana %2.")
                                    .arg(copySpace::size(wanted), copySpace::size(*free)),
                          folder);
    }
}

sqlite::DbPtr openDatabase(const QString& databasePath, int flags)
{
    checkFile(databasePath);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &raw, flags, nullptr);
    sqlite::DbPtr db(raw);
    if (rc != SQLITE_OK)
        throw Failure(kNotCompacted + QStringLiteral("\nTietokantaa ei voitu avata."), databasePath,
                      raw ? reasons::forConnection(raw) : reasons::forEngineCode(rc),
                      raw ? reasons::engineWords(raw) : QString::fromUtf8(sqlite3_errstr(rc)));
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return db;
}

qint64 pragmaValue(sqlite3* db, const char* sql, const QString& path)
{
    const sqlite::StmtPtr row = sqlite::firstRow(db, sql);
    if (!row)
        throw reasons::engineFailure(QStringLiteral("Tietokannan tietoja ei voitu lukea."), path, db);
    return sqlite3_column_int64(row.get(), 0);
}

QString textValue(sqlite3* db, const char* sql, const QString& path)
{
    const sqlite::StmtPtr row = sqlite::firstRow(db, sql);
    if (!row)
        throw reasons::engineFailure(QStringLiteral("Tietokannan tietoja ei voitu lukea."), path, db);
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(row.get(), 0)));
}

// Runs `sql` on another thread while the caller's thread reports that work goes on.
int runAside(sqlite3* db, const char* sql, const std::function<void()>& stillWorking)
{
    std::future<int> done = std::async(std::launch::async, [db, sql] {
        return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    });
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        if (stillWorking)
            stillWorking();
    return done.get();
}

} // namespace

CompactionEstimate estimateCompaction(const QString& databasePath)
{
    const sqlite::DbPtr db = openDatabase(databasePath, SQLITE_OPEN_READONLY);
    const qint64 pageSize = pragmaValue(db.get(), "PRAGMA page_size", databasePath);
    const qint64 freePages = pragmaValue(db.get(), "PRAGMA freelist_count", databasePath);
    return {fileBytes(databasePath), pageSize * freePages};
}

namespace {

void compactLocked(const QString& databasePath, const std::function<void()>& stillWorking)
{
    const sqlite::DbPtr db = openDatabase(databasePath, SQLITE_OPEN_READWRITE);
    sqlite3* handle = db.get();
    // The exclusive lock is taken before anything is read and kept until the
    // end; in write-ahead-log mode this also keeps out readers, which would
    // otherwise read on and keep the file from shrinking.
    if (sqlite3_exec(handle, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw reasons::engineFailure(kNotCompacted, databasePath, handle);
    if (const int rc = sqlite3_exec(handle, "BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr);
        rc != SQLITE_OK) {
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
            throw Failure(kNotCompacted
                              + QStringLiteral("\nToinen ohjelma käyttää tietokantaa. Sulje Lumeri-ohjelmat ja "
                                               "yritä uudelleen."),
                          databasePath, reasons::kLocked, reasons::engineWords(handle));
        throw reasons::engineFailure(kNotCompacted, databasePath, handle);
    }
    ensureRoom(databasePath);

    if (runAside(handle, "VACUUM", stillWorking) != SQLITE_OK)
        throw reasons::engineFailure(kNotCompacted, databasePath, handle);
    // From here the compacted database is committed. In write-ahead-log mode
    // it is in the log until it is copied into the file.
    const bool wal = textValue(handle, "PRAGMA journal_mode", databasePath) == QLatin1String("wal");
    if (wal && runAside(handle, "PRAGMA wal_checkpoint(TRUNCATE)", stillWorking) != SQLITE_OK)
        throw reasons::engineFailure(QStringLiteral("Tietokanta tiivistettiin, mutta tiedosto pienenee vasta, "
                                                    "kun tietokanta seuraavan kerran suljetaan."),
                                     databasePath, handle);
    // Back to normal locking, which lets the engine remove the journal it kept.
    sqlite3_exec(handle, "PRAGMA locking_mode=NORMAL; SELECT count(*) FROM sqlite_master;", nullptr, nullptr,
                 nullptr);
}

} // namespace

qint64 compactDatabase(const QString& databasePath, const std::function<void()>& stillWorking)
{
    compactLocked(databasePath, stillWorking);
    return fileBytes(databasePath);
}
