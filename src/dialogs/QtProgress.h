#pragma once

#include "dialogs/InputBlocker.h"
#include "seam/Progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <memory>

class ProgressDialog;
class QWidget;

// Long work on the user-interface thread that keeps the window alive: every
// few dozen milliseconds advance() lets the window repaint and answer the
// desktop, with the operator's input to it dropped meanwhile; once the work
// has run `showAfterMs`, a modal ProgressDialog shows how far it got.
class QtProgress : public Progress {
public:
    static constexpr int kShowAfterMs = 500;

    QtProgress(QWidget* parent, QString text, bool cancellable, int showAfterMs = kShowAfterMs);
    ~QtProgress() override;
    QtProgress(const QtProgress&) = delete;
    QtProgress& operator=(const QtProgress&) = delete;

    bool advance(qint64 done, qint64 total) override;
    // The dialog's title, when not the table tool's.
    void setTitle(const QString& title) { title_ = title; }

private:
    void pumpEvents();

    QPointer<QWidget> parent_;
    const QString text_;
    const bool cancellable_;
    const int showAfterMs_;
    QString title_;
    InputBlocker blocker_;          // before any event is let through
    QElapsedTimer running_;
    qint64 lastPumpMs_ = 0;
    std::unique_ptr<ProgressDialog> dialog_;   // made only for work that takes long
};
