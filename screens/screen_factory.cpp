#include "screen_factory.hpp"

#include <stdexcept>

#include "form2.hpp"
#include "form3.hpp"
#include "form4.hpp"
#include "form5.hpp"
#include "form6.hpp"
#include "form7.hpp"

namespace nurlo {

std::unique_ptr<ComputingScreen> createScreen(int formNumber, ScreenContext& context) {
    switch (formNumber) {
        case 2:
            return std::make_unique<Form2>(context);
        case 3:
            return std::make_unique<Form3>(context);
        case 4:
            return std::make_unique<Form4>(context);
        case 5:
            return std::make_unique<Form5>(context);
        case 6:
            return std::make_unique<Form6>(context);
        case 7:
            return std::make_unique<Form7>(context);
        default:
            throw std::out_of_range("no computing screen with that number");
    }
}

}  // namespace nurlo
