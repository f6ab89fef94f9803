#include "form5.hpp"

namespace nurlo {

Form5::Form5(ScreenContext& context) : ComputingScreen(5, 10845, 8610, context) {
    addBackButton(5160, 3600);
}

void Form5::calculate() {}

}  // namespace nurlo
