#include "copies/ReadOnlyCopy.h"

#include "db/Failure.h"
#include "db/Reasons.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUrl>
#include <QtEndian>

#include <sqlite3.h>

#include <cstring>

namespace {

const QString kNotADatabase = QStringLiteral("Varmuuskopio ei ole tietokanta, eikä sitä palauteta.");

// What the header says of the copy; a Failure for a file that cannot be a
// database. Returns the page size.
int checkHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Varmuuskopiota ei voitu lukea."), path, file.errorString());
    const QByteArray header = file.read(100);
    const qint64 size = file.size();
    // The smallest database is one page of at least 512 bytes.
    if (size < 512)
        throw Failure(kNotADatabase, path,
                      size == 0 ? QStringLiteral("tiedosto on tyhjä")
                                : QStringLiteral("tiedosto on liian lyhyt ollakseen tietokanta (%1 tavua)").arg(size));
    if (header.size() < 100 || std::memcmp(header.constData(), "SQLite format 3", 16) != 0)
        throw Failure(kNotADatabase, path, QStringLiteral("tiedoston alussa ei ole tietokannan otsaketta"));
    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    const quint32 raw = qFromBigEndian<quint16>(h + 16);
    const int pageSize = raw == 1 ? 65536 : int(raw);
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        throw Failure(QStringLiteral("Varmuuskopio on vioittunut, eikä sitä palauteta."), path,
                      QStringLiteral("otsakkeen sivukoko on virheellinen"));
    if (size < pageSize)
        throw Failure(QStringLiteral("Varmuuskopio on vioittunut, eikä sitä palauteta."), path,
                      QStringLiteral("tiedosto on lyhyempi kuin yksi sivu (katkennut tiedosto)"));
    return pageSize;
}

int tellStillWorking(void* stillWorking)
{
    (*static_cast<const std::function<void()>*>(stillWorking))();
    return 0;
}

int stopIfAsked(void* stopAsked)
{
    return (*static_cast<const std::function<bool()>*>(stopAsked))() ? 1 : 0;
}

} // namespace

ReadOnlyCopy::ReadOnlyCopy(const QString& path) : path_(path)
{
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("Varmuuskopiota ei löydy."), path);
    pageSize_ = checkHeader(path);
    // "immutable": the copy is read as it lies, with no locks and no files beside it.
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded()
                           + "?immutable=1";
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK)
        throw Failure(QStringLiteral("Varmuuskopiota ei voitu avata."), path,
                      raw ? reasons::forConnection(raw) : reasons::forEngineCode(rc),
                      raw ? reasons::engineWords(raw) : QString::fromUtf8(sqlite3_errstr(rc)));
    sqlite3_extended_result_codes(raw, 1);
}

void ReadOnlyCopy::fail(const QString& what) const
{
    throw reasons::engineFailure(what, path_, db_.get());
}

int ReadOnlyCopy::pragmaNumber(const char* sql, const QString& what) const
{
    const sqlite::StmtPtr row = sqlite::firstRow(db_.get(), sql);
    if (!row)
        fail(what);
    return sqlite3_column_int(row.get(), 0);
}

QStringList ReadOnlyCopy::tableNames(const std::function<bool()>& stopAsked) const
{
    // Asked now and then while the engine reads the catalogue of thousands of tables.
    if (stopAsked)
        sqlite3_progress_handler(db_.get(), 1000, &stopIfAsked, const_cast<std::function<bool()>*>(&stopAsked));
    const auto noMoreAsking = qScopeGuard([this] { sqlite3_progress_handler(db_.get(), 0, nullptr, nullptr); });
    const QString what = QStringLiteral("Varmuuskopion taulukoita ei voitu lukea.");
    const sqlite::StmtPtr query = sqlite::prepare(db_.get(), "SELECT name FROM sqlite_master WHERE type = 'table'");
    if (!query)
        fail(what);
    QStringList names;
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW)
        names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0)),
                                       sqlite3_column_bytes(query.get(), 0)));
    if (rc != SQLITE_DONE)
        fail(what);
    return names;
}

void ReadOnlyCopy::holdSnapshot() const
{
    // The BEGIN alone reads nothing; the schema version starts the reading.
    if (sqlite3_exec(db_.get(), "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QStringLiteral("Varmuuskopiota ei voitu lukea."));
    pragmaNumber("PRAGMA schema_version", QStringLiteral("Varmuuskopiota ei voitu lukea."));
}

void ReadOnlyCopy::checkSound(const std::function<void()>& stillWorking) const
{
    const QString damaged = QStringLiteral("Varmuuskopio on vioittunut, eikä sitä palauteta.");
    const QString unread = QStringLiteral("Varmuuskopiota ei voitu lukea.");
    // Damage only when the engine says so; a read that failed is no damage.
    const auto failed = [&] {
        fail(reasons::isDamage(sqlite3_extended_errcode(db_.get())) ? damaged : unread);
    };
    // A copy of no pages would leave the database empty.
    const sqlite::StmtPtr pages = sqlite::firstRow(db_.get(), "PRAGMA page_count");
    if (!pages)
        failed();
    if (sqlite3_column_int(pages.get(), 0) < 1)
        throw Failure(kNotADatabase, path_, QStringLiteral("tiedostossa ei ole yhtään tietokannan sivua"));
    // Reading a large copy through takes seconds: the window hears of it meanwhile.
    if (stillWorking)
        sqlite3_progress_handler(db_.get(), 20000, &tellStillWorking, const_cast<std::function<void()>*>(&stillWorking));
    const auto noMoreTelling = qScopeGuard([this] { sqlite3_progress_handler(db_.get(), 0, nullptr, nullptr); });
    const sqlite::StmtPtr check = sqlite::firstRow(db_.get(), "PRAGMA quick_check");
    if (!check)
        failed();
    const QString verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0)));
    if (verdict == QLatin1String("ok"))
        return;
    if (reasons::soundOnSecondReading(path_))
        throw Failure(unread, path_, reasons::kReadFailedReason);
    throw Failure(damaged, path_, QStringLiteral("tietokantamoottorin tarkistus löysi virheitä"), verdict);
}
