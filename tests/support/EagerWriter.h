#pragma once

#include "ConnectionWatch.h"
#include "OtherProgram.h"

#include <QList>
#include <QString>

#include <sqlite3.h>

// Another program that commits a new numbered row to `table` (one column)
// at every moment the engine reports on any connection of this process:
// each statement's start, each commit through a statement, each close. It
// never waits for a lock; a refused try is rolled back.
class EagerWriter {
public:
    explicit EagerWriter(QString file, QString table = QStringLiteral("Kirjaukset"))
        : file_(std::move(file)), table_(std::move(table)), watch_([this](sqlite3* db) { attach(db); })
    {
    }
    EagerWriter(const EagerWriter&) = delete;
    EagerWriter& operator=(const EagerWriter&) = delete;

    QList<int> committed;

private:
    void attach(sqlite3* db)
    {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_CLOSE, &EagerWriter::traced, this);
        sqlite3_commit_hook(db, &EagerWriter::committing, this);
    }
    static int traced(unsigned, void* self, void*, void*)
    {
        static_cast<EagerWriter*>(self)->tryToCommit();
        return 0;
    }
    static int committing(void* self)
    {
        static_cast<EagerWriter*>(self)->tryToCommit();
        return 0;
    }

    void tryToCommit()
    {
        if (trying_)   // its own connection's moments
            return;
        trying_ = true;
        {
            const OtherProgram writer(file_);
            const int number = next_++;
            const QByteArray insert =
                "INSERT INTO \"" + table_.toUtf8() + "\" VALUES (" + QByteArray::number(number) + ")";
            const auto run = [&writer](const char* sql) { return writer.exec(sql) == SQLITE_OK; };
            if (run("BEGIN IMMEDIATE") && run(insert.constData()) && run("COMMIT"))
                committed.append(number);
            else
                run("ROLLBACK");
        }
        trying_ = false;
    }

    QString file_;
    QString table_;
    int next_ = 1;
    bool trying_ = false;
    ConnectionWatch watch_;   // last: watches only once the rest is set
};
