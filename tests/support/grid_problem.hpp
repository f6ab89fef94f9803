// The problem a test fills a grid for: the whole rectangle of the grid's counts (the fill reads no
// corner), with the datum and lengths given.
#pragma once

#include "boundary_grid.hpp"
#include "problem.hpp"

namespace nurlo {

inline Problem gridProblem(const BoundaryGrid& grid, BoundaryDatum datum, double lx, double ly) {
    return {.domain = WalkDomain::lShaped(grid.nx(), grid.ny(), grid.nx(), grid.ny()),
            .lx = lx,
            .ly = ly,
            .datum = datum};
}

}  // namespace nurlo
