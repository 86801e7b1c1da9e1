#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

// A click the operator made on `target` while a box was still up: it waits
// in the queue and reaches the window when the event loop next runs, as it
// does when the box closes.
inline void queueClick(QWidget* target)
{
    const QPointF centre = QRectF(target->rect()).center();
    const QPointF global = target->mapToGlobal(centre);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(target, new QMouseEvent(type, centre, global, Qt::LeftButton,
                                                            type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                                             : Qt::NoButton,
                                                            Qt::NoModifier));
}
