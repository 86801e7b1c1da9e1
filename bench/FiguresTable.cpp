// The table of figures: every operation once, tool against anchor.
#include "Bench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cstdio>
#include <utility>

#include <unistd.h>

namespace {

// "median (min-max)", so that the spread of the runs is seen beside the median.
QByteArray figure(const Stats& s)
{
    return QStringLiteral("%1 (%2-%3)")
        .arg(s.median, 0, 'f', 1)
        .arg(s.min, 0, 'f', 1)
        .arg(s.max, 0, 'f', 1)
        .toUtf8();
}

// One part's cell, "copy 1078.7 (537.7-1237.0)", or nothing where the case has not that part.
QByteArray phaseCell(const char* name, const Stats& s)
{
    if (!s.measured() && s.max <= 0)
        return {};
    return QStringLiteral("%1 %2").arg(QLatin1String(name), QString::fromUtf8(figure(s))).leftJustified(30).toUtf8()
           + ' ';
}

// Where the time of the tool and of the anchor went, case by case, from the
// same runs as the table above.
void phaseTable(const std::vector<std::pair<const Case*, Measured>>& results)
{
    static const char* const kToolNames[kToolPhases] = {"open", "lock", "copy", "flush", "work", "flush", "list"};
    static const char* const kAnchorNames[kAnchorPhases] = {"cp", "sync", "shell"};
    std::printf("\nwhere the time went, ms, medians (min-max) of the same runs:\n"
                "tool: open = from the click to the lock (confirming, opening the file, reading its catalogue);\n"
                "lock = waiting for BEGIN IMMEDIATE; copy = the safety copy; work = after the copy (or the lock)\n"
                "to the last COMMIT; flush = the part of the copy or of the work spent in fsync and fdatasync;\n"
                "list = after the last COMMIT, the names read again, List1 filled and painted.\n"
                "anchor: cp, sync of the copy and its folder, the sqlite3 shell\n\n");
    std::printf("%-44s %-6s %26s  %s\n", "operation", "who", "total", "parts");
    for (const auto& [c, m] : results) {
        QByteArray tool, anchor;
        for (int p = 0; p < kToolPhases; ++p)
            tool += phaseCell(kToolNames[p], m.toolPhases[size_t(p)]);
        for (int p = 0; p < kAnchorPhases; ++p)
            anchor += phaseCell(kAnchorNames[p], m.anchorPhases[size_t(p)]);
        std::printf("%-44s %-6s %26s  %s\n", qPrintable(c->label), "tool", figure(m.tool).constData(),
                    tool.trimmed().constData());
        std::printf("%-44s %-6s %26s  %s\n", "", "anchor", figure(m.anchor).constData(), anchor.trimmed().constData());
    }
}

} // namespace

void Bench::describeMachine() const
{
    QString model;
    QFile cpu(QStringLiteral("/proc/cpuinfo"));
    if (cpu.open(QIODevice::ReadOnly))
        for (const QByteArray& line : cpu.readAll().split('\n'))
            if (line.startsWith("model name")) {
                model = QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
    const QStorageInfo storage(folder);
    const QString device = QString::fromUtf8(storage.device());
    QFile rotational(QStringLiteral("/sys/block/%1/queue/rotational").arg(QFileInfo(device).fileName()));
    const QByteArray spins = rotational.open(QIODevice::ReadOnly) ? rotational.readAll().trimmed() : "?";
    std::printf("machine: %ld cores (nproc), %s, %.0f GB RAM; disk %s %s (rotational=%s); sqlite3 %s\n",
                ::sysconf(_SC_NPROCESSORS_ONLN), qPrintable(model),
                double(::sysconf(_SC_PHYS_PAGES)) * double(::sysconf(_SC_PAGESIZE)) / double(1LL << 30),
                qPrintable(device), storage.fileSystemType().constData(), spins.constData(),
                run(QStringLiteral("sqlite3"), {QStringLiteral("-version")}).out.split(' ').first().constData());
}

void Bench::mainTable() const
{
    benchdb::Shape shape;
    const QString generated = generate(options.tables, options.megabytes << 20, shape);
    const QStringList names = benchdb::tableNames(generated);
    const std::vector<Case> cases = mainCases(shape, names, benchdb::rowCount(generated, shape.largestTable));

    std::vector<std::pair<const Case*, Measured>> results;
    for (const Case& c : cases) {
        if (!wanted(c.key))
            continue;
        std::fprintf(stderr, "  %s\n", qPrintable(c.label));
        results.emplace_back(&c, measure(generated, c));
    }

    static const char* const kOrders[] = {"who goes first turns round from run to run", "the tool before the shell",
                                          "the shell before the tool"};
    std::printf("\n%d tables, %.0f MB file, medians (min-max) of %d runs each, every run on a fresh copy; %s\n",
                options.tables, double(QFileInfo(generated).size()) / (1 << 20), options.repeat,
                kOrders[int(options.order)]);
    std::printf("anchor: the sqlite3 shell running the same statements, one autocommit transaction each,\n"
                "secure_delete=FAST; where the tool takes a safety copy, after cp of the file and sync of\n"
                "the copy and its folder, since the tool's copy is on disk before it touches the database\n"
                "shell+cache: the same anchor with the tool's page cache (cache_size=-%d) as well\n"
                "plain cp: the shell after cp without sync, a copy the machine could still lose\n"
                "floor: the shell+cache anchor with all the drops in one transaction (the engine's floor)\n\n",
                toolCacheKiB(generated));
    std::printf("%-44s %26s %26s %7s %7s %5s %8s %26s %7s %26s %26s %7s %7s\n", "operation", "tool ms", "anchor ms",
                "ratio", "target", "", "tool MB", "shell+cache ms", "ratio", "plain cp ms", "floor ms", "ratio",
                "target");
    for (const auto& [c, m] : results) {
        const double ratio = m.tool.median / m.anchor.median;
        std::printf("%-44s %26s %26s %7.3f %6.2fx %5s %8.1f", qPrintable(c->label), figure(m.tool).constData(),
                    figure(m.anchor).constData(), ratio, c->target, ratio <= c->target ? "met" : "MISS", m.peakMb);
        if (m.sameCache.measured())
            std::printf(" %26s %7.3f", figure(m.sameCache).constData(), m.tool.median / m.sameCache.median);
        else if (m.plainCp.measured())
            std::printf(" %26s %7s", "", "");
        if (m.plainCp.measured())
            std::printf(" %26s", figure(m.plainCp).constData());
        if (m.floor.measured()) {
            const double toFloor = m.tool.median / m.floor.median;
            std::printf(" %26s %7.3f %6.2fx %s", figure(m.floor).constData(), toFloor, c->floorTarget,
                        toFloor <= c->floorTarget ? "met" : "MISS");
        }
        std::printf("\n");
    }
    phaseTable(results);
    if (wanted(QStringLiteral("memory"))) {
        const QString db = QDir(folder).filePath(QStringLiteral("ajo.wk1"));
        freshCopy(generated, db);
        const double empty = peakMb(QStringLiteral("empty-window"), db);
        const double listed = peakMb(QStringLiteral("choose"), db);
        std::printf("peak memory: window with %lld names listed %.1f MB, with an empty list %.1f MB: %+.1f MB "
                    "(target at most +20 MB: %s)\n",
                    static_cast<long long>(names.size()), listed, empty, listed - empty,
                    listed - empty <= 20 ? "met" : "MISS");
    }
    if (!options.keep)
        QFile::remove(generated);
}
