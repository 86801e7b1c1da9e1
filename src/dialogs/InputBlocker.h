#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// While it lives, what the operator clicks or types is dropped before any
// widget sees it, except in the one window `allow` names (the progress
// dialog, once it is shown). The window system's queue is emptied while
// work runs, so input dropped here is lost, not run once the work is done.
//
// Given a window, it drops only what is aimed at that window: a click
// handler of the window holds one while it runs, so that a click queued
// behind the answer to its box, and delivered as the box closes, does not
// start a second handler inside the first. The handler's own boxes, being
// windows of their own, still take input.
class InputBlocker : public QObject {
    Q_OBJECT

public:
    InputBlocker();
    explicit InputBlocker(QWidget* onlyWindow);
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

    void allow(QWidget* window) { allowed_ = window; }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    QPointer<QWidget> allowed_;
    QPointer<QWidget> only_;
    const bool onlyOne_ = false;
};
