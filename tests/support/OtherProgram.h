#pragma once

#include <QString>
#include <QTest>
#include <QtTest/qtestassert.h>

#include <sqlite3.h>

// Another program's connection to the file, which never waits for a lock.
struct OtherProgram {
    sqlite3* db = nullptr;
    explicit OtherProgram(const QString& file)
    {
        QTEST_ASSERT(sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK);
    }
    ~OtherProgram() { sqlite3_close_v2(db); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;
    int exec(const char* sql) const { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
};
