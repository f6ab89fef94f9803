// Input as the window system delivers it: queued with the window system's events, not sent, so
// that it arrives while a calculation runs, as a person's would.
#pragma once

#include <QtGui/qpa/qwindowsysteminterface.h>

#include <QWidget>
#include <QWindow>

namespace nurlo::test {

// A click in the middle of `target`.
inline void queueWindowSystemClick(QWidget* target) {
    QWindow* window = target->window()->windowHandle();
    const QPointF local = target->mapTo(target->window(), target->rect().center());
    const QPointF global = target->mapToGlobal(target->rect().center());
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}

// A key pressed and released, to the window of `target`.
inline void queueWindowSystemKey(QWidget* target, Qt::Key key, const QString& text = {}) {
    QWindow* window = target->window()->windowHandle();
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window, type, key, Qt::NoModifier, text);
    }
}

}  // namespace nurlo::test
