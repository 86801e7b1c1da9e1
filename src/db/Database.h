#pragma once

#include "db/Connection.h"
#include "db/LockWait.h"
#include "db/Statement.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class DatabaseEngine;

// One open database. Released when it goes out of scope; close() releases it
// early and reports a failing close.
class Database {
public:
    Database(Database&&) noexcept = default;
    Database& operator=(Database&&) noexcept = default;
    ~Database() = default;

    const QString& path() const { return path_; }
    // How the steps from now on wait for another program's lock.
    void setKeepWaiting(KeepWaiting keepWaiting) { connection_->setKeepWaiting(std::move(keepWaiting)); }

    // The catalogue: every table the file holds, system tables included, in
    // the order the tables were made. Deleting an entry moves later entries
    // down by one and leaves earlier ones where they are.
    int tableCount();
    QString tableName(int index);
    // Every entry's name, index 0 first: the same as tableName(0 … count - 1),
    // with one look at whether the catalogue changed instead of one per entry.
    QStringList tableNames();
    // Inside a WriteTransaction the drop commits with it; otherwise it is
    // its own committed step. Either way the catalogue is checked before the
    // commit, so a drop that committed is never reported as failed. A drop that
    // fails is undone by the engine (alone, or with the whole transaction
    // after a fault of the file); a failure after the drop rolls the open
    // transaction back, so that a drop reported as failed never commits. The
    // views of `viewsFirst` are dropped before the table, in the same commit.
    void deleteTable(const QString& name, const QStringList& viewsFirst = {});
    // Whether the file holds any view or trigger, from the same read as the
    // names: a file without them needs no look at what they use.
    bool hasViewsOrTriggers();
    qint64 rowCount(const QString& table);
    // The same, or nothing when counting would take longer than about
    // `withinMs` of the engine's work (a wait for a lock not included).
    std::optional<qint64> rowCountWithin(const QString& table, int withinMs);
    // The virtual table (full-text or spatial index) whose data `name`
    // holds, or empty: such a table is deleted only with its owner.
    QString shadowOwner(const QString& name);

    // One entry of the catalogue, of any kind.
    struct Entry {
        QString type;    // "table", "view", "index" or "trigger"
        QString name;
        QString table;   // the table an index or a trigger belongs to; a table's or view's own name
    };
    // The entry whose name is `name` in any letter case, Ä and ä alike (the
    // engine folds only ASCII letters), if there is one.
    std::optional<Entry> entryNamedFolded(const QString& name);
    // The entry of the catalogue that the engine's message `words` names
    // ("error in view X: ..."), if any.
    std::optional<Entry> entryNamedIn(const QString& words);
    // The parts of the virtual table `table`, in catalogue order; none for
    // other tables.
    QStringList partsOf(const QString& table);
    // The virtual table whose part a table named `name` would be, whether
    // or not such a table exists, or empty.
    QString partNameOwner(const QString& name);
    bool isVirtual(const QString& table);
    // Whether the text of a view or a trigger may name `name`, in any
    // letter case the engine does not tell apart (it may say so of more).
    bool namedInViewsOrTriggers(const QString& name);
    // Changes with every change of the catalogue, by any program.
    int catalogueVersion() { return schemaVersion(); }

    // What the engine says to renaming `table` to `newName`, tried and
    // undone at once: empty when it would rename it, otherwise its own words.
    // Outside a transaction the try holds the write lock for itself alone;
    // inside a WriteTransaction it is undone within it, and the file is as
    // it was before the try. A lock, read or write failure is thrown.
    QString renameRefusal(const QString& table, const QString& newName);
    // The engine's own rename: the table keeps its definition, rows,
    // indexes, triggers and place in the catalogue, and the other tables'
    // references, views and triggers that name it follow the new name.
    // Refused (thrown) when an entry of that name exists in any letter
    // case. Inside a WriteTransaction it commits with it; otherwise it is its
    // own step. Returns the engine's own words when it refuses the rename,
    // which then changed nothing; a lock, read or write failure is thrown.
    // The names are quoted here: whatever they hold is a name, never a part
    // of a statement.
    [[nodiscard]] QString renameTable(const QString& table, const QString& newName);
    // Every row of `table`; the table and its definition stay.
    void deleteAllRows(const QString& table);

    void close();

    // The engine's connection to the file, for the engine layer's readers
    // of the catalogue, the safety copy, which reads the file through the
    // engine's own open file while it holds the write lock, and the restore,
    // which writes the copy's pages through it. Refused once closed.
    Connection& connection();
    // The program's own read-only descriptor of the file, opened before the
    // engine's and closed after it: closing a descriptor of a file drops every
    // lock the process holds on it, so none is opened while the engine holds one.
    int fileDescriptor() const { return file_.get(); }
    bool holdsWriteLock() const;

    // The write lock (BEGIN IMMEDIATE) from construction to commit(): no
    // other program commits meanwhile, so a safety copy taken inside it is
    // the file exactly as it was just before the change. Rolled back unless
    // committed.
    class WriteTransaction {
    public:
        explicit WriteTransaction(Database& database);
        ~WriteTransaction();
        WriteTransaction(const WriteTransaction&) = delete;
        WriteTransaction& operator=(const WriteTransaction&) = delete;
        void commit();
        bool isOpen() const { return open_; }

    private:
        Database& database_;
        bool open_ = false;
    };

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
    friend class DatabaseEngine;
    Database(QString path, FileHandle file, Connection connection);

    bool isOpen() const { return connection_ && connection_->handle(); }
    [[noreturn]] void fail(const QString& what) const;
    void run(const QString& sql, const QString& what);
    void fitPageCacheToCatalogue();
    int schemaVersion(const QString& what = QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    const QStringList& catalogue();
    void reloadCatalogue(int version,
                         const QString& what = QStringLiteral("Tietokannan luetteloa ei voitu lukea."));
    void keepRenamesFollowing();
    enum class Tried { Done, Refused, Failed };
    // Refused: the engine would not carry it out; Failed: a lock, a read or a write.
    Tried tryRun(const QString& sql);
    void endReading();
    void rollback() noexcept;

    QString path_;
    FileHandle file_;          // declared before the engine's connection: closed after it
    // At one address however the Database moves, since a kept statement
    // names it; declared before the statements: they are finalized before it closes.
    std::unique_ptr<Connection> connection_;
    std::optional<Statement> versionQuery_;
    QStringList names_;
    QHash<QString, QString> owners_;   // a virtual table's part -> the virtual table
    QStringList virtuals_;             // the virtual tables
    int cachedVersion_ = -1;
    double catalogueBytes_ = 0;      // every entry's share of the catalogue, as last read
    qsizetype lastIndexRead_ = -1;   // where a walk's tableName(i) then deleteTable finds the name
    bool walking_ = false;
    bool reading_ = false;           // a walk's read transaction is open
    bool held_ = false;              // ... and the catalogue was checked inside it, so it cannot change
    bool viewsOrTriggers_ = false;   // as last read; a drop may leave it set, never clear it wrongly
    bool renamesFollow_ = false;     // the engine rewrites what names a renamed table
};
