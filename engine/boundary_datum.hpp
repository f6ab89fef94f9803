// The boundary data and the fill of a BoundaryGrid.
//
// kBoundaryData below is the one table of the data: each row is one datum, its entry in the
// "Dato al bordo" list, the families of screens that offer it, how it fills the grid (with its
// function of a node, for the data that give every node a value) and its exact solution along a
// section as the result script writes it. The lists, the fill, the script and the tests all read
// it, so a new datum is one row (and, for a new kind of fill, its code in fillBoundary).
//
// A datum is the position of the chosen entry of the list; the square screens offer the first
// two, the L-domain screens all six. The fill computes every value in double arithmetic, each
// product and quotient in the order written in the rows, and tests each quotient and each value
// for a floating-point fault; the constant 3.14 stands where a reader might expect pi, and
// belongs to the data.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "boundary_grid.hpp"
#include "checked.hpp"
#include "problem.hpp"
#include "progress.hpp"

namespace nurlo {

enum class DomainFamily { Square, LShaped };

// How a datum fills the grid.
enum class FillRule {
    Zero,        // every node 0, and a new grid holds nothing else
    BottomSine,  // sin(((i * Lx) / nx) * 3.14) on the bottom line j = 0, 0 on the other sides
    EveryNode,   // every node the datum's function of its indexes (nodeValue)
};

// (index * length) / count, the coordinate of a node; a zero count raises the floating-point
// error.
inline double nodeCoordinate(Int16 index, double length, Int16 count) {
    return checkedReal((index * length) / count);
}

// A datum's value at node (i, j) of the problem's grid.
using NodeValue = double (*)(Int16 i, Int16 j, const Problem& problem);

struct BoundaryDatumRow {
    BoundaryDatum datum;
    std::string_view listText;  // its entry in "Dato al bordo"
    bool onSquare;              // offered by the square's screens too; the L's offer every datum
    FillRule fill;
    NodeValue nodeValue;  // with FillRule::EveryNode; nullptr otherwise
    // The exact solution along a section, as the script's assignment to z of a vector the size of
    // the running coordinate: along x, x is the row vector and y the scalar, along y the other
    // way round, and every power of the vector is taken element by element. Every datum defines
    // z, because the closing lines plot it: "Nullo" has the exact solution 0, "Seno" no closed
    // form along a line, so its z is NaN and the plot draws nothing for it.
    std::string_view exactAlongX;
    std::string_view exactAlongY;
};

inline constexpr std::array kBoundaryData = {
    BoundaryDatumRow{.datum = BoundaryDatum::Nullo,
                     .listText = "Nullo",
                     .onSquare = true,
                     .fill = FillRule::Zero,
                     .nodeValue = nullptr,
                     .exactAlongX = "z=zeros(size(x));",
                     .exactAlongY = "z=zeros(size(y));"},
    BoundaryDatumRow{.datum = BoundaryDatum::Seno,
                     .listText = "Seno",
                     .onSquare = true,
                     .fill = FillRule::BottomSine,
                     .nodeValue = nullptr,
                     .exactAlongX = "z=NaN(size(x));",
                     .exactAlongY = "z=NaN(size(y));"},
    BoundaryDatumRow{.datum = BoundaryDatum::ExpXSiny,
                     .listText = "ExpXSiny",
                     .onSquare = false,
                     .fill = FillRule::EveryNode,
                     .nodeValue =
                         [](Int16 i, Int16 j, const Problem& s) {
                             const double sine =
                                 checkedReal(std::sin(nodeCoordinate(j, s.ly, s.ny())));
                             const double exponential =
                                 checkedReal(std::exp(nodeCoordinate(i, s.lx, s.nx())));
                             return checkedReal(exponential * sine);
                         },
                     .exactAlongX = "z=exp(x).*sin(y);",
                     .exactAlongY = "z=exp(x).*sin(y);"},
    BoundaryDatumRow{.datum = BoundaryDatum::XY,
                     .listText = "x*y",
                     .onSquare = false,
                     .fill = FillRule::EveryNode,
                     .nodeValue =
                         [](Int16 i, Int16 j, const Problem& s) {
                             // nx * ny is exact in a double, so any grid works.
                             const double area =
                                 static_cast<double>(s.nx()) * static_cast<double>(s.ny());
                             return checkedReal((((i * s.lx) * j) * s.ly) / area);
                         },
                     .exactAlongX = "z=x*y;",
                     .exactAlongY = "z=x*y;"},
    BoundaryDatumRow{.datum = BoundaryDatum::X2MinusY2,
                     .listText = "x^2-y^2",
                     .onSquare = false,
                     .fill = FillRule::EveryNode,
                     .nodeValue =
                         [](Int16 i, Int16 j, const Problem& s) {
                             const double x = nodeCoordinate(i, s.lx, s.nx());
                             const double y = nodeCoordinate(j, s.ly, s.ny());
                             return checkedReal(std::pow(x, 2.0) - std::pow(y, 2.0));
                         },
                     .exactAlongX = "z=x.^2-y^2;",
                     .exactAlongY = "z=x^2-y.^2;"},
    BoundaryDatumRow{.datum = BoundaryDatum::X3Minus3XY2,
                     .listText = "x^3-3xy^2",
                     .onSquare = false,
                     .fill = FillRule::EveryNode,
                     .nodeValue =
                         [](Int16 i, Int16 j, const Problem& s) {
                             const double x = nodeCoordinate(i, s.lx, s.nx());
                             const double y = nodeCoordinate(j, s.ly, s.ny());
                             return checkedReal(std::pow(x, 3.0) - std::pow(y, 2.0) * (x * 3.0));
                         },
                     .exactAlongX = "z=x.^3-3*x*y^2;",
                     .exactAlongY = "z=x^3-3*x*y.^2;"},
};

// The table's promises: row k is datum k, so a datum is its row's position; and the data the
// square offers come first, so the position in either family's list is the datum.
constexpr bool boundaryDataAreInListOrder() {
    bool squareOnes = true;
    for (std::size_t k = 0; k < kBoundaryData.size(); ++k) {
        const BoundaryDatumRow& row = kBoundaryData[k];
        if (static_cast<std::size_t>(row.datum) != k || (row.onSquare && !squareOnes)) {
            return false;
        }
        squareOnes = row.onSquare;
    }
    return true;
}
static_assert(boundaryDataAreInListOrder(),
              "kBoundaryData: rows in datum order, the square's first");

// The row of `datum`; a value that names no datum raises std::out_of_range.
constexpr const BoundaryDatumRow& datumRow(BoundaryDatum datum) {
    const auto position = static_cast<std::size_t>(datum);
    if (position >= kBoundaryData.size()) {
        throw std::out_of_range("no such boundary datum");
    }
    return kBoundaryData[position];
}

// How many entries the "Dato al bordo" list of a family holds.
constexpr int datumCount(DomainFamily family) {
    int count = 0;
    for (const BoundaryDatumRow& row : kBoundaryData) {
        count += family == DomainFamily::LShaped || row.onSquare ? 1 : 0;
    }
    return count;
}

// The datum at position `index` of a family's list; nothing for -1 (no entry chosen) or any
// other position the list does not have.
constexpr std::optional<BoundaryDatum> datumAt(DomainFamily family, int index) {
    if (index < 0 || index >= datumCount(family)) {
        return std::nullopt;
    }
    return kBoundaryData[static_cast<std::size_t>(index)].datum;
}

// Whether `datum` is a harmonic function of the node (ExpXSiny, x*y, x^2-y^2, x^3-3xy^2), which
// gives every node of the grid its value; "Nullo" and "Seno" are not.
constexpr bool isHarmonic(BoundaryDatum datum) {
    return datumRow(datum).fill == FillRule::EveryNode;
}

// The problem's harmonic datum at `node`: the function at the node's point, computed exactly as
// the fill computes it. A value that is not finite (or a zero count) raises the floating-point
// error; a datum that is not harmonic raises std::invalid_argument.
double harmonicDatumAt(const Problem& problem, Node node);

// Fills `grid` for the problem's datum and lengths; the grid must have the problem's counts
// (std::invalid_argument otherwise). A failure (a zero count with a datum that divides, a value
// too large for a double) raises its run-time error and leaves the grid partly filled.
//
// With `progress`, the fill counts nx + 1 units, one per abscissa index i, and looks at a request
// to stop before each, raising Interrupted.
void fillBoundary(BoundaryGrid& grid, const Problem& problem, Progress* progress = nullptr);

}  // namespace nurlo
