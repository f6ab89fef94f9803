#include "form7.hpp"

namespace nurlo {

namespace {
constexpr LSectionDesign kDesign = {
    .formNumber = 7,
    .widthTwips = 8610,
    .heightTwips = 6765,
    .axis = SectionAxis::Y,
    .sectionCaption = "Ascissa partenza (nel sistema discretizzato)",
    .label1 = {360, 240, 1095, 375},
    .text1 = {2040, 240, 2000, 375},
    .label9 = {360, 840, 1215, 375},
    .text8 = {2040, 840, 2000, 375},
    .label2 = {360, 1440, 1215, 255},
    .combo1 = {2040, 1440},
    .label4 = {360, 3240, 1575, 495},
    .text3 = {2040, 3240, 2000, 375},
    .label5 = {360, 3960, 1335, 375},
    .text4 = {2040, 3960, 2000, 375},
    .label7 = {4320, 240, 1215, 495},
    .text6 = {6000, 240, 2000, 495},
    .label8 = {4320, 960, 1215, 495},
    .text7 = {6000, 960, 2000, 495},
    .label10 = {4320, 1680, 1575, 495},
    .text9 = {6000, 1560, 2000, 495},
    .label11 = {4320, 2400, 1575, 495},
    .text10 = {6000, 2280, 2000, 495},
    .command1 = {1200, 4680},
    .command2 = {5280, 4680},
    .label3 = {360, 6000},
};
}  // namespace

Form7::Form7(ScreenContext& context) : LSectionScreen(kDesign, context) {}

}  // namespace nurlo
