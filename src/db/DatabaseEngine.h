#pragma once

#include <QString>
#include <QStringList>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class Database;

// The outside engine. Created at the first operation that needs it and kept
// until the program ends; every operation opens its own Database from it.
class DatabaseEngine {
public:
    static DatabaseEngine& instance();

    DatabaseEngine(const DatabaseEngine&) = delete;
    DatabaseEngine& operator=(const DatabaseEngine&) = delete;

    // Opens an existing database file read-write and shared. Never creates
    // or changes a file; anything that is not a usable database is a Failure.
    Database open(const QString& path) const;

private:
    DatabaseEngine();
};

// One open database. Released when it goes out of scope; close() releases it
// early and reports a failing close.
class Database {
public:
    Database(Database&&) noexcept = default;
    Database& operator=(Database&&) noexcept = default;
    ~Database() = default;

    const QString& path() const { return path_; }

    // The catalogue: every table the file holds, system tables included, in
    // the order the tables were made. Deleting an entry moves later entries
    // down by one and leaves earlier ones where they are.
    int tableCount();
    QString tableName(int index);
    // Every entry's name, index 0 first: the same as tableName(0 … count - 1),
    // with one look at whether the catalogue changed instead of one per entry.
    QStringList tableNames();
    void deleteTable(const QString& name);

    // Runs one statement of the two forms the operations use:
    //   SELECT [a].* INTO [b] FROM [a]   (a copy of a, rows included, named b)
    //   DELETE * FROM [a]                (every row of a)
    // Any other text is refused before anything runs.
    void execute(const QString& statement);

    void close();

    // For the safety copy, which reads the file through the engine's own
    // open file while it holds a read transaction.
    sqlite3* nativeHandle() const;

    // While a Walk lives, the catalogue is read inside a read transaction
    // that lasts until this program's next change: no other program can
    // change it meanwhile, so the file is looked at once per deletion
    // instead of once per entry. Other programs' writes wait only while the
    // walk reads between two deletions.
    class Walk {
    public:
        explicit Walk(Database& database) : database_(database) { database_.walking_ = true; }
        ~Walk();
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

    private:
        Database& database_;
    };

private:
    struct CloseDb { void operator()(sqlite3* db) const; };
    struct Finalize { void operator()(sqlite3_stmt* st) const; };
    using DbPtr = std::unique_ptr<sqlite3, CloseDb>;
    using StmtPtr = std::unique_ptr<sqlite3_stmt, Finalize>;

    friend class DatabaseEngine;
    Database(QString path, DbPtr db);

    sqlite3* db() const;
    [[noreturn]] void fail(const QString& what) const;
    void run(const QString& sql, const QString& what);
    void fitPageCacheToCatalogue();
    int schemaVersion();
    const QStringList& catalogue();
    void reloadCatalogue(int version);
    bool tableExistsFolded(const QString& name);
    void endReading();

    QString path_;
    DbPtr db_;                 // declared first: the statements are finalized before it closes
    StmtPtr versionQuery_;
    QStringList names_;
    int cachedVersion_ = -1;
    qsizetype lastIndexRead_ = -1;   // where a walk's tableName(i) then deleteTable finds the name
    bool walking_ = false;
    bool reading_ = false;           // a walk's read transaction is open
    bool held_ = false;              // ... and the catalogue was checked inside it, so it cannot change
};
