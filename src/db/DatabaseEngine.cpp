#include "db/DatabaseEngine.h"

#include "db/Failure.h"
#include "db/FileCheck.h"
#include "db/NameBytes.h"
#include "db/Reasons.h"
#include "db/SqlStatement.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;

QString quoted(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The tables in which the text-search and spatial index modules keep a
// virtual table's data are named after it, "<name>_<part>".
QHash<QString, QString> shadowOwners(const QStringList& names, const QStringList& virtuals)
{
    static const QStringList kParts{"data",     "idx",    "content", "docsize", "config", "segments",
                                    "segdir",   "stat",   "node",    "rowid",   "parent"};
    QHash<QString, QString> owners;
    if (virtuals.isEmpty())
        return owners;
    QHash<QString, QString> candidates;
    for (const QString& owner : virtuals)
        for (const QString& part : kParts)
            candidates.insert((owner + QLatin1Char('_') + part).toCaseFolded(), owner);
    for (const QString& name : names)
        if (const auto found = candidates.constFind(name.toCaseFolded()); found != candidates.constEnd())
            owners.insert(name, *found);
    return owners;
}

} // namespace

DatabaseEngine::DatabaseEngine()
{
    if (const int rc = sqlite3_initialize(); rc != SQLITE_OK)
        throw Failure(QStringLiteral("Tietokantamoottoria ei voitu käynnistää."), QString(),
                      QString::fromUtf8(sqlite3_errstr(rc)));
}

DatabaseEngine& DatabaseEngine::instance()
{
    static DatabaseEngine engine;
    return engine;
}

Database DatabaseEngine::open(const QString& path) const
{
    checkFile(path);

    // Not blocking: should the name have become a pipe since the check, the
    // open must not wait for a writer.
    FileHandle file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        throw Failure(QStringLiteral("Tietokantatiedostoa ei voi lukea."), path, reasons::forSystemError(errno),
                      reasons::systemWords(errno));
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Database::DbPtr db(raw);
    if (rc != SQLITE_OK)
        throw Failure(QStringLiteral("Tietokantaa ei voitu avata."), path,
                      reasons::forEngineCode(raw ? sqlite3_extended_errcode(raw) : rc),
                      raw ? reasons::engineWords(raw) : QString::fromUtf8(sqlite3_errstr(rc)));
    if (sqlite3_db_readonly(raw, "main") == 1)
        throw Failure(QStringLiteral("Tietokantatiedostoon ei ole kirjoitusoikeutta."), path);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);

    Database database(path, std::move(file), std::move(db));
    // Freed pages are not overwritten with zeros: the safety copy already
    // keeps the old data, and zeroing would make large deletions slow.
    database.run(QStringLiteral("PRAGMA secure_delete=FAST"),
                 QStringLiteral("Tietokannan asetusta ei voitu tehdä."));
    database.fitPageCacheToCatalogue();
    // Reading the catalogue now shows at once a file that is damaged.
    database.catalogue();
    return database;
}

Database::Database(QString path, FileHandle file, DbPtr db)
    : path_(std::move(path)), file_(std::move(file)), db_(std::move(db))
{
}

sqlite3* Database::db() const
{
    if (!db_)
        throw Failure(QStringLiteral("Tietokanta on jo suljettu."), path_);
    return db_.get();
}

sqlite3* Database::nativeHandle() const { return db(); }

void Database::fail(const QString& what) const
{
    throw Failure(what, path_, reasons::forEngineCode(sqlite3_extended_errcode(db_.get())),
                  reasons::engineWords(db_.get()));
}

void Database::run(const QString& sql, const QString& what)
{
    sqlite3_stmt* raw = nullptr;
    const QByteArray utf8 = nameBytes::encode(sql);
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db(), utf8.constData(), int(utf8.size()), &raw, &tail) != SQLITE_OK)
        fail(what);
    const StmtPtr statement(raw);
    // Exactly one statement: the texts are built here, so a tail is a fault.
    if (tail != utf8.constData() + utf8.size())
        throw Failure(what, path_, QStringLiteral("lauseessa on useampi kuin yksi käsky"));
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE)
        fail(what);
}

// Every drop scans the whole catalogue. Once the catalogue outgrows the
// engine's default page cache of 2 MB it would be read from the file again at
// every drop, so the cache gets room for it on top of the default. A larger
// cache than that is not free: an operation on a large table would fill it.
void Database::fitPageCacheToCatalogue()
{
    const QString what = QStringLiteral("Tietokannan asetusta ei voitu tehdä.");
    const double catalogueBytes = [&] {
        sqlite3_stmt* raw = nullptr;
        // The name is stored twice; the rest is a generous guess at each
        // entry's other fields and its share of page overhead.
        if (sqlite3_prepare_v2(db(),
                               "SELECT total(ifnull(length(CAST(sql AS BLOB)), 0)"
                               " + 2 * length(CAST(name AS BLOB)) + 48) FROM sqlite_master",
                               -1, &raw, nullptr) != SQLITE_OK)
            fail(what);
        const StmtPtr query(raw);
        if (sqlite3_step(raw) != SQLITE_ROW)
            fail(what);
        return sqlite3_column_double(raw, 0);
    }();
    constexpr double kDefaultKiB = 2000;        // the engine's own default
    constexpr double kMostKiB = 512 * 1024;
    // Pages are not filled to the brim: entries of over a third of a page
    // leave up to half of each page empty.
    const auto kib = qint64(std::min(kDefaultKiB + catalogueBytes * 2 / 1024, kMostKiB));
    run(QStringLiteral("PRAGMA cache_size=-%1").arg(kib), what);
}

int Database::schemaVersion()
{
    if (!versionQuery_) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db(), "PRAGMA schema_version", -1, &raw, nullptr) != SQLITE_OK)
            fail(QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
        versionQuery_.reset(raw);
    }
    sqlite3_stmt* q = versionQuery_.get();
    const int rc = sqlite3_step(q);
    const int version = rc == SQLITE_ROW ? sqlite3_column_int(q, 0) : -1;
    sqlite3_reset(q);
    if (rc != SQLITE_ROW)
        fail(QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    return version;
}

// The names are read once per change of the schema, by this program or any
// other, not once per access: walking thousands of tables stays one query.
const QStringList& Database::catalogue()
{
    if (held_)
        return names_;
    // Inside this program's own write transaction nobody else can change the
    // catalogue either.
    const bool writing = holdsWriteLock();
    if (walking_ && !reading_ && !writing) {
        run(QStringLiteral("BEGIN"), QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
        reading_ = true;
    }
    const int version = schemaVersion();
    if (version != cachedVersion_)
        reloadCatalogue(version);
    held_ = reading_ || (walking_ && writing);
    return names_;
}

void Database::reloadCatalogue(int version)
{
    const QString what = QStringLiteral("Tietokannan luetteloa ei voitu lukea.");
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db(),
                           "SELECT name, sql LIKE 'CREATE VIRTUAL TABLE%' FROM sqlite_master"
                           " WHERE type = 'table' ORDER BY rowid",
                           -1, &raw, nullptr) != SQLITE_OK)
        fail(what);
    const StmtPtr query(raw);
    QStringList names;
    QStringList virtuals;
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        names.append(nameBytes::decode(text, sqlite3_column_bytes(raw, 0)));
        if (sqlite3_column_int(raw, 1) != 0)
            virtuals.append(names.constLast());
    }
    if (rc != SQLITE_DONE)
        fail(what);
    names_ = std::move(names);
    owners_ = shadowOwners(names_, virtuals);
    cachedVersion_ = version;
}

int Database::tableCount()
{
    return int(catalogue().size());
}

QString Database::tableName(int index)
{
    const QStringList& names = catalogue();
    if (index < 0 || index >= names.size())
        throw Failure(QStringLiteral("Tietokannan luettelossa ei ole kohtaa %1.").arg(index), path_);
    lastIndexRead_ = index;
    return names.at(index);
}

QStringList Database::tableNames()
{
    return catalogue();
}

Database::Walk::~Walk()
{
    database_.walking_ = false;
    if (database_.reading_ && database_.db_)
        sqlite3_exec(database_.db_.get(), "COMMIT", nullptr, nullptr, nullptr);
    database_.reading_ = database_.held_ = false;
}

// Each change is its own committed step, so a walk's read ends first.
void Database::endReading()
{
    held_ = false;
    if (!reading_)
        return;
    reading_ = false;
    run(QStringLiteral("COMMIT"), QStringLiteral("Tietokannan lukemista ei voitu päättää."));
}

bool Database::holdsWriteLock() const
{
    return db_ && sqlite3_txn_state(db_.get(), "main") == SQLITE_TXN_WRITE;
}

void Database::rollback() noexcept
{
    if (db_ && !sqlite3_get_autocommit(db_.get()))
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    reading_ = held_ = false;
    cachedVersion_ = -1;
}

Database::WriteTransaction::WriteTransaction(Database& database) : database_(database)
{
    database_.endReading();
    database_.run(QStringLiteral("BEGIN IMMEDIATE"),
                  QStringLiteral("Tietokantaa ei voitu varata muutosta varten, joten mitään ei muutettu."));
    open_ = true;
}

Database::WriteTransaction::~WriteTransaction()
{
    if (open_)
        database_.rollback();
}

void Database::WriteTransaction::commit()
{
    if (!open_)
        return;
    open_ = false;
    database_.held_ = false;
    try {
        database_.run(QStringLiteral("COMMIT"),
                      QStringLiteral("Muutosta ei voitu tallentaa, joten tietokanta on ennallaan."));
    } catch (...) {
        database_.rollback();
        throw;
    }
}

void Database::deleteTable(const QString& name)
{
    const QString what = QStringLiteral("Taulukkoa %1 ei voitu poistaa.").arg(name);
    // A part of a virtual table goes only with it: alone, its loss would
    // leave a table nobody can drop. The owner's parts go with the owner,
    // so after its drop the catalogue is read again.
    catalogue();
    if (const QString owner = owners_.value(name); !owner.isEmpty())
        throw Failure(what, path_,
                      QStringLiteral("taulukko on osa taulukkoa %1 ja poistuu vain sen mukana").arg(owner));
    const bool withParts = std::find(owners_.cbegin(), owners_.cend(), name) != owners_.cend();
    endReading();
    // The cache was checked at the last access; if the schema moved on since,
    // the version after the drop is more than one past it.
    const int known = cachedVersion_;
    const bool ownStep = !holdsWriteLock();
    int after = -1;
    try {
        if (ownStep)
            run(QStringLiteral("BEGIN IMMEDIATE"), what);
        run(QStringLiteral("DROP TABLE ") + quoted(name), what);
        // Read while the lock is still ours: after the commit another
        // program's lock could make the look wait and fail, and a drop that
        // committed would be reported as failed.
        after = schemaVersion();
        if (ownStep)
            run(QStringLiteral("COMMIT"), what);
    } catch (...) {
        if (ownStep)
            rollback();
        cachedVersion_ = -1;
        throw;
    }
    // When nothing else changed the schema meanwhile, the one drop is known:
    // take the name out instead of reading the whole catalogue again. A walk
    // deletes the name it has just read, so look there first.
    const qsizetype at = lastIndexRead_ >= 0 && lastIndexRead_ < names_.size() && names_.at(lastIndexRead_) == name
                             ? lastIndexRead_
                             : names_.indexOf(name);
    lastIndexRead_ = -1;
    if (!withParts && known >= 0 && at >= 0 && after == known + 1) {
        names_.removeAt(at);
        cachedVersion_ = known + 1;
    } else {
        cachedVersion_ = -1;
    }
}

qint64 Database::rowCount(const QString& table)
{
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu laskea.").arg(table);
    sqlite3_stmt* raw = nullptr;
    const QByteArray sql = nameBytes::encode(QStringLiteral("SELECT count(*) FROM ") + quoted(table));
    if (sqlite3_prepare_v2(db(), sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        fail(what);
    const StmtPtr query(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        fail(what);
    return sqlite3_column_int64(raw, 0);
}

QString Database::shadowOwner(const QString& name)
{
    catalogue();
    return owners_.value(name);
}

bool Database::tableExistsFolded(const QString& name)
{
    const QString folded = name.toCaseFolded();
    for (const QString& existing : catalogue())
        if (existing.toCaseFolded() == folded)
            return true;
    return false;
}

void Database::execute(const QString& statement)
{
    endReading();
    const Statement parsed = [&] {
        try {
            return parseStatement(statement);
        } catch (const Failure& refused) {
            throw Failure(refused.whatFailed(), path_, refused.detail());
        }
    }();
    if (const auto* copy = std::get_if<SelectInto>(&parsed)) {
        const QString what = QStringLiteral("Taulukkoa %1 ei voitu kopioida nimelle %2.")
                                 .arg(copy->source, copy->target);
        // The engine folds only ASCII letters; a name that differs from an
        // existing one only by the case of Ä, Ö or Å is still the same name.
        if (tableExistsFolded(copy->target))
            throw Failure(what, path_, QStringLiteral("taulukko %1 on jo olemassa").arg(copy->target));
        run(QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2").arg(quoted(copy->target), quoted(copy->source)),
            what);
    } else {
        const auto& clear = std::get<DeleteAllRows>(parsed);
        run(QStringLiteral("DELETE FROM ") + quoted(clear.table),
            QStringLiteral("Taulukon %1 rivejä ei voitu poistaa.").arg(clear.table));
    }
}

void Database::close()
{
    reading_ = held_ = false;
    versionQuery_.reset();
    if (sqlite3* raw = db_.release(); raw && sqlite3_close(raw) != SQLITE_OK) {
        const QString message = reasons::engineWords(raw);
        sqlite3_close_v2(raw);
        throw Failure(QStringLiteral("Tietokantaa ei voitu sulkea."), path_, message);
    }
}
