#include "db/Database.h"

#include "db/Deadline.h"
#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"

#include <sqlite3.h>

// A row count that gives up rather than keep the operator waiting.

namespace {

// A read transaction of its own, unless one is open already: the file is
// locked for reading before the clock starts, so that a wait for another
// program's lock is not counted.
class ReadLock {
public:
    explicit ReadLock(sqlite3* db) : db_(sqlite3_get_autocommit(db) != 0 ? db : nullptr)
    {
        if (db_)
            sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    }
    ~ReadLock()
    {
        if (db_ && sqlite3_get_autocommit(db_) == 0)
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

private:
    sqlite3* db_;
};

} // namespace

std::optional<qint64> Database::rowCountWithin(const QString& table, int withinMs)
{
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu laskea.").arg(table);
    const QByteArray sql = nameBytes::encode(QStringLiteral("SELECT count(*) FROM ") + quotedName(table));
    const ReadLock reading(db());
    // Reading the header takes the read lock, waiting for it as every step does.
    if (!sqlite::firstRow(db(), "PRAGMA schema_version"))
        fail(what);
    const StmtPtr query = sqlite::prepare(db(), sql.constData(), int(sql.size()));
    if (!query)
        fail(what);
    int rc = SQLITE_OK;
    {
        const Deadline deadline(db(), withinMs);
        rc = sqlite3_step(query.get());
    }
    if (rc == SQLITE_ROW)
        return sqlite3_column_int64(query.get(), 0);
    if (rc == SQLITE_INTERRUPT)
        return std::nullopt;
    fail(what);
}
