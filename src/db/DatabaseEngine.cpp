#include "db/DatabaseEngine.h"

#include "db/Failure.h"
#include "db/FileCheck.h"
#include "db/NameBytes.h"
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
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Database::DbPtr db(raw);
    if (rc != SQLITE_OK)
        throw Failure(QStringLiteral("Tietokantaa ei voitu avata."), path,
                      raw ? reasons::forConnection(raw) : reasons::forEngineCode(rc),
                      raw ? reasons::engineWords(raw) : QString::fromUtf8(sqlite3_errstr(rc)));
    if (sqlite3_db_readonly(raw, "main") == 1)
        throw Failure(QStringLiteral("Tietokantatiedostoon ei ole kirjoitusoikeutta."), path);
    sqlite3_extended_result_codes(raw, 1);
    auto lockWait = std::make_unique<LockWait>(std::move(keepWaiting));
    lockWait->attachTo(raw);

    Database database(path, std::move(file), std::move(db), std::move(lockWait));
    // Freed pages are not overwritten with zeros: the safety copy already
    // keeps the old data, and zeroing would make large deletions slow.
    database.run(QStringLiteral("PRAGMA secure_delete=FAST"), QStringLiteral("Tietokantaa ei voitu avata."));
    // References are checked by the operations themselves; the engine
    // enforces them only where an operation asks it to (see EnforcedReferences).
    database.run(QStringLiteral("PRAGMA foreign_keys=OFF"), QStringLiteral("Tietokantaa ei voitu avata."));
    // Reading the catalogue now shows at once a file that is damaged.
    database.fitPageCacheToCatalogue();
    return database;
}

Database::Database(QString path, FileHandle file, DbPtr db, std::unique_ptr<LockWait> lockWait)
    : path_(std::move(path)), lockWait_(std::move(lockWait)), file_(std::move(file)), db_(std::move(db))
{
}

sqlite3* Database::db() const
{
    if (!db_)
        throw Failure(QStringLiteral("Tietokanta on jo suljettu."), path_);
    return db_.get();
}

sqlite3* Database::nativeHandle() const { return db(); }

void Database::fail(const QString& what) const
{
    throw reasons::engineFailure(what, path_, db_.get());
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
    if (sqlite3* raw = db_.release(); raw && sqlite3_close(raw) != SQLITE_OK) {
        const QString message = reasons::engineWords(raw);
        sqlite3_close_v2(raw);
        throw Failure(QStringLiteral("Tietokantaa ei voitu sulkea."), path_, message);
    }
}
