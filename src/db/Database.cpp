#include "db/Database.h"

#include "db/Failure.h"
#include "db/NameBytes.h"

// A Database's connection and the one way it runs a statement; its
// catalogue, its changes and its row counts are in the files beside this one.

Database::Database(QString path, FileHandle file, Connection connection)
    : path_(std::move(path)), file_(std::move(file)),
      connection_(std::make_unique<Connection>(std::move(connection)))
{
}

Connection& Database::connection()
{
    if (!isOpen())
        throw Failure(QStringLiteral("Tietokanta on jo suljettu."), path_);
    return *connection_;
}

void Database::fail(const QString& what) const
{
    connection_->fail(what);
}

void Database::run(const QString& sql, const QString& what)
{
    Statement statement(connection(), nameBytes::encode(sql), what);
    // Exactly one statement: the texts are built here, so a tail is a fault.
    if (statement.hasMore())
        throw Failure(what, path_, QStringLiteral("lauseessa on useampi kuin yksi käsky"));
    while (statement.next()) {}
}

void Database::close()
{
    reading_ = held_ = false;
    versionQuery_.reset();
    if (!connection_)
        return;
    const QString what = QStringLiteral("Tietokantaa ei voitu sulkea.");
    if (const std::optional<Failure> refused = connection_->close(what))
        throw Failure(what, path_, refused->original());
}
