#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// While it lives, what the operator clicks or types is dropped before any
// widget sees it, except in the one window `allow` names (the progress
// dialog, once it is shown). The window system's queue is emptied while
// work runs, so input dropped here is lost, not run once the work is done.
class InputBlocker : public QObject {
    Q_OBJECT

public:
    InputBlocker();
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

    void allow(QWidget* window) { allowed_ = window; }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    QPointer<QWidget> allowed_;
};
