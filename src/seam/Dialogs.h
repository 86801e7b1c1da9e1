#pragma once

#include "seam/Progress.h"

#include <QString>
#include <memory>

// The operator's dialogs. The window has real ones; tests script the answers.
// A box given no title shows the application's title. No box shows an icon.
class Dialogs {
public:
    enum class DefaultAnswer { Yes, No };

    struct OpenFileRequest {
        QString title;
        QString folder;
        QString filter;   // one entry, e.g. "Lumerin tietokannat (*.w*)"
    };

    virtual ~Dialogs() = default;

    virtual void inform(const QString& text) = 0;
    // The same box with `detail`, a line that informs but needs no reading,
    // under the text.
    virtual void informWithDetail(const QString& text, const QString& detail) = 0;
    virtual bool confirm(const QString& text, const QString& title, DefaultAnswer defaultAnswer) = 0;
    // The same question with `detail` under its text, a line that tells what
    // else the answer Yes does. Dialogs that show no operator ask without it.
    virtual bool confirmWithDetail(const QString& text, const QString& title, DefaultAnswer defaultAnswer,
                                   const QString& detail)
    {
        Q_UNUSED(detail);
        return confirm(text, title, defaultAnswer);
    }
    // Empty when the operator cancels or leaves the answer empty.
    virtual QString askText(const QString& prompt) = 0;
    // The full path of an existing file, or empty when the operator cancels.
    virtual QString chooseFileToOpen(const OpenFileRequest& request) = 0;

    // The application-wide hourglass; see BusyPointer.
    virtual void setBusy(bool busy) = 0;

    // How long an operation waits for another program that holds the
    // database before it gives up (see WaitingDialogs).
    static constexpr int kWaitLimitMs = 30000;
    virtual int waitLimitMs() const { return kWaitLimitMs; }

    // Starts reporting long work under `text` (see Progress) until the result
    // is destroyed. With `cancellable` the operator may ask it to stop. While
    // it lives, the window takes no input: what is clicked meanwhile is lost,
    // not run afterwards.
    virtual std::unique_ptr<Progress> startProgress(const QString& text, bool cancellable)
    {
        Q_UNUSED(text);
        Q_UNUSED(cancellable);
        return std::make_unique<SilentProgress>();
    }
};

// Shows the hourglass for as long as it lives, also when an error leaves early.
class BusyPointer {
public:
    explicit BusyPointer(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.setBusy(true); }
    ~BusyPointer() { dialogs_.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Dialogs& dialogs_;
};
