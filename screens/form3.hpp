// The square's x-section screen: the estimates along the line of the square at ordinate s.
#pragma once

#include "square_section_screen.hpp"

namespace nurlo {

class Form3 final : public SquareSectionScreen {
    Q_OBJECT

public:
    explicit Form3(ScreenContext& context);
};

}  // namespace nurlo
