#include "form3.hpp"

namespace nurlo {

namespace {
constexpr SquareSectionDesign kDesign = {
    .formNumber = 3,
    .widthTwips = 9015,
    .heightTwips = 5715,
    .axis = SectionAxis::X,
    .sectionCaption = "Ordinata sezione (nel sistema discretizzato)",
    .controlsShift = 0,
    .noteShift = 0,
};
}  // namespace

Form3::Form3(ScreenContext& context) : SquareSectionScreen(kDesign, context) {}

}  // namespace nurlo
