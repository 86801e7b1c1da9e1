#include "db/Database.h"

#include "db/Failure.h"

#include <algorithm>

// The catalogue cache of Database: the names, the schema version they were
// read at, and the walk's read transaction.

namespace {

// The tables in which the text-search and spatial index modules keep a
// virtual table's data are named after it, "<name>_<part>".
const QStringList kParts{"data",   "idx",  "content", "docsize", "config", "segments",
                         "segdir", "stat", "node",    "rowid",   "parent"};

QHash<QString, QString> shadowOwners(const QStringList& names, const QStringList& virtuals)
{
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

// Every drop scans the whole catalogue. Once the catalogue outgrows the
// engine's default page cache of 2 MB it would be read from the file again at
// every drop, so the cache gets room for it on top of the default. A larger
// cache than that is not free: an operation on a large table would fill it.
// The catalogue's size comes from the same read as the names.
void Database::fitPageCacheToCatalogue()
{
    // Part of opening the file: the operator needs no word of the catalogue.
    const QString what = QStringLiteral("Tietokantaa ei voitu avata.");
    reloadCatalogue(schemaVersion(what), what);
    constexpr double kDefaultKiB = 2000;        // the engine's own default
    constexpr double kMostKiB = 512 * 1024;
    // Pages are not filled to the brim: entries of over a third of a page
    // leave up to half of each page empty.
    const auto kib = qint64(std::min(kDefaultKiB + catalogueBytes_ * 2 / 1024, kMostKiB));
    run(QStringLiteral("PRAGMA cache_size=-%1").arg(kib), what);
}

int Database::schemaVersion(const QString& what)
{
    // Prepared once: it is asked at every access to the catalogue. Its
    // failure is told as this call's `what`.
    if (!versionQuery_)
        versionQuery_.emplace(connection(), "PRAGMA schema_version", what);
    Statement& query = *versionQuery_;
    const bool read = query.step() == Statement::Step::Row;
    const int version = read ? int(query.number(0)) : -1;
    query.reset();
    if (!read)
        fail(what);
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

void Database::reloadCatalogue(int version, const QString& what)
{
    // Every entry, indexes and triggers too, for the size of the whole
    // catalogue: the name is stored twice; the rest is a generous guess at
    // each entry's other fields and its share of page overhead.
    Statement query(connection(),
                    "SELECT name, type = 'table', sql LIKE 'CREATE VIRTUAL TABLE%',"
                    " ifnull(length(CAST(sql AS BLOB)), 0) + 2 * length(CAST(name AS BLOB)) + 48,"
                    " type IN ('view', 'trigger')"
                    " FROM sqlite_master ORDER BY rowid",
                    what);
    QStringList names;
    QStringList virtuals;
    double bytes = 0;
    bool viewsOrTriggers = false;
    while (query.next()) {
        bytes += double(query.number(3));
        viewsOrTriggers = viewsOrTriggers || query.number(4) != 0;
        if (query.number(1) == 0)
            continue;
        names.append(query.name(0));
        if (query.number(2) != 0)
            virtuals.append(names.constLast());
    }
    names_ = std::move(names);
    catalogueBytes_ = bytes;
    viewsOrTriggers_ = viewsOrTriggers;
    owners_ = shadowOwners(names_, virtuals);
    virtuals_ = std::move(virtuals);
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

bool Database::hasViewsOrTriggers()
{
    catalogue();
    return viewsOrTriggers_;
}

Database::Walk::~Walk()
{
    database_.walking_ = false;
    if (database_.reading_ && database_.isOpen())
        database_.connection_->tryRun("COMMIT");
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
QString Database::shadowOwner(const QString& name)
{
    catalogue();
    return owners_.value(name);
}

QStringList Database::partsOf(const QString& table)
{
    QStringList parts;
    for (const QString& name : catalogue())
        if (owners_.value(name) == table)
            parts.append(name);
    return parts;
}

QString Database::partNameOwner(const QString& name)
{
    catalogue();
    const QString folded = name.toCaseFolded();
    for (const QString& owner : std::as_const(virtuals_))
        for (const QString& part : kParts)
            if ((owner + QLatin1Char('_') + part).toCaseFolded() == folded)
                return owner;
    return {};
}


bool Database::isVirtual(const QString& table)
{
    catalogue();
    return virtuals_.contains(table);
}
