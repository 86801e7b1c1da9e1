#include "copies/SafetyCopy.h"

#include "copies/CopyLeftovers.h"
#include "copies/CopyPages.h"
#include "copies/DiskRoom.h"
#include "db/Database.h"
#include "db/FileHandle.h"
#include "db/Reasons.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const QString kCopyFailed = QStringLiteral("Varmuuskopion tekeminen epäonnistui, joten tietokantaan ei koskettu.");
// A copy that cannot be made at all has nothing to say beyond kCopyFailed,
// which takeSafetyCopy puts in front of every failure.
const QString kCannotCreate;

// The copy in the making. Where the file system allows, it has no name at
// all until it is finished, so a program killed meanwhile leaves nothing
// behind; elsewhere it has a name no safety copy has, removed when this goes
// out of scope unless it was moved to its final name.
class TemporaryFile {
public:
    // The engine opens only a named file: it follows the link of /proc.
    TemporaryFile(const QString& folder, const QByteArray& pattern, bool named)
    {
        if (!named)
            fd_ = FileHandle(::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        if (fd_.get() >= 0) {
            source_ = "/proc/self/fd/" + QByteArray::number(fd_.get());
            return;
        }
        path_ = pattern;
        fd_ = FileHandle(::mkostemps(path_.data(), 7, O_CLOEXEC));
        if (fd_.get() < 0)
            path_.clear();
        else
            markAsInTheMaking(fd_.get());
        source_ = path_;
    }
    ~TemporaryFile() { if (!path_.isEmpty()) ::unlink(path_.constData()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_.get(); }
    bool unnamed() const { return path_.isEmpty(); }
    // Where the engine and the final link reach the file.
    const QByteArray& path() const { return source_; }
    void movedAway() { path_.clear(); }

private:
    FileHandle fd_;
    QByteArray path_;     // the temporary name, if the file has one
    QByteArray source_;
};

// A second connection that reads the database as it stands under the
// caller's write lock; for a copy through the engine.
Connection readingConnection(const QString& path)
{
    Connection db(path, Connection::OpenAs::ReadWrite, QStringLiteral("Tietokantaa ei voitu avata."));
    db.waitAtMost(Connection::kBusyTimeoutMs);
    // The BEGIN alone takes no lock; the first read does, and reading the
    // schema version parses nothing.
    db.run("BEGIN; PRAGMA schema_version;", QStringLiteral("Tietokannasta ei voitu aloittaa lukemista."));
    return db;
}

// Gives the finished copy its name without replacing any file; the first
// free name of this moment wins. A folder that allows no second link to a
// file (some network shares) gets a rename that refuses to replace.
QString publish(TemporaryFile& temp, const QString& databasePath, const QDateTime& moment)
{
    for (int number = 1;; ++number) {
        const QString path = safetyCopyPath(databasePath, moment, number);
        const QByteArray target = QFile::encodeName(path);
        if (::linkat(AT_FDCWD, temp.path().constData(), AT_FDCWD, target.constData(),
                     temp.unnamed() ? AT_SYMLINK_FOLLOW : 0)
            == 0)
            return path;
        int error = errno;
        if (!temp.unnamed() && (error == EPERM || error == EOPNOTSUPP || error == ENOSYS)) {
            if (::renameat2(AT_FDCWD, temp.path().constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
                == 0) {
                temp.movedAway();
                return path;
            }
            error = errno;
        }
        if (error != EEXIST)
            throw reasons::systemFailure(QStringLiteral("Varmuuskopiolle ei voitu antaa nimeä."), databasePath, error);
    }
}

void syncFolder(const QString& path)
{
    const FileHandle folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A file system that cannot sync a folder says so with EINVAL; the copy
    // itself is on disk already.
    if (folder.get() < 0 || (::fsync(folder.get()) != 0 && errno != EINVAL))
        throw reasons::systemFailure(QStringLiteral("Varmuuskopion nimeä ei voitu tallentaa levylle."), path, errno);
}

QString makeCopy(Database& database, const QDateTime& moment, const CopyProgress& progress)
{
    const QString& databasePath = database.path();
    struct stat databaseStat {};
    if (::fstat(database.fileDescriptor(), &databaseStat) != 0)
        throw reasons::systemFailure(QStringLiteral("Tietokantatiedostoa ei voitu lukea."), databasePath, errno);
    // Under the lock the sizes cannot grow before the copy is made.
    diskRoom::ensureRoomForCopy(databasePath);

    // A half-written copy never carries a safety copy's name, and its name is
    // no longer than the copy's own: the digits and ".var" give way to six
    // letters and ".kesken".
    const QByteArray pattern = QFile::encodeName(safetyCopyStem(databasePath)) + "XXXXXX.kesken";
    const bool throughEngine = copyPages::usesWriteAheadLog(database.connection());
    // A copy killed half-way leaves its file where it had to have a name.
    removeCopyLeftovers(pattern);
    TemporaryFile temp(QFileInfo(databasePath).absolutePath(), pattern, throughEngine);
    const int fd = temp.fd();
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
        throw Failure(kCannotCreate, databasePath,
                      reasons::folderNotWritable(QFileInfo(databasePath).absolutePath()), reasons::systemWords(errno));
    if (fd < 0)
        throw reasons::systemFailure(kCannotCreate, databasePath, errno);
    // The copy may be read by whoever may read the database.
    if (::fchmod(fd, databaseStat.st_mode & 0666) != 0)
        throw reasons::systemFailure(kCannotCreate, databasePath, errno);

    if (throughEngine) {
        Connection reader = readingConnection(databasePath);
        // The engine writes the copy without flushing it; what it has written
        // goes to the disk as the copy goes, so that the flush at its end,
        // which reports nothing, has little left to do.
        const CopyProgress sending = [fd, &progress](qint64 done, qint64 total) {
            ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
            if (progress)
                progress(done, total);
        };
        copyPages::copyThroughEngine(reader, temp.path(), sending);
    } else {
        copyPages::copyBytes(database.connection(), database.fileDescriptor(), fd, progress);
    }
    if (::fsync(fd) != 0)
        throw reasons::systemFailure(QStringLiteral("Varmuuskopiota ei voitu tallentaa levylle."), databasePath,
                                     errno);

    const QString path = publish(temp, databasePath, moment);
    // A name that may not outlive a crash makes no safety copy, and the
    // operation it was for is not done: the copy goes with the failure.
    auto unpublish = qScopeGuard([&path] { ::unlink(QFile::encodeName(path).constData()); });
    syncFolder(path);
    unpublish.dismiss();
    return path;
}

} // namespace

QString takeSafetyCopy(Database& database, const CopyProgress& progress)
{
    return takeSafetyCopy(database, QDateTime::currentDateTime(), progress);
}

QString takeSafetyCopy(Database& database, const QDateTime& moment, const CopyProgress& progress)
{
    try {
        if (!database.holdsWriteLock())
            throw Failure(QStringLiteral("Tietokantaa ei ole varattu muutosta varten."), database.path());
        return makeCopy(database, moment, progress);
    } catch (const Failure& failure) {
        throw failure.withContext(kCopyFailed);
    }
}
