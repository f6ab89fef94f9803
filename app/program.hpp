// The program's windows and the moves between them.
//
// The menu is created at start; each computing screen is created the first time the menu opens
// it and kept for the whole run, so a screen shown again finds its fields, selection, result and
// colour as they were left. One window is in view at a time: opening a screen shows it, then
// hides the menu; returning hides the screen, then shows the menu.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

#include "computing_screen.hpp"
#include "form1.hpp"
#include "run_view.hpp"

namespace nurlo {

// Makes computing screen Form<number>: createScreen (screen_factory.hpp), which reads the table of
// screens as the rest of the program does.
using ScreenFactory =
    std::function<std::unique_ptr<ComputingScreen>(int number, ScreenContext& context)>;

class Program : public QObject {
    Q_OBJECT

public:
    Program(ScreenContext& context, ScreenFactory factory);
    ~Program() override;

    // Creates and shows the menu.
    void start();

    Form1* menu() const { return menu_.get(); }
    // Computing screen Form<number>, or nullptr while it has not been opened. A number that is
    // not in the table of screens raises std::out_of_range, here and below.
    ComputingScreen* screen(int number) const;

    void openScreen(int number);
    void returnToMenu(ComputingScreen* screen);
    // Opens the view of screen Form<number>'s runs, or brings it forward; while it is open the
    // screen's clicks report to it.
    void openView(int number);
    // The view of screen Form<number>, or nullptr while it has not been opened.
    RunView* view(int number) const;
    // "Campo intero" of a view: screen `owner`'s whole field, at once or, while a click of any
    // screen runs (the views answer during clicks), once it has ended, as held input would be.
    void requestWholeField(ComputingScreen* owner);

signals:
    // "Esci": the program ends.
    void exitRequested();

private:
    Form1& ensureMenu();
    bool anyCalculating() const;
    // After a click has ended: the whole field asked for meanwhile, if any.
    void runPendingField();

    ScreenContext& context_;
    ScreenFactory factory_;
    std::unique_ptr<Form1> menu_;
    // By screen number.
    std::map<int, std::unique_ptr<ComputingScreen>> screens_;
    // Destroyed before the screens that report to them.
    std::map<int, std::unique_ptr<RunView>> views_;
    // The screen whose whole field was asked for during a click, if any.
    QPointer<ComputingScreen> pendingField_;
};

}  // namespace nurlo
