#include "screen_factory.hpp"

#include <stdexcept>

#include "form2.hpp"
#include "form5.hpp"
#include "l_section_screen.hpp"
#include "square_section_screen.hpp"

namespace nurlo {

std::unique_ptr<ComputingScreen> createScreen(int formNumber, ScreenContext& context) {
    switch (formNumber) {
        case 2:
            return std::make_unique<Form2>(context);
        case 3:
            return std::make_unique<SquareSectionScreen>(kForm3Design, context);
        case 4:
            return std::make_unique<SquareSectionScreen>(kForm4Design, context);
        case 5:
            return std::make_unique<Form5>(context);
        case 6:
            return std::make_unique<LSectionScreen>(kForm6Design, context);
        case 7:
            return std::make_unique<LSectionScreen>(kForm7Design, context);
        default:
            throw std::out_of_range("no computing screen with that number");
    }
}

}  // namespace nurlo
