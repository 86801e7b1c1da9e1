// What the check of references between tables adds to an operation on a
// generated 10,000-table file: reading the references once, and the checks
// that delete, empty and a register cleanup make, on a file without any
// foreign key and on one whose tenth of tables refer to others. Started by
// hand:
//   build/bin/bench_references [tables, default 10000] [megabytes, default 100]
#include "DatabaseGenerator.h"
#include "db/DatabaseEngine.h"
#include "db/Emptying.h"
#include "db/References.h"
#include "operations/RegisterNames.h"
#include "operations/ReferenceCheck.h"

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

void measure(const QString& path, const QString& largest)
{
    const QStringList names = benchdb::tableNames(path);
    QStringList doomed;
    for (const QString& name : names)
        if (registerNames::isRegisterTable(name))
            doomed.append(name);
    {
        Database database = DatabaseEngine::instance().open(path);
        std::printf("  %d tables, %lld references\n", int(names.size()),
                    static_cast<long long>(References(database).all().size()));
    }
    print("open the file (for scale; every operation does it)",
          timeOnFreshOpen(path, [](Database&) {}, true));
    print("read the references", timeOnFreshOpen(path, [](Database& d) { References{d}; }));
    print("delete/rename check of the largest table", timeOnFreshOpen(path, [&](Database& d) {
              referredTableRefusal(References(d), largest, QStringLiteral("ei poistettu"));
          }));
    print("empty: what emptying the largest table can reach",
          timeOnFreshOpen(path, [&](Database& d) { emptying::reachOf(d, References(d), largest); }));
    print("empty: emptying the largest table rehearsed", timeOnFreshOpen(path, [&](Database& d) {
              const References references(d);
              if (!emptying::reachOf(d, references, largest).alone())
                  emptying::rehearse(d, references, largest, 200);
          }));
    print("register cleanup check (all register tables)", timeOnFreshOpen(path, [&](Database& d) {
              referredByStayingRefusal(References(d), doomed);
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
    std::printf("without foreign keys:\n");
    measure(plain, shape.largestTable);

    const QString related = dir.filePath(QStringLiteral("viitteet.wk1"));
    const int referring = tables / 10;
    const benchdb::Shape fewer = benchdb::generate(related, {tables - referring, megabytes << 20, 0x5eed});
    addReferringTables(related, benchdb::tableNames(related), fewer.largestTable, referring);
    std::printf("with foreign keys (%d of the tables refer to others):\n", referring);
    measure(related, fewer.largestTable);
    return 0;
}
