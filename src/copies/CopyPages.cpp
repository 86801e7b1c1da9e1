#include "copies/CopyPages.h"

#include "db/Reasons.h"
#include "db/SqliteHandles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <vector>

namespace {

// The database file as the engine has it open and locked.
sqlite3_file* engineFile(sqlite3* db, const QString& path)
{
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file
        || !file->pMethods)
        throw Failure(QStringLiteral("Tietokantatiedostoa ei voitu lukea."), path,
                      QStringLiteral("tietokannan avointa tiedostoa ei saatu käyttöön"));
    return file;
}

// The page size the file's header gives, read as the engine reads the file:
// asking the engine would make it parse the catalogue first.
int pageSizeOf(sqlite3* db, const QString& path)
{
    sqlite3_file* file = engineFile(db, path);
    unsigned char header[18] = {};
    if (const int rc = file->pMethods->xRead(file, header, sizeof header, 0); rc != SQLITE_OK)
        throw reasons::codeFailure(QStringLiteral("Tietokantatiedostoa ei voitu lukea."), path, rc);
    const int size = (header[16] << 8) | header[17];
    return size == 1 ? 65536 : qMax(size, 512);
}

// Asked under the lock: the mode cannot change meanwhile.
// The file's header tells it; asking the engine for its journal mode would
// make it parse the whole catalogue first, a tenth of a second at 10,000
// tables.
} // namespace

namespace copyPages {

int pagesPerPiece(int pageSize)
{
    // Small pages cost the engine as much each as large ones: at most 1024.
    constexpr int kPieceBytes = 4 << 20;
    return qBound(16, kPieceBytes / qMax(pageSize, 512), 1024);
}

bool usesWriteAheadLog(sqlite3* db, const QString& path)
{
    sqlite3_file* file = engineFile(db, path);
    unsigned char header[100] = {};
    if (const int rc = file->pMethods->xRead(file, header, sizeof header, 0); rc != SQLITE_OK)
        throw reasons::codeFailure(QStringLiteral("Tietokannan lokitilaa ei voitu lukea."), path, rc);
    constexpr int kReadVersion = 19;   // 2: the log is used
    return header[kReadVersion] == 2;
}

} // namespace copyPages

namespace {

void writeAll(int fd, const char* data, qint64 size, off_t offset, const QString& path)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size_t(size), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw reasons::systemFailure(QStringLiteral("Varmuuskopiota ei voitu kirjoittaa."), path, errno);
        }
        data += written;
        size -= written;
        offset += written;
    }
}

bool kernelCannotCopy(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// A file system that shares blocks between files (XFS, btrfs) makes the
// copy in one step without writing the data again; in pieces, each piece
// would wait for the file system's log.
bool cloned(int reader, int target, const QString& path)
{
    if (::ioctl(target, FICLONE, reader) == 0)
        return true;
    // Whatever a refused clone left goes before the bytes are copied.
    if (::ftruncate(target, 0) != 0)
        throw reasons::systemFailure(QStringLiteral("Varmuuskopiota ei voitu kirjoittaa."), path, errno);
    return false;
}

// A byte copy of the main file, made by the kernel from `reader`, a
// descriptor of the program's own on the same file. The caller's write
// lock keeps every other writer from committing meanwhile. The size comes
// from the engine's own open file, so the copy is of the file the engine has
// locked. Written pages are sent to the disk as the copy goes, so that the
// final flush has little left to do.
} // namespace

namespace copyPages {

void copyBytes(sqlite3* db, int reader, int target, const QString& path,
               const std::function<void(qint64, qint64)>& progress)
{
    const QString unreadable = QStringLiteral("Tietokantatiedostoa ei voitu lukea.");
    sqlite3_file* file = engineFile(db, path);
    sqlite3_int64 size = 0;
    if (const int rc = file->pMethods->xFileSize(file, &size); rc != SQLITE_OK)
        throw reasons::codeFailure(unreadable, path, rc);
    if (cloned(reader, target, path))
        return;

    // A piece takes a hundredth of a second or so even from a slow disk, so
    // a window told of each one stays answering and shows the copy at once.
    constexpr sqlite3_int64 kStep = 4 << 20;
    if (progress)
        progress(0, size);
    std::vector<char> buffer;   // used only where the kernel cannot copy between these files
    for (sqlite3_int64 offset = 0; offset < size;) {
        const size_t amount = size_t(std::min(kStep, size - offset));
        ssize_t copied = -1;
        if (buffer.empty()) {
            off_t in = offset, out = offset;
            copied = ::copy_file_range(reader, &in, target, &out, amount, 0);
            if (copied < 0 && offset == 0 && kernelCannotCopy(errno)) {
                buffer.resize(256 << 10);   // small enough to stay in the processor's cache
                continue;
            }
            if (copied < 0)
                throw reasons::systemFailure(QStringLiteral("Varmuuskopiota ei voitu kirjoittaa."), path, errno);
        } else {
            copied = ::pread(reader, buffer.data(), std::min(amount, buffer.size()), offset);
            if (copied < 0)
                throw reasons::systemFailure(unreadable, path, errno);
            writeAll(target, buffer.data(), copied, offset, path);
        }
        if (copied == 0)
            throw Failure(unreadable, path, QStringLiteral("tiedosto lyheni kesken kopioinnin"));
        ::sync_file_range(target, offset, copied, SYNC_FILE_RANGE_WRITE);
        offset += copied;
        if (progress)
            progress(offset, size);
    }
}

// In write-ahead-log mode the main file alone is not the database, and a
// checkpoint by another program may write into it at any time, even while we
// hold the write lock. So the pages are copied through the engine instead:
// the backup reads every page of `db`'s snapshot, from the log or the main
// file as the engine knows best. A connection that is writing cannot be a
// backup's source, so `db` is a second one, reading since the lock was taken.
void copyThroughEngine(sqlite3* db, const QByteArray& targetPath, const QString& path,
                       const std::function<void(qint64, qint64)>& progress)
{
    const QString what = QStringLiteral("Tietokantaa ei voitu kopioida.");
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(targetPath.constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    sqlite::DbPtr copy(raw);
    if (opened != SQLITE_OK)
        throw reasons::codeFailure(what, path, opened);
    // Written once and flushed to disk by the caller: a journal of its own
    // would only double the writing.
    if (sqlite3_exec(raw, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw reasons::engineFailure(what, path, raw);

    sqlite::BackupPtr owned(sqlite3_backup_init(raw, "main", db, "main"));
    if (!owned)
        throw reasons::engineFailure(what, path, raw);
    sqlite3_backup* backup = owned.get();
    // In pieces of a few megabytes, so that the window can be told of each;
    // our write lock keeps the source from changing between them.
    const int pagesPerStep = copyPages::pagesPerPiece(pageSizeOf(db, path));
    int stepped = SQLITE_OK;
    do {
        stepped = sqlite3_backup_step(backup, progress ? pagesPerStep : -1);
        if (progress && (stepped == SQLITE_OK || stepped == SQLITE_DONE)) {
            const int total = sqlite3_backup_pagecount(backup);
            progress(total - sqlite3_backup_remaining(backup), total);
        }
    } while (stepped == SQLITE_OK);
    const int finished = sqlite3_backup_finish(owned.release());
    if (stepped != SQLITE_DONE) {
        // A write refused by the system shows in the copy's connection.
        const int error = sqlite3_system_errno(raw);
        throw Failure(what, path,
                      error != 0 ? reasons::forSystemError(error) : reasons::forFailedCall(stepped, 0, path),
                      QString::fromUtf8(sqlite3_errstr(stepped)));
    }
    if (finished != SQLITE_OK)
        throw reasons::engineFailure(what, path, raw);
    if (sqlite3_close(copy.get()) != SQLITE_OK)
        throw reasons::engineFailure(what, path, raw);
    copy.release();
}

} // namespace copyPages
