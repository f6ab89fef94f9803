// The square's section screens: the estimate at every node of one grid line of the square,
// written to risultato.m one bare number per node.
//
// The x-section screen Form3 and the y-section screen Form4 are one design with the roles of the
// axes exchanged: the axis of the line, the caption of the section index, the window size and how
// far down the controls sit are all that differ, and the two designs below hold just that.
#pragma once

#include "computing_screen.hpp"
#include "section_plan.hpp"

namespace nurlo {

// What sets one square section screen apart from the other.
struct SquareSectionDesign {
    int formNumber;
    int widthTwips;
    int heightTwips;
    SectionAxis axis;            // X: the line (k, s); Y: the line (s, k)
    const char* sectionCaption;  // the label of the section index
    int controlsShift;           // twips every control sits below the x-section screen's place
    int noteShift;               // the same for the note at the bottom
};

inline constexpr SquareSectionDesign kForm3Design = {
    .formNumber = 3,
    .widthTwips = 9015,
    .heightTwips = 5715,
    .axis = SectionAxis::X,
    .sectionCaption = "Ordinata sezione (nel sistema discretizzato)",
    .controlsShift = 0,
    .noteShift = 0,
};

inline constexpr SquareSectionDesign kForm4Design = {
    .formNumber = 4,
    .widthTwips = 8835,
    .heightTwips = 6075,
    .axis = SectionAxis::Y,
    .sectionCaption = "Ascissa sezione (nel sistema discretizzato)",
    .controlsShift = 120,
    .noteShift = 360,
};

class SquareSectionScreen final : public ComputingScreen {
    Q_OBJECT

public:
    SquareSectionScreen(const SquareSectionDesign& design, ScreenContext& context);

protected:
    void calculate(Calculation& click) override;

private:
    SectionAxis axis_;
    QLineEdit* side_;       // Text1 "Dimensioni"
    QLineEdit* section_;    // Text3, the section index s
    QLineEdit* walks_;      // Text4 "N prove"
    QLineEdit* divisions_;  // Text6 "N° suddivisioni"
};

}  // namespace nurlo
