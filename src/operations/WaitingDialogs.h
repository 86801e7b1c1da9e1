#pragma once

#include "db/Failure.h"
#include "db/LockWait.h"
#include "seam/Dialogs.h"

#include <functional>

// The operator's dialogs for one operation, which may have to wait for
// another program that holds the database file; both programs use them. A
// wait that lasts shows "Odotetaan, että toinen ohjelma vapauttaa
// tietokannan ..." with "Keskeytä" (or, while the operation's own progress
// with its own "Keskeytä" shows, goes on under it; a progress that cannot
// be stopped gives way to the wait's dialog and comes back when the work
// goes on), and gives up after waitLimitMs(). The wait's dialog goes before
// any other box or progress is shown. Its text counts down the seconds the
// wait may still last.
class WaitingDialogs : public Dialogs {
public:
    static const QString kWaitingText;

    explicit WaitingDialogs(Dialogs& shown) : shown_(shown) {}
    ~WaitingDialogs() override;
    WaitingDialogs(const WaitingDialogs&) = delete;
    WaitingDialogs& operator=(const WaitingDialogs&) = delete;

    // For DatabaseEngine::open.
    KeepWaiting keepWaiting();

    // What is left undone when the operation fails because another program
    // holds the file, e.g. "Taulukkoa Laskut ei poistettu"; empty once the
    // operation has made its change (or its failure tells itself how far it
    // got). The failure's state (Failure::withState) follows it.
    void setNotDone(const QString& notDone) { notDone_ = notDone; }

    // Runs `operation`; a failure caused by another program's lock becomes
    // one sentence in the operation's words, the engine's words kept. Any
    // other failure while something is left undone says first what was not
    // done, unless it tells that itself.
    void run(const std::function<void()>& operation);

    void inform(const QString& text) override;
    void informWithDetail(const QString& text, const QString& detail) override;
    bool confirm(const QString& text, const QString& title, DefaultAnswer defaultAnswer) override;
    bool confirmWithDetail(const QString& text, const QString& title, DefaultAnswer defaultAnswer,
                           const QString& detail) override;
    QString askText(const QString& prompt) override;
    QString chooseFileToOpen(const OpenFileRequest& request) override;
    void setBusy(bool busy) override { shown_.setBusy(busy); }
    int waitLimitMs() const override { return shown_.waitLimitMs(); }
    std::unique_ptr<Progress> startProgress(const QString& text, bool cancellable) override;

private:
    class OwnProgress;

    bool keepWaiting(int elapsedMs);
    void endWaiting() { waiting_.reset(); }
    Failure told(const Failure& failure) const;

    Dialogs& shown_;
    std::unique_ptr<Progress> waiting_;
    OwnProgress* current_ = nullptr;   // the operation's own progress, while it lives
    bool stopped_ = false;             // the operator stopped the last wait
    QString notDone_;
};

// One operation's WaitingDialogs over `dialogs`: runs `operation(waiting)`
// through WaitingDialogs::run.
template <typename Operation>
void whileWaiting(Dialogs& dialogs, const Operation& operation)
{
    WaitingDialogs waiting(dialogs);
    waiting.run([&] { operation(waiting); });
}
