// One row of the table of computing screens (screens/screen_factory.hpp holds the table): what
// the program needs to know of a screen to create it, open it from the menu and follow it with a
// view.
#pragma once

#include <memory>
#include <optional>

#include "boundary_datum.hpp"
#include "problem.hpp"

namespace nurlo {

class ComputingScreen;
struct ScreenContext;

struct ScreenRow {
    int number;         // Form<number>
    const char* title;  // its window's title, the screen's name
    DomainFamily domain;
    // The axis of its line on a section screen, which writes risultato.m; none on a point screen.
    std::optional<SectionAxis> section;
    // The menu's button that opens it; the menu places it in the domain's row, in the column of
    // the point or of the section's axis.
    const char* menuButton;
    std::unique_ptr<ComputingScreen> (*create)(ScreenContext& context);

    bool isPoint() const { return !section.has_value(); }
};

}  // namespace nurlo
