// The child process of the benchmark: one case on the real window,
// offscreen, with an operator who says Yes; the timing covers the click
// alone, and the peak memory is this one run's.
#include "Bench.h"

#include "app/frmAloitus.h"
#include "copies/SafetyCopy.h"
#include "seam/Dialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

// The operator who says Yes to everything and picks the given file.
class AnsweringDialogs : public Dialogs {
public:
    QString file;
    QString answer;
    QStringList informed;
    int confirmed = 0;

    void inform(const QString& text) override { informed.append(text); }
    void informWithDetail(const QString& text, const QString&) override { informed.append(text); }
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

} // namespace

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

