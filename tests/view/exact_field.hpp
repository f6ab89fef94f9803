// A click's plan in one line, and a filled grid's exact discrete solution from the tests' own
// relaxation solver (not the engine's).
#pragma once

#include <memory>

#include "boundary_grid.hpp"
#include "harmonic.hpp"
#include "run_data.hpp"
#include "walk.hpp"

namespace nurlo::test {

inline RunPlan planOf(WalkDomain domain, BoundaryDatum datum, double lx, double ly, Int16 walks,
                      std::vector<Node> nodes, WalkKind walk = WalkKind::Lattice,
                      std::optional<SectionAxis> axis = {}) {
    return {domain, datum, lx, ly, walks, walk, std::move(nodes), axis};
}

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
