#include "db/DatabaseEngine.h"

#include "db/Failure.h"
#include "db/FileCheck.h"
#include "db/Reasons.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sqlite3.h>

DatabaseEngine::DatabaseEngine()
{
    if (const int rc = sqlite3_initialize(); rc != SQLITE_OK)
        throw Failure(QStringLiteral("Tietokantamoottoria ei voitu käynnistää."), QString(),
                      QString::fromUtf8(sqlite3_errstr(rc)));
}

DatabaseEngine& DatabaseEngine::instance()
{
    static DatabaseEngine engine;
    return engine;
}

Database DatabaseEngine::open(const QString& path, KeepWaiting keepWaiting) const
{
    try {
        return openChecked(path, std::move(keepWaiting));
    } catch (const Failure& failure) {
        throw failure.atOpening();
    }
}

Database DatabaseEngine::openChecked(const QString& path, KeepWaiting keepWaiting) const
{
    checkFile(path);

    // Not blocking: should the name have become a pipe since the check, the
    // open must not wait for a writer.
    FileHandle file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        throw Failure(QStringLiteral("Tietokantatiedostoa ei voi lukea."), path, reasons::forSystemError(errno),
                      reasons::systemWords(errno));
    Connection connection(path, Connection::OpenAs::ReadWrite, QStringLiteral("Tietokantaa ei voitu avata."),
                          path.toUtf8());
    if (connection.isReadOnly())
        throw Failure(QStringLiteral("Tietokantatiedostoon ei ole kirjoitusoikeutta."), path);
    connection.waitAsTold(std::move(keepWaiting));

    Database database(path, std::move(file), std::move(connection));
    // Freed pages are not overwritten with zeros: the safety copy already
    // keeps the old data, and zeroing would make large deletions slow.
    database.run(QStringLiteral("PRAGMA secure_delete=FAST"), QStringLiteral("Tietokantaa ei voitu avata."));
    // References are checked by the operations themselves; the engine
    // enforces them only where an operation asks it to (see emptying::EnforcedKeys).
    database.run(QStringLiteral("PRAGMA foreign_keys=OFF"), QStringLiteral("Tietokantaa ei voitu avata."));
    // Reading the catalogue now shows at once a file that is damaged.
    database.fitPageCacheToCatalogue();
    return database;
}
