// The exact discrete solution of a filled grid as the view holds it, computed by the tests' own
// relaxation solver, so that the view's tests do not lean on the engine's solve.
#pragma once

#include <memory>

#include "boundary_grid.hpp"
#include "harmonic.hpp"
#include "run_data.hpp"
#include "walk.hpp"

namespace nurlo::test {

inline std::shared_ptr<ExactField> exactOf(const BoundaryGrid& grid, const WalkDomain& domain) {
    const HarmonicSolution solution(
        grid.nx(), grid.ny(),
        [&](int i, int j) {
            return domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)});
        },
        [&](int i, int j) { return grid.at(i, j); });
    auto field = std::make_shared<ExactField>();
    field->nx = grid.nx();
    field->ny = grid.ny();
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            field->values.push_back(solution.at(i, j));
        }
    }
    return field;
}

}  // namespace nurlo::test
