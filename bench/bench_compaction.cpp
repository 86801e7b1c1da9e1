// Compacting a database after a register cleanup, against the sqlite3
// shell's VACUUM of the same file, and listing the safety copies of a large
// file in the restore program with their comparison to the database.
// Started by hand:
//   QT_QPA_PLATFORM=offscreen build/bin/bench_compaction [--quick] [--repeat N] [--copies N] [--dir FOLDER] [--listing-only]
#include "DatabaseGenerator.h"
#include "dialogs/QtDialogs.h"
#include "copies/Compaction.h"
#include "restore/RestoreWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Options {
    int tables = 10000;
    qint64 megabytes = 1024;
    int repeat = 3;
    int copies = 10;
    QString dir;
    bool listingOnly = false;
};

struct Figure {
    double median = 0, min = 0, max = 0;
};

Figure figure(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return {n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2, values.front(), values.back()};
}

QString shown(const Figure& f)
{
    return QStringLiteral("%1 (%2-%3)").arg(f.median, 0, 'f', 1).arg(f.min, 0, 'f', 1).arg(f.max, 0, 'f', 1);
}

// A fresh copy of `source` at `target`, on disk, with nothing of a run before left beside it.
void freshCopy(const QString& source, const QString& target)
{
    for (const char* tail : {"", "-journal", "-wal", "-shm"})
        QFile::remove(target + QLatin1String(tail));
    std::filesystem::copy_file(source.toStdString(), target.toStdString());
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC);
    ::fsync(fd);
    ::close(fd);
    ::sync();
}

void exec(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("sqlite: " + message);
}

// What a register cleanup leaves: every register table deleted, the file as large as before.
QString cleanedUpDatabase(const QString& folder, const QString& generated)
{
    const QString path = folder + QStringLiteral("/siivottu.wk1");
    std::filesystem::copy_file(generated.toStdString(), path.toStdString());
    QString sql = QStringLiteral("BEGIN;");
    for (const QString& name : benchdb::tableNames(path))
        if (name.startsWith(QLatin1String("Tulorekisteri_")))
            sql += QStringLiteral("DROP TABLE \"%1\";").arg(name);
    exec(path, (sql + QStringLiteral("COMMIT;")).toUtf8().constData());
    return path;
}

void benchCompaction(const QString& folder, const QString& source, int repeat)
{
    const QString work = folder + QStringLiteral("/tyo.wk1");
    const CompactionEstimate estimate = estimateCompaction(source);
    std::vector<double> tool, shell, longestGap;
    qint64 after = 0;
    for (int run = 0; run <= repeat; ++run) {   // round 0 is not measured
        double toolMs = 0, shellMs = 0, gap = 0;
        for (int turn = 0; turn < 2; ++turn) {
            freshCopy(source, work);
            QElapsedTimer timer;
            if ((turn + run) % 2 == 0) {
                QElapsedTimer sinceReport;
                sinceReport.start();
                timer.start();
                after = compactDatabase(work, [&] { gap = std::max(gap, double(sinceReport.restart())); });
                toolMs = timer.nsecsElapsed() / 1e6;
            } else {
                QProcess shellRun;
                timer.start();
                shellRun.start(QStringLiteral("sqlite3"), {work, QStringLiteral("VACUUM")});
                shellRun.waitForFinished(-1);
                shellMs = timer.nsecsElapsed() / 1e6;
                if (shellRun.exitCode() != 0)
                    throw std::runtime_error("sqlite3 VACUUM failed: " + shellRun.readAllStandardError().toStdString());
            }
        }
        if (run > 0) {
            tool.push_back(toolMs);
            shell.push_back(shellMs);
            longestGap.push_back(gap);
        }
    }
    const Figure t = figure(tool), s = figure(shell);
    std::printf("compaction of %lld MB with %lld MB free pages -> %lld MB, medians (min-max) of %d runs, fresh copy each\n",
                estimate.fileBytes >> 20, estimate.freeBytes >> 20, after >> 20, repeat);
    std::printf("  tool compactDatabase %s ms   sqlite3 shell VACUUM %s ms   ratio %.3f (target 1.20x: %s)\n",
                qPrintable(shown(t)), qPrintable(shown(s)), t.median / s.median, t.median <= 1.2 * s.median ? "met" : "MISS");
    std::printf("  longest time between two reports to the window: %s ms\n", qPrintable(shown(figure(longestGap))));
}

// The restore program's own dialogs, with the file chosen by the benchmark.
class ChosenFileDialogs : public QtDialogs {
public:
    QString file;
    QString chooseFileToOpen(const OpenFileRequest&) override { return file; }
};

void benchListing(const QString& folder, const QString& generated, const QString& cleaned, int copies)
{
    const QString database = folder + QStringLiteral("/yritys.wk1");
    std::filesystem::copy_file(cleaned.toStdString(), database.toStdString());
    for (int i = 0; i < copies; ++i)
        std::filesystem::copy_file(generated.toStdString(),
                                   QStringLiteral("%1/yritys_wk1_202612010900%2.var").arg(folder).arg(i, 2, 10, QChar('0')).toStdString());
    ::sync();

    ChosenFileDialogs dialogs;
    dialogs.file = database;
    RestoreWindow window(dialogs);
    dialogs.setParentWindow(&window);
    window.show();
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    ticker.start(10);
    QApplication::processEvents();

    QElapsedTimer timer;
    sinceTick.start();
    timer.start();
    window.findChild<QPushButton*>(QStringLiteral("cmdSelaa"))->click();
    double listed = -1;
    while (window.listing()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (listed < 0 && !window.copies().isEmpty())
            listed = timer.nsecsElapsed() / 1e6;
    }
    const double compared = timer.nsecsElapsed() / 1e6;
    longestGap = std::max(longestGap, sinceTick.elapsed());
    std::printf("restore program, %d copies of %lld MB with %d tables each, page cache warm:\n", copies,
                QFileInfo(generated).size() >> 20, int(benchdb::tableNames(generated).size()));
    // The list first shows what the folder tells; each copy's count and comparison follow as it is read.
    std::printf("  list shown after %.0f ms, every copy counted and compared after %.0f ms, longest unanswered %lld ms\n",
                listed, compared, static_cast<long long>(longestGap));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--quick")) {
            options.tables = 1000;
            options.megabytes = 50;
        } else if (args[i] == QLatin1String("--repeat") && i + 1 < args.size()) {
            options.repeat = args[++i].toInt();
        } else if (args[i] == QLatin1String("--copies") && i + 1 < args.size()) {
            options.copies = args[++i].toInt();
        } else if (args[i] == QLatin1String("--dir") && i + 1 < args.size()) {
            options.dir = args[++i];
        } else if (args[i] == QLatin1String("--listing-only")) {
            options.listingOnly = true;
        } else {
            std::puts("bench_compaction [--quick] [--repeat N] [--copies N] [--dir FOLDER] [--listing-only]");
            return args[i] == QLatin1String("--help") ? 0 : 2;
        }
    }
    try {
        QTemporaryDir dir(options.dir.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench_compaction-XXXXXX")
                                                : options.dir + QStringLiteral("/bench_compaction-XXXXXX"));
        const QString generated = dir.filePath(QStringLiteral("generoitu.wk1"));
        benchdb::generate(generated, {options.tables, options.megabytes << 20, 0x5eed});
        const QString cleaned = cleanedUpDatabase(dir.path(), generated);
        if (!options.listingOnly) {
            benchCompaction(dir.path(), cleaned, std::max(1, options.repeat));
            QDir(dir.path()).remove(QStringLiteral("tyo.wk1"));
        }
        benchListing(dir.path(), generated, cleaned, options.copies);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
