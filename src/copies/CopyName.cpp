#include "copies/CopyName.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kMomentFormat = QStringLiteral("yyyyMMddhhmmss");
const QString kExtension = QStringLiteral(".var");

} // namespace

QString safetyCopyStem(const QString& databasePath)
{
    const QString extension = QFileInfo(databasePath).suffix();
    const QString base = extension.isEmpty() ? databasePath : databasePath.chopped(extension.size() + 1);
    return base + QLatin1Char('_') + extension + QLatin1Char('_');
}

QString safetyCopyPath(const QString& databasePath, const QDateTime& moment, int number)
{
    QString path = safetyCopyStem(databasePath) + moment.toString(kMomentFormat);
    if (number > 1)
        path += QLatin1Char('_') + QString::number(number);
    return path + kExtension;
}

std::optional<std::pair<QDateTime, int>> safetyCopyName(const QString& databasePath, const QString& copyPath)
{
    const QFileInfo database(databasePath);
    const QFileInfo copy(copyPath);
    if (database.absolutePath() != copy.absolutePath())
        return std::nullopt;
    static const QRegularExpression tail(QStringLiteral("^(\\d{14})(?:_([1-9]\\d{0,8}))?\\.var$"));
    const QString stem = safetyCopyStem(database.fileName());
    const QString name = copy.fileName();
    if (!name.startsWith(stem))
        return std::nullopt;
    const QRegularExpressionMatch match = tail.match(QStringView(name).mid(stem.size()));
    if (!match.hasMatch())
        return std::nullopt;
    const QDateTime moment = QDateTime::fromString(match.captured(1), kMomentFormat);
    const int number = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
    if (!moment.isValid() || (number == 1 && !match.captured(2).isEmpty()))
        return std::nullopt;
    return std::pair{moment, number};
}
