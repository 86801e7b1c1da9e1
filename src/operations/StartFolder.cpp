#include "operations/StartFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

// Matched as the file dialog's filter matches, in any letter case.
bool holdsDatabase(const QString& folder)
{
    QDirIterator files(folder, {QStringLiteral("*.w*")}, QDir::Files | QDir::Hidden);
    return files.hasNext();
}

} // namespace

QString startFolder(const QString& databasePath, const QString& programFolder, const QString& homeFolder)
{
    if (!databasePath.isEmpty()) {
        const QFileInfo database(databasePath);
        if (database.absoluteDir().exists())
            return database.absolutePath();
    }
    if (!programFolder.isEmpty() && holdsDatabase(programFolder))
        return programFolder;
    return homeFolder;
}

QString startFolder(const QString& databasePath)
{
    return startFolder(databasePath, QCoreApplication::applicationDirPath(), QDir::homePath());
}
