// What the check of references between tables, views and triggers adds to
// an operation on a generated 10,000-table file: reading the references and
// the views' and triggers' uses once, and the checks that delete, rename,
// empty and a register cleanup make, on a file without any foreign key, view
// or trigger, on one whose tenth of tables refer to others, and on one with
// 1,000 views and 100 triggers. Started by hand:
//   build/bin/bench_references [tables, default 10000] [megabytes, default 100]
#include "DatabaseGenerator.h"
#include "db/DatabaseEngine.h"
#include "db/Dependencies.h"
#include "db/Emptying.h"
#include "db/References.h"
#include "operations/RegisterNames.h"
#include "operations/DependencyCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 7;

struct Figure {
    double median = 0, min = 0, max = 0;
};

// Each run on a freshly opened database, as every operation opens its own:
// only `work` is timed, and the opening too when `withOpen` is set.
Figure timeOnFreshOpen(const QString& path, const std::function<void(Database&)>& work, bool withOpen = false)
{
    std::vector<double> ms;
    for (int run = 0; run <= kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        Database database = DatabaseEngine::instance().open(path);
        if (!withOpen)
            timer.start();
        work(database);
        if (run > 0)   // the first round only warms the page cache
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void print(const char* what, const Figure& f)
{
    std::printf("  %-58s %8.2f ms (%.2f-%.2f)\n", what, f.median, f.min, f.max);
}

// Adds `count` tables, each referring to one of the ordinary tables, the
// largest first, with three rows that refer to its rows. No register table
// is referred to, so the register cleanup is not refused.
void addReferringTables(const QString& path, const QStringList& names, const QString& largest, int count)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    QStringList ordinary{largest};   // so that emptying it has rows to count
    for (const QString& name : names)
        if (!registerNames::isRegisterTable(name) && name != largest)
            ordinary.append(name);
    for (int i = 0; i < count; ++i) {
        const QString parent = ordinary.at(i % ordinary.size());
        const QString sql = QStringLiteral("CREATE TABLE \"Viite_%1\" (id INTEGER PRIMARY KEY, kohde INTEGER "
                                           "REFERENCES \"%2\" ON DELETE CASCADE);"
                                           "INSERT INTO \"Viite_%1\" SELECT rowid, rowid FROM \"%2\" LIMIT 3;")
                                .arg(i)
                                .arg(parent);
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Adds `count` views, each reading one ordinary table, every tenth one a
// register table too and every fifth another view; and `triggers` triggers
// on ordinary tables, each writing into a log table.
void addViewsAndTriggers(const QString& path, const QStringList& names, int count, int triggers)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN; CREATE TABLE Loki (teksti);", nullptr, nullptr, nullptr);
    QStringList ordinary;
    QStringList register_;
    for (const QString& name : names)
        (registerNames::isRegisterTable(name) ? register_ : ordinary).append(name);
    for (int i = 0; i < count; ++i) {
        QString from = QStringLiteral("\"%1\" AS o").arg(ordinary.at(i % ordinary.size()));
        if (i % 10 == 0)
            from += QStringLiteral(", \"%1\" AS r").arg(register_.at(i % register_.size()));
        if (i % 5 == 1)
            from += QStringLiteral(", \"Nakyma_%1\" AS v").arg(i - 1);
        const QString sql = QStringLiteral("CREATE VIEW \"Nakyma_%1\" AS SELECT count(*) AS n FROM %2;").arg(i).arg(from);
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    for (int i = 0; i < triggers; ++i) {
        const QString sql = QStringLiteral("CREATE TRIGGER \"Kirjaa_%1\" AFTER DELETE ON \"%2\" BEGIN "
                                           "INSERT INTO Loki VALUES ('%1'); END;")
                                .arg(i)
                                .arg(ordinary.at((i * 7 + 1) % ordinary.size()));
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void measure(const QString& path, const QString& largest)
{
    const QStringList names = benchdb::tableNames(path);
    QStringList doomed;
    for (const QString& name : names)
        if (registerNames::isRegisterTable(name))
            doomed.append(name);
    {
        Database database = DatabaseEngine::instance().open(path);
        const Dependencies picture(database);
        std::printf("  %d tables, %lld references, %lld views, %lld triggers\n", int(names.size()),
                    static_cast<long long>(picture.references().all().size()),
                    static_cast<long long>(picture.views().size()),
                    static_cast<long long>(picture.triggers().size()));
    }
    print("open the file (for scale; every operation does it)",
          timeOnFreshOpen(path, [](Database&) {}, true));
    print("read the references", timeOnFreshOpen(path, [](Database& d) { References{d}; }));
    print("read references, views and triggers", timeOnFreshOpen(path, [](Database& d) { Dependencies{d}; }));
    print("delete check of the largest table", timeOnFreshOpen(path, [&](Database& d) {
              const Dependencies picture(d);
              deletionRefusal(picture, largest, picture.viewsReading({largest}));
          }));
    print("empty: what emptying the largest table can reach",
          timeOnFreshOpen(path, [&](Database& d) { emptying::reachOf(d, References(d), largest); }));
    print("empty: emptying the largest table rehearsed", timeOnFreshOpen(path, [&](Database& d) {
              const References references(d);
              if (!emptying::reachOf(d, references, largest).alone())
                  emptying::rehearse(d, references, largest, 200);
          }));
    print("register cleanup check (all register tables)", timeOnFreshOpen(path, [&](Database& d) {
              const Dependencies picture(d);
              walkRefusal(picture, doomed, picture.viewsReading(doomed));
          }));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int tables = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const qint64 megabytes = argc > 2 ? QString::fromLocal8Bit(argv[2]).toLongLong() : 100;
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("ilman.wk1"));
    const benchdb::Shape shape = benchdb::generate(plain, {tables, megabytes << 20, 0x5eed});
    std::printf("medians (min-max) of %d runs, each on a freshly opened file\n", kRuns);
    std::printf("without foreign keys, views or triggers:\n");
    measure(plain, shape.largestTable);

    const QString related = dir.filePath(QStringLiteral("viitteet.wk1"));
    const int referring = tables / 10;
    const benchdb::Shape fewer = benchdb::generate(related, {tables - referring, megabytes << 20, 0x5eed});
    addReferringTables(related, benchdb::tableNames(related), fewer.largestTable, referring);
    std::printf("with foreign keys (%d of the tables refer to others):\n", referring);
    measure(related, fewer.largestTable);

    const QString viewed = dir.filePath(QStringLiteral("nakymat.wk1"));
    const benchdb::Shape same = benchdb::generate(viewed, {tables, megabytes << 20, 0x5eed});
    addViewsAndTriggers(viewed, benchdb::tableNames(viewed), 1000, 100);
    std::printf("with 1000 views and 100 triggers:\n");
    measure(viewed, same.largestTable);
    return 0;
}
