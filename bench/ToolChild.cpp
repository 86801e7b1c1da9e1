// The child process of the benchmark: one case on the real window,
// offscreen, with an operator who says Yes; the timing covers the click
// alone, and the peak memory is this one run's. Where the time of the click
// went is watched from outside the tool: the engine's trace on every
// connection of this process tells when each "BEGIN IMMEDIATE" starts and
// ends and when each "COMMIT" ends, the dialogs see the safety copy's
// progress start and end, the list's model sees the list emptied, and fsync
// and fdatasync are timed on their way to the system.
#include "Bench.h"

#include "app/frmAloitus.h"
#include "copies/SafetyCopy.h"
#include "db/DatabaseEngine.h"
#include "seam/Dialogs.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include <dlfcn.h>

namespace {

// The moments of one click, in ns from its start; -1 until seen.
struct Marks {
    QElapsedTimer clock;
    bool timing = false;
    qint64 firstLockBegin = -1, firstLockEnd = -1;
    qint64 lockNs = 0;            // every BEGIN IMMEDIATE, waiting included
    qint64 lockAsked = -1;        // the one now running started then
    qint64 copyBegin = -1, copyEnd = -1;
    qint64 flushAtCopyBegin = 0, flushInCopy = -1;
    qint64 lastCommitEnd = -1, flushAtLastCommit = 0;
    qint64 flushAtFirstLock = 0;
    qint64 listBegin = -1;        // List1 emptied for a rebuild

    qint64 now() const { return clock.nsecsElapsed(); }
    void start()
    {
        *this = Marks{};
        clock.start();
        timing = true;
    }
};
Marks marks;

// Time spent in fsync and fdatasync by any code of this process, the
// engine's included.
std::atomic<qint64> flushNs{0};

template<typename Call>
int timedFlush(Call call)
{
    QElapsedTimer timer;
    timer.start();
    const int rc = call();
    flushNs += timer.nsecsElapsed();
    return rc;
}

} // namespace

extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    return timedFlush([fd] { return real(fd); });
}

extern "C" int fdatasync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
    return timedFlush([fd] { return real(fd); });
}

namespace {

// Told by the engine when a statement of any connection of this process
// starts and when it has finished. Its own measure of the time taken counts
// whole milliseconds only, so both ends are read from this clock.
int statementTraced(unsigned type, void*, void* statement, void*)
{
    if (!marks.timing)
        return 0;
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    if (!sql)
        return 0;
    const bool locking = std::strncmp(sql, "BEGIN IMMEDIATE", 15) == 0;
    const qint64 now = marks.now();
    if (type == SQLITE_TRACE_STMT) {
        if (locking)
            marks.lockAsked = now;
    } else if (locking && marks.lockAsked >= 0) {
        if (marks.firstLockBegin < 0) {
            marks.firstLockBegin = marks.lockAsked;
            marks.firstLockEnd = now;
            marks.flushAtFirstLock = flushNs;
        }
        marks.lockNs += now - marks.lockAsked;
        marks.lockAsked = -1;
    } else if (std::strncmp(sql, "COMMIT", 6) == 0) {
        marks.lastCommitEnd = now;
        marks.flushAtLastCommit = flushNs;
    }
    return 0;
}

int watchConnection(sqlite3* db, char**, const sqlite3_api_routines*)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_PROFILE, statementTraced, nullptr);
    return SQLITE_OK;
}

// The safety copy's progress: it lives exactly as long as the copy.
class WatchedCopy : public Progress {
public:
    WatchedCopy()
    {
        marks.copyBegin = marks.now();
        marks.flushAtCopyBegin = flushNs;
    }
    ~WatchedCopy() override
    {
        marks.copyEnd = marks.now();
        marks.flushInCopy = flushNs - marks.flushAtCopyBegin;
    }
    bool advance(qint64, qint64) override { return true; }
};

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
    std::unique_ptr<Progress> startProgress(const QString& text, bool) override
    {
        if (marks.timing && text == QLatin1String("Otetaan varmuuskopiota ..."))
            return std::make_unique<WatchedCopy>();
        return std::make_unique<SilentProgress>();
    }
};

// Where the click went, in ns, from the marks and its length `ns`; -1 for a
// part the case has not.
std::array<qint64, kToolPhases> phasesOf(qint64 ns)
{
    std::array<qint64, kToolPhases> p{};
    p.fill(-1);
    const qint64 firstMark = marks.firstLockBegin >= 0 ? marks.firstLockBegin
                             : marks.copyBegin >= 0    ? marks.copyBegin
                             : marks.listBegin >= 0    ? marks.listBegin
                                                       : ns;
    p[Open] = firstMark;
    if (marks.firstLockBegin >= 0)
        p[Lock] = marks.lockNs;
    if (marks.copyEnd >= 0) {
        p[Copy] = marks.copyEnd - marks.copyBegin;
        p[CopyFlush] = marks.flushInCopy;
    }
    // The work starts after the copy, or after the lock where no copy is
    // taken; the locks of later steps count as waiting, not as work.
    const qint64 workBegin = marks.copyEnd >= 0 ? marks.copyEnd : marks.firstLockEnd;
    if (marks.lastCommitEnd >= 0 && workBegin >= 0) {
        p[Work] = marks.lastCommitEnd - workBegin - (marks.lockNs - (marks.firstLockEnd - marks.firstLockBegin));
        p[WorkFlush] = marks.flushAtLastCommit
                       - (marks.copyEnd >= 0 ? marks.flushAtCopyBegin + marks.flushInCopy : marks.flushAtFirstLock);
    }
    // After the last commit the names are read again and List1 filled and
    // painted; without a commit (choosing the file) from the list's emptying.
    if (marks.listBegin >= 0)
        p[List] = ns - (marks.lastCommitEnd >= 0 ? marks.lastCommitEnd : marks.listBegin);
    return p;
}

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

    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&watchConnection));
    AnsweringDialogs dialogs;
    dialogs.file = db;
    dialogs.answer = option(args, QStringLiteral("--answer"));
    frmAloitus window(dialogs);
    window.show();
    settle();
    auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
    QObject::connect(list->model(), &QAbstractItemModel::modelAboutToBeReset, [] {
        if (marks.timing && marks.listBegin < 0)
            marks.listBegin = marks.now();
    });
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

    qint64 ns = 0;
    if (kind == QLatin1String("safety")) {
        // As a click copies: opened and locked for writing, nothing changed;
        // the copy alone is timed, as cp+sync beside it is.
        Database database = DatabaseEngine::instance().open(db);
        const Database::WriteTransaction lock(database);
        marks.start();
        {
            const WatchedCopy watched;
            takeSafetyCopy(database);
        }
        ns = marks.now();
    } else if (kind == QLatin1String("choose")) {
        marks.start();
        click("cmdSelaa");
        settle();
        ns = marks.now();
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
        marks.start();
        click(button->second);
        settle();
        ns = marks.now();
    }
    marks.timing = false;

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
    std::printf("phases");
    for (const qint64 phase : phasesOf(ns))
        std::printf(" %lld", static_cast<long long>(phase));
    std::printf("\n");
    return 0;
}

