#pragma once

#include "computing_screen.hpp"

namespace nurlo {

class Form7 final : public ComputingScreen {
    Q_OBJECT

public:
    explicit Form7(ScreenContext& context);

protected:
    void calculate() override;
};

}  // namespace nurlo
