#include "db/Database.h"

#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/Reasons.h"

#include <sqlite3.h>

// A Database's handle and the one way it runs a statement; its catalogue,
// its changes and its row counts are in the files beside this one.

Database::Database(QString path, FileHandle file, Connection connection)
    : path_(std::move(path)), file_(std::move(file)), connection_(std::move(connection))
{
}

sqlite3* Database::db() const
{
    if (!connection_.handle())
        throw Failure(QStringLiteral("Tietokanta on jo suljettu."), path_);
    return connection_.handle();
}

sqlite3* Database::nativeHandle() const { return db(); }

void Database::fail(const QString& what) const
{
    connection_.fail(what);
}

void Database::run(const QString& sql, const QString& what)
{
    sqlite3_stmt* raw = nullptr;
    const QByteArray utf8 = nameBytes::encode(sql);
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db(), utf8.constData(), int(utf8.size()), &raw, &tail) != SQLITE_OK)
        fail(what);
    const StmtPtr statement(raw);
    // Exactly one statement: the texts are built here, so a tail is a fault.
    if (tail != utf8.constData() + utf8.size())
        throw Failure(what, path_, QStringLiteral("lauseessa on useampi kuin yksi käsky"));
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE)
        fail(what);
}

void Database::close()
{
    reading_ = held_ = false;
    versionQuery_.reset();
    const QString what = QStringLiteral("Tietokantaa ei voitu sulkea.");
    if (const std::optional<Failure> refused = connection_.close(what))
        throw Failure(what, path_, refused->original());
}
