#include "copies/CopySpace.h"

#include <QFile>
#include <QLocale>

#include <array>
#include <sys/statvfs.h>

namespace copySpace {

qint64 totalSize(const QList<SafetyCopyEntry>& copies)
{
    qint64 total = 0;
    for (const SafetyCopyEntry& copy : copies)
        total += copy.size;
    return total;
}

std::optional<qint64> freeBytes(const QString& folder)
{
    struct statvfs disk {};
    if (statvfs(QFile::encodeName(folder).constData(), &disk) != 0)
        return std::nullopt;
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

QString size(qint64 bytes)
{
    static const std::array<const char*, 5> units{"t", "kt", "Mt", "Gt", "Tt"};
    double value = double(bytes);
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < units.size()) {
        value /= 1024;
        ++unit;
    }
    // Whole units from ten up; one decimal below, where it still tells something.
    const int decimals = unit == 0 || value >= 10 ? 0 : 1;
    return QLocale(QLocale::Finnish, QLocale::Finland).toString(value, 'f', decimals) + QLatin1Char(' ')
           + QLatin1String(units[unit]);
}

QString roomLine(const QList<SafetyCopyEntry>& copies, std::optional<qint64> freeBytes)
{
    QString line = QStringLiteral("Varmuuskopiot vievät %1").arg(size(totalSize(copies)));
    if (freeBytes)
        line += QStringLiteral("; levyllä vapaana %1").arg(size(*freeBytes));
    return line + QLatin1Char('.');
}

QList<SafetyCopyEntry> allButNewest(const QList<SafetyCopyEntry>& copies)
{
    return copies.size() > 1 ? copies.mid(1) : QList<SafetyCopyEntry>{};
}

} // namespace copySpace
