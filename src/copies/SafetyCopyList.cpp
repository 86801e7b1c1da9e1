#include "copies/SafetyCopyList.h"

#include "copies/ReadOnlyCopy.h"
#include "db/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>

bool isTheDatabaseItself(const QString& databasePath, const QString& copyPath)
{
    // Followed to the files themselves: one file has one device and inode.
    struct stat database {}, copy {};
    return ::stat(QFile::encodeName(databasePath).constData(), &database) == 0
           && ::stat(QFile::encodeName(copyPath).constData(), &copy) == 0 && database.st_dev == copy.st_dev
           && database.st_ino == copy.st_ino;
}

QList<SafetyCopyEntry> listSafetyCopyFiles(const QString& databasePath)
{
    const QFileInfo database(databasePath);
    const QDir folder = database.absoluteDir();
    if (!folder.exists())
        throw Failure(QStringLiteral("Tietokannan kansiota ei löydy."), folder.path());
    const QString pattern = safetyCopyStem(database.fileName()) + QStringLiteral("*.var");

    QList<SafetyCopyEntry> entries;
    for (const QFileInfo& file : folder.entryInfoList({pattern}, QDir::Files | QDir::Hidden)) {
        const auto named = safetyCopyName(database.absoluteFilePath(), file.absoluteFilePath());
        if (!named)
            continue;
        SafetyCopyEntry entry{file.absoluteFilePath(), named->first, named->second, file.size(), {}, {}};
        if (isTheDatabaseItself(database.absoluteFilePath(), entry.path))
            entry.problem = QStringLiteral("sama tiedosto kuin tietokanta (linkki siihen), ei varmuuskopio");
        entries.append(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const SafetyCopyEntry& a, const SafetyCopyEntry& b) {
        return a.moment != b.moment ? a.moment > b.moment : a.number > b.number;
    });
    return entries;
}

QStringList readSafetyCopy(SafetyCopyEntry& copy, const StopAsked& stopAsked)
{
    if (!copy.problem.isEmpty())
        return {};
    try {
        QStringList names = ReadOnlyCopy(copy.path).tableNames(stopAsked);
        copy.tableCount = int(names.size());
        return names;
    } catch (const Failure& unreadable) {
        if (stopAsked && stopAsked())
            throw;
        // Listed all the same: the operator sees the copy and why it cannot be used.
        copy.problem = unreadable.detail().isEmpty() ? unreadable.whatFailed() : unreadable.detail();
        return {};
    }
}
