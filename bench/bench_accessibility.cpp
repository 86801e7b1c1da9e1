// Fills the window's table list with many names while accessibility is
// active, as with a screen reader running, and prints how long it took.
// Offscreen, accessibility is only switched on inside the program; with the
// desktop's accessibility bus as well, run it under Xvfb as
//   dbus-run-session -- sh -c '/usr/libexec/at-spi-bus-launcher --launch-immediately &
//     QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 build/bin/bench_accessibility'
#include "app/frmAloitus.h"
#include "seam/Dialogs.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

// No box is opened while the list fills.
class SilentDialogs : public Dialogs {
public:
    void inform(const QString&) override {}
    void informWithDetail(const QString&, const QString&) override {}
    bool confirm(const QString&, const QString&, DefaultAnswer) override { return false; }
    QString askText(const QString&) override { return {}; }
    QString chooseFileToOpen(const OpenFileRequest&) override { return {}; }
    void setBusy(bool) override {}
};

QStringList names(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(i % 2 ? QStringLiteral("Tulorekisteri_%1_A").arg(i, 5, 10, QLatin1Char('0'))
                          : QStringLiteral("Taulukko %1").arg(i));
    return list;
}

// A screen reader reads every entry of the list, as when the operator
// browses it: each entry then has an accessible object of its own.
void readEveryEntry(frmAloitus& window)
{
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window.findChild<QListWidget*>("List1"));
    if (!list)
        return;
    for (int i = 0; i < list->childCount(); ++i)
        if (QAccessibleInterface* entry = list->child(i))
            (void)entry->text(QAccessible::Name);
}

struct Fill {
    double first = 0;    // ms to fill the empty list
    double again = 0;    // ms to fill it again after every entry was read
};

Fill fillOnce(const QStringList& list, bool read)
{
    SilentDialogs dialogs;
    frmAloitus window(dialogs);
    window.show();
    QApplication::processEvents();
    Fill fill;
    QElapsedTimer timer;
    timer.start();
    window.showTableNames(list);
    QApplication::processEvents();
    fill.first = double(timer.nsecsElapsed()) / 1e6;
    if (read)
        readEveryEntry(window);
    timer.restart();
    window.showTableNames(list);
    QApplication::processEvents();
    fill.again = double(timer.nsecsElapsed()) / 1e6;
    return fill;
}

double median(std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int repeat = 5;
    out << "filling List1, medians of " << repeat << " runs, ms\n";
    out << "   names   accessibility   first fill   refill after every entry was read\n";
    for (const int count : {1000, 10000}) {
        const QStringList list = names(count);
        for (const bool active : {false, true}) {
            QAccessible::setActive(active);
            std::vector<double> first, again;
            for (int i = 0; i < repeat; ++i) {
                const Fill fill = fillOnce(list, active);
                first.push_back(fill.first);
                again.push_back(fill.again);
            }
            out << QStringLiteral("%1   %2   %3   %4\n")
                       .arg(count, 8)
                       .arg(active ? QStringLiteral("on") : QStringLiteral("off"), 13)
                       .arg(median(first), 10, 'f', 1)
                       .arg(median(again), 33, 'f', 1);
            out.flush();
        }
    }
    return 0;
}
