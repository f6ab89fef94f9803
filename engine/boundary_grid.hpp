// The boundary values that the walks read.
//
// A BoundaryGrid gives a double to every node (i, j) of the table i = 0..nx, j = 0..ny, with i the
// abscissa index and j the ordinate index; node (i, j) stands for the point (i * Lx / nx,
// j * Ly / ny). Every read and write checks both indexes and raises the subscript-out-of-range
// error off the grid.
//
// A walk reads the table only where it stops: on the four outer lines i = 0, i = nx, j = 0 and
// j = ny, or, on the L-shaped domain, on the two segments of its inner corner. So the grid keeps
// the values of the outer lines alone, 2 (nx + ny + 2) doubles, and every other node, the inner
// corner's segments among them, takes its value from a rule of the node's indexes: 0.0 on a new
// grid, and the datum's own function once the fill has set it (the boundary data that reach
// inside the outer lines are functions of the node alone, and that node's value is computed
// afresh, with the same arithmetic, each time it is read). So a grid of any size costs at most
// 1 MiB, and the values at the inner corner do not depend on where that corner is.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "checked.hpp"

namespace nurlo {

class BoundaryGrid {
public:
    // The value of a node off the outer lines, from its indexes.
    using InnerRule = std::function<double(Int16 i, Int16 j)>;

    // A negative count raises the subscript-out-of-range error; a grid whose values need more
    // than `memoryLimit` bytes (the memory its creator may give it: the program hands in what the
    // system has available), or that the allocator refuses, raises the out-of-memory error.
    BoundaryGrid(Int16 nx, Int16 ny, std::size_t memoryLimit);

    Int16 nx() const noexcept { return nx_; }
    Int16 ny() const noexcept { return ny_; }

    double at(int i, int j) const {
        const std::size_t slot = slotOf(i, j);
        if (slot != kInner) {
            return values_[slot];
        }
        return inner_ ? inner_(static_cast<Int16>(i), static_cast<Int16>(j)) : 0.0;
    }

    // Writes a node of the outer lines. A node off them keeps no value of its own, so writing one
    // is a fault of the caller (std::logic_error); its value is the inner rule's.
    void set(int i, int j, double value);

    // From now on every node off the outer lines reads `rule(i, j)`.
    void setInnerRule(InnerRule rule) { inner_ = std::move(rule); }

    // Both indexes within the grid.
    bool contains(int i, int j) const noexcept { return i >= 0 && i <= nx_ && j >= 0 && j <= ny_; }

private:
    static constexpr std::size_t kInner = static_cast<std::size_t>(-1);

    // Where node (i, j) keeps its value: the bottom row, then the top row, then the left and
    // right columns, each line from its low end; a corner is kept once, in its row. kInner for a
    // node off the outer lines.
    std::size_t slotOf(int i, int j) const {
        if (!contains(i, j)) [[unlikely]] {
            raiseSubscript();
        }
        const auto row = static_cast<std::size_t>(nx_) + 1;
        const auto column = static_cast<std::size_t>(ny_) + 1;
        if (j == 0) {
            return static_cast<std::size_t>(i);
        }
        if (j == ny_) {
            return row + static_cast<std::size_t>(i);
        }
        if (i == 0) {
            return 2 * row + static_cast<std::size_t>(j);
        }
        if (i == nx_) {
            return 2 * row + column + static_cast<std::size_t>(j);
        }
        return kInner;
    }
    [[noreturn]] static void raiseSubscript();

    Int16 nx_;
    Int16 ny_;
    std::vector<double> values_;
    InnerRule inner_;
};

}  // namespace nurlo
