// The L-shaped domain's y-section screen: the estimates along the line of the domain at
// abscissa i, from y = 0 to the top side or to the inner corner's segment y = b.
#pragma once

#include "l_section_screen.hpp"

namespace nurlo {

class Form7 final : public LSectionScreen {
    Q_OBJECT

public:
    explicit Form7(ScreenContext& context);
};

}  // namespace nurlo
