// What reporting progress costs long work on the user-interface thread, and
// how long the window goes unanswered meanwhile, first for steps of known
// length, then for the real window deleting the numbered register tables of
// a generated 10,000-table file (safety copy included). Started by hand:
//   QT_QPA_PLATFORM=offscreen build/bin/bench_progress [megabytes, default 256]
#include "DatabaseGenerator.h"
#include "dialogs/QtDialogs.h"
#include "app/frmAloitus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;

// Busy work of about `micros`, standing in for one deletion.
void step(qint64 micros)
{
    QElapsedTimer t;
    t.start();
    while (t.nsecsElapsed() < micros * 1000) {
    }
}

struct Run {
    double nsPerAdvance = 0;   // the cost of advance() alone, spread over the steps
    qint64 longestGapMs = 0;   // the longest time the window got no turn
};

// `steps` steps of `micros` each, reported to the window's progress.
Run measure(QtDialogs& dialogs, int steps, qint64 micros)
{
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;   // what the desktop's "are you alive" check sees
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    ticker.start(10);

    QElapsedTimer work;
    qint64 inAdvance = 0;
    sinceTick.start();
    work.start();
    {
        const auto progress = dialogs.startProgress(QStringLiteral("Poistetaan taulukoita: %1 / %2"), true);
        for (int i = 1; i <= steps; ++i) {
            step(micros);
            const qint64 before = work.nsecsElapsed();
            progress->advance(i, steps);
            inAdvance += work.nsecsElapsed() - before;
        }
    }
    longestGap = std::max(longestGap, sinceTick.elapsed());
    return {double(inAdvance) / steps, longestGap};
}

void report(const char* what, std::vector<Run> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.nsPerAdvance < b.nsPerAdvance; });
    const double median = runs[runs.size() / 2].nsPerAdvance;
    qint64 gapMin = runs.front().longestGapMs, gapMax = gapMin;
    for (const Run& r : runs) {
        gapMin = std::min(gapMin, r.longestGapMs);
        gapMax = std::max(gapMax, r.longestGapMs);
    }
    std::printf("%-44s advance %8.0f ns/step (min %.0f, max %.0f)   longest unanswered %lld..%lld ms\n", what,
                median, runs.front().nsPerAdvance, runs.back().nsPerAdvance, static_cast<long long>(gapMin),
                static_cast<long long>(gapMax));
}

// The real dialogs, with every question answered Yes and every box only
// written down, so that the walk runs as the operator would have it run.
class YesDialogs : public QtDialogs {
public:
    QString file;
    QStringList informed;
    const QElapsedTimer* clock = nullptr;
    qint64 answeredAtMs = -1;   // on `clock`, the last answer
    bool confirm(const QString&, const QString&, DefaultAnswer) override
    {
        answer();
        return true;
    }
    bool confirmWithDetail(const QString&, const QString&, DefaultAnswer, const QString&) override
    {
        answer();
        return true;
    }
    void answer()
    {
        noteAnswer(true);
        answeredAtMs = clock && clock->isValid() ? clock->elapsed() : -1;
    }
    void inform(const QString& text) override { informed.append(text); }
    void informWithDetail(const QString& text, const QString&) override { informed.append(text); }
    QString chooseFileToOpen(const OpenFileRequest&) override { return file; }
};

QWidget* visibleProgressDialog()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("Edistyminen") && top->isVisible())
            return top;
    return nullptr;
}

void realWalk(qint64 megabytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("suuri.wk1"));
    const benchdb::Shape shape = benchdb::generate(path, {10000, megabytes << 20, 0x5eed});

    YesDialogs dialogs;
    frmAloitus window(dialogs);
    dialogs.setParentWindow(&window);
    window.show();
    dialogs.file = path;
    window.findChild<QPushButton*>(QStringLiteral("cmdSelaa"))->click();

    QElapsedTimer clock, sinceTick;
    qint64 longestGap = 0, dialogAtMs = -1;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        if (dialogAtMs < 0 && visibleProgressDialog())
            dialogAtMs = clock.elapsed();
    });
    ticker.start(10);
    dialogs.clock = &clock;
    clock.start();
    sinceTick.start();
    window.findChild<QPushButton*>(QStringLiteral("cmdPTN"))->click();
    const qint64 totalMs = clock.elapsed();
    longestGap = std::max(longestGap, sinceTick.elapsed());

    const int left = int(benchdb::tableNames(path).size());
    std::printf("real window, numbered register tables of %d tables, %lld MB: %d deleted in %.1f s, question "
                "answered after %lld ms, progress dialog after %lld ms (%lld ms after the answer), longest unanswered "
                "%lld ms, boxes %lld\n",
                shape.tables, static_cast<long long>(megabytes), shape.tables - left, double(totalMs) / 1000,
                static_cast<long long>(dialogs.answeredAtMs), static_cast<long long>(dialogAtMs),
                static_cast<long long>(dialogAtMs - dialogs.answeredAtMs), static_cast<long long>(longestGap),
                static_cast<long long>(dialogs.informed.size()));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 256;
    QWidget window;
    window.resize(819, 532);
    window.show();
    QtDialogs dialogs;
    dialogs.setParentWindow(&window);

    struct Case {
        const char* what;
        int steps;
        qint64 micros;
    };
    const Case cases[] = {
        {"2000 steps of 0.1 ms (no dialog)", 2000, 100},
        {"5000 steps of 0.5 ms (dialog after 0.5 s)", 5000, 500},
        {"200 steps of 20 ms (dialog after 0.5 s)", 200, 20000},
    };
    for (const Case& c : cases) {
        std::vector<Run> runs;
        for (int i = 0; i < kRuns; ++i)
            runs.push_back(measure(dialogs, c.steps, c.micros));
        report(c.what, runs);
    }
    window.hide();
    realWalk(std::max<qint64>(megabytes, 1));
    return 0;
}
