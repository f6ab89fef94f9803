#include "form4.hpp"

namespace nurlo {

namespace {
constexpr SquareSectionDesign kDesign = {
    .formNumber = 4,
    .widthTwips = 8835,
    .heightTwips = 6075,
    .axis = SectionAxis::Y,
    .sectionCaption = "Ascissa sezione (nel sistema discretizzato)",
    .controlsShift = 120,
    .noteShift = 360,
};
}  // namespace

Form4::Form4(ScreenContext& context) : SquareSectionScreen(kDesign, context) {}

}  // namespace nurlo
