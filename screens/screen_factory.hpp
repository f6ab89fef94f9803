// Creates computing screen 2..7 of the program.
#pragma once

#include <memory>

#include "computing_screen.hpp"

namespace nurlo {

std::unique_ptr<ComputingScreen> createScreen(int formNumber, ScreenContext& context);

}  // namespace nurlo
