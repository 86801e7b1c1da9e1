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

QString sizeIn(qint64 bytes, int unit)
{
    if (unit < 0)
        return QStringLiteral("%1 t").arg(bytes);
    double value = double(bytes);
    for (int i = 0; i <= unit; ++i)
        value /= 1024;
    return QLocale(QLocale::Finnish, QLocale::Finland).toString(value, 'f', 1) + QLatin1Char(' ')
           + QLatin1String(kUnits[std::size_t(unit)]);
}

} // namespace

QString readableSize(qint64 bytes)
{
    return sizeIn(bytes, unitFor(bytes));
}

// Both sizes in one unit, so that they compare at a glance.
QString noRoomMessage(qint64 neededBytes, qint64 freeBytes)
{
    const int unit = unitFor(qMax(neededBytes, freeBytes));
    return QStringLiteral("Levyllä ei ole tilaa varmuuskopiolle: tarvitaan %1, vapaana %2.")
        .arg(sizeIn(neededBytes, unit), sizeIn(freeBytes, unit));
}

void ensureRoomForCopy(const QString& databasePath)
{
    const qint64 needed = sizeIfThere(databasePath) + sizeIfThere(databasePath + QStringLiteral("-wal"));
    const qint64 free = freeBytesIn(QFileInfo(databasePath).absolutePath());
    if (free < needed)
        throw Failure(noRoomMessage(needed, free), databasePath);
}
