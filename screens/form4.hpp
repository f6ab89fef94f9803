#pragma once

#include "computing_screen.hpp"

namespace nurlo {

class Form4 final : public ComputingScreen {
    Q_OBJECT

public:
    explicit Form4(ScreenContext& context);

protected:
    void calculate() override;
};

}  // namespace nurlo
