// The input that reaches the program's windows while a calculation runs in the background.
//
// While holding, every key, mouse, wheel or touch event addressed to a window is taken out of the
// way and kept, in order, instead of reaching the screen in the middle of its calculation; so is a
// request to close a window (its close button, Alt+F4). Esc instead asks the calculation to stop.
// Afterwards deliver() hands the kept events to their windows as if they arrived then, so what
// the person did meanwhile lands where it would have landed had the calculation been instant: a
// click still moves the focus, the keys after it still go to the field clicked, a second click
// still reaches its own button, and a closed window closes. A window marked kClosesWhileHolding
// is closed at once instead; a window marked kAnswersWhileHolding, and every dialog and pop-up it
// opens, gets its input at once (only Esc pressed on the marked window itself still stops the
// calculation).
#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <functional>
#include <memory>
#include <vector>

#include "progress.hpp"

namespace nurlo {

// A window whose QWindow has this dynamic property set to true closes at once when the person
// closes it, even while input is held: its closing touches no calculation (the view of a run,
// which may be closed whenever the person likes). Its other input is held like any window's.
inline constexpr const char* kClosesWhileHolding = "closesWhileHolding";
// A window whose QWindow has this dynamic property set to true gets all its input at once, even
// while input is held, and so do the windows it is the transient parent of (its dialogs): nothing
// it does touches a calculation (the view of a run: copy, select, save, resize). Esc pressed on
// the window itself still asks the calculation to stop, as it does on every window.
inline constexpr const char* kAnswersWhileHolding = "answersWhileHolding";

class HeldInput final : public QObject {
public:
    // Esc asks `progress` to stop.
    explicit HeldInput(Progress& progress);
    ~HeldInput() override;

    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

    // Holds input from construction to destruction.
    class Holding {
    public:
        explicit Holding(HeldInput& input);
        ~Holding();
        Holding(const Holding&) = delete;
        Holding& operator=(const Holding&) = delete;

    private:
        HeldInput& input_;
    };

    // Keeps a request to close `window`, to be carried out by deliver() with the rest: for a
    // window that is asked to close while its calculation runs outside the holding (while a
    // message of the calculation is shown, say).
    void holdClose(QWindow* window);

    // Hands every kept event to its window, in the order they came, and forgets them.
    void deliver();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Kept {
        QPointer<QWindow> window;
        // Makes the event to hand over.
        std::function<std::unique_ptr<QEvent>()> event;
        bool plainMove = false;
    };

    Progress& progress_;
    bool holding_ = false;
    // The window, marked to answer while holding, whose input came last (none if the last was
    // held): the owner of a pop-up that gets input.
    QPointer<QWindow> lastAnswered_;
    std::vector<Kept> kept_;
};

}  // namespace nurlo
