#include "db/Statement.h"

#include "db/NameBytes.h"

#include <sqlite3.h>

namespace {

struct Prepared {
    sqlite::StmtPtr statement;
    bool more = false;
};

Prepared prepare(const Connection& connection, QByteArrayView sql)
{
    const char* tail = nullptr;
    sqlite::StmtPtr statement = sqlite::prepare(connection.handle(), sql.constData(), int(sql.size()), &tail);
    const bool more = statement && tail != sql.constData() + sql.size();
    return {std::move(statement), more};
}

} // namespace

Statement::Statement(const Connection& connection, sqlite::StmtPtr statement, QString what, QString whatIfDamaged,
                     bool more)
    : connection_(&connection), statement_(std::move(statement)), what_(std::move(what)),
      whatIfDamaged_(std::move(whatIfDamaged)), more_(more)
{
}

Statement::Statement(const Connection& connection, QByteArrayView sql, QString what, QString whatIfDamaged)
    : connection_(&connection), what_(std::move(what)), whatIfDamaged_(std::move(whatIfDamaged))
{
    Prepared prepared = prepare(connection, sql);
    if (!prepared.statement)
        connection_->fail(what_, whatIfDamaged_);
    statement_ = std::move(prepared.statement);
    more_ = prepared.more;
}

std::optional<Statement> Statement::ifAccepted(const Connection& connection, QByteArrayView sql)
{
    Prepared prepared = prepare(connection, sql);
    if (!prepared.statement)
        return std::nullopt;
    return Statement(connection, std::move(prepared.statement), {}, {}, prepared.more);
}

void Statement::bind(int index, const QString& text)
{
    const QByteArray bytes = nameBytes::encode(text);
    if (sqlite3_bind_text(statement_.get(), index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT)
        != SQLITE_OK)
        connection_->fail(what_);
}

void Statement::bind(int index, qint64 number)
{
    if (sqlite3_bind_int64(statement_.get(), index, number) != SQLITE_OK)
        connection_->fail(what_);
}

Statement::Step Statement::step()
{
    switch (sqlite3_step(statement_.get())) {
    case SQLITE_ROW:
        return Step::Row;
    case SQLITE_DONE:
        return Step::Done;
    default:
        return Step::Failed;
    }
}

bool Statement::next()
{
    const Step stepped = step();
    if (stepped == Step::Failed)
        connection_->fail(what_, whatIfDamaged_);
    return stepped == Step::Row;
}

qint64 Statement::firstNumber()
{
    if (!next())
        connection_->fail(what_, whatIfDamaged_);
    return number(0);
}

void Statement::reset()
{
    sqlite3_reset(statement_.get());
}

qint64 Statement::number(int column) const
{
    return sqlite3_column_int64(statement_.get(), column);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

QString Statement::text(int column) const
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement_.get(), column)),
                             sqlite3_column_bytes(statement_.get(), column));
}

QString Statement::name(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_.get(), column));
    return nameBytes::decode(bytes, sqlite3_column_bytes(statement_.get(), column));
}
