#include "held_input.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
// A header of Qt's test library, used here for the one thing it offers to everybody: marking an
// event as coming from the window system. Only such an event moves the focus on a click, as the
// person's own click did.
#include <QtTest/qtestspontaneevent.h>

namespace nurlo {
namespace {

bool isEscape(const QEvent* event) {
    return (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
           static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape;
}

// A move of the mouse with no button down: only the last of a run of them matters.
bool isPlainMove(const QEvent* event) {
    return event->type() == QEvent::MouseMove &&
           static_cast<const QMouseEvent*>(event)->buttons() == Qt::NoButton;
}

}  // namespace

HeldInput::HeldInput(Progress& progress) : progress_(progress) {
    QCoreApplication::instance()->installEventFilter(this);
}

HeldInput::~HeldInput() { QCoreApplication::instance()->removeEventFilter(this); }

HeldInput::Holding::Holding(HeldInput& input) : input_(input) { input_.holding_ = true; }

HeldInput::Holding::~Holding() { input_.holding_ = false; }

bool HeldInput::eventFilter(QObject* watched, QEvent* event) {
    if (!holding_ || !watched->isWindowType() || !event->isInputEvent()) {
        return false;
    }
    if (isEscape(event)) {
        if (event->type() == QEvent::KeyPress) {
            progress_.requestStop();
        }
        return true;
    }
    auto* window = static_cast<QWindow*>(watched);
    if (isPlainMove(event) && !kept_.empty() && kept_.back().first == window &&
        isPlainMove(kept_.back().second.get())) {
        kept_.back().second.reset(event->clone());
        return true;
    }
    kept_.emplace_back(window, event->clone());
    return true;
}

void HeldInput::deliver() {
    // Taken first: what delivery sets off (another calculation, say) holds its own input anew.
    auto kept = std::move(kept_);
    kept_.clear();
    for (auto& [window, event] : kept) {
        if (window != nullptr) {
            QSpontaneKeyEvent::setSpontaneous(event.get());
            QCoreApplication::instance()->notify(window, event.get());
        }
    }
}

}  // namespace nurlo
