#include "boundary_grid.hpp"

#include <unistd.h>

namespace nurlo {

std::size_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return static_cast<std::size_t>(-1);
    }
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

BoundaryGrid::BoundaryGrid(Int16 nx, Int16 ny, std::size_t memoryLimit)
    : nx_(nx), ny_(ny), rowLength_(0) {
    if (nx < 0 || ny < 0) {
        raiseSubscript();
    }
    // At most 32768 x 32768 nodes: the count fits a size_t with room to spare.
    rowLength_ = static_cast<std::size_t>(ny) + 1;
    const std::size_t count = (static_cast<std::size_t>(nx) + 1) * rowLength_;
    if (count > memoryLimit / sizeof(double)) {
        throw RuntimeError(ErrorKind::OutOfMemory);
    }
    // calloc hands out zeroed pages without touching them first, so a large grid is cheap to
    // create and only the nodes that get written cost memory.
    values_.reset(static_cast<double*>(std::calloc(count, sizeof(double))));
    if (!values_) {
        throw RuntimeError(ErrorKind::OutOfMemory);
    }
}

void BoundaryGrid::raiseSubscript() { throw RuntimeError(ErrorKind::SubscriptOutOfRange); }

}  // namespace nurlo
