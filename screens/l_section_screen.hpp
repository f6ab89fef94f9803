// The L-shaped domain's section screens: the estimate at every node of one grid line of the
// domain, written to risultato.m inside a script that also defines the exact solution along the
// line and plots both.
//
// The x-section and y-section screens are mirror images: the same fields, read in the same
// order, and the same calculation with the roles of the axes exchanged. Their own places for the
// controls, the axis of the line and the caption of the section index are all that differ.
#pragma once

#include "computing_screen.hpp"
#include "result_script.hpp"

namespace nurlo {

// A control's place in twips.
struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

// A button, list or note of fixed size: its top left corner in twips.
struct TwipsPoint {
    int left;
    int top;
};

// What sets one L-domain section screen apart from the other.
struct LSectionDesign {
    int formNumber;
    int widthTwips;
    int heightTwips;
    SectionAxis axis;            // X: the line (k, j); Y: the line (i, k)
    const char* sectionCaption;  // the label of the section index Text3
    TwipsRect label1;            // "Dimensioni x"
    TwipsRect text1;
    TwipsRect label9;  // "Dimensioni y"
    TwipsRect text8;
    TwipsRect label2;  // "Dato al bordo"
    TwipsPoint combo1;
    TwipsRect label4;  // the section index
    TwipsRect text3;
    TwipsRect label5;  // "N prove"
    TwipsRect text4;
    TwipsRect label7;  // "N° suddivisioni x"
    TwipsRect text6;
    TwipsRect label8;  // "N° suddivisioni y"
    TwipsRect text7;
    TwipsRect label10;  // "Parametro a (nel sistema discretizzato)"
    TwipsRect text9;
    TwipsRect label11;  // "Parametro b (nel sistema discretizzato)"
    TwipsRect text10;
    TwipsPoint command1;
    TwipsPoint command2;
    TwipsPoint label3;  // the note on risultato.m
};

class LSectionScreen : public ComputingScreen {
    Q_OBJECT

protected:
    LSectionScreen(const LSectionDesign& design, ScreenContext& context);

    void calculate() override;

private:
    QLabel* label(const char* name, const char* caption, const TwipsRect& place);
    QLineEdit* field(const char* name, const QLabel* label, const TwipsRect& place);

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
