#include "dialogs/InputBlocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace {

bool isOperatorInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

InputBlocker::InputBlocker()
{
    QCoreApplication::instance()->installEventFilter(this);
}

InputBlocker::InputBlocker(QWidget* onlyWindow) : only_(onlyWindow ? onlyWindow->window() : nullptr), onlyOne_(true)
{
    QCoreApplication::instance()->installEventFilter(this);
}

InputBlocker::~InputBlocker()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject* receiver, QEvent* event)
{
    // A window's events reach its widgets through the application again, so
    // looking at widgets alone catches everything aimed at them.
    const auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || (allowed_ && widget->window() == allowed_) || (onlyOne_ && widget->window() != only_))
        return false;
    if (isOperatorInput(event->type()))
        return true;
    // The close box of the window: the work is not left half-way with the window gone.
    if (event->type() == QEvent::Close && widget->isWindow()) {
        event->ignore();
        return true;
    }
    return false;
}
