#include "form3.hpp"

namespace nurlo {

Form3::Form3(ScreenContext& context) : ComputingScreen(3, 9015, 5715, context) {
    addBackButton(5160, 3600);
}

void Form3::calculate() {}

}  // namespace nurlo
