#include "form4.hpp"

namespace nurlo {

Form4::Form4(ScreenContext& context) : ComputingScreen(4, 8835, 6075, context) {
    addBackButton(5160, 3600);
}

void Form4::calculate() {}

}  // namespace nurlo
