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

// "Seno": sin(((i * Lx) / nx) * 3.14) along the bottom row, 0 on the other three sides. The side
// columns are written after the rows, so both bottom corners end as 0.
void fillSine(BoundaryGrid& grid, double lx, Progress* progress) {
    const Int16 nx = grid.nx();
    const Int16 ny = grid.ny();
    for (const Int16 i : Int16Range(0, nx)) {
        nextIndex(progress);
        const double value = checkedReal(std::sin(checkedReal(nodeCoordinate(i, lx, nx) * 3.14)));
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

double harmonicDatumAt(const Problem& problem, Node node) {
    const BoundaryDatumRow& row = datumRow(problem.datum);
    if (row.fill != FillRule::EveryNode) {
        throw std::invalid_argument("harmonicDatumAt: the datum is not a harmonic function");
    }
    return row.nodeValue(node.x, node.y, problem);
}

void fillBoundary(BoundaryGrid& grid, const Problem& problem, Progress* progress) {
    if (grid.nx() != problem.nx() || grid.ny() != problem.ny()) {
        throw std::invalid_argument("fillBoundary: grid and problem differ in size");
    }
    const BoundaryDatumRow& row = datumRow(problem.datum);
    switch (row.fill) {
        case FillRule::Zero:
            // Every node is 0, and a new grid holds nothing else.
            if (progress != nullptr) {
                progress->advance(grid.nx() + 1);
            }
            return;
        case FillRule::BottomSine:
            fillSine(grid, problem.lx, progress);
            return;
        case FillRule::EveryNode:
            fillEveryNode(grid, progress, [problem, value = row.nodeValue](Int16 i, Int16 j) {
                return value(i, j, problem);
            });
            return;
    }
}

}  // namespace nurlo
