#include "form6.hpp"

namespace nurlo {

namespace {
constexpr LSectionDesign kDesign = {
    .formNumber = 6,
    .widthTwips = 8370,
    .heightTwips = 6840,
    .axis = SectionAxis::X,
    .sectionCaption = "Ordinata partenza (nel sistema discretizzato)",
    .label1 = {300, 360, 1095, 375},
    .text1 = {1920, 360, 2000, 375},
    .label9 = {300, 960, 1215, 375},
    .text8 = {1920, 960, 2000, 375},
    .label2 = {300, 1560, 1215, 255},
    .combo1 = {1920, 1560},
    .label4 = {300, 3360, 1575, 495},
    .text3 = {1920, 3360, 2000, 375},
    .label5 = {300, 4080, 1335, 375},
    .text4 = {1920, 4080, 2000, 375},
    .label7 = {4200, 360, 1215, 495},
    .text6 = {5880, 360, 2000, 495},
    .label8 = {4200, 1080, 1215, 495},
    .text7 = {5880, 1080, 2000, 495},
    .label10 = {4200, 1800, 1575, 495},
    .text9 = {5880, 1680, 2000, 495},
    .label11 = {4200, 2520, 1575, 495},
    .text10 = {5880, 2400, 2000, 495},
    .command1 = {1080, 4800},
    .command2 = {5160, 4800},
    .label3 = {240, 6120},
};
}  // namespace

Form6::Form6(ScreenContext& context) : LSectionScreen(kDesign, context) {}

}  // namespace nurlo
