#include "copies/DiskRoom.h"

#include "db/Failure.h"

#include <QFileInfo>
#include <QLocale>

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/statvfs.h>

namespace diskRoom {

namespace {

const std::array<const char*, 4> kUnits{"kt", "Mt", "Gt", "Tt"};
constexpr qint64 kUnitBase = 1024;

qint64 unitBytes(int unit)
{
    qint64 bytes = 1;
    for (int i = 0; i <= unit; ++i)
        bytes *= kUnitBase;
    return bytes;
}

// The largest unit that leaves at least 1 of `bytes`; -1 for plain bytes.
int unitFor(qint64 bytes)
{
    int unit = -1;
    while (unit + 1 < int(kUnits.size()) && bytes >= unitBytes(unit + 1))
        ++unit;
    return unit;
}

// Hundredths of the unit, counted in whole numbers so that no rounding of
// the machine's own comes in between.
qint64 hundredths(qint64 bytes, int unit, Rounding rounding)
{
    const qint64 whole = unitBytes(unit);
    qint64 counted = bytes / whole * 100;
    const qint64 rest = bytes % whole * 100;
    counted += rest / whole;
    const qint64 left = rest % whole;
    if ((rounding == Rounding::Up && left > 0) || (rounding == Rounding::Nearest && left * 2 >= whole))
        ++counted;
    return counted;
}

QString sizeIn(qint64 bytes, int unit, Rounding rounding)
{
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    if (unit < 0)
        return bytes == 1 ? QStringLiteral("1 tavu") : finnish.toString(bytes) + QStringLiteral(" tavua");
    const qint64 counted = hundredths(bytes, unit, rounding);
    return finnish.toString(double(counted) / 100, 'f', 2) + QLatin1Char(' ')
           + QLatin1String(kUnits[std::size_t(unit)]);
}

qint64 sizeIfThere(const QString& path)
{
    const QFileInfo file(path);
    return file.exists() ? file.size() : 0;
}

} // namespace

QString size(qint64 bytes, Rounding rounding)
{
    int unit = unitFor(bytes);
    // 1023,996 kt reads as 1,00 Mt, not as 1 024,00 kt.
    if (unit >= 0 && unit + 1 < int(kUnits.size()) && hundredths(bytes, unit, rounding) >= kUnitBase * 100)
        ++unit;
    return sizeIn(bytes, unit, rounding);
}

std::optional<qint64> freeBytes(const QString& folder, int* error)
{
    struct statvfs disk {};
    if (statvfs(QFile::encodeName(folder).constData(), &disk) != 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

QString noRoomMessage(const QString& forWhat, qint64 neededBytes, qint64 freeBytes)
{
    const int unit = unitFor(qMax(neededBytes, freeBytes));
    return QStringLiteral("Levyllä ei ole tilaa %1: tarvitaan %2, vapaana %3.")
        .arg(forWhat, sizeIn(neededBytes, unit, Rounding::Up), sizeIn(freeBytes, unit, Rounding::Down));
}

qint64 databaseBytes(const QString& databasePath)
{
    return sizeIfThere(databasePath) + sizeIfThere(databasePath + QStringLiteral("-wal"));
}

void ensureRoomForCopy(const QString& databasePath)
{
    const QString folder = QFileInfo(databasePath).absolutePath();
    int error = 0;
    const std::optional<qint64> free = freeBytes(folder, &error);
    if (!free)
        throw Failure(QStringLiteral("Levyn vapaata tilaa ei voitu selvittää."), folder,
                      QString::fromLocal8Bit(std::strerror(error)));
    const qint64 needed = databaseBytes(databasePath);
    if (*free < needed)
        throw Failure(noRoomMessage(QStringLiteral("varmuuskopiolle"), needed, *free), databasePath);
}

qint64 totalSize(const QList<SafetyCopyEntry>& copies)
{
    qint64 total = 0;
    for (const SafetyCopyEntry& copy : copies)
        total += copy.size;
    return total;
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

} // namespace diskRoom
