#pragma once

#include <QStringList>

#include <functional>

// What a safety copy would do to the database as it is now, by table name:
// the tables it would bring back and the tables that would go. Read from
// the catalogues only, so that a large copy is compared as quickly as a
// small one.
struct CopyComparison {
    QStringList bringsBack;   // in the copy, not in the database: in the copy's order
    QStringList removes;      // in the database, not in the copy: in the database's order
};

// Answers true once the reader should give up; the read then ends with a Failure.
using StopAsked = std::function<bool()>;

// Every table name in the database's catalogue, system tables included,
// read without changing the file and without waiting long for a writer.
QStringList databaseTableNames(const QString& databasePath, const StopAsked& stopAsked = {});

CopyComparison compareTables(const QStringList& databaseTables, const QStringList& copyTables);
