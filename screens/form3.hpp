#pragma once

#include "computing_screen.hpp"

namespace nurlo {

class Form3 final : public ComputingScreen {
    Q_OBJECT

public:
    explicit Form3(ScreenContext& context);

protected:
    void calculate() override;
};

}  // namespace nurlo
