// The square's section screens: the estimate at every node of one grid line of the square,
// written to risultato.m one bare number per node.
//
// The x-section and y-section screens are one design with the roles of the axes exchanged: the
// axis of the line, the caption of the section index, the window size and how far down the
// controls sit are all that differ.
#pragma once

#include "computing_screen.hpp"
#include "result_script.hpp"

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

class SquareSectionScreen : public ComputingScreen {
    Q_OBJECT

protected:
    SquareSectionScreen(const SquareSectionDesign& design, ScreenContext& context);

    void calculate() override;

private:
    SectionAxis axis_;
    QLineEdit* side_;       // Text1 "Dimensioni"
    QLineEdit* section_;    // Text3, the section index s
    QLineEdit* walks_;      // Text4 "N prove"
    QLineEdit* divisions_;  // Text6 "N° suddivisioni"
};

}  // namespace nurlo
