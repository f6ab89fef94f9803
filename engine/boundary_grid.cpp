#include "boundary_grid.hpp"

#include <new>
#include <stdexcept>

namespace nurlo {

BoundaryGrid::BoundaryGrid(Int16 nx, Int16 ny, std::size_t memoryLimit) : nx_(nx), ny_(ny) {
    if (nx < 0 || ny < 0) {
        raiseSubscript();
    }
    // Two rows of nx + 1 nodes and two columns of ny + 1: at most 131072 doubles, 1 MiB.
    const std::size_t count =
        2 * (static_cast<std::size_t>(nx) + 1) + 2 * (static_cast<std::size_t>(ny) + 1);
    if (count > memoryLimit / sizeof(double)) {
        throw RuntimeError(ErrorKind::OutOfMemory);
    }
    try {
        values_.assign(count, 0.0);
    } catch (const std::bad_alloc&) {
        throw RuntimeError(ErrorKind::OutOfMemory);
    }
}

void BoundaryGrid::set(int i, int j, double value) {
    const std::size_t slot = slotOf(i, j);
    if (slot == kInner) {
        throw std::logic_error("BoundaryGrid::set: the grid keeps no value off its outer lines");
    }
    values_[slot] = value;
}

void BoundaryGrid::raiseSubscript() { throw RuntimeError(ErrorKind::SubscriptOutOfRange); }

}  // namespace nurlo
