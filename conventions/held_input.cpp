#include "held_input.hpp"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QWheelEvent>
// A header of Qt's test library, used here for the one thing it offers to everybody: marking an
// event as coming from the window system. Only such an event moves the focus on a click, as the
// person's own click did.
#include <QtTest/qtestspontaneevent.h>

namespace nurlo {
namespace {

// Makes a kept event anew.
using KeptEvent = std::function<std::unique_ptr<QEvent>()>;

bool isEscape(const QEvent* event) {
    return (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
           static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape;
}

// A move of the mouse with no button down: only the last of a run of them matters.
bool isPlainMove(const QEvent* event) {
    return event->type() == QEvent::MouseMove &&
           static_cast<const QMouseEvent*>(event)->buttons() == Qt::NoButton;
}

// What a pointer event says, by value.
struct PointerValues {
    QPointF local;
    QPointF scene;
    QPointF global;
    Qt::KeyboardModifiers modifiers;
    quint64 timestamp = 0;
    // Devices are Qt's, registered for the whole run; should one go away meanwhile, the event is
    // made for the primary pointer instead.
    QPointer<const QPointingDevice> device;

    explicit PointerValues(const QSinglePointEvent& event)
        : local(event.position()),
          scene(event.scenePosition()),
          global(event.globalPosition()),
          modifiers(event.modifiers()),
          timestamp(event.timestamp()),
          device(event.pointingDevice()) {}

    const QPointingDevice* deviceOrPrimary() const {
        return device != nullptr ? device.get() : QPointingDevice::primaryPointingDevice();
    }
};

KeptEvent keepMouse(const QMouseEvent& mouse) {
    return [type = mouse.type(), values = PointerValues(mouse), button = mouse.button(),
            buttons = mouse.buttons()]() -> std::unique_ptr<QEvent> {
        auto made =
            std::make_unique<QMouseEvent>(type, values.local, values.scene, values.global, button,
                                          buttons, values.modifiers, values.deviceOrPrimary());
        made->setTimestamp(values.timestamp);
        return made;
    };
}

KeptEvent keepWheel(const QWheelEvent& wheel) {
    // A wheel event addressed to a window has its position in the window: its scene position.
    return [values = PointerValues(wheel), pixels = wheel.pixelDelta(), angle = wheel.angleDelta(),
            buttons = wheel.buttons(), phase = wheel.phase(),
            inverted = wheel.inverted()]() -> std::unique_ptr<QEvent> {
        auto made = std::make_unique<QWheelEvent>(
            values.local, values.global, pixels, angle, buttons, values.modifiers, phase, inverted,
            Qt::MouseEventNotSynthesized, values.deviceOrPrimary());
        made->setTimestamp(values.timestamp);
        return made;
    };
}

KeptEvent keepEnter(const QEnterEvent& enter) {
    return [values = PointerValues(enter)]() -> std::unique_ptr<QEvent> {
        auto made = std::make_unique<QEnterEvent>(values.local, values.scene, values.global,
                                                  values.deviceOrPrimary());
        made->setTimestamp(values.timestamp);
        return made;
    };
}

// `event`, kept for later: its values are taken now, and each call makes a new event from them.
//
// A pointer event (mouse, wheel, the pointer entering a window) cannot simply be copied: Qt keeps
// its positions in the device's record of the pointer, which every later event of that device
// rewrites, so a copy taken during a calculation would report, by the time it is handed over, the
// window and screen positions of the last click instead of its own. Such an event is kept as its
// plain values (the positions in its window, in the scene and on the screen, the button and the
// buttons down, the modifiers, the time stamp and the device) and made anew just before it is
// handed over, so that, like the event that came, it is the device's newest when its window gets
// it. Other events are copied.
KeptEvent keepEvent(const QEvent& event) {
    switch (event.type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return keepMouse(static_cast<const QMouseEvent&>(event));
        case QEvent::Wheel:
            return keepWheel(static_cast<const QWheelEvent&>(event));
        case QEvent::Enter:
            if (event.isSinglePointEvent()) {
                return keepEnter(static_cast<const QEnterEvent&>(event));
            }
            break;
        case QEvent::Close:
            return [] { return std::make_unique<QCloseEvent>(); };
        default:
            break;
    }
    std::shared_ptr<const QEvent> copy(event.clone());
    return [copy] { return std::unique_ptr<QEvent>(copy->clone()); };
}

// Whether `window` is marked to answer while input is held, or is a dialog of one that is.
bool markedToAnswer(const QWindow* window) {
    for (const QWindow* w = window; w != nullptr; w = w->transientParent()) {
        if (w->property(kAnswersWhileHolding).toBool()) {
            return true;
        }
    }
    return false;
}

}  // namespace

HeldInput::HeldInput(Progress& progress) : progress_(progress) {
    QCoreApplication::instance()->installEventFilter(this);
}

HeldInput::~HeldInput() { QCoreApplication::instance()->removeEventFilter(this); }

HeldInput::Holding::Holding(HeldInput& input) : input_(input) { input_.holding_ = true; }

HeldInput::Holding::~Holding() { input_.holding_ = false; }

void HeldInput::holdClose(QWindow* window) {
    kept_.push_back({window, [] { return std::make_unique<QCloseEvent>(); }});
}

bool HeldInput::eventFilter(QObject* watched, QEvent* event) {
    if (!holding_ || !watched->isWindowType()) {
        return false;
    }
    auto* window = static_cast<QWindow*>(watched);
    // A close of a window of its own (not of a tooltip or a pop-up list going away) is the
    // person's, from the window's close button or Alt+F4.
    const bool personsClose = event->type() == QEvent::Close && window->type() == Qt::Window;
    if (!event->isInputEvent() && !personsClose) {
        return false;
    }
    if (personsClose && window->property(kClosesWhileHolding).toBool()) {
        return false;
    }
    // A pop-up (a completer's list, a menu) has no window of its own to belong to: it is of the
    // window that opened it, the one whose input came last.
    bool answers = false;
    if (window->type() == Qt::Popup) {
        answers = lastAnswered_ != nullptr || markedToAnswer(QGuiApplication::focusWindow());
    } else {
        answers = markedToAnswer(window);
        lastAnswered_ = answers ? window : nullptr;
    }
    // Esc on a dialog of such a window is the dialog's own (it cancels it).
    if (answers && !(isEscape(event) && window->property(kAnswersWhileHolding).toBool())) {
        return false;
    }
    if (isEscape(event)) {
        if (event->type() == QEvent::KeyPress) {
            progress_.requestStop();
        }
        return true;
    }
    const bool plainMove = isPlainMove(event);
    if (plainMove && !kept_.empty() && kept_.back().window == window && kept_.back().plainMove) {
        kept_.back().event = keepEvent(*event);
        return true;
    }
    kept_.push_back({window, keepEvent(*event), plainMove});
    return true;
}

void HeldInput::deliver() {
    // Taken first: what delivery sets off (another calculation, say) holds its own input anew.
    auto kept = std::move(kept_);
    kept_.clear();
    for (const Kept& held : kept) {
        if (held.window != nullptr) {
            const std::unique_ptr<QEvent> event = held.event();
            QSpontaneKeyEvent::setSpontaneous(event.get());
            QCoreApplication::instance()->notify(held.window, event.get());
        }
    }
}

}  // namespace nurlo
