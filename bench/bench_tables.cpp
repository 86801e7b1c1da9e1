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
// a fresh byte copy of the generated file. The parts are listed in Bench.h.
#include "Bench.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: bench_tables [--quick] [--scaling] [--tables N] [--megabytes M] [--repeat R]\n"
                 "                    [--sizes N,N,...] [--only case,...] [--order rotate|tool|anchor]\n"
                 "                    [--dir FOLDER] [--keep]\n"
                 "  --quick     1,000 tables and 50 MB (with --scaling: 1,000, 2,000 and 5,000 tables)\n"
                 "  --scaling   time per deleted table for 1,000 to 20,000 tables, 50 MB per 1,000\n"
                 "  --order     who goes first in each round: turning round (default), always the tool,\n"
                 "              or always the anchor (then shell+cache, then plain cp)\n"
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
        } else if (a == QLatin1String("--order")) {
            const QString order = next();
            if (order == QLatin1String("rotate"))
                o.order = Order::Rotate;
            else if (order == QLatin1String("tool"))
                o.order = Order::ToolFirst;
            else if (order == QLatin1String("anchor"))
                o.order = Order::AnchorFirst;
            else
                return std::nullopt;
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
