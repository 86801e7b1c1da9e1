#include "copies/SafetyCopyList.h"

#include "copies/CopyDatabase.h"
#include "db/Failure.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

// The part of a copy's name that comes from the database: the name without
// its extension, "_", the extension, "_".
QString copyNameStem(const QFileInfo& database)
{
    const QString name = database.fileName();
    const QString extension = database.suffix();
    const QString base = extension.isEmpty() ? name : name.chopped(extension.size() + 1);
    return base + QLatin1Char('_') + extension + QLatin1Char('_');
}

} // namespace

std::optional<std::pair<QDateTime, int>> safetyCopyName(const QString& databasePath, const QString& copyPath)
{
    const QFileInfo database(databasePath);
    const QFileInfo copy(copyPath);
    if (database.absolutePath() != copy.absolutePath())
        return std::nullopt;
    static const QRegularExpression tail(QStringLiteral("^(\\d{14})(?:_([1-9]\\d{0,8}))?\\.var$"));
    const QString stem = copyNameStem(database);
    const QString name = copy.fileName();
    if (!name.startsWith(stem))
        return std::nullopt;
    const QRegularExpressionMatch match = tail.match(QStringView(name).mid(stem.size()));
    if (!match.hasMatch())
        return std::nullopt;
    const QDateTime moment = QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMddhhmmss"));
    const int number = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
    if (!moment.isValid() || (number == 1 && !match.captured(2).isEmpty()))
        return std::nullopt;
    return std::pair{moment, number};
}

QList<SafetyCopyEntry> findSafetyCopies(const QString& databasePath)
{
    const QFileInfo database(databasePath);
    const QDir folder = database.absoluteDir();
    if (!folder.exists())
        throw Failure(QStringLiteral("Tietokannan kansiota ei löydy."), folder.path());
    const QString pattern = copyNameStem(database) + QStringLiteral("*.var");

    QList<SafetyCopyEntry> entries;
    for (const QFileInfo& file : folder.entryInfoList({pattern}, QDir::Files | QDir::Hidden)) {
        const auto named = safetyCopyName(database.absoluteFilePath(), file.absoluteFilePath());
        if (!named)
            continue;
        SafetyCopyEntry entry{file.absoluteFilePath(), named->first, named->second, file.size(), {}, {}};
        try {
            entry.tableCount = CopyDatabase(entry.path).tableCount();
        } catch (const Failure& unreadable) {
            // Listed all the same: the operator sees the copy and why it cannot be used.
            entry.problem = unreadable.detail().isEmpty() ? unreadable.whatFailed() : unreadable.detail();
        }
        entries.append(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const SafetyCopyEntry& a, const SafetyCopyEntry& b) {
        return a.moment != b.moment ? a.moment > b.moment : a.number > b.number;
    });
    return entries;
}
