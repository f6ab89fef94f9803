// The boundary data and the fill of a BoundaryGrid.
//
// A datum is the position of the chosen entry of the "Dato al bordo" list. The square screens
// offer the first two; the L-domain screens all six. The fill computes every value in double
// arithmetic, each product and quotient in the order written in boundary_datum.cpp, and tests
// each quotient and each value for a floating-point fault; the constant 3.14 stands where a
// reader might expect pi, and belongs to the data.
#pragma once

#include <array>
#include <string_view>

#include "boundary_grid.hpp"
#include "progress.hpp"

namespace nurlo {

enum class BoundaryDatum : int {
    Nullo = 0,
    Seno = 1,
    ExpXSiny = 2,
    XY = 3,
    X2MinusY2 = 4,
    X3Minus3XY2 = 5,
};

enum class DomainFamily { Square, LShaped };

// The list texts, by position.
inline constexpr std::array<std::string_view, 6> kDatumTexts = {
    "Nullo", "Seno", "ExpXSiny", "x*y", "x^2-y^2", "x^3-3xy^2",
};

// How many entries the "Dato al bordo" list of a family holds.
constexpr int datumCount(DomainFamily family) { return family == DomainFamily::Square ? 2 : 6; }

// Whether `datum` is one of the four harmonic functions (ExpXSiny, x*y, x^2-y^2, x^3-3xy^2),
// which give every node of the grid its value; "Nullo" and "Seno" are not.
constexpr bool isHarmonic(BoundaryDatum datum) {
    return datum != BoundaryDatum::Nullo && datum != BoundaryDatum::Seno;
}

// A harmonic datum's value at node (i, j) of a grid of nx x ny steps over the lengths lx x ly:
// the function at the node's point, computed exactly as the fill computes it. A value that is not
// finite (or a zero count) raises the floating-point error; a datum that is not harmonic raises
// std::invalid_argument.
double harmonicDatumAt(BoundaryDatum datum, Int16 i, Int16 j, Int16 nx, Int16 ny, double lx,
                       double ly);

// Fills `grid` for `datum`, with lengths lx along x and ly along y (the square passes its side
// twice). A failure (a zero count with a datum that divides, a value too large for a double)
// raises its run-time error and leaves the grid partly filled.
//
// With `progress`, the fill counts nx + 1 units, one per abscissa index i, and looks at a request
// to stop before each, raising Interrupted.
void fillBoundary(BoundaryGrid& grid, BoundaryDatum datum, double lx, double ly,
                  Progress* progress = nullptr);

}  // namespace nurlo
