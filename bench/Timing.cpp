// Timing: the tool in a child process against SQLite's shell on the same
// statements, every run on a fresh copy of the generated file.
#include "Bench.h"

#include "db/DatabaseEngine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

Stats Stats::of(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

Finished run(const QString& program, const QStringList& args, const QString& input)
{
    QProcess process;
    if (!input.isEmpty())
        process.setStandardInputFile(input);
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    if (!process.waitForStarted(-1))
        throw std::runtime_error("cannot start " + program.toStdString());
    process.waitForFinished(-1);
    Finished done{timer.nsecsElapsed(), process.readAllStandardOutput()};
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(program.toStdString() + " " + args.join(QLatin1Char(' ')).left(200).toStdString()
                                 + " failed: " + process.readAllStandardError().toStdString());
    return done;
}

void syncFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path.toStdString());
    ::fsync(fd);
    ::close(fd);
}

// The page cache, in KiB, that the tool's engine layer gives the file.
int toolCacheKiB(const QString& db)
{
    Database database = DatabaseEngine::instance().open(db);
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(database.connection().handle(), "PRAGMA cache_size", -1, &query, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot read the page cache size");
    const int pages = sqlite3_step(query) == SQLITE_ROW ? sqlite3_column_int(query, 0) : 0;
    sqlite3_finalize(query);
    if (pages >= 0)
        throw std::runtime_error("the page cache size is not given in KiB");
    return -pages;
}

// Removes what the last run left and lays down a fresh copy of the source,
// on disk, so that no run pays for the write-back of the one before: the
// file system's own bookkeeping of the freed blocks included.
void freshCopy(const QString& source, const QString& target)
{
    QDir folder = QFileInfo(target).dir();
    for (const QString& leftover : folder.entryList({QStringLiteral("*.var"), QStringLiteral("*-journal")}, QDir::Files))
        folder.remove(leftover);
    std::filesystem::copy_file(source.toStdString(), target.toStdString(),
                               std::filesystem::copy_options::overwrite_existing);
    syncFile(target);
    ::sync();
}

namespace {

int safetyCopiesIn(const QString& folder)
{
    return int(QDir(folder).entryList({QStringLiteral("*.var")}, QDir::Files).size());
}

void writeScript(const QString& path, const QStringList& pragmas, const QStringList& statements,
                 bool oneTransaction = false)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    QTextStream text(&out);
    const QStringList begin = oneTransaction ? QStringList{QStringLiteral("BEGIN")} : QStringList{};
    const QStringList commit = oneTransaction ? QStringList{QStringLiteral("COMMIT")} : QStringList{};
    for (const QString& line : pragmas + begin + statements + commit)
        text << line << ";\n";
}

// The child's "result <ns> <peak kB> <names listed>" and its
// "phases <ns> ..." line, -1 for a part the case has not.
void parseResult(const QByteArray& out, qint64& ns, qint64& peakKb, int& listed, ToolTimes* phases = nullptr)
{
    bool found = false;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 4 && parts[0] == "result") {
            ns = parts[1].toLongLong();
            peakKb = parts[2].toLongLong();
            listed = parts[3].toInt();
            found = true;
        } else if (phases && parts.size() == kToolPhases + 1 && parts[0] == "phases") {
            for (int p = 0; p < kToolPhases; ++p) {
                const qint64 phaseNs = parts[p + 1].toLongLong();
                (*phases)[size_t(p)] = phaseNs < 0 ? -1 : double(phaseNs) / 1e6;
            }
        }
    }
    if (!found)
        throw std::runtime_error("child printed no result: " + out.toStdString());
}

// The median (min-max) of each part over the runs that have it.
template<size_t N>
std::array<Stats, N> statsOf(const std::vector<std::array<double, N>>& runs)
{
    std::array<Stats, N> stats;
    for (size_t p = 0; p < N; ++p) {
        std::vector<double> values;
        for (const auto& r : runs)
            if (r[p] >= 0)
                values.push_back(r[p]);
        stats[p] = Stats::of(values);
    }
    return stats;
}

} // namespace

Finished Bench::child(const QString& kind, const QString& db, const Case* c) const
{
    QStringList args{QStringLiteral("--child"), kind, QStringLiteral("--db"), db};
    if (c && !c->select.isEmpty())
        args << QStringLiteral("--select") << c->select;
    if (c && !c->answer.isEmpty())
        args << QStringLiteral("--answer") << c->answer;
    return run(self, args);
}

void Bench::expectNames(const QString& db, const QStringList& expected, const char* who, const Case& c) const
{
    const QStringList actual = benchdb::tableNames(db);
    if (actual != expected)
        throw std::runtime_error(std::string(who) + " left " + std::to_string(actual.size()) + " tables after "
                                 + c.key.toStdString() + ", expected " + std::to_string(expected.size()));
}

// Times of the tool, of the anchor, of the anchor given the tool's page
// cache and, where the tool copies the file, of the shell after a plain cp;
// which of them goes first turns round from one repetition to the next
// unless --order fixes it. One
// unmeasured round goes first: the first large write after a pause is often
// far slower on a virtual disk, and would count against whoever had the
// first turn.
Measured Bench::measure(const QString& generated, const Case& c) const
{
    const QString db = QDir(folder).filePath(QStringLiteral("ajo.wk1"));
    const QString script = QDir(folder).filePath(QStringLiteral("anchor.sql"));
    const QString sameCacheScript = QDir(folder).filePath(QStringLiteral("anchor-cache.sql"));
    const QString floorScript = QDir(folder).filePath(QStringLiteral("anchor-floor.sql"));
    const QString secureDelete = QStringLiteral("PRAGMA secure_delete=FAST");
    const QString toolCache = QStringLiteral("PRAGMA cache_size=-%1").arg(toolCacheKiB(generated));
    writeScript(script, {secureDelete}, c.statements);
    writeScript(sameCacheScript, {secureDelete, toolCache}, c.statements);
    writeScript(floorScript, {secureDelete, toolCache}, c.statements, true);
    const bool sameCacheRuns = c.shellRuns && !c.listing;

    enum Turn { Tool, Anchor, SameCache, PlainCp, Floor, kTurns };
    std::vector<Turn> turns{Tool, Anchor};
    if (sameCacheRuns)
        turns.push_back(SameCache);
    if (c.copyFirst)
        turns.push_back(PlainCp);
    if (c.floor)
        turns.push_back(Floor);
    if (options.order == Order::AnchorFirst)
        std::swap(turns[0], turns[1]);
    const size_t turning = options.order == Order::Rotate ? 1 : 0;
    std::vector<double> times[kTurns], peak;
    std::vector<ToolTimes> toolRuns;
    std::vector<AnchorTimes> anchorRuns;
    for (int rep = -1; rep < options.repeat; ++rep) {
        const bool warmUp = rep < 0;
        for (size_t t = 0; t < turns.size(); ++t) {
            const Turn turn = turns[(t + turning * size_t(std::max(rep, 0))) % turns.size()];
            freshCopy(generated, db);
            double ms = 0;
            if (turn == Tool) {
                qint64 ns = 0, peakKb = 0;
                int listed = 0;
                ToolTimes phases{};
                phases.fill(-1);
                parseResult(child(c.key, db, &c).out, ns, peakKb, listed, &phases);
                ms = double(ns) / 1e6;
                if (!warmUp) {
                    peak.push_back(double(peakKb) / 1024);
                    toolRuns.push_back(phases);
                }
                if (c.key != QLatin1String("empty") && !c.key.startsWith(QLatin1String("safety"))
                    && listed != c.namesAfter.size())
                    throw std::runtime_error("the tool listed " + std::to_string(listed) + " names after "
                                             + c.key.toStdString());
                if (c.copyFirst && safetyCopiesIn(folder) != 1)
                    throw std::runtime_error("the tool took no safety copy in " + c.key.toStdString());
                expectNames(db, c.namesAfter, "the tool", c);
            } else {
                // The tool's safety copy is on disk, folder entry included,
                // before it touches the database: so is the anchor's.
                const QString& shellScript = turn == SameCache ? sameCacheScript : turn == Floor ? floorScript : script;
                const AnchorRun anchor = runAnchor(c, db, shellScript, turn != PlainCp);
                ms = anchor.ms;
                if (!warmUp && turn == Anchor)
                    anchorRuns.push_back(anchor.phases);
                expectNames(db, c.namesAfter, "the shell", c);
            }
            if (!warmUp)
                times[turn].push_back(ms);
            static const char* const kTurnNames[] = {"tool", "anchor", "shell+cache", "plain cp", "floor"};
            std::fprintf(stderr, "    %-9s %-7s %-11s %10.1f ms\n", qPrintable(c.key),
                         warmUp ? "warm-up" : qPrintable(QStringLiteral("rep %1").arg(rep + 1)), kTurnNames[turn],
                         ms);
        }
        if (c.key == QLatin1String("empty")) {
            // Every run empties the same table; check the last one left it empty.
            if (benchdb::rowCount(db, c.select) != 0)
                throw std::runtime_error("the table was not emptied");
        }
    }
    QFile::remove(script);
    QFile::remove(sameCacheScript);
    QFile::remove(floorScript);
    return {Stats::of(times[Tool]),     Stats::of(times[Anchor]),  Stats::of(times[SameCache]),
            Stats::of(times[PlainCp]),  Stats::of(peak).median,    statsOf(toolRuns),
            statsOf(anchorRuns),        Stats::of(times[Floor])};
}

// One run of the anchor on `db`, in milliseconds: cp where the tool takes a
// safety copy, with `durable` also sync of that copy and of its folder, then
// the shell; each of the three timed on its own as well.
AnchorRun Bench::runAnchor(const Case& c, const QString& db, const QString& script, bool durable) const
{
    AnchorRun done;
    QElapsedTimer timer;
    timer.start();
    qint64 mark = 0;
    const auto phaseEnds = [&](AnchorPhase phase) {
        const qint64 now = timer.nsecsElapsed();
        done.phases[phase] = double(now - mark) / 1e6;
        mark = now;
    };
    const QString copy = QDir(folder).filePath(QStringLiteral("ajo_wk1_cp.var"));
    if (c.copyFirst) {
        run(QStringLiteral("cp"), {db, copy});
        phaseEnds(Cp);
        if (durable) {
            run(QStringLiteral("sync"), {copy, folder});
            phaseEnds(Sync);
        }
    }
    if (c.listing) {
        const Finished listed =
            run(QStringLiteral("sqlite3"),
                {QStringLiteral("-batch"), db,
                 QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid")});
        if (listed.out.count('\n') != c.namesAfter.size())
            throw std::runtime_error("the shell listed a different number of names");
        phaseEnds(Shell);
    } else if (c.shellRuns) {
        run(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), db}, script);
        phaseEnds(Shell);
    }
    done.ms = double(timer.nsecsElapsed()) / 1e6;
    return done;
}

// The median peak memory of a child that runs `kind` on `db`.
double Bench::peakMb(const QString& kind, const QString& db) const
{
    std::vector<double> peaks;
    for (int rep = 0; rep < options.repeat; ++rep) {
        qint64 ns = 0, peakKb = 0;
        int listed = 0;
        parseResult(child(kind, db).out, ns, peakKb, listed);
        peaks.push_back(double(peakKb) / 1024);
    }
    return Stats::of(peaks).median;
}
