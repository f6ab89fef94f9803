// Acting on a running calculation once a condition it shows holds, never after a delay.
#pragma once

#include <QProgressBar>
#include <QTimer>
#include <functional>

#include "screen_fixture.hpp"

namespace nurlo::test {

// Does `action` once, as soon as `condition` holds (looked at every few milliseconds, also by the
// loop that keeps a window alive during a calculation).
inline void whenTrue(QObject* owner, std::function<bool()> condition,
                     std::function<void()> action) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [=] {
        if (condition()) {
            timer->stop();
            timer->deleteLater();
            action();
        }
    });
    timer->start(5);
}

// The walks of a click are under way and the progress bar shows some of them done.
inline bool walksUnderWay(const QWidget& screen) {
    const auto* bar = child<QProgressBar>(screen, "ProgressBar1");
    return bar->value() > 0 && bar->format().contains(QLatin1Char('%')) &&
           !bar->format().startsWith(QStringLiteral("Griglia"));
}

}  // namespace nurlo::test
