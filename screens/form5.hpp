#pragma once

#include "computing_screen.hpp"

namespace nurlo {

class Form5 final : public ComputingScreen {
    Q_OBJECT

public:
    explicit Form5(ScreenContext& context);

protected:
    void calculate() override;
};

}  // namespace nurlo
