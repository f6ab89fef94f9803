#include "form7.hpp"

namespace nurlo {

Form7::Form7(ScreenContext& context) : ComputingScreen(7, 8610, 6765, context) {
    addBackButton(5160, 3600);
}

void Form7::calculate() {}

}  // namespace nurlo
