// Nurlo: Monte Carlo estimates of the discrete Dirichlet problem for Laplace's equation on a
// square and on an L-shaped domain. The program starts on the menu and does nothing else.
#include <QApplication>

#include "program.hpp"
#include "program_look.hpp"
#include "result_location.hpp"
#include "screen_factory.hpp"
#include "system_memory.hpp"
#include "walk_pool.hpp"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    nurlo::applyProgramFont(application);

    nurlo::MessageBoxes messages;
    // One worker for every processor the program may run on, shared by every screen.
    nurlo::WalkPool pool(nurlo::WalkPool::defaultThreadCount());
    nurlo::ScreenContext context{messages, nurlo::ClockSeededSource<>::fromClock(),
                                 nurlo::resultScriptPath(), pool, nurlo::gridMemoryLimit};
    nurlo::Program program(context, nurlo::createScreen);
    QObject::connect(&program, &nurlo::Program::exitRequested, &application, &QApplication::quit);
    program.start();
    return QApplication::exec();
}
