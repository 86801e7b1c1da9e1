#include "db/Connection.h"

#include "db/Reasons.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

namespace {

int flagsFor(Connection::OpenAs how)
{
    switch (how) {
    case Connection::OpenAs::ReadOnly:
        return SQLITE_OPEN_READONLY;
    case Connection::OpenAs::ReadWrite:
        return SQLITE_OPEN_READWRITE;
    case Connection::OpenAs::Immutable:
        return SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
    }
    return SQLITE_OPEN_READONLY;
}

QByteArray engineName(const QString& path, Connection::OpenAs how, const QByteArray& fileName)
{
    if (how == Connection::OpenAs::Immutable)
        return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?immutable=1";
    return fileName.isEmpty() ? QFile::encodeName(path) : fileName;
}

} // namespace

Connection::Connection(const QString& path, OpenAs how, const QString& what, const QByteArray& fileName)
    : path_(path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(engineName(path, how, fileName).constData(), &raw, flagsFor(how), nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK)
        throw raw ? failure(what) : reasons::codeFailure(what, path_, rc);
    sqlite3_extended_result_codes(raw, 1);
}

void Connection::waitAtMost(int ms)
{
    sqlite3_busy_timeout(db_.get(), ms);
}

void Connection::waitAsTold(KeepWaiting keepWaiting)
{
    lockWait_ = std::make_unique<LockWait>(std::move(keepWaiting));
    lockWait_->attachTo(db_.get());
}

void Connection::setKeepWaiting(KeepWaiting keepWaiting)
{
    lockWait_->setKeepWaiting(std::move(keepWaiting));
}

Failure Connection::failure(const QString& what, const QString& whatIfDamaged) const
{
    const bool damaged = !whatIfDamaged.isEmpty() && reasons::isDamage(sqlite3_extended_errcode(db_.get()));
    return reasons::engineFailure(damaged ? whatIfDamaged : what, path_, db_.get());
}

void Connection::fail(const QString& what, const QString& whatIfDamaged) const
{
    throw failure(what, whatIfDamaged);
}

Failure Connection::codeFailure(const QString& what, int code) const
{
    int systemError = sqlite3_system_errno(db_.get());
    if (systemError == 0)
        sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_LAST_ERRNO, &systemError);
    return Failure(what, path_, reasons::forFailedCall(code, systemError, path_),
                   QString::fromUtf8(sqlite3_errstr(code)));
}

int Connection::lastCode() const
{
    return sqlite3_extended_errcode(db_.get());
}

QString Connection::words() const
{
    return reasons::engineWords(db_.get());
}

void Connection::run(const char* sql, const QString& what) const
{
    if (!tryRun(sql))
        fail(what);
}

bool Connection::tryRun(const char* sql) const
{
    return sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Connection::isReadOnly() const
{
    return sqlite3_db_readonly(db_.get(), "main") == 1;
}

bool Connection::inTransaction() const
{
    return sqlite3_get_autocommit(db_.get()) == 0;
}

bool Connection::holdsWriteLock() const
{
    return sqlite3_txn_state(db_.get(), "main") == SQLITE_TXN_WRITE;
}

bool Connection::keysUnresolved() const
{
    int unresolved = 0;
    int highest = 0;
    sqlite3_db_status(db_.get(), SQLITE_DBSTATUS_DEFERRED_FKS, &unresolved, &highest, 0);
    return unresolved != 0;
}

void Connection::interrupt() const
{
    sqlite3_interrupt(db_.get());
}

void Connection::setCheckpointOnClose(bool checkpoint)
{
    sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, checkpoint ? 0 : 1, nullptr);
}

std::optional<Failure> Connection::close(const QString& what)
{
    sqlite3* raw = db_.release();
    if (!raw || sqlite3_close(raw) == SQLITE_OK)
        return std::nullopt;
    const Failure refused = reasons::engineFailure(what, path_, raw);
    sqlite3_close_v2(raw);
    return refused;
}

Connection::Watch::Watch(const Connection& connection, int steps, std::function<bool()> stopNow)
    : connection_(connection), stopNow_(std::move(stopNow))
{
    sqlite3_progress_handler(connection_.handle(), steps, &Watch::asked, this);
}

Connection::Watch::~Watch()
{
    sqlite3_progress_handler(connection_.handle(), 0, nullptr, nullptr);
}

int Connection::Watch::asked(void* self)
{
    return static_cast<Watch*>(self)->stopNow_() ? 1 : 0;
}

Transaction::Transaction(const Connection& connection, Kind kind, const QString& what) : connection_(connection)
{
    connection_.run(kind == Kind::Immediate ? "BEGIN IMMEDIATE" : "BEGIN", what);
}

Transaction::~Transaction()
{
    if (open_ && connection_.handle() && connection_.inTransaction())
        connection_.tryRun("ROLLBACK");
}

void Transaction::commit(const QString& what)
{
    connection_.run("COMMIT", what);
    open_ = false;
}

void Transaction::rollback(const QString& what)
{
    connection_.run("ROLLBACK", what);
    open_ = false;
}
