#include "db/Database.h"

#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"

#include <algorithm>

// The changes a Database makes, and the write lock they are made under.

bool Database::holdsWriteLock() const
{
    return isOpen() && connection_->holdsWriteLock();
}

void Database::rollback() noexcept
{
    if (isOpen() && connection_->inTransaction())
        connection_->tryRun("ROLLBACK");
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

void Database::deleteTable(const QString& name, const QStringList& viewsFirst)
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
    bool dropped = false;
    try {
        if (ownStep)
            run(QStringLiteral("BEGIN IMMEDIATE"), what);
        for (const QString& view : viewsFirst)
            run(QStringLiteral("DROP VIEW ") + quotedName(view), what);
        run(QStringLiteral("DROP TABLE ") + quotedName(name), what);
        dropped = true;
        // Read while the lock is still ours: after the commit another
        // program's lock could make the look wait and fail, and a drop that
        // committed would be reported as failed.
        after = schemaVersion();
        if (ownStep)
            run(QStringLiteral("COMMIT"), what);
    } catch (...) {
        // A drop the engine refused is undone alone, and the transaction
        // around it may still commit what it did before; one reported as
        // failed after it was made must never commit with it.
        if (ownStep || dropped)
            rollback();
        cachedVersion_ = -1;
        throw;
    }
    // When nothing else changed the schema meanwhile, the drops are known:
    // take the name out instead of reading the whole catalogue again. A walk
    // deletes the name it has just read, so look there first.
    const qsizetype at = lastIndexRead_ >= 0 && lastIndexRead_ < names_.size() && names_.at(lastIndexRead_) == name
                             ? lastIndexRead_
                             : names_.indexOf(name);
    lastIndexRead_ = -1;
    // Views are not in the list; each drop moves the version on by one.
    const int drops = int(viewsFirst.size()) + 1;
    if (!withParts && known >= 0 && at >= 0 && after == known + drops) {
        names_.removeAt(at);
        cachedVersion_ = after;
    } else {
        cachedVersion_ = -1;
    }
}

qint64 Database::rowCount(const QString& table)
{
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu laskea.").arg(table);
    const QByteArray sql = nameBytes::encode(QStringLiteral("SELECT count(*) FROM ") + quotedName(table));
    return Statement(connection(), sql, what).firstNumber();
}

void Database::deleteAllRows(const QString& table)
{
    endReading();
    run(QStringLiteral("DELETE FROM ") + quotedName(table),
        QStringLiteral("Taulukon %1 rivejä ei voitu poistaa.").arg(table));
}
