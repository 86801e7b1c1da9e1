// Times the tool's own click handlers on a large generated database against
// SQLite's shell doing the same statements, and prints one table.
//
//   bench_tables            10,000 tables, about 1 GB
//   bench_tables --quick    1,000 tables, about 50 MB
//   bench_tables --scaling  time per deleted table from 1,000 to 20,000 tables
//
// Every run of the tool happens in a child process of this program, on the
// real window offscreen with a scripted Yes, so that the child's peak memory
// belongs to that one run. Every run, the tool's and the shell's, starts from
// a fresh byte copy of the generated file.
#include "DatabaseGenerator.h"

#include "app/frmAloitus.h"
#include "db/DatabaseEngine.h"
#include "view/Dialogs.h"
#include "db/SafetyCopy.h"
#include "register/RegisterNames.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------- the child

// The operator who says Yes to everything and picks the given file.
class AnsweringDialogs : public Dialogs {
public:
    QString file;
    QString answer;
    QStringList informed;
    int confirmed = 0;

    void inform(const QString& text) override { informed.append(text); }
    bool confirm(const QString&, const QString&, DefaultAnswer) override
    {
        ++confirmed;
        return true;
    }
    QString askText(const QString&) override { return answer; }
    QString chooseFileToOpen(const OpenFileRequest&) override { return file; }
    void setBusy(bool) override {}
};

qint64 peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Lets the window lay out and paint what the handler changed, as it would
// before the operator sees the result.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QString option(const QStringList& args, const QString& name)
{
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

// One case in this process: prints "result <ns> <peak kB> <names listed>".
int runChild(const QStringList& args)
{
    const QString kind = option(args, QStringLiteral("--child"));
    const QString db = option(args, QStringLiteral("--db"));
    const QString select = option(args, QStringLiteral("--select"));

    AnsweringDialogs dialogs;
    dialogs.file = db;
    dialogs.answer = option(args, QStringLiteral("--answer"));
    frmAloitus window(dialogs);
    window.show();
    settle();
    auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
    const auto click = [&window](const char* name) {
        auto* button = window.findChild<QPushButton*>(QLatin1String(name));
        if (!button)
            throw std::runtime_error(std::string("no button ") + name);
        button->click();
    };

    const std::vector<std::pair<QString, const char*>> buttons = {
        {QStringLiteral("numbered"), "cmdPTN"},
        {QStringLiteral("all"), "cmdPoistaTulorekisteriTaulut"},
        {QStringLiteral("series"), "cmdP"},
        {QStringLiteral("rename"), "cmdNimea"},
        {QStringLiteral("empty"), "cmdTyhjenna"},
    };

    QElapsedTimer timer;
    qint64 ns = 0;
    if (kind == QLatin1String("safety")) {
        timer.start();
        SafetyCopy(db);
        ns = timer.nsecsElapsed();
    } else if (kind == QLatin1String("choose")) {
        timer.start();
        click("cmdSelaa");
        settle();
        ns = timer.nsecsElapsed();
    } else if (kind != QLatin1String("empty-window")) {
        const auto button = std::find_if(buttons.begin(), buttons.end(),
                                         [&kind](const auto& b) { return b.first == kind; });
        if (button == buttons.end())
            throw std::runtime_error("unknown case " + kind.toStdString());
        click("cmdSelaa");
        settle();
        if (!select.isEmpty()) {
            const QList<QListWidgetItem*> found = list->findItems(select, Qt::MatchExactly);
            if (found.isEmpty())
                throw std::runtime_error("not listed: " + select.toStdString());
            list->setCurrentItem(found.first());
            settle();
        }
        timer.start();
        click(button->second);
        settle();
        ns = timer.nsecsElapsed();
    }

    // A run that failed or was not confirmed measured nothing.
    QStringList expected;
    if (kind == QLatin1String("rename"))
        expected << QStringLiteral("Uudelleennimetty!");
    else if (kind == QLatin1String("empty"))
        expected << QStringLiteral("Poistettu taulukon ") + select + QStringLiteral(" rivit");
    if (dialogs.informed != expected) {
        std::fprintf(stderr, "unexpected messages: %s\n", qPrintable(dialogs.informed.join(QStringLiteral(" | "))));
        return 2;
    }
    const bool asks = kind != QLatin1String("choose") && kind != QLatin1String("safety")
                      && kind != QLatin1String("empty-window") && kind != QLatin1String("rename");
    if (dialogs.confirmed != (asks ? 1 : 0)) {
        std::fprintf(stderr, "%d confirmations\n", dialogs.confirmed);
        return 2;
    }
    std::printf("result %lld %lld %d\n", static_cast<long long>(ns), static_cast<long long>(peakKilobytes()),
                int(list->count()));
    return 0;
}

// --------------------------------------------------------------- the parent

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
};

void usage()
{
    std::fprintf(stderr,
                 "usage: bench_tables [--quick] [--scaling] [--tables N] [--megabytes M] [--repeat R]\n"
                 "                    [--sizes N,N,...] [--only case,...] [--dir FOLDER] [--keep]\n"
                 "  --quick     1,000 tables and 50 MB (with --scaling: 1,000, 2,000 and 5,000 tables)\n"
                 "  --scaling   time per deleted table for 1,000 to 20,000 tables, 50 MB per 1,000\n"
                 "  cases: choose numbered all series rename empty safety memory\n");
}

std::optional<Options> parse(const QStringList& args)
{
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const auto next = [&]() -> QString {
            if (i + 1 >= args.size())
                throw std::runtime_error("missing value after " + a.toStdString());
            return args.at(++i);
        };
        if (a == QLatin1String("--quick")) {
            o.tables = 1000;
            o.megabytes = 50;
            o.sizes = {1000, 2000, 5000};
            o.megabytesPerThousand = 10;
        } else if (a == QLatin1String("--scaling")) {
            o.scaling = true;
        } else if (a == QLatin1String("--tables")) {
            o.tables = next().toInt();
        } else if (a == QLatin1String("--megabytes")) {
            o.megabytes = next().toLongLong();
        } else if (a == QLatin1String("--repeat")) {
            o.repeat = std::max(1, next().toInt());
        } else if (a == QLatin1String("--sizes")) {
            o.sizes.clear();
            for (const QString& s : next().split(QLatin1Char(',')))
                o.sizes << s.toInt();
        } else if (a == QLatin1String("--only")) {
            o.only = next().split(QLatin1Char(','));
        } else if (a == QLatin1String("--dir")) {
            o.dir = next();
        } else if (a == QLatin1String("--keep")) {
            o.keep = true;
        } else {
            return std::nullopt;
        }
    }
    if (o.tables < 20 || o.megabytes < 1)
        return std::nullopt;
    return o;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString quoted(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

struct Finished {
    qint64 ns = 0;
    QByteArray out;
};

Finished run(const QString& program, const QStringList& args, const QString& input = {})
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

int safetyCopiesIn(const QString& folder)
{
    return int(QDir(folder).entryList({QStringLiteral("*.var")}, QDir::Files).size());
}

// What one operation is, for the tool and for the shell.
struct Case {
    Case(QString k, QString l) : key(std::move(k)), label(std::move(l)) {}

    QString key;
    QString label;
    QString select;           // entry selected in List1 before the click
    QString answer;           // the new name, for the rename
    bool copyFirst = false;   // the anchor runs cp before the shell
    bool listing = false;     // the anchor lists the names instead of running statements
    bool shellRuns = true;    // false: the anchor is the cp alone
    bool durableTurn = false; // also time cp + sync of the copy + the shell: a copy on disk, as the tool's is
    QStringList statements;
    QStringList namesAfter;   // the catalogue both must leave
    double target = 0;
};

struct Measured {
    double toolMs = 0;
    double anchorMs = 0;
    double sameCacheMs = 0;   // 0: not measured
    double durableMs = 0;     // 0: not measured
    double peakMb = 0;
};

// The page cache, in KiB, that the tool's engine layer gives the file.
int toolCacheKiB(const QString& db)
{
    Database database = DatabaseEngine::instance().open(db);
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(database.nativeHandle(), "PRAGMA cache_size", -1, &query, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot read the page cache size");
    const int pages = sqlite3_step(query) == SQLITE_ROW ? sqlite3_column_int(query, 0) : 0;
    sqlite3_finalize(query);
    if (pages >= 0)
        throw std::runtime_error("the page cache size is not given in KiB");
    return -pages;
}

void writeScript(const QString& path, const QStringList& pragmas, const QStringList& statements)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    QTextStream text(&out);
    for (const QString& line : pragmas + statements)
        text << line << ";\n";
}

struct Bench {
    Options options;
    QString folder;
    QString self;

    Finished child(const QString& kind, const QString& db, const Case* c = nullptr) const
    {
        QStringList args{QStringLiteral("--child"), kind, QStringLiteral("--db"), db};
        if (c && !c->select.isEmpty())
            args << QStringLiteral("--select") << c->select;
        if (c && !c->answer.isEmpty())
            args << QStringLiteral("--answer") << c->answer;
        return run(self, args);
    }

    static void parseResult(const QByteArray& out, qint64& ns, qint64& peakKb, int& listed)
    {
        for (const QByteArray& line : out.split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 4 && parts[0] == "result") {
                ns = parts[1].toLongLong();
                peakKb = parts[2].toLongLong();
                listed = parts[3].toInt();
                return;
            }
        }
        throw std::runtime_error("child printed no result: " + out.toStdString());
    }

    void expectNames(const QString& db, const QStringList& expected, const char* who, const Case& c) const
    {
        const QStringList actual = benchdb::tableNames(db);
        if (actual != expected)
            throw std::runtime_error(std::string(who) + " left " + std::to_string(actual.size()) + " tables after "
                                     + c.key.toStdString() + ", expected " + std::to_string(expected.size()));
    }

    // Median times of the tool, of the anchor and, where the anchor runs
    // statements, of the shell given the tool's page cache too; which of
    // them goes first turns round from one repetition to the next. One
    // unmeasured round goes first: the first large write after a pause is
    // often far slower on a virtual disk, and would count against whoever
    // had the first turn.
    Measured measure(const QString& generated, const Case& c) const
    {
        const QString db = QDir(folder).filePath(QStringLiteral("ajo.wk1"));
        const QString script = QDir(folder).filePath(QStringLiteral("anchor.sql"));
        const QString sameCacheScript = QDir(folder).filePath(QStringLiteral("anchor-cache.sql"));
        const QString secureDelete = QStringLiteral("PRAGMA secure_delete=FAST");
        writeScript(script, {secureDelete}, c.statements);
        writeScript(sameCacheScript,
                    {secureDelete, QStringLiteral("PRAGMA cache_size=-%1").arg(toolCacheKiB(generated))},
                    c.statements);
        const bool sameCacheRuns = c.shellRuns && !c.listing;

        enum Turn { Tool, Anchor, SameCache, Durable };
        std::vector<Turn> turns{Tool, Anchor};
        if (sameCacheRuns)
            turns.push_back(SameCache);
        if (c.durableTurn)
            turns.push_back(Durable);
        std::vector<double> tool, anchor, sameCache, durable, peak;
        for (int rep = -1; rep < options.repeat; ++rep) {
            const bool warmUp = rep < 0;
            for (size_t t = 0; t < turns.size(); ++t) {
                const Turn turn = turns[(t + size_t(std::max(rep, 0))) % turns.size()];
                freshCopy(generated, db);
                double ms = 0;
                if (turn == Tool) {
                    qint64 ns = 0, peakKb = 0;
                    int listed = 0;
                    parseResult(child(c.key, db, &c).out, ns, peakKb, listed);
                    ms = double(ns) / 1e6;
                    if (!warmUp) {
                        tool.push_back(ms);
                        peak.push_back(double(peakKb) / 1024);
                    }
                    if (c.key != QLatin1String("empty") && !c.key.startsWith(QLatin1String("safety"))
                        && listed != c.namesAfter.size())
                        throw std::runtime_error("the tool listed " + std::to_string(listed) + " names after "
                                                 + c.key.toStdString());
                    if (c.copyFirst && safetyCopiesIn(folder) != 1)
                        throw std::runtime_error("the tool took no safety copy in " + c.key.toStdString());
                    expectNames(db, c.namesAfter, "the tool", c);
                } else {
                    ms = runAnchor(c, db, turn == SameCache ? sameCacheScript : script, turn == Durable);
                    std::vector<double>* into[] = {nullptr, &anchor, &sameCache, &durable};
                    if (!warmUp)
                        into[turn]->push_back(ms);
                    expectNames(db, c.namesAfter, "the shell", c);
                }
                static const char* const kTurnNames[] = {"tool", "anchor", "shell+cache", "cp+sync"};
                std::fprintf(stderr, "    %-9s %-7s %-11s %10.1f ms\n", qPrintable(c.key),
                             warmUp ? "warm-up" : qPrintable(QStringLiteral("rep %1").arg(rep + 1)),
                             kTurnNames[turn], ms);
            }
            if (c.key == QLatin1String("empty")) {
                // Every run empties the same table; check the last one left it empty.
                if (benchdb::rowCount(db, c.select) != 0)
                    throw std::runtime_error("the table was not emptied");
            }
        }
        QFile::remove(script);
        QFile::remove(sameCacheScript);
        const auto medianOrNone = [](const std::vector<double>& v) { return v.empty() ? 0 : median(v); };
        return {median(tool), median(anchor), medianOrNone(sameCache), medianOrNone(durable), median(peak)};
    }

    // One run of the anchor on `db`, in milliseconds: cp where the tool takes
    // a safety copy, with `durable` also sync of that copy, then the shell.
    double runAnchor(const Case& c, const QString& db, const QString& script, bool durable) const
    {
        QElapsedTimer timer;
        timer.start();
        const QString copy = QDir(folder).filePath(QStringLiteral("ajo_wk1_cp.var"));
        if (c.copyFirst)
            run(QStringLiteral("cp"), {db, copy});
        if (durable)
            run(QStringLiteral("sync"), {copy});
        if (c.listing) {
            const Finished listed =
                run(QStringLiteral("sqlite3"),
                    {QStringLiteral("-batch"), db,
                     QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid")});
            if (listed.out.count('\n') != c.namesAfter.size())
                throw std::runtime_error("the shell listed a different number of names");
        } else if (c.shellRuns) {
            run(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), db}, script);
        }
        return double(timer.nsecsElapsed()) / 1e6;
    }

    // The median peak memory of a child that runs `kind` on `db`.
    double peakMb(const QString& kind, const QString& db) const
    {
        std::vector<double> peaks;
        for (int rep = 0; rep < options.repeat; ++rep) {
            qint64 ns = 0, peakKb = 0;
            int listed = 0;
            parseResult(child(kind, db).out, ns, peakKb, listed);
            peaks.push_back(double(peakKb) / 1024);
        }
        return median(peaks);
    }

    bool wanted(const QString& key) const { return options.only.isEmpty() || options.only.contains(key); }

    QString generate(int tables, qint64 bytes, benchdb::Shape& shape) const
    {
        const QString path = QDir(folder).filePath(QStringLiteral("generoitu_%1.wk1").arg(tables));
        QFile::remove(path);
        QElapsedTimer timer;
        timer.start();
        shape = benchdb::generate(path, {tables, bytes, 0x5eed});
        syncFile(path);
        std::fprintf(stderr, "generated %d tables, %.0f MB in %.1f s\n", tables,
                     double(QFileInfo(path).size()) / (1 << 20), double(timer.elapsed()) / 1000);
        return path;
    }

    std::vector<QString> dropsOf(const QStringList& names, const std::function<bool(const QString&)>& doomed,
                                 QStringList& remaining) const
    {
        std::vector<QString> drops;
        remaining = names;
        for (qsizetype i = names.size() - 1; i >= 0; --i) {
            if (doomed(names.at(i))) {
                drops.push_back(names.at(i));
                remaining.removeAt(i);
            }
        }
        return drops;
    }

    Case bulk(const QString& key, const QString& label, const QStringList& names,
              const std::function<bool(const QString&)>& doomed) const
    {
        Case c{key, label};
        c.copyFirst = true;
        c.target = 1.10;
        for (const QString& name : dropsOf(names, doomed, c.namesAfter))
            c.statements << QStringLiteral("DROP TABLE ") + quoted(name);
        c.label = label.arg(c.statements.size());
        return c;
    }

    void describeMachine() const
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

    void mainTable() const
    {
        benchdb::Shape shape;
        const QString generated = generate(options.tables, options.megabytes << 20, shape);
        const QStringList names = benchdb::tableNames(generated);
        const qint64 largeRows = benchdb::rowCount(generated, shape.largestTable);

        std::vector<Case> cases;
        {
            Case c{QStringLiteral("choose"), QStringLiteral("choose the file, fill List1 (%1 names)").arg(names.size())};
            c.listing = true;
            c.namesAfter = names;
            c.target = 1.50;
            cases.push_back(c);
        }
        cases.push_back(bulk(QStringLiteral("numbered"), QStringLiteral("delete numbered register tables (%1)"),
                             names, registerNames::isNumberedRegisterTable));
        cases.push_back(bulk(QStringLiteral("all"), QStringLiteral("delete all register tables (%1)"), names,
                             registerNames::isRegisterTable));
        {
            const QString prefix = registerNames::seriesCaptionFor(shape.sampleSeriesTable);
            Case c = bulk(QStringLiteral("series"), QStringLiteral("delete one series (%1)"), names,
                          [&prefix](const QString& n) { return registerNames::beginsWith(n, prefix); });
            c.select = shape.sampleSeriesTable;
            cases.push_back(c);
        }
        {
            Case c{QStringLiteral("rename"), QStringLiteral("rename the largest table (%1 rows)").arg(largeRows)};
            c.select = shape.largestTable;
            c.answer = shape.largestTable + QStringLiteral("_uusi");
            c.copyFirst = true;
            c.statements << QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2").arg(quoted(c.answer), quoted(c.select))
                         << QStringLiteral("DROP TABLE ") + quoted(c.select);
            c.namesAfter = names;
            c.namesAfter.removeAll(c.select);
            c.namesAfter << c.answer;
            c.target = 1.10;
            cases.push_back(c);
        }
        {
            Case c{QStringLiteral("empty"), QStringLiteral("empty the largest table (%1 rows)").arg(largeRows)};
            c.select = shape.largestTable;
            c.statements << QStringLiteral("DELETE FROM ") + quoted(c.select);
            c.namesAfter = names;
            c.target = 1.10;
            cases.push_back(c);
        }
        {
            Case c{QStringLiteral("safety"), QStringLiteral("safety copy alone, against cp")};
            c.copyFirst = true;
            c.shellRuns = false;
            c.namesAfter = names;
            c.target = 1.15;
            cases.push_back(c);
        }
        // The tool's copy is on disk when it returns; cp's is not. The
        // cp+sync columns show what that costs.
        for (Case& c : cases)
            c.durableTurn = c.copyFirst;

        std::vector<std::pair<const Case*, Measured>> results;
        for (const Case& c : cases) {
            if (!wanted(c.key))
                continue;
            std::fprintf(stderr, "  %s\n", qPrintable(c.label));
            results.emplace_back(&c, measure(generated, c));
        }

        std::printf("\n%d tables, %.0f MB file, medians of %d runs each, every run on a fresh copy\n",
                    options.tables, double(QFileInfo(generated).size()) / (1 << 20), options.repeat);
        std::printf("anchor: the sqlite3 shell running the same statements, one autocommit transaction each,\n"
                    "secure_delete=FAST, after cp of the file where the tool takes a safety copy\n"
                    "shell+cache: the same anchor with the tool's page cache (cache_size=-%d) as well\n"
                    "cp+sync: the same anchor with its copy flushed to disk before the shell runs\n\n",
                    toolCacheKiB(generated));
        std::printf("%-44s %11s %11s %7s %8s %5s %9s %15s %7s %11s %7s\n", "operation", "tool ms", "anchor ms",
                    "ratio", "target", "", "tool MB", "shell+cache ms", "ratio", "cp+sync ms", "ratio");
        for (const auto& [c, m] : results) {
            const double ratio = m.toolMs / m.anchorMs;
            std::printf("%-44s %11.1f %11.1f %7.3f %7.2fx %5s %9.1f", qPrintable(c->label), m.toolMs, m.anchorMs,
                        ratio, c->target, ratio <= c->target ? "met" : "MISS", m.peakMb);
            if (m.sameCacheMs > 0)
                std::printf(" %15.1f %7.3f", m.sameCacheMs, m.toolMs / m.sameCacheMs);
            else if (m.durableMs > 0)
                std::printf(" %15s %7s", "", "");
            if (m.durableMs > 0)
                std::printf(" %11.1f %7.3f", m.durableMs, m.toolMs / m.durableMs);
            std::printf("\n");
        }
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

    void scalingSeries() const
    {
        struct Row {
            int tables;
            qsizetype deleted;
            double tool, anchor, sameCache;
        };
        std::vector<Row> rows;
        for (const int tables : options.sizes) {
            benchdb::Shape shape;
            const qint64 bytes = qint64(options.megabytesPerThousand * tables / 1000.0 * (1 << 20));
            const QString generated = generate(tables, bytes, shape);
            const QStringList names = benchdb::tableNames(generated);
            const Case c = bulk(QStringLiteral("all"), QStringLiteral("delete all register tables (%1)"), names,
                                registerNames::isRegisterTable);
            std::fprintf(stderr, "  %d tables: %s\n", tables, qPrintable(c.label));
            const Measured m = measure(generated, c);
            const double deleted = double(c.statements.size());
            rows.push_back({tables, c.statements.size(), m.toolMs / deleted, m.anchorMs / deleted,
                            m.sameCacheMs / deleted});
            if (!options.keep)
                QFile::remove(generated);
        }
        std::printf("\nscaling: delete all register tables, safety copy and list included; %.0f MB per 1,000 "
                    "tables; medians of %d runs\n\n",
                    options.megabytesPerThousand, options.repeat);
        std::printf("%8s %8s %15s %17s %7s %12s %14s %22s %20s\n", "tables", "deleted", "tool ms/table",
                    "anchor ms/table", "ratio", "tool growth", "anchor growth", "shell+cache ms/table",
                    "shell+cache growth");
        for (const Row& r : rows)
            std::printf("%8d %8lld %15.3f %17.3f %7.3f %11.2fx %13.2fx %22.3f %19.2fx\n", r.tables,
                        static_cast<long long>(r.deleted), r.tool, r.anchor, r.tool / r.anchor,
                        r.tool / rows.front().tool, r.anchor / rows.front().anchor, r.sameCache,
                        r.sameCache / rows.front().sameCache);
        const double toolGrowth = rows.back().tool / rows.front().tool;
        const double anchorGrowth = rows.back().anchor / rows.front().anchor;
        std::printf("per-table cost from %d to %d tables: tool %.2fx, anchor %.2fx: %s\n", rows.front().tables,
                    rows.back().tables, toolGrowth, anchorGrowth,
                    toolGrowth <= anchorGrowth * 1.10 ? "grows no faster than the anchor's (within 10 %)"
                                                      : "GROWS FASTER than the anchor's");
    }
};

int runParent(const QStringList& args)
{
    const std::optional<Options> options = parse(args);
    if (!options) {
        usage();
        return 64;
    }
    const QString base = options->dir.isEmpty() ? QDir::tempPath() : options->dir;
    QTemporaryDir temporary(QDir(base).filePath(QStringLiteral("bench_tables-XXXXXX")));
    if (!temporary.isValid())
        throw std::runtime_error("cannot make a folder in " + base.toStdString());
    temporary.setAutoRemove(!options->keep);

    const Bench bench{*options, temporary.path(), QCoreApplication::applicationFilePath()};
    bench.describeMachine();
    if (options->scaling)
        bench.scalingSeries();
    else
        bench.mainTable();
    if (options->keep)
        std::fprintf(stderr, "files kept in %s\n", qPrintable(temporary.path()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool isChild = std::any_of(argv + 1, argv + argc, [](const char* a) { return qstrcmp(a, "--child") == 0; });
    try {
        if (isChild) {
            const QApplication app(argc, argv);
            return runChild(QCoreApplication::arguments());
        }
        const QCoreApplication app(argc, argv);
        return runParent(QCoreApplication::arguments());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_tables: %s\n", error.what());
        return 1;
    }
}
