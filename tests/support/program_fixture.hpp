// A started program with one computing screen opened from its menu, as a person opens it.
#pragma once

#include "program.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"

namespace nurlo::test {

struct OpenedScreen {
    // `menuButton` is the menu's button that opens Form`form`.
    OpenedScreen(ScreenContext& context, const char* menuButton, int form)
        : program(context, createScreen) {
        program.start();
        press(*program.menu(), menuButton);
        screen = program.screen(form);
    }

    Program program;
    ComputingScreen* screen = nullptr;
};

}  // namespace nurlo::test
