#include "copies/ReadOnlyCopy.h"

#include "db/Failure.h"
#include "db/FileCheck.h"
#include "db/Reasons.h"
#include "db/Statement.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

const QString kNotADatabase = QStringLiteral("Varmuuskopio ei ole tietokanta, eikä sitä palauteta.");

// What the header says of the copy; a Failure for a file that cannot be a
// database. Returns the page size.
int checkHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Varmuuskopiota ei voitu lukea."), path, file.errorString());
    const FileHeader header(file.read(FileHeader::kSize));
    const qint64 size = file.size();
    // The smallest database is one page of at least 512 bytes.
    if (size < 512)
        throw Failure(kNotADatabase, path,
                      size == 0 ? QStringLiteral("tiedosto on tyhjä")
                                : QStringLiteral("tiedosto on liian lyhyt ollakseen tietokanta (%1 tavua)").arg(size));
    if (!header.isWhole() || !header.isDatabase())
        throw Failure(kNotADatabase, path, QStringLiteral("tiedoston alussa ei ole tietokannan otsaketta"));
    const int pageSize = header.pageSize();
    if (pageSize == 0)
        throw Failure(QStringLiteral("Varmuuskopio on vioittunut, eikä sitä palauteta."), path,
                      QStringLiteral("otsakkeen sivukoko on virheellinen"));
    if (size < pageSize)
        throw Failure(QStringLiteral("Varmuuskopio on vioittunut, eikä sitä palauteta."), path,
                      QStringLiteral("tiedosto on lyhyempi kuin yksi sivu (katkennut tiedosto)"));
    return pageSize;
}

// Opens the copy once the header shows it can be a database; "immutable":
// the copy is read as it lies, with no locks and no files beside it.
Connection opened(const QString& path, int& pageSize)
{
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("Varmuuskopiota ei löydy."), path);
    pageSize = checkHeader(path);
    return Connection(path, Connection::OpenAs::Immutable, QStringLiteral("Varmuuskopiota ei voitu avata."));
}

} // namespace

ReadOnlyCopy::ReadOnlyCopy(const QString& path) : path_(path), db_(opened(path, pageSize_))
{
}

QStringList ReadOnlyCopy::tableNames(const std::function<bool()>& stopAsked) const
{
    // Asked now and then while the engine reads the catalogue of thousands of tables.
    std::optional<Connection::Watch> asking;
    if (stopAsked)
        asking.emplace(db_, 1000, stopAsked);
    Statement query(db_, "SELECT name FROM sqlite_master WHERE type = 'table'",
                    QStringLiteral("Varmuuskopion taulukoita ei voitu lukea."));
    QStringList names;
    while (query.next())
        names.append(query.name(0));
    return names;
}

void ReadOnlyCopy::holdSnapshot() const
{
    // The BEGIN alone reads nothing; the schema version starts the reading.
    const QString what = QStringLiteral("Varmuuskopiota ei voitu lukea.");
    db_.run("BEGIN", what);
    Statement(db_, "PRAGMA schema_version", what).firstNumber();
}

void ReadOnlyCopy::checkSound(const std::function<void()>& stillWorking) const
{
    const QString damaged = QStringLiteral("Varmuuskopio on vioittunut, eikä sitä palauteta.");
    const QString unread = QStringLiteral("Varmuuskopiota ei voitu lukea.");
    // Damage only when the engine says so; a read that failed is no damage.
    // A copy of no pages would leave the database empty.
    if (Statement(db_, "PRAGMA page_count", unread, damaged).firstNumber() < 1)
        throw Failure(kNotADatabase, path_, QStringLiteral("tiedostossa ei ole yhtään tietokannan sivua"));
    // Reading a large copy through takes seconds: the window hears of it meanwhile.
    std::optional<Connection::Watch> telling;
    if (stillWorking)
        telling.emplace(db_, 20000, [&stillWorking] {
            stillWorking();
            return false;
        });
    Statement check(db_, "PRAGMA quick_check", unread, damaged);
    if (!check.next())
        db_.fail(unread, damaged);
    const QString verdict = check.text(0);
    if (verdict == QLatin1String("ok"))
        return;
    if (reasons::soundOnSecondReading(path_))
        throw Failure(unread, path_, reasons::kReadFailedReason);
    throw Failure(damaged, path_, QStringLiteral("tietokantamoottorin tarkistus löysi virheitä"), verdict);
}
