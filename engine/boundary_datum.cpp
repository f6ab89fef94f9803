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

// The harmonic data give every node a value, row of nodes i by row, each node computed and
// written before the next.
template <class Value>
void fillEveryNode(BoundaryGrid& grid, Progress* progress, Value value) {
    for (const Int16 i : Int16Range(0, grid.nx())) {
        nextIndex(progress);
        for (const Int16 j : Int16Range(0, grid.ny())) {
            grid.set(i, j, value(i, j));
        }
    }
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
            fillEveryNode(grid, progress, [&](Int16 i, Int16 j) {
                return harmonicDatumAt(datum, i, j, nx, ny, lx, ly);
            });
            return;
    }
}

}  // namespace nurlo
