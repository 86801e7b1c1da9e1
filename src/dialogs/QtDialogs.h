#pragma once

#include "dialogs/QtProgress.h"
#include "seam/Dialogs.h"

#include <QElapsedTimer>

class QWidget;

// The real dialogs: modal Qt boxes over the main window, without icons, with
// the program's own title where a box is given none.
class QtDialogs : public Dialogs {
public:
    static const QString kApplicationTitle;

    void setParentWindow(QWidget* window) { parent_ = window; }
    // The title of boxes given none and of progress dialogs; kApplicationTitle unless set.
    void setApplicationTitle(const QString& title) { applicationTitle_ = title; }

    void inform(const QString& text) override;
    void informWithDetail(const QString& text, const QString& detail) override;
    bool confirm(const QString& text, const QString& title, DefaultAnswer defaultAnswer) override;
    bool confirmWithDetail(const QString& text, const QString& title, DefaultAnswer defaultAnswer,
                           const QString& detail) override;
    QString askText(const QString& prompt) override;
    QString chooseFileToOpen(const OpenFileRequest& request) override;
    void setBusy(bool busy) override;
    std::unique_ptr<Progress> startProgress(const QString& text, bool cancellable) override;

    // How long work runs before its progress dialog shows.
    void setProgressDelay(int milliseconds) { progressDelayMs_ = milliseconds; }

protected:
    // The operator has just answered a question: with work to follow
    // (`goesOn`), that work counts the delay of its progress dialog from
    // now; otherwise, and after any other box, no answer is pending.
    void noteAnswer(bool goesOn)
    {
        if (goesOn)
            answered_.start();
        else
            answered_.invalidate();
    }

private:
    QWidget* parent_ = nullptr;
    QString applicationTitle_ = kApplicationTitle;
    bool busy_ = false;
    int progressDelayMs_ = QtProgress::kShowAfterMs;
    // Since the operator last answered: the work that answer starts shows
    // its progress that long after the answer, not after its own start.
    QElapsedTimer answered_;
};
