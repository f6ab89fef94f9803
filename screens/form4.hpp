// The square's y-section screen: the estimates along the line of the square at abscissa s.
#pragma once

#include "square_section_screen.hpp"

namespace nurlo {

class Form4 final : public SquareSectionScreen {
    Q_OBJECT

public:
    explicit Form4(ScreenContext& context);
};

}  // namespace nurlo
