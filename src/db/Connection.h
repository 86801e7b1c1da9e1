#pragma once

#include "db/Failure.h"
#include "db/LockWait.h"
#include "db/SqliteHandles.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// One connection of the engine to an existing database file. Every failure
// it builds names `path` and tells the engine's extended result code in the
// operator's words.
class Connection {
public:
    // How long a connection with no handler of its own waits for another program's lock.
    static constexpr int kBusyTimeoutMs = 5000;
    // Shorter for the restore program's background listing: a busy writer must not hold up the list.
    static constexpr int kListingBusyTimeoutMs = 1000;

    enum class OpenAs {
        ReadOnly,
        ReadWrite,
        // Read as it lies: no locks and no files beside it, whatever the header says.
        Immutable,
    };

    // Opens `path`, or `fileName` when the engine reaches the file by
    // another name; never creates a file. A refusal is thrown as `what`.
    Connection(const QString& path, OpenAs how, const QString& what, const QByteArray& fileName = {});
    Connection(Connection&&) noexcept = default;
    Connection& operator=(Connection&&) noexcept = default;
    ~Connection() = default;

    const QString& path() const { return path_; }

    // How a step waits for another program's lock: the engine's own timeout,
    // or LockWait's tries for as long as `keepWaiting` says.
    void waitAtMost(int ms);
    void waitAsTold(KeepWaiting keepWaiting);
    // Only after waitAsTold.
    void setKeepWaiting(KeepWaiting keepWaiting);

    // The failure of the engine's last call on this connection, told as
    // `what`; as `whatIfDamaged` instead when the engine found the file damaged.
    Failure failure(const QString& what, const QString& whatIfDamaged = {}) const;
    [[noreturn]] void fail(const QString& what, const QString& whatIfDamaged = {}) const;
    // The failure of a call that returned `code` without leaving it on the
    // connection, the system's error of this connection's file included.
    Failure codeFailure(const QString& what, int code) const;

    // The extended result code of the engine's last failing call on this
    // connection, and its own words for it.
    int lastCode() const;
    QString words() const;

    // Runs `sql`, one statement or several; a refusal is thrown as `what`.
    void run(const char* sql, const QString& what) const;
    // The same, reporting only whether the engine did it.
    bool tryRun(const char* sql) const;
    // Whether the engine lets this connection write to the file.
    bool isReadOnly() const;
    // Whether a transaction is open, and whether it holds the write lock.
    bool inTransaction() const;
    bool holdsWriteLock() const;
    // Whether the open transaction, its keys checked at its end, leaves rows
    // that refer to rows that are not there.
    bool keysUnresolved() const;
    // Ends the statement running on this connection, from any thread; it
    // fails as interrupted.
    void interrupt() const;
    // Whether closing in write-ahead-log mode copies the log into the file.
    void setCheckpointOnClose(bool checkpoint);

    // While a Watch lives, the engine asks `stopNow` every `steps` of its
    // work; true stops the statement, which then fails.
    class Watch {
    public:
        Watch(const Connection& connection, int steps, std::function<bool()> stopNow);
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

    private:
        static int asked(void* self);
        const Connection& connection_;
        std::function<bool()> stopNow_;
    };

    // Closes now. The engine's refusal to close comes back as `what`; the
    // connection is then closed all the same.
    [[nodiscard]] std::optional<Failure> close(const QString& what);

    // The engine's handle, for its hooks in the database layer (and for
    // tests that watch what it runs); statements go through Statement.
    sqlite3* handle() const { return db_.get(); }

private:
    QString path_;
    std::unique_ptr<LockWait> lockWait_;   // the engine's handler: outlives the handle
    sqlite::DbPtr db_;
};

// A transaction from construction to commit(), rolled back unless committed
// or rolled back by its owner.
class Transaction {
public:
    enum class Kind { Deferred, Immediate };
    // A refusal to begin is thrown as `what`.
    Transaction(const Connection& connection, Kind kind, const QString& what);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // A refusal is thrown as `what`.
    void commit(const QString& what);
    void rollback(const QString& what);

private:
    const Connection& connection_;
    bool open_ = true;
};
