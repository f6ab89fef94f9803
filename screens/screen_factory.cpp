#include "screen_factory.hpp"

#include <array>
#include <stdexcept>

#include "form2.hpp"
#include "form5.hpp"
#include "l_section_screen.hpp"
#include "square_section_screen.hpp"

namespace nurlo {

namespace {

template <class Screen>
std::unique_ptr<ComputingScreen> make(ScreenContext& context) {
    return std::make_unique<Screen>(context);
}

template <class Screen, const auto& kDesign>
std::unique_ptr<ComputingScreen> make(ScreenContext& context) {
    return std::make_unique<Screen>(kDesign, context);
}

constexpr auto kSquare = DomainFamily::Square;
constexpr auto kL = DomainFamily::LShaped;
constexpr std::optional<SectionAxis> kPoint;

const std::array<ScreenRow, 6> kScreens = {{
    {2, "Form2", kSquare, kPoint, "Command1", make<Form2>},
    {3, "Form3", kSquare, SectionAxis::X, "Command3", make<SquareSectionScreen, kForm3Design>},
    {4, "Form4", kSquare, SectionAxis::Y, "Command6", make<SquareSectionScreen, kForm4Design>},
    {5, "Form5", kL, kPoint, "Command4", make<Form5>},
    {6, "Form6", kL, SectionAxis::X, "Command5", make<LSectionScreen, kForm6Design>},
    {7, "Form7", kL, SectionAxis::Y, "Command7", make<LSectionScreen, kForm7Design>},
}};

}  // namespace

std::span<const ScreenRow> screenTable() { return kScreens; }

const ScreenRow& screenRow(int number) {
    for (const ScreenRow& row : kScreens) {
        if (row.number == number) {
            return row;
        }
    }
    throw std::out_of_range("no computing screen with that number");
}

std::unique_ptr<ComputingScreen> createScreen(int number, ScreenContext& context) {
    const ScreenRow& row = screenRow(number);
    std::unique_ptr<ComputingScreen> screen = row.create(context);
    screen->setWindowTitle(QString::fromUtf8(row.title));
    return screen;
}

}  // namespace nurlo
