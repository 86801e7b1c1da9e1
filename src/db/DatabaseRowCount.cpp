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
    explicit ReadLock(const Connection& connection)
        : connection_(connection.inTransaction() ? nullptr : &connection)
    {
        if (connection_)
            connection_->tryRun("BEGIN");
    }
    ~ReadLock()
    {
        if (connection_ && connection_->inTransaction())
            connection_->tryRun("COMMIT");
    }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

private:
    const Connection* connection_;
};

} // namespace

std::optional<qint64> Database::rowCountWithin(const QString& table, int withinMs)
{
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu laskea.").arg(table);
    const QByteArray sql = nameBytes::encode(QStringLiteral("SELECT count(*) FROM ") + quotedName(table));
    const Connection& engine = connection();
    const ReadLock reading(engine);
    // Reading the header takes the read lock, waiting for it as every step does.
    Statement(engine, "PRAGMA schema_version", what).firstNumber();
    Statement query(engine, sql, what);
    Statement::Step stepped;
    {
        const Deadline deadline(engine, withinMs);
        stepped = query.step();
    }
    if (stepped == Statement::Step::Row)
        return query.number(0);
    if (stepped == Statement::Step::Failed && engine.lastCode() == SQLITE_INTERRUPT)
        return std::nullopt;
    fail(what);
}
