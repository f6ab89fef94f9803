// Acting during a calculation without racing it: an action runs when a condition that the work
// shows from outside holds (its progress, its colour, the lines of its file), not after a delay.
#pragma once

#include <QProgressBar>
#include <QTimer>
#include <functional>

#include "screen_fixture.hpp"

namespace nurlo::test {

// Does `action` once, as soon as `condition` holds. The event loop looks every few milliseconds,
// and so does the loop that keeps a window alive during a calculation.
inline void whenTrue(QObject* owner, std::function<bool()> condition,
                     std::function<void()> action) {
    auto* timer = new QTimer(owner);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, owner,
                     [timer, condition = std::move(condition), action = std::move(action)] {
                         if (condition()) {
                             timer->stop();
                             timer->deleteLater();
                             action();
                         }
                     });
    timer->start();
}

// The walks of a click are under way and the progress bar shows some of them done.
inline bool walksUnderWay(const QWidget& screen) {
    const auto* bar = child<QProgressBar>(screen, "ProgressBar1");
    return bar->value() > 0 && bar->format().contains(QLatin1Char('%')) &&
           !bar->format().startsWith(QStringLiteral("Griglia"));
}

}  // namespace nurlo::test
