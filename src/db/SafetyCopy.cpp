#include "db/SafetyCopy.h"

#include "db/DatabaseEngine.h"
#include "db/Failure.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

// The unnamed copy in the making; removed in every case, since the finished
// copy is published as a second link to it.
class TemporaryFile {
public:
    explicit TemporaryFile(QByteArray path) : path_(std::move(path)) {}
    ~TemporaryFile() { if (!path_.isEmpty()) ::unlink(path_.constData()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const QByteArray& path() const { return path_; }

private:
    QByteArray path_;
};

void writeAll(int fd, const char* data, qint64 size, const QString& copyPath)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw Failure(kCopyFailed, copyPath, systemError(errno));
        }
        data += written;
        size -= written;
    }
}

// Reads the database through the engine's own open file while the engine
// holds a read lock on it: no other program can commit meanwhile, and the
// engine's own locks on the file stay intact (closing another descriptor of
// the same file in this process would drop them).
void copyUnderReadLock(Database& database, int target, const QString& copyPath)
{
    sqlite3* db = database.nativeHandle();
    const auto check = [&](int rc) {
        if (rc != SQLITE_OK)
            throw Failure(kCopyFailed, database.path(), QString::fromUtf8(sqlite3_errmsg(db)));
    };

    sqlite3_stmt* raw = nullptr;
    check(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &raw, nullptr));
    const bool wal = sqlite3_step(raw) == SQLITE_ROW
                     && QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0))) == "wal";
    sqlite3_finalize(raw);
    if (wal) {
        // Bring every committed change into the main file first.
        int logPages = 0, checkpointed = 0;
        check(sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_TRUNCATE, &logPages, &checkpointed));
    }

    check(sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr));
    struct EndRead {
        sqlite3* db;
        ~EndRead() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
    } endRead{db};

    sqlite3_file* file = nullptr;
    check(sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file));
    if (!file || !file->pMethods)
        throw Failure(kCopyFailed, database.path(), QStringLiteral("tietokannan tiedostoa ei saatu luettavaksi"));

    sqlite3_int64 size = 0;
    check(file->pMethods->xFileSize(file, &size));
    constexpr int kChunk = 4 << 20;
    std::vector<char> buffer(kChunk);
    for (sqlite3_int64 offset = 0; offset < size; offset += kChunk) {
        const int amount = int(std::min<sqlite3_int64>(kChunk, size - offset));
        const int rc = file->pMethods->xRead(file, buffer.data(), amount, offset);
        if (rc != SQLITE_OK)
            throw Failure(kCopyFailed, database.path(), QString::fromUtf8(sqlite3_errstr(rc)));
        writeAll(target, buffer.data(), amount, copyPath);
    }
}

// Gives the finished copy its name without replacing any file; the first free
// name of this moment wins.
QString publish(const TemporaryFile& temp, const QString& databasePath, const QDateTime& moment)
{
    for (int number = 1;; ++number) {
        const QString path = safetyCopyPath(databasePath, moment, number);
        const QByteArray target = QFile::encodeName(path);
        if (::link(temp.path().constData(), target.constData()) == 0)
            return path;
        if (errno != EEXIST)
            throw Failure(kCopyFailed, path, systemError(errno));
    }
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
    const QDateTime moment = QDateTime::currentDateTime();
    Database database = DatabaseEngine::instance().open(databasePath);

    // A half-written copy never carries a safety copy's name.
    QByteArray pattern = QFile::encodeName(safetyCopyPath(databasePath, moment)) + "_XXXXXX.kesken";
    const int fd = ::mkostemps(pattern.data(), 7, O_CLOEXEC);
    const QString tempName = QFile::decodeName(pattern);
    if (fd < 0)
        throw Failure(kCopyFailed, tempName, systemError(errno));
    TemporaryFile temp(pattern);
    FileHandle target(fd);
    ::fchmod(fd, 0644);
    copyUnderReadLock(database, target.get(), tempName);
    if (::fsync(target.get()) != 0 || ::close(target.release()) != 0)
        throw Failure(kCopyFailed, tempName, systemError(errno));

    const QString path = publish(temp, databasePath, moment);
    // The directory entry too must reach the disk.
    const FileHandle folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return path;
}
