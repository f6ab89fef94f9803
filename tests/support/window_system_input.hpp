// Input as the window system delivers it: queued with the window system's events, not sent, so
// that it arrives while a calculation runs, as a person's would.
#pragma once

#include <QtGui/qpa/qwindowsysteminterface.h>

#include <QWidget>
#include <QWindow>

namespace nurlo::test {

// A click at `at` in `target` (its own coordinates), or in its middle.
inline void queueWindowSystemClick(QWidget* target, QPoint at) {
    QWindow* window = target->window()->windowHandle();
    const QPointF local = target->mapTo(target->window(), at);
    const QPointF global = target->mapToGlobal(at);
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}
inline void queueWindowSystemClick(QWidget* target) {
    queueWindowSystemClick(target, target->rect().center());
}

// A key pressed and released, to the window of `target`.
inline void queueWindowSystemKey(QWidget* target, Qt::Key key, const QString& text = {},
                                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWindow* window = target->window()->windowHandle();
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window, type, key, modifiers, text);
    }
}

// The window system closes the window of `target`, shown once (its close button, Alt+F4).
inline void queueWindowSystemClose(QWidget* target) {
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        target->window()->windowHandle());
}

// Hands the queued events to the program now, as its event loop would next.
inline void deliverQueuedInput() { QWindowSystemInterface::flushWindowSystemEvents(); }

}  // namespace nurlo::test
