#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// One FOREIGN KEY of a table: the rows of `child` refer through
// `childColumns` to rows of the table named `parent`.
struct Reference {
    QString child;
    QString parent;              // as the child's definition writes it
    QStringList childColumns;
    QStringList parentColumns;   // empty: the parent's primary key
    QString onDelete;            // "NO ACTION", "RESTRICT", "CASCADE", "SET NULL" or "SET DEFAULT"

    // Whether deleting a referred row changes the referring rows instead of
    // being refused.
    bool actsOnDelete() const;
};

// The references between the tables of a database, read from its catalogue
// in one query. A database whose definitions hold no "REFERENCES" costs one
// scan of the catalogue's text and nothing more.
class References {
public:
    explicit References(Database& database);

    bool isEmpty() const { return all_.isEmpty(); }
    const QList<Reference>& all() const { return all_; }

    // The references of other tables to `table`; a table's references to
    // itself are left out.
    QList<Reference> to(const QString& table) const;
    // The other tables that refer to `table`, each once, in catalogue order.
    QStringList tablesReferringTo(const QString& table) const;

private:
    QList<Reference> all_;
};

// A table name as the engine compares names: ASCII letters in either case
// are the same, every other character only itself.
QString engineFolded(const QString& name);
