#include "copies/CopyPages.h"

#include "db/Connection.h"
#include "db/EngineFile.h"
#include "db/FileCheck.h"
#include "db/PageBackup.h"
#include "db/Reasons.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <vector>

namespace {

const QString kUnreadable = QStringLiteral("Tietokantatiedostoa ei voitu lukea.");

// The page size the file's header gives, read as the engine reads the file:
// asking the engine would make it parse the catalogue first.
int pageSizeOf(const Connection& db)
{
    const FileHeader header(EngineFile(db, kUnreadable).header(18, kUnreadable));
    return qMax(header.pageSize(), 512);
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

bool usesWriteAheadLog(const Connection& db)
{
    const QString what = QStringLiteral("Tietokannan lokitilaa ei voitu lukea.");
    return FileHeader(EngineFile(db, kUnreadable).header(FileHeader::kSize, what)).usesWriteAheadLog();
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

void copyBytes(const Connection& db, int reader, int target, const std::function<void(qint64, qint64)>& progress)
{
    const QString& path = db.path();
    const QString& unreadable = kUnreadable;
    const qint64 size = EngineFile(db, unreadable).size(unreadable);
    if (cloned(reader, target, path))
        return;

    // A piece takes a hundredth of a second or so even from a slow disk, so
    // a window told of each one stays answering and shows the copy at once.
    constexpr qint64 kStep = 4 << 20;
    if (progress)
        progress(0, size);
    std::vector<char> buffer;   // used only where the kernel cannot copy between these files
    for (qint64 offset = 0; offset < size;) {
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
void copyThroughEngine(Connection& db, const QByteArray& targetPath,
                       const std::function<void(qint64, qint64)>& progress)
{
    const QString what = QStringLiteral("Tietokantaa ei voitu kopioida.");
    Connection copy(db.path(), Connection::OpenAs::ReadWrite, what, targetPath);
    // Written once and flushed to disk by the caller: a journal of its own
    // would only double the writing.
    copy.run("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", what);

    // A write refused by the system shows in the copy's connection.
    PageBackup backup(copy, db, what);
    // In pieces of a few megabytes, so that the window can be told of each;
    // our write lock keeps the source from changing between them.
    const int pagesPerStep = copyPages::pagesPerPiece(pageSizeOf(db));
    PageBackup::Step stepped = PageBackup::Step::More;
    do {
        stepped = backup.step(progress ? pagesPerStep : -1);
        if (progress && stepped != PageBackup::Step::Failed) {
            const int total = backup.pageCount();
            progress(total - backup.remaining(), total);
        }
    } while (stepped == PageBackup::Step::More);
    backup.finish();
    if (const std::optional<Failure> refused = copy.close(what))
        throw *refused;
}

} // namespace copyPages
