// The table of boundary values that the walks read.
//
// A BoundaryGrid holds (nx + 1) x (ny + 1) doubles in one contiguous block, indexed (i, j) with
// i = 0..nx the abscissa index and j = 0..ny the ordinate index; node (i, j) stands for the point
// (i * Lx / nx, j * Ly / ny). Every value is 0.0 at creation. Every read and write checks both
// indexes and raises the subscript-out-of-range error off the grid.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

#include "checked.hpp"

namespace nurlo {

// The bytes of physical memory of this machine; a grid larger than that is refused.
std::size_t physicalMemoryBytes();

class BoundaryGrid {
public:
    // A negative count raises the subscript-out-of-range error; a grid that needs more than
    // `memoryLimit` bytes, or that the allocator refuses, raises the out-of-memory error.
    BoundaryGrid(Int16 nx, Int16 ny, std::size_t memoryLimit = physicalMemoryBytes());

    Int16 nx() const noexcept { return nx_; }
    Int16 ny() const noexcept { return ny_; }

    double at(int i, int j) const { return values_[offset(i, j)]; }
    void set(int i, int j, double value) { values_[offset(i, j)] = value; }

    // Both indexes within the grid.
    bool contains(int i, int j) const noexcept { return i >= 0 && i <= nx_ && j >= 0 && j <= ny_; }

private:
    struct Free {
        void operator()(double* p) const noexcept { std::free(p); }
    };

    std::size_t offset(int i, int j) const {
        if (!contains(i, j)) [[unlikely]] {
            raiseSubscript();
        }
        return static_cast<std::size_t>(i) * rowLength_ + static_cast<std::size_t>(j);
    }
    [[noreturn]] static void raiseSubscript();

    Int16 nx_;
    Int16 ny_;
    std::size_t rowLength_;
    std::unique_ptr<double[], Free> values_;
};

}  // namespace nurlo
