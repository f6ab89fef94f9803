// The square's point screen: the estimate at one node of the square, shown in "Risultato".
#pragma once

#include "computing_screen.hpp"

namespace nurlo {

class Form2 final : public ComputingScreen {
    Q_OBJECT

public:
    explicit Form2(ScreenContext& context);

protected:
    void calculate(Calculation& click) override;

private:
    QLineEdit* side_;       // Text1 "Dimensioni"
    QLineEdit* startX_;     // Text2
    QLineEdit* startY_;     // Text3
    QLineEdit* walks_;      // Text4 "N prove"
    QLineEdit* result_;     // Text5 "Risultato"
    QLineEdit* divisions_;  // Text6 "N° suddivisioni"
};

}  // namespace nurlo
