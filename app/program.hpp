// The program's windows and the moves between them.
//
// The menu is created at start; each computing screen is created the first time the menu opens
// it and kept for the whole run, so a screen shown again finds its fields, selection, result and
// colour as they were left. One window is in view at a time: opening a screen shows it, then
// hides the menu; returning hides the screen, then shows the menu.
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <memory>

#include "computing_screen.hpp"
#include "form1.hpp"
#include "run_view.hpp"

namespace nurlo {

using ScreenFactory =
    std::function<std::unique_ptr<ComputingScreen>(int formNumber, ScreenContext& context)>;

class Program : public QObject {
    Q_OBJECT

public:
    Program(ScreenContext& context, ScreenFactory factory);
    ~Program() override;

    // Creates and shows the menu.
    void start();

    Form1* menu() const { return menu_.get(); }
    // Computing screen 2..7, or nullptr while it has not been opened.
    ComputingScreen* screen(int formNumber) const;

    void openScreen(int formNumber);
    void returnToMenu(ComputingScreen* screen);
    // Opens the view of screen `formNumber`'s runs, or brings it forward; while it is open the
    // screen's clicks report to it.
    void openView(int formNumber);
    // The view of screen 2..7, or nullptr while it has not been opened.
    RunView* view(int formNumber) const;

signals:
    // "Esci": the program ends.
    void exitRequested();

private:
    Form1& ensureMenu();

    ScreenContext& context_;
    ScreenFactory factory_;
    std::unique_ptr<Form1> menu_;
    std::array<std::unique_ptr<ComputingScreen>, 6> screens_;
    // Destroyed before the screens that report to them.
    std::array<std::unique_ptr<RunView>, 6> views_;
};

}  // namespace nurlo
