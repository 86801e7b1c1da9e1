#include "copies/CopyLeftovers.h"

#include "db/FileHandle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

void markAsInTheMaking(int fd)
{
    // A file just made, which nobody else has open: the lock is never refused.
    ::flock(fd, LOCK_EX | LOCK_NB);
}

void removeCopyLeftovers(const QByteArray& pattern)
{
    const QFileInfo shape(QFile::decodeName(pattern));
    const QString name = shape.fileName();
    const qsizetype letters = name.indexOf(QLatin1String("XXXXXX"));
    if (letters < 0)
        return;
    const QRegularExpression leftover(QLatin1Char('^') + QRegularExpression::escape(name.left(letters))
                                      + QStringLiteral("[A-Za-z0-9]{6}")
                                      + QRegularExpression::escape(name.mid(letters + 6)) + QLatin1Char('$'));
    const QDir folder = shape.absoluteDir();
    for (const QString& entry : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!leftover.match(entry).hasMatch())
            continue;
        const QByteArray path = QFile::encodeName(folder.filePath(entry));
        const FileHandle file(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {}, named {};
        if (file.get() < 0 || ::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode))
            continue;
        // Held: a living program is still writing it.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Still the file just looked at, under that name.
        if (::lstat(path.constData(), &named) == 0 && named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
            ::unlink(path.constData());
    }
}
