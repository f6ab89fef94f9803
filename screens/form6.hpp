#pragma once

#include "computing_screen.hpp"

namespace nurlo {

class Form6 final : public ComputingScreen {
    Q_OBJECT

public:
    explicit Form6(ScreenContext& context);

protected:
    void calculate() override;
};

}  // namespace nurlo
