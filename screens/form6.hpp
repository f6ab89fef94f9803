// The L-shaped domain's x-section screen: the estimates along the line of the domain at
// ordinate j, from x = 0 to the right side or to the inner corner's segment x = a.
#pragma once

#include "l_section_screen.hpp"

namespace nurlo {

class Form6 final : public LSectionScreen {
    Q_OBJECT

public:
    explicit Form6(ScreenContext& context);
};

}  // namespace nurlo
