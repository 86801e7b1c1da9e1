#pragma once

#include "ConnectionWatch.h"

#include <QFileInfo>
#include <QHash>
#include <QString>
#include <QtTest/qtestassert.h>

#include <sqlite3.h>

#include <utility>

// A connection standing for another program: the moment the `drop`-th table
// drop made by this program's connections has committed, it takes an
// exclusive lock on the (rollback-journal) file and holds it until one of
// those connections has run another statement to its end, or until
// release(); a statement that waits for the lock ends only once the busy
// timeout has run out. The moment is found through the engine's trace of
// every connection opened on the file while this lives: a DROP TABLE starts,
// then the COMMIT that ends its transaction finishes, its locks let go.
class LockAfterDrop {
public:
    LockAfterDrop(const QString& file, int drop)
        : file_(QFileInfo(file).canonicalFilePath()), drop_(drop), other_(open(file)),
          watch_([this](sqlite3* db) { attach(db); })
    {
    }
    ~LockAfterDrop()
    {
        release();
        sqlite3_close_v2(other_);
    }
    LockAfterDrop(const LockAfterDrop&) = delete;
    LockAfterDrop& operator=(const LockAfterDrop&) = delete;

    // Whether the lock was taken at the moment, and whether it is still held.
    bool tookTheLock() const { return took_; }
    bool holding() const { return holding_; }

    void release()
    {
        if (std::exchange(holding_, false))
            sqlite3_exec(other_, "ROLLBACK", nullptr, nullptr, nullptr);
    }

private:
    // Opened before the watch starts: its own statements are not watched.
    static sqlite3* open(const QString& file)
    {
        sqlite3* db = nullptr;
        QTEST_ASSERT(sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK);
        return db;
    }

    void attach(sqlite3* db)
    {
        if (QString::fromUtf8(sqlite3_db_filename(db, "main")) == file_)
            sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_PROFILE, &LockAfterDrop::traced, this);
    }

    static int traced(unsigned event, void* self, void* statement, void*)
    {
        static_cast<LockAfterDrop*>(self)->seen(event, static_cast<sqlite3_stmt*>(statement));
        return 0;
    }

    void seen(unsigned event, sqlite3_stmt* statement)
    {
        const QString sql = QString::fromUtf8(sqlite3_sql(statement)).trimmed().toUpper();
        sqlite3* db = sqlite3_db_handle(statement);
        if (event == SQLITE_TRACE_STMT) {
            if (sql.startsWith(QLatin1String("DROP TABLE")))
                dropping_.insert(db, true);
            return;
        }
        if (holding_) {
            release();
            return;
        }
        if (sql != QLatin1String("COMMIT") && sql != QLatin1String("ROLLBACK"))
            return;
        const bool dropped = dropping_.take(db) && sql == QLatin1String("COMMIT");
        if (dropped && ++drops_ == drop_) {
            took_ = sqlite3_exec(other_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
            holding_ = took_;
        }
    }

    QString file_;
    int drop_;
    sqlite3* other_;
    QHash<sqlite3*, bool> dropping_;   // a connection's open transaction has dropped a table
    int drops_ = 0;
    bool took_ = false;
    bool holding_ = false;
    ConnectionWatch watch_;
};
