// Renames through the real window while another program commits without
// pause into the same rollback-journal file: how many renames win the lock
// between its commits, and how long each took. The other program is a
// thread of this process, or with --process the sqlite3 shell. Started by hand:
//   QT_QPA_PLATFORM=offscreen build/bin/bench_lockwait [renames, default 20] [--process]
#include "dialogs/QtDialogs.h"
#include "app/frmAloitus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

class YesDialogs : public QtDialogs {
public:
    QString file;
    QString newName;
    QStringList informed;
    bool confirm(const QString&, const QString&, DefaultAnswer) override { return true; }
    void inform(const QString& text) override { informed.append(text); }
    void informWithDetail(const QString& text, const QString&) override { informed.append(text); }
    QString askText(const QString&) override { return newName; }
    QString chooseFileToOpen(const OpenFileRequest&) override { return file; }
};

// The other program: one row a transaction, committed, again at once.
void commitWithoutPause(const QString& path, const std::atomic<bool>& stop, std::atomic<int>& commits)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 5000);
    while (!stop)
        if (sqlite3_exec(db, "BEGIN IMMEDIATE; INSERT INTO Muut VALUES (1); COMMIT;", nullptr, nullptr, nullptr)
            == SQLITE_OK)
            ++commits;
        else
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QStringList args = app.arguments().mid(1);
    const bool separateProcess = args.removeAll(QStringLiteral("--process")) > 0;
    const int renames = args.isEmpty() ? 20 : args.constFirst().toInt();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("yritys.wk1"));
    {
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, "CREATE TABLE Laskut_0 (x); CREATE TABLE Muut (x);", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    YesDialogs dialogs;
    frmAloitus window(dialogs);
    dialogs.setParentWindow(&window);
    dialogs.file = path;
    window.findChild<QPushButton*>(QStringLiteral("cmdSelaa"))->click();

    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    std::thread other;
    QProcess shell;
    if (separateProcess) {
        // The same transaction, one after another at once, from another process.
        const QString script = dir.filePath(QStringLiteral("kirjoittaja.sql"));
        QFile out(script);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        out.write(".timeout 5000\n");
        for (int i = 0; i < 1000000; ++i)
            out.write("BEGIN IMMEDIATE; INSERT INTO Muut VALUES (1); COMMIT;\n");
        out.close();
        shell.setStandardInputFile(script);
        shell.setStandardOutputFile(QProcess::nullDevice());
        shell.start(QStandardPaths::findExecutable(QStringLiteral("sqlite3")), {path});
        if (!shell.waitForStarted())
            return 1;
        QThread::msleep(200);
    } else {
        other = std::thread(commitWithoutPause, path, std::cref(stop), std::ref(commits));
        while (commits < 20)
            std::this_thread::yield();
    }
    auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
    int won = 0;
    std::vector<double> ms;
    QString current = QStringLiteral("Laskut_0");
    QElapsedTimer all;
    all.start();
    for (int i = 1; i <= renames; ++i) {
        const auto found = list->findItems(current, Qt::MatchExactly);
        if (found.isEmpty())
            break;
        list->setCurrentItem(found.constFirst());
        dialogs.newName = QStringLiteral("Laskut_%1").arg(i);
        dialogs.informed.clear();
        QElapsedTimer timer;
        timer.start();
        window.findChild<QPushButton*>(QStringLiteral("cmdNimea"))->click();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (dialogs.informed.value(0) == QStringLiteral("Uudelleennimetty!")) {
            ++won;
            current = dialogs.newName;
        } else {
            std::printf("  rename %d: %s\n", i, qPrintable(dialogs.informed.value(0).section(QLatin1Char('\n'), 0, 0)));
        }
    }
    stop = true;
    if (separateProcess) {
        if (shell.state() != QProcess::Running)
            std::printf("  the other program ended before the renames did\n");
        shell.kill();
        shell.waitForFinished();
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_stmt* count = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM Muut", -1, &count, nullptr);
        if (sqlite3_step(count) == SQLITE_ROW)
            commits = sqlite3_column_int(count, 0);
        sqlite3_finalize(count);
        sqlite3_close(db);
    } else {
        other.join();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%d of %d renames won the lock while another program committed %d times in %.1f s; per rename "
                "median %.0f ms (%.0f-%.0f)\n",
                won, renames, commits.load(), double(all.elapsed()) / 1000, ms[ms.size() / 2], ms.front(),
                ms.back());
    return 0;
}
