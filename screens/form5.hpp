// The L-shaped domain's point screen: the estimate at one node of the rectangle less the block
// beyond the inner corner (a, b), shown in "Risultato".
#pragma once

#include "computing_screen.hpp"

namespace nurlo {

class Form5 final : public ComputingScreen {
    Q_OBJECT

public:
    explicit Form5(ScreenContext& context);

protected:
    void calculate(Calculation& click) override;

private:
    QLineEdit* lengthX_;     // Text1 "Dimensioni x"
    QLineEdit* startX_;      // Text2
    QLineEdit* startY_;      // Text3
    QLineEdit* walks_;       // Text4 "N prove"
    QLineEdit* result_;      // Text5 "Risultato"
    QLineEdit* divisionsX_;  // Text6 "N° suddivisioni x"
    QLineEdit* divisionsY_;  // Text7 "N° suddivisioni y"
    QLineEdit* lengthY_;     // Text8 "Dimensioni y"
    QLineEdit* cornerA_;     // Text9, abscissa index of the inner corner
    QLineEdit* cornerB_;     // Text10, ordinate index of the inner corner
};

}  // namespace nurlo
