#include "form6.hpp"

namespace nurlo {

Form6::Form6(ScreenContext& context) : ComputingScreen(6, 8370, 6840, context) {
    addBackButton(5160, 3600);
}

void Form6::calculate() {}

}  // namespace nurlo
