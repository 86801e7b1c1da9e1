#include "db/FileCheck.h"

#include "db/Failure.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kHeaderMagic[] = "SQLite format 3";   // 15 letters and the NUL: 16 bytes
constexpr int kPageSizeAt = 16;
constexpr int kReadVersionAt = 19;   // 2: the log is used

// The engine opens the files beside the database by these names. One that is
// no regular file (a named pipe, a device) would make it wait for ever.
void checkCompanions(const QString& path)
{
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        // One look: another program's journal comes and goes meanwhile.
        const QFileInfo companion(path + QLatin1String(suffix));
        struct stat seen {};
        if (::stat(QFile::encodeName(companion.filePath()).constData(), &seen) == 0 && !S_ISREG(seen.st_mode))
            throw Failure(QStringLiteral("Tietokannan vieressä on tiedosto, joka ei ole tavallinen tiedosto, joten "
                                         "tietokantaa ei avattu."),
                          path,
                          QStringLiteral("%1 on esimerkiksi nimetty putki tai laite; siirrä se pois ja yritä "
                                         "uudelleen")
                              .arg(companion.fileName()));
    }
}

} // namespace

void checkFile(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw Failure(QStringLiteral("Tietokantatiedostoa ei löydy."), path);
    checkCompanions(path);
    if (info.isDir())
        throw Failure(QStringLiteral("Valittu nimi on kansio, ei tietokantatiedosto."), path);
    if (!info.isFile())
        throw Failure(QStringLiteral("Valittu nimi ei ole tavallinen tiedosto."), path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Tietokantatiedostoa ei voi lukea."), path, file.errorString());
    const FileHeader header(file.read(FileHeader::kSize));
    const qint64 size = file.size();
    file.close();

    const QString notDatabase = QStringLiteral("Tiedosto ei ole tietokanta.");
    if (size == 0)
        throw Failure(notDatabase, path, QStringLiteral("tiedosto on tyhjä"));
    if (!header.isDatabase())
        throw Failure(notDatabase, path, QStringLiteral("tiedoston alussa ei ole tietokannan otsaketta"));
    if (!header.isWhole())
        throw Failure(QStringLiteral("Tietokantatiedosto on vioittunut."), path,
                      QStringLiteral("tiedosto on katkennut otsakkeen keskeltä"));

    // A journal or log beside the file may still hold pages of the file; the
    // engine settles that when it opens, so the size tells nothing then.
    const bool pendingChanges = QFileInfo::exists(path + QStringLiteral("-journal"))
                                || QFileInfo::exists(path + QStringLiteral("-wal"));
    const qint64 pageSize = header.pageSize();
    const quint32 changeCounter = header.number(24);
    const quint32 pageCount = header.number(28);
    const quint32 validFor = header.number(92);
    if (pageSize == 0)
        throw Failure(QStringLiteral("Tietokantatiedosto on vioittunut."), path,
                      QStringLiteral("otsakkeen sivukoko on virheellinen"));
    // Only a file shorter than its header says is cut short; one that is
    // longer, or not a whole number of pages, the engine opens as it is.
    if (!pendingChanges && pageCount > 0 && changeCounter == validFor && size < qint64(pageCount) * pageSize)
        throw Failure(QStringLiteral("Tietokantatiedosto on vioittunut."), path,
                      QStringLiteral("tiedosto on lyhyempi kuin sen otsake kertoo (katkennut tiedosto)"));

    if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
        throw Failure(QStringLiteral("Tietokantatiedostoon ei ole kirjoitusoikeutta."), path);
}

bool FileHeader::isDatabase() const
{
    return bytes_.size() >= qsizetype(sizeof kHeaderMagic)
           && std::memcmp(bytes_.constData(), kHeaderMagic, sizeof kHeaderMagic) == 0;
}

int FileHeader::pageSize() const
{
    if (bytes_.size() < kPageSizeAt + 2)
        return 0;
    const quint32 raw = qFromBigEndian<quint16>(bytes_.constData() + kPageSizeAt);
    const int size = raw == 1 ? 65536 : int(raw);
    return size >= 512 && size <= 65536 && (size & (size - 1)) == 0 ? size : 0;
}

quint32 FileHeader::number(int offset) const
{
    return bytes_.size() >= offset + 4 ? qFromBigEndian<quint32>(bytes_.constData() + offset) : 0;
}

bool FileHeader::usesWriteAheadLog() const
{
    return bytes_.size() > kReadVersionAt && bytes_.at(kReadVersionAt) == 2;
}
