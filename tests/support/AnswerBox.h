#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

// Answers the next real modal box from inside its own event loop. A check
// that fails in `answer` returns from it early and leaves the box open; the
// box is then closed here, so that the test fails instead of hanging. A box
// that never opens fails the test after `waitMs`.
inline void answerNextBox(std::function<void(QDialog*)> answer, int waitMs = 5000)
{
    auto* poll = new QTimer(QCoreApplication::instance());
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, waited, waitMs, answer = std::move(answer)] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box) {
            if ((*waited += poll->interval()) < waitMs)
                return;
            poll->deleteLater();
            QTest::qFail("no box opened to answer", __FILE__, __LINE__);
            return;
        }
        poll->deleteLater();
        poll->stop();
        answer(box);
        if (box->isVisible()) {
            if (!QTest::currentTestFailed())
                QTest::qFail("the box was left open", __FILE__, __LINE__);
            box->reject();
        }
    });
    poll->start(10);
}
