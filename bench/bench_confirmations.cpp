// How long the operator waits from the click to the question that tells what
// the answer Yes will take, on a generated 10,000-table file: the three
// register cleanups count the tables they would delete, and deleting or
// emptying the largest table counts its rows. Started by hand:
//   QT_QPA_PLATFORM=offscreen build/bin/bench_confirmations [tables, default 10000] [megabytes, default 100]
#include "DatabaseGenerator.h"
#include "dialogs/QtDialogs.h"
#include "app/frmAloitus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 7;

// The real dialogs, with the moment the question opens written down and the
// answer No, so that nothing changes between runs.
class TimedDialogs : public QtDialogs {
public:
    QString file;
    QElapsedTimer clock;
    double askedAfterMs = -1;
    QString detail;
    bool confirmWithDetail(const QString&, const QString&, DefaultAnswer, const QString& line) override
    {
        askedAfterMs = double(clock.nsecsElapsed()) / 1e6;
        detail = line;
        return false;
    }
    void inform(const QString& text) override { std::printf("  box: %s\n", qPrintable(text)); }
    QString chooseFileToOpen(const OpenFileRequest&) override { return file; }
};

void measure(frmAloitus& window, TimedDialogs& dialogs, const char* what, const QString& button,
             const QString& select)
{
    auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
    std::vector<double> ms;
    for (int run = 0; run <= kRuns; ++run) {
        if (!select.isEmpty())
            list->setCurrentItem(list->findItems(select, Qt::MatchExactly).constFirst());
        dialogs.askedAfterMs = -1;
        dialogs.clock.start();
        window.findChild<QPushButton*>(button)->click();
        if (run > 0)   // the first round only warms the page cache
            ms.push_back(dialogs.askedAfterMs);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %-44s %8.1f ms (%.1f-%.1f)\n    \"%s\"\n", what, ms[ms.size() / 2], ms.front(), ms.back(),
                qPrintable(dialogs.detail.left(160)));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int tables = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const qint64 megabytes = argc > 2 ? QString::fromLocal8Bit(argv[2]).toLongLong() : 100;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("suuri.wk1"));
    const benchdb::Shape shape = benchdb::generate(path, {tables, megabytes << 20, 0x5eed});

    TimedDialogs dialogs;
    frmAloitus window(dialogs);
    dialogs.setParentWindow(&window);
    dialogs.file = path;
    window.findChild<QPushButton*>(QStringLiteral("cmdSelaa"))->click();

    std::printf("%d tables, %lld MB: from the click to the question, medians (min-max) of %d runs\n", shape.tables,
                static_cast<long long>(megabytes), kRuns);
    measure(window, dialogs, "delete all register tables", QStringLiteral("cmdPoistaTulorekisteriTaulut"), {});
    measure(window, dialogs, "delete numbered register tables", QStringLiteral("cmdPTN"), {});
    measure(window, dialogs, "delete one series", QStringLiteral("cmdP"), shape.sampleSeriesTable);
    measure(window, dialogs, "delete the largest table (rows counted)", QStringLiteral("cmdPoista"),
            shape.largestTable);
    measure(window, dialogs, "empty the largest table (rows counted)", QStringLiteral("cmdTyhjenna"),
            shape.largestTable);
    return 0;
}
