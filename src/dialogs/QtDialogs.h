#pragma once

#include "dialogs/QtProgress.h"
#include "seam/Dialogs.h"

class QWidget;

// The real dialogs: modal Qt boxes over the main window, without icons, with
// the application's title where a box is given none.
class QtDialogs : public Dialogs {
public:
    static const QString kApplicationTitle;

    void setParentWindow(QWidget* window) { parent_ = window; }

    void inform(const QString& text) override;
    void informWithDetail(const QString& text, const QString& detail) override;
    bool confirm(const QString& text, const QString& title, DefaultAnswer defaultAnswer) override;
    QString askText(const QString& prompt) override;
    QString chooseFileToOpen(const OpenFileRequest& request) override;
    void setBusy(bool busy) override;
    std::unique_ptr<Progress> startProgress(const QString& text, bool cancellable) override;

    // How long work runs before its progress dialog shows.
    void setProgressDelay(int milliseconds) { progressDelayMs_ = milliseconds; }

private:
    QWidget* parent_ = nullptr;
    bool busy_ = false;
    int progressDelayMs_ = QtProgress::kShowAfterMs;
};
