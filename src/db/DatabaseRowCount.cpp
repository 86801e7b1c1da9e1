#include "db/Database.h"

#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <sqlite3.h>

// A row count that gives up rather than keep the operator waiting.

namespace {

// The engine counts count(*) in one step of its own, from the table's pages
// alone, which only an interrupt can end: another thread gives it once the
// time is up, unless the count has finished first.
class Deadline {
public:
    Deadline(sqlite3* db, int withinMs)
        : watch_([this, db, withinMs] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!ended_.wait_for(lock, std::chrono::milliseconds(withinMs), [this] { return finished_; }))
                  sqlite3_interrupt(db);
          })
    {
    }
    // Before the statement is finalized: an interrupt that came just after
    // the count ends with it, since the engine forgets it at the next
    // statement that starts with none running.
    ~Deadline()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        ended_.notify_one();
        watch_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    std::thread watch_;   // last: starts once the rest is ready
};

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
