#include "db/Statement.h"

#include "db/NameBytes.h"

#include <sqlite3.h>

Statement::Statement(const Connection& connection, sqlite::StmtPtr statement, QString what, QString whatIfDamaged)
    : connection_(&connection), statement_(std::move(statement)), what_(std::move(what)),
      whatIfDamaged_(std::move(whatIfDamaged))
{
}

Statement::Statement(const Connection& connection, QByteArrayView sql, QString what, QString whatIfDamaged)
    : Statement(connection, sqlite::prepare(connection.handle(), sql.constData(), int(sql.size())), std::move(what),
                std::move(whatIfDamaged))
{
    if (!statement_)
        connection_->fail(what_, whatIfDamaged_);
}

std::optional<Statement> Statement::ifAccepted(const Connection& connection, QByteArrayView sql)
{
    sqlite::StmtPtr prepared = sqlite::prepare(connection.handle(), sql.constData(), int(sql.size()));
    if (!prepared)
        return std::nullopt;
    return Statement(connection, std::move(prepared), {}, {});
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

qint64 Statement::number(int column) const
{
    return sqlite3_column_int64(statement_.get(), column);
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
