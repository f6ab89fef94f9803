// What one calculation computes on: the walk domain, the lengths of its sides and the boundary
// datum. Every step of a click reads it: the fill of the grid, the plan of a section, the walks
// and whoever follows the click; it is a plain value, copied whole.
//
// A section is a grid line of the domain, along the x or the y axis through a fixed index of the
// other.
#pragma once

#include "checked.hpp"
#include "walk.hpp"

namespace nurlo {

// The chosen entry of the "Dato al bordo" list, by its position (boundary_datum.hpp has the
// table of the data).
enum class BoundaryDatum : int {
    Nullo = 0,
    Seno = 1,
    ExpXSiny = 2,
    XY = 3,
    X2MinusY2 = 4,
    X3Minus3XY2 = 5,
};

struct Problem {
    // The square of side `side` divided into n steps.
    static Problem square(Int16 n, double side, BoundaryDatum datum = BoundaryDatum::Nullo) {
        return {.domain = WalkDomain::square(n), .lx = side, .ly = side, .datum = datum};
    }

    WalkDomain domain = WalkDomain::square(0);
    double lx = 0.0;  // the length along x: node (i, j) stands for (i * lx / nx, j * ly / ny)
    double ly = 0.0;  // the length along y (the square: its side, as lx)
    BoundaryDatum datum = BoundaryDatum::Nullo;

    Int16 nx() const noexcept { return domain.nx(); }
    Int16 ny() const noexcept { return domain.ny(); }
};

// The axis a section runs along: X for a line parallel to the x axis (the screens of x-sections),
// Y for a line parallel to the y axis (the screens of y-sections).
enum class SectionAxis { X, Y };

// The node at position k of the section along `axis` through the fixed index `fixed`: (k, fixed)
// along x, (fixed, k) along y.
constexpr Node sectionNode(SectionAxis axis, Int16 fixed, Int16 k) {
    return axis == SectionAxis::X ? Node{k, fixed} : Node{fixed, k};
}

}  // namespace nurlo
