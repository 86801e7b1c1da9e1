#include "copies/RoomForCopy.h"

#include "db/Failure.h"

#include <QFileInfo>
#include <QLocale>

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/statvfs.h>

namespace {

qint64 sizeIfThere(const QString& path)
{
    const QFileInfo file(path);
    return file.exists() ? file.size() : 0;
}

// What the operator may still write to the file system of `folder`.
qint64 freeBytesIn(const QString& folder)
{
    struct statvfs disk {};
    if (statvfs(QFile::encodeName(folder).constData(), &disk) != 0)
        throw Failure(QStringLiteral("Levyn vapaata tilaa ei voitu selvittää."), folder,
                      QString::fromLocal8Bit(std::strerror(errno)));
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

const std::array<const char*, 4> kUnits{"kt", "Mt", "Gt", "Tt"};

// The largest unit that leaves at least 1 of `bytes`; -1 for plain bytes.
int unitFor(qint64 bytes)
{
    int unit = -1;
    for (double value = double(bytes); value >= 1024 && unit + 1 < int(kUnits.size()); value /= 1024)
        ++unit;
    return unit;
}

enum class Rounding { Nearest, Up, Down };

QString sizeIn(qint64 bytes, int unit, Rounding rounding = Rounding::Nearest)
{
    if (unit < 0)
        return QStringLiteral("%1 t").arg(bytes);
    qint64 unitBytes = 1;
    for (int i = 0; i <= unit; ++i)
        unitBytes *= 1024;
    // Tenths of the unit, counted in whole numbers so that no rounding of
    // the machine's own comes in between.
    const qint64 scaled = bytes * 10;
    qint64 tenths = scaled / unitBytes;
    const qint64 rest = scaled % unitBytes;
    if ((rounding == Rounding::Up && rest > 0) || (rounding == Rounding::Nearest && rest * 2 >= unitBytes))
        ++tenths;
    return QLocale(QLocale::Finnish, QLocale::Finland).toString(double(tenths) / 10, 'f', 1) + QLatin1Char(' ')
           + QLatin1String(kUnits[std::size_t(unit)]);
}

} // namespace

QString readableSize(qint64 bytes)
{
    return sizeIn(bytes, unitFor(bytes));
}

// Both sizes in one unit, so that they compare at a glance. The need is
// rounded up and the free room down: the figures never read alike when the
// need is the larger, and freeing what the message asks for is enough.
QString noRoomMessage(qint64 neededBytes, qint64 freeBytes)
{
    const int unit = unitFor(qMax(neededBytes, freeBytes));
    return QStringLiteral("Levyllä ei ole tilaa varmuuskopiolle: tarvitaan %1, vapaana %2.")
        .arg(sizeIn(neededBytes, unit, Rounding::Up), sizeIn(freeBytes, unit, Rounding::Down));
}

void ensureRoomForCopy(const QString& databasePath)
{
    const qint64 needed = sizeIfThere(databasePath) + sizeIfThere(databasePath + QStringLiteral("-wal"));
    const qint64 free = freeBytesIn(QFileInfo(databasePath).absolutePath());
    if (free < needed)
        throw Failure(noRoomMessage(needed, free), databasePath);
}
