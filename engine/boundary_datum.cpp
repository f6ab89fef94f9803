#include "boundary_datum.hpp"

#include <cmath>
#include <stdexcept>

namespace nurlo {
namespace {

// Counts one abscissa index of a fill done, after a look at a request to stop.
void nextIndex(Progress* progress) {
    if (progress != nullptr) {
        progress->throwIfStopRequested();
        progress->advance(1);
    }
}

// (index * length) / count, the coordinate of a node.
double coordinate(Int16 index, double length, Int16 count) {
    return checkedReal((index * length) / count);
}

// "Seno": sin(((i * Lx) / nx) * 3.14) along the bottom row, 0 on the other three sides. The side
// columns are written after the rows, so both bottom corners end as 0.
void fillSine(BoundaryGrid& grid, double lx, Progress* progress) {
    const Int16 nx = grid.nx();
    const Int16 ny = grid.ny();
    for (const Int16 i : Int16Range(0, nx)) {
        nextIndex(progress);
        const double value = checkedReal(std::sin(checkedReal(coordinate(i, lx, nx) * 3.14)));
        grid.set(i, 0, value);
        grid.set(i, ny, 0.0);
    }
    for (const Int16 j : Int16Range(0, ny)) {
        grid.set(0, j, 0.0);
        grid.set(nx, j, 0.0);
    }
}

// The harmonic data give every node the value of a function of its indexes. The grid keeps the
// values of its outer lines, computed here abscissa index by abscissa index, each node before the
// next (every node of the first and last columns, the two ends of the others); every other node
// is given the same function, computed when it is read.
//
// That raises exactly when computing every node would, with the same error. A value fails only
// when one of its parts does, and each part is formed as large or larger on the outer lines in
// the node's own column or row: a coordinate, and the exponential or a power of one coordinate,
// are formed alike at (i, 0) and at (0, j), where the other coordinate is 0; the products grow in
// magnitude with |j| up to (i, ny); and neither a sine nor the difference of the two terms of
// "x^2-y^2" or of "x^3-3xy^2" (finite terms of the same sign) can overflow.
template <class Value>
void fillEveryNode(BoundaryGrid& grid, Progress* progress, Value value) {
    const Int16 nx = grid.nx();
    const Int16 ny = grid.ny();
    for (const Int16 i : Int16Range(0, nx)) {
        nextIndex(progress);
        if (i == 0 || i == nx) {
            for (const Int16 j : Int16Range(0, ny)) {
                grid.set(i, j, value(i, j));
            }
        } else {
            grid.set(i, 0, value(i, Int16{0}));
            grid.set(i, ny, value(i, ny));
        }
    }
    grid.setInnerRule(value);
}

}  // namespace

double harmonicDatumAt(BoundaryDatum datum, Int16 i, Int16 j, Int16 nx, Int16 ny, double lx,
                       double ly) {
    switch (datum) {
        case BoundaryDatum::ExpXSiny: {
            const double sine = checkedReal(std::sin(coordinate(j, ly, ny)));
            const double exponential = checkedReal(std::exp(coordinate(i, lx, nx)));
            return checkedReal(exponential * sine);
        }
        case BoundaryDatum::XY: {
            // nx * ny is exact in a double, so any grid that fits in memory works.
            const double area = static_cast<double>(nx) * static_cast<double>(ny);
            return checkedReal((((i * lx) * j) * ly) / area);
        }
        case BoundaryDatum::X2MinusY2: {
            const double x = coordinate(i, lx, nx);
            const double y = coordinate(j, ly, ny);
            return checkedReal(std::pow(x, 2.0) - std::pow(y, 2.0));
        }
        case BoundaryDatum::X3Minus3XY2: {
            const double x = coordinate(i, lx, nx);
            const double y = coordinate(j, ly, ny);
            return checkedReal(std::pow(x, 3.0) - std::pow(y, 2.0) * (x * 3.0));
        }
        case BoundaryDatum::Nullo:
        case BoundaryDatum::Seno:
            break;
    }
    throw std::invalid_argument("harmonicDatumAt: the datum is not a harmonic function");
}

void fillBoundary(BoundaryGrid& grid, BoundaryDatum datum, double lx, double ly,
                  Progress* progress) {
    const Int16 nx = grid.nx();
    const Int16 ny = grid.ny();
    switch (datum) {
        case BoundaryDatum::Nullo:
            // Every node is 0, and a new grid holds nothing else.
            if (progress != nullptr) {
                progress->advance(nx + 1);
            }
            return;
        case BoundaryDatum::Seno:
            fillSine(grid, lx, progress);
            return;
        case BoundaryDatum::ExpXSiny:
        case BoundaryDatum::XY:
        case BoundaryDatum::X2MinusY2:
        case BoundaryDatum::X3Minus3XY2:
            fillEveryNode(grid, progress, [=](Int16 i, Int16 j) {
                return harmonicDatumAt(datum, i, j, nx, ny, lx, ly);
            });
            return;
    }
}

}  // namespace nurlo
