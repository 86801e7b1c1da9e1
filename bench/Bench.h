#pragma once

// The parts of the benchmark: what an operation is for the tool and for the
// shell (Cases.cpp), how each is timed (Timing.cpp), the table of figures
// (FiguresTable.cpp), the scaling series (Scaling.cpp) and the child process
// that runs the tool itself (ToolChild.cpp).
#include "DatabaseGenerator.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

// Who goes first in each repetition: turning round (the default), or always
// the tool before the shell, or always the shell before the tool.
enum class Order { Rotate, ToolFirst, AnchorFirst };

struct Options {
    int tables = 10000;
    qint64 megabytes = 1024;
    int repeat = 3;
    bool scaling = false;
    QList<int> sizes{1000, 2000, 5000, 10000, 20000};
    double megabytesPerThousand = 50;
    QString dir;
    bool keep = false;
    QStringList only;
    Order order = Order::Rotate;
};

// What one operation is, for the tool and for the shell.
struct Case {
    Case(QString k, QString l) : key(std::move(k)), label(std::move(l)) {}

    QString key;
    QString label;
    QString select;           // entry selected in List1 before the click
    QString answer;           // the new name, for the rename
    bool copyFirst = false;   // the tool takes a safety copy: the anchor copies the file first
    bool listing = false;     // the anchor lists the names instead of running statements
    bool shellRuns = true;    // false: the anchor is the copy alone
    QStringList statements;
    QStringList namesAfter;   // the catalogue both must leave
    double target = 0;
    // A bulk deletion: the shell also runs all its statements in one
    // transaction with the tool's page cache (the floor), and the tool
    // should come within floorTarget of it.
    bool floor = false;
    double floorTarget = 1.30;
};

// The median of some runs, with the fastest and the slowest beside it.
struct Stats {
    double median = 0;
    double min = 0;
    double max = 0;
    bool measured() const { return median > 0; }
    static Stats of(std::vector<double> values);
};

// Where one run of the tool went, in milliseconds from the click, or -1
// where the case has no such part. `CopyFlush` is the part of `Copy` spent
// in fsync, `WorkFlush` the part of `Work` in fsync and fdatasync; the
// others add up to the run, but for a few scattered steps.
enum ToolPhase { Open, Lock, Copy, CopyFlush, Work, WorkFlush, List, kToolPhases };
// Where one run of the anchor went.
enum AnchorPhase { Cp, Sync, Shell, kAnchorPhases };
using ToolTimes = std::array<double, kToolPhases>;
using AnchorTimes = std::array<double, kAnchorPhases>;

struct AnchorRun {
    double ms = 0;
    AnchorTimes phases{-1, -1, -1};
};

struct Measured {
    Stats tool;
    Stats anchor;      // the shell; where the tool copies the file first, after cp + sync of copy and folder
    Stats sameCache;   // the anchor given the tool's page cache; not measured where no statement runs
    Stats plainCp;     // cp without sync before the shell, where the tool copies the file first
    double peakMb = 0;
    std::array<Stats, kToolPhases> toolPhases;       // of the runs in `tool`
    std::array<Stats, kAnchorPhases> anchorPhases;   // of the runs in `anchor`
    Stats floor;       // the shell, every statement in one transaction, the tool's page cache, after cp + sync
};

struct Finished {
    qint64 ns = 0;
    QByteArray out;
};

Finished run(const QString& program, const QStringList& args, const QString& input = {});
void syncFile(const QString& path);
// A fresh copy of `source` at `target`, on disk; what the last run left is removed.
void freshCopy(const QString& source, const QString& target);
QString quoted(const QString& name);
int toolCacheKiB(const QString& db);

// The child process: one case on the real window, offscreen.
int runChild(const QStringList& args);

struct Bench {
    Options options;
    QString folder;
    QString self;

    // Generation
    QString generate(int tables, qint64 bytes, benchdb::Shape& shape) const;
    Case bulk(const QString& key, const QString& label, const QStringList& names,
              const std::function<bool(const QString&)>& doomed) const;
    std::vector<Case> mainCases(const benchdb::Shape& shape, const QStringList& names, qint64 largeRows) const;

    // Timing against the yardsticks
    Measured measure(const QString& generated, const Case& c) const;
    double peakMb(const QString& kind, const QString& db) const;

    // The two reports
    void describeMachine() const;
    void mainTable() const;
    void scalingSeries() const;

    bool wanted(const QString& key) const { return options.only.isEmpty() || options.only.contains(key); }

private:
    Finished child(const QString& kind, const QString& db, const Case* c = nullptr) const;
    AnchorRun runAnchor(const Case& c, const QString& db, const QString& script, bool durable) const;
    void expectNames(const QString& db, const QStringList& expected, const char* who, const Case& c) const;
};
