#include "db/SafetyCopy.h"

#include "db/Failure.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const QString kCopyFailed = QStringLiteral("Varmuuskopion tekeminen epäonnistui, joten tietokantaan ei koskettu.");

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A file descriptor that closes itself.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { if (fd_ >= 0) ::close(fd_); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// The copy in the making, under a name no safety copy has. Removed when it
// goes out of scope unless it was moved to its final name; after a link to
// the final name only this second name goes.
class TemporaryFile {
public:
    explicit TemporaryFile(QByteArray path) : path_(std::move(path)) {}
    ~TemporaryFile() { if (!path_.isEmpty()) ::unlink(path_.constData()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const QByteArray& path() const { return path_; }
    QString name() const { return QFile::decodeName(path_); }
    void movedAway() { path_.clear(); }

private:
    QByteArray path_;
};

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqlitePtr = std::unique_ptr<sqlite3, SqliteCloser>;

QString engineMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// The database as the copy reads it: a connection of its own, opened without
// reading the catalogue, which a copy does not need.
struct Source {
    QString path;
    SqlitePtr db;

    explicit Source(const QString& databasePath) : path(databasePath)
    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        db.reset(raw);
        if (rc != SQLITE_OK)
            throw Failure(QStringLiteral("Tietokantaa ei voitu avata."), path,
                          raw ? engineMessage(raw) : QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_busy_timeout(raw, 5000);
    }
};

// A read transaction on the database for as long as it lives. While it is
// open no other program can commit over the pages it reads.
class ReadTransaction {
public:
    explicit ReadTransaction(const Source& source) : db_(source.db.get())
    {
        // The BEGIN alone takes no lock; the first read does, and reading the
        // schema version parses nothing.
        if (sqlite3_exec(db_, "BEGIN; PRAGMA schema_version;", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const QString message = engineMessage(db_);
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw Failure(QStringLiteral("Tietokannasta ei voitu aloittaa lukemista."), source.path, message);
        }
    }
    ~ReadTransaction() { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    sqlite3* db_;
};

// The database file as the engine has it open and locked.
sqlite3_file* engineFile(const Source& source)
{
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(source.db.get(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file
        || !file->pMethods)
        throw Failure(QStringLiteral("Tietokantatiedostoa ei voitu lukea."), source.path,
                      QStringLiteral("tietokannan avointa tiedostoa ei saatu käyttöön"));
    return file;
}

// Asked inside the read transaction: the mode cannot change while it is open.
// The file's header tells it; asking the engine for its journal mode would
// make it parse the whole catalogue first, a tenth of a second at 10,000
// tables.
bool usesWriteAheadLog(const Source& source)
{
    sqlite3_file* file = engineFile(source);
    unsigned char header[100] = {};
    if (const int rc = file->pMethods->xRead(file, header, sizeof header, 0); rc != SQLITE_OK)
        throw Failure(QStringLiteral("Tietokannan lokitilaa ei voitu lukea."), source.path,
                      QString::fromUtf8(sqlite3_errstr(rc)));
    constexpr int kReadVersion = 19;   // 2: the log is used
    return header[kReadVersion] == 2;
}

void writeAll(int fd, const char* data, qint64 size, off_t offset, const QString& copyName)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size_t(size), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw Failure(QStringLiteral("Varmuuskopiota ei voitu kirjoittaa."), copyName, systemError(errno));
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
bool cloned(int reader, int target, const QString& copyName)
{
    if (::ioctl(target, FICLONE, reader) == 0)
        return true;
    // Whatever a refused clone left goes before the bytes are copied.
    if (::ftruncate(target, 0) != 0)
        throw Failure(QStringLiteral("Varmuuskopiota ei voitu kirjoittaa."), copyName, systemError(errno));
    return false;
}

// A byte copy of the main file, made by the kernel from `reader`, a
// descriptor of the program's own on the same file. The caller's read
// transaction keeps every writer from committing meanwhile. The size comes
// from the engine's own open file, so the copy is of the file the engine has
// locked. Written pages are sent to the disk as the copy goes, so that the
// final flush has little left to do.
void copyBytes(const Source& source, int reader, int target, const QString& copyName)
{
    const QString unreadable = QStringLiteral("Tietokantatiedostoa ei voitu lukea.");
    sqlite3_file* file = engineFile(source);
    sqlite3_int64 size = 0;
    if (const int rc = file->pMethods->xFileSize(file, &size); rc != SQLITE_OK)
        throw Failure(unreadable, source.path, QString::fromUtf8(sqlite3_errstr(rc)));
    if (cloned(reader, target, copyName))
        return;

    constexpr sqlite3_int64 kStep = 32 << 20;
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
                throw Failure(QStringLiteral("Varmuuskopiota ei voitu kirjoittaa."), copyName, systemError(errno));
        } else {
            copied = ::pread(reader, buffer.data(), std::min(amount, buffer.size()), offset);
            if (copied < 0)
                throw Failure(unreadable, source.path, systemError(errno));
            writeAll(target, buffer.data(), copied, offset, copyName);
        }
        if (copied == 0)
            throw Failure(unreadable, source.path, QStringLiteral("tiedosto lyheni kesken kopioinnin"));
        ::sync_file_range(target, offset, copied, SYNC_FILE_RANGE_WRITE);
        offset += copied;
    }
}

// In write-ahead-log mode the main file alone is not the database, and a
// checkpoint by another program may write into it at any time, even while we
// hold a read transaction whose snapshot still needs frames of the log. So
// the pages are copied through the engine instead: the backup reads every
// page of this connection's snapshot, from the log or the main file as the
// engine knows best, and the copy holds every change committed before it.
void copyThroughEngine(const Source& source, const TemporaryFile& target)
{
    const QString what = QStringLiteral("Tietokantaa ei voitu kopioida.");
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(target.path().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqlitePtr copy(raw);
    if (opened != SQLITE_OK)
        throw Failure(what, target.name(), raw ? engineMessage(raw) : QString::fromUtf8(sqlite3_errstr(opened)));
    // Written once and flushed to disk by the caller: a journal of its own
    // would only double the writing.
    if (sqlite3_exec(raw, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Failure(what, target.name(), engineMessage(raw));

    sqlite3_backup* backup = sqlite3_backup_init(raw, "main", source.db.get(), "main");
    if (!backup)
        throw Failure(what, target.name(), engineMessage(raw));
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        throw Failure(what, source.path, QString::fromUtf8(sqlite3_errstr(stepped)));
    if (finished != SQLITE_OK)
        throw Failure(what, target.name(), engineMessage(raw));
    if (sqlite3_close(copy.get()) != SQLITE_OK)
        throw Failure(what, target.name(), engineMessage(raw));
    copy.release();
}

// Gives the finished copy its name without replacing any file; the first
// free name of this moment wins. A folder that allows no second link to a
// file (some network shares) gets a rename that refuses to replace.
QString publish(TemporaryFile& temp, const QString& databasePath, const QDateTime& moment)
{
    for (int number = 1;; ++number) {
        const QString path = safetyCopyPath(databasePath, moment, number);
        const QByteArray target = QFile::encodeName(path);
        if (::link(temp.path().constData(), target.constData()) == 0)
            return path;
        int error = errno;
        if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS) {
            if (::renameat2(AT_FDCWD, temp.path().constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
                == 0) {
                temp.movedAway();
                return path;
            }
            error = errno;
        }
        if (error != EEXIST)
            throw Failure(QStringLiteral("Varmuuskopiolle ei voitu antaa nimeä."), path, systemError(error));
    }
}

void syncFolder(const QString& path)
{
    const FileHandle folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A file system that cannot sync a folder says so with EINVAL; the copy
    // itself is on disk already.
    if (folder.get() < 0 || (::fsync(folder.get()) != 0 && errno != EINVAL))
        throw Failure(QStringLiteral("Varmuuskopion nimeä ei voitu tallentaa levylle."), path, systemError(errno));
}

QString makeCopy(const QString& databasePath, const QDateTime& moment)
{
    // Opened before the engine's connection and so closed after it: closing a
    // descriptor of the file drops every lock this process holds on it, and
    // by then the engine holds none. No other connection of this program is
    // open on the file while a safety copy is taken.
    if (!QFileInfo(databasePath).isFile())
        throw Failure(QStringLiteral("Tietokantatiedostoa ei löydy."), databasePath);
    const FileHandle reader(::open(QFile::encodeName(databasePath).constData(), O_RDONLY | O_CLOEXEC));
    if (reader.get() < 0)
        throw Failure(QStringLiteral("Tietokantatiedostoa ei voitu lukea."), databasePath, systemError(errno));
    struct stat databaseStat {};
    if (::fstat(reader.get(), &databaseStat) != 0)
        throw Failure(QStringLiteral("Tietokantatiedostoa ei voitu lukea."), databasePath, systemError(errno));
    const Source source(databasePath);

    // A half-written copy never carries a safety copy's name.
    QByteArray pattern = QFile::encodeName(safetyCopyPath(databasePath, moment).chopped(4)) + "_XXXXXX.kesken";
    const int fd = ::mkostemps(pattern.data(), 7, O_CLOEXEC);
    if (fd < 0)
        throw Failure(QStringLiteral("Varmuuskopiota ei voitu luoda."), QFile::decodeName(pattern),
                      systemError(errno));
    TemporaryFile temp(pattern);
    FileHandle target(fd);
    // The copy may be read by whoever may read the database.
    if (::fchmod(fd, databaseStat.st_mode & 0666) != 0)
        throw Failure(QStringLiteral("Varmuuskopiota ei voitu luoda."), temp.name(), systemError(errno));

    {
        const ReadTransaction reading(source);
        if (usesWriteAheadLog(source))
            copyThroughEngine(source, temp);
        else
            copyBytes(source, reader.get(), target.get(), temp.name());
    }
    if (::fsync(target.get()) != 0 || ::close(target.release()) != 0)
        throw Failure(QStringLiteral("Varmuuskopiota ei voitu tallentaa levylle."), temp.name(), systemError(errno));

    const QString path = publish(temp, databasePath, moment);
    syncFolder(path);
    return path;
}

} // namespace

QString safetyCopyPath(const QString& databasePath, const QDateTime& moment, int number)
{
    const QFileInfo info(databasePath);
    const QString extension = info.suffix();
    const QString base = extension.isEmpty() ? databasePath : databasePath.chopped(extension.size() + 1);
    QString path = base + QLatin1Char('_') + extension + QLatin1Char('_')
                   + moment.toString(QStringLiteral("yyyyMMddhhmmss"));
    if (number > 1)
        path += QLatin1Char('_') + QString::number(number);
    return path + QStringLiteral(".var");
}

QString SafetyCopy(const QString& databasePath)
{
    return SafetyCopy(databasePath, QDateTime::currentDateTime());
}

QString SafetyCopy(const QString& databasePath, const QDateTime& moment)
{
    try {
        return makeCopy(databasePath, moment);
    } catch (const Failure& failure) {
        throw failure.withContext(kCopyFailed);
    }
}
