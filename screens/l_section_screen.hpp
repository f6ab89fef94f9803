// The L-shaped domain's section screens: the estimate at every node of one grid line of the
// domain, written to risultato.m inside a script that also defines the exact solution along the
// line and plots both.
//
// The x-section screen Form6 and the y-section screen Form7 are mirror images: the same fields,
// read in the same order, and the same calculation with the roles of the axes exchanged. Their
// own places for the controls, the axis of the line and the caption of the section index are all
// that differ, and the two designs below hold just that.
#pragma once

#include "computing_screen.hpp"
#include "section_plan.hpp"

namespace nurlo {

// What sets one L-domain section screen apart from the other. Each field has its label beside it
// (the control names in the comments).
struct LSectionDesign {
    int formNumber;
    int widthTwips;
    int heightTwips;
    SectionAxis axis;            // X: the line (k, j); Y: the line (i, k)
    const char* sectionCaption;  // the label of the section index
    TwipsRect lengthXLabel;      // Label1 "Dimensioni x"
    TwipsRect lengthX;           // Text1
    TwipsRect lengthYLabel;      // Label9 "Dimensioni y"
    TwipsRect lengthY;           // Text8
    TwipsRect datumLabel;        // Label2 "Dato al bordo"
    TwipsPoint datum;            // Combo1
    TwipsRect sectionLabel;      // Label4, the section index
    TwipsRect section;           // Text3
    TwipsRect walksLabel;        // Label5 "N prove"
    TwipsRect walks;             // Text4
    TwipsRect divisionsXLabel;   // Label7 "N° suddivisioni x"
    TwipsRect divisionsX;        // Text6
    TwipsRect divisionsYLabel;   // Label8 "N° suddivisioni y"
    TwipsRect divisionsY;        // Text7
    TwipsRect cornerALabel;      // Label10 "Parametro a (nel sistema discretizzato)"
    TwipsRect cornerA;           // Text9
    TwipsRect cornerBLabel;      // Label11 "Parametro b (nel sistema discretizzato)"
    TwipsRect cornerB;           // Text10
    TwipsPoint calculateButton;  // Command1 "Calcola!"
    TwipsPoint backButton;       // Command2 "Torna al menù"
    TwipsPoint note;             // Label3, the note on risultato.m
};

inline constexpr LSectionDesign kForm6Design = {
    .formNumber = 6,
    .widthTwips = 8370,
    .heightTwips = 6840,
    .axis = SectionAxis::X,
    .sectionCaption = "Ordinata partenza (nel sistema discretizzato)",
    .lengthXLabel = {300, 360, 1095, 375},
    .lengthX = {1920, 360, 2000, 375},
    .lengthYLabel = {300, 960, 1215, 375},
    .lengthY = {1920, 960, 2000, 375},
    .datumLabel = {300, 1560, 1215, 255},
    .datum = {1920, 1560},
    .sectionLabel = {300, 3360, 1575, 495},
    .section = {1920, 3360, 2000, 375},
    .walksLabel = {300, 4080, 1335, 375},
    .walks = {1920, 4080, 2000, 375},
    .divisionsXLabel = {4200, 360, 1215, 495},
    .divisionsX = {5880, 360, 2000, 495},
    .divisionsYLabel = {4200, 1080, 1215, 495},
    .divisionsY = {5880, 1080, 2000, 495},
    .cornerALabel = {4200, 1800, 1575, 495},
    .cornerA = {5880, 1680, 2000, 495},
    .cornerBLabel = {4200, 2520, 1575, 495},
    .cornerB = {5880, 2400, 2000, 495},
    .calculateButton = {1080, 4800},
    .backButton = {5160, 4800},
    .note = {240, 6120},
};

inline constexpr LSectionDesign kForm7Design = {
    .formNumber = 7,
    .widthTwips = 8610,
    .heightTwips = 6765,
    .axis = SectionAxis::Y,
    .sectionCaption = "Ascissa partenza (nel sistema discretizzato)",
    .lengthXLabel = {360, 240, 1095, 375},
    .lengthX = {2040, 240, 2000, 375},
    .lengthYLabel = {360, 840, 1215, 375},
    .lengthY = {2040, 840, 2000, 375},
    .datumLabel = {360, 1440, 1215, 255},
    .datum = {2040, 1440},
    .sectionLabel = {360, 3240, 1575, 495},
    .section = {2040, 3240, 2000, 375},
    .walksLabel = {360, 3960, 1335, 375},
    .walks = {2040, 3960, 2000, 375},
    .divisionsXLabel = {4320, 240, 1215, 495},
    .divisionsX = {6000, 240, 2000, 495},
    .divisionsYLabel = {4320, 960, 1215, 495},
    .divisionsY = {6000, 960, 2000, 495},
    .cornerALabel = {4320, 1680, 1575, 495},
    .cornerA = {6000, 1560, 2000, 495},
    .cornerBLabel = {4320, 2400, 1575, 495},
    .cornerB = {6000, 2280, 2000, 495},
    .calculateButton = {1200, 4680},
    .backButton = {5280, 4680},
    .note = {360, 6000},
};

class LSectionScreen final : public ComputingScreen {
    Q_OBJECT

public:
    LSectionScreen(const LSectionDesign& design, ScreenContext& context);

protected:
    void calculate(Calculation& click) override;

private:
    QLabel* label(const char* name, const char* caption, const TwipsRect& place);

    SectionAxis axis_;
    QLineEdit* lengthX_;     // Text1 "Dimensioni x"
    QLineEdit* lengthY_;     // Text8 "Dimensioni y"
    QLineEdit* section_;     // Text3, the section index (j along x, i along y)
    QLineEdit* walks_;       // Text4 "N prove"
    QLineEdit* divisionsX_;  // Text6 "N° suddivisioni x"
    QLineEdit* divisionsY_;  // Text7 "N° suddivisioni y"
    QLineEdit* cornerA_;     // Text9 "Parametro a (nel sistema discretizzato)"
    QLineEdit* cornerB_;     // Text10 "Parametro b (nel sistema discretizzato)"
};

}  // namespace nurlo
