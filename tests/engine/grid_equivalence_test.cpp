// The grid keeps its outer lines and computes the rest when read; it must fail as the full table it
// replaced did, or agree with it on every node to the bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "boundary_datum.hpp"
#include "grid_memory.hpp"
#include "grid_problem.hpp"
#include "walk_estimator.hpp"

namespace nurlo {
namespace {

// The old fill of the full table, node by node with i outermost. "Seno" wrote its top row after
// the bottom one and its side columns last, so only the bottom row's inner nodes keep a sine.
std::vector<double> fullTable(BoundaryDatum datum, int nx, int ny, double lx, double ly) {
    const auto x = [&](int i) { return checkedReal((i * lx) / nx); };
    const auto y = [&](int j) { return checkedReal((j * ly) / ny); };
    std::vector<double> table;
    for (int i = 0; i <= nx; ++i) {
        for (int j = 0; j <= ny; ++j) {
            double value = 0.0;
            if (datum == BoundaryDatum::Seno && j == 0) {
                value = checkedReal(std::sin(checkedReal(x(i) * 3.14)));
                value = i == 0 || i == nx || j == ny ? 0.0 : value;
            } else if (datum == BoundaryDatum::ExpXSiny) {
                value = checkedReal(checkedReal(std::exp(x(i))) * checkedReal(std::sin(y(j))));
            } else if (datum == BoundaryDatum::XY) {
                value = checkedReal((((i * lx) * j) * ly) / (double(nx) * double(ny)));
            } else if (datum == BoundaryDatum::X2MinusY2) {
                value = checkedReal(std::pow(x(i), 2.0) - std::pow(y(j), 2.0));
            } else if (datum == BoundaryDatum::X3Minus3XY2) {
                value = checkedReal(std::pow(x(i), 3.0) - std::pow(y(j), 2.0) * (x(i) * 3.0));
            }
            table.push_back(value);
        }
    }
    return table;
}

::testing::AssertionResult sameFill(BoundaryDatum datum, Int16 nx, Int16 ny, double lx, double ly) {
    std::vector<double> table;
    std::optional<ErrorKind> expected;
    try {
        table = fullTable(datum, nx, ny, lx, ly);
    } catch (const RuntimeError& error) {
        expected = error.kind();
    }
    BoundaryGrid grid(nx, ny, kTestGridMemory);
    try {
        fillBoundary(grid, gridProblem(grid, datum, lx, ly));
    } catch (const RuntimeError& error) {
        return ::testing::AssertionResult(error.kind() == expected) << "raised " << error.what();
    }
    for (std::size_t k = 0; k < table.size(); ++k) {
        const int i = static_cast<int>(k) / (ny + 1), j = static_cast<int>(k) % (ny + 1);
        if (std::bit_cast<std::uint64_t>(grid.at(i, j)) != std::bit_cast<std::uint64_t>(table[k])) {
            return ::testing::AssertionFailure()
                   << "(" << i << ", " << j << "): " << grid.at(i, j) << ", not " << table[k];
        }
    }
    return ::testing::AssertionResult(!expected) << "raised nothing";
}

// Lengths of both signs from 1/8 to 8 times where exp, the cube, the square and the products leave
// the doubles, paired both ways with partners; then the loops that end at the largest count.
TEST(GridAgainstFullTable, SameErrorOrSameBitsOverASweepOfLengths) {
    std::vector<double> lengths = {0.0, 1e-300, 1.0, 3.14, 1e300, DBL_MAX};
    for (const double threshold : {709.8, 5.6e102, 1.3e154, 3e307}) {
        for (int quarter = -12; quarter <= 12; ++quarter) {
            lengths.push_back(std::min(threshold * std::exp2(quarter / 4.0), DBL_MAX));
        }
    }
    const auto sweep = [](std::vector<std::pair<Int16, Int16>> shapes, std::vector<double> swept,
                          std::vector<double> partners) {
        for (const BoundaryDatumRow& row : kBoundaryData)
            for (const auto& [nx, ny] : shapes)
                for (const double length : swept)
                    for (const double partner : partners)
                        for (const double l : {length, -length})
                            for (const auto& [lx, ly] : {std::pair{l, partner}, {partner, l}})
                                ASSERT_TRUE(sameFill(row.datum, nx, ny, lx, ly))
                                    << row.listText << ", " << nx << " x " << ny << ", " << lx
                                    << ", " << ly;
    };
    sweep({{1, 1}, {2, 2}, {4, 4}, {6, 6}, {5, 2}, {2, 5}, {3, 0}, {0, 3}, {0, 0}}, lengths,
          {1.0, -2.5, 1e-300, 1e100, -1e200, 1e308});
    sweep({{32767, 1}, {1, 32767}, {32767, 0}, {2, 32767}}, {1.0, 32767.0, 1e105, 1e160, 1e305},
          {2.0});
}

// The largest L, corner at the centre, in a test-sized memory limit; x*y is its own exact solution.
TEST(LargestGrid, AFastPointEstimateRunsWithinAMebibyteOfGrid) {
    constexpr Int16 n = 32766, half = n / 2;
    const WalkDomain domain = WalkDomain::lShaped(n, n, half, half);
    BoundaryGrid grid(n, n, kTestGridMemory);
    fillBoundary(grid, gridProblem(grid, BoundaryDatum::XY, 1.0, 1.0));
    const WalkEstimator estimator(grid, domain, {.walk = WalkKind::Jump});
    const auto exact = [](Int16 i, Int16 j) { return (((i * 1.0) * j) * 1.0) / (double(n) * n); };
    // On the corner's segment every walk stops at once and reads the computed value, to the bit.
    SeededSource still(5);
    EXPECT_EQ(estimator.run({half, 20000}, 10, still).value, exact(half, 20000));
    // Within 5 standard errors, a bound that rejects the value an eighth of the side away.
    SeededSource source(20261208);
    const Estimate estimate = estimator.run({n / 4, n / 4}, 2000, source);
    const double bound = 5 * estimate.standardError;
    EXPECT_NEAR(estimate.value, exact(n / 4, n / 4), bound);
    EXPECT_GT(std::fabs(estimate.value - exact(3 * n / 8, 3 * n / 8)), bound);
}

// One progress unit per abscissa index; a stop leaves the grid without a rule for the inside.
TEST(FillProgress, CountsOneUnitPerAbscissaIndexAndStopsWhenAsked) {
    for (const BoundaryDatumRow& row : kBoundaryData) {
        Progress progress;
        BoundaryGrid grid(9, 4, kTestGridMemory), untouched(9, 4, kTestGridMemory);
        fillBoundary(grid, gridProblem(grid, row.datum, 1.0, 1.0), &progress);
        EXPECT_EQ(progress.done(), 10) << row.listText;
        progress.requestStop();
        if (row.datum != BoundaryDatum::Nullo) {
            EXPECT_THROW(
                fillBoundary(untouched, gridProblem(untouched, row.datum, 1.0, 1.0), &progress),
                Interrupted);
            EXPECT_TRUE(untouched.at(9, 4) == 0.0 && untouched.at(3, 2) == 0.0) << row.listText;
        }
    }
}

}  // namespace
}  // namespace nurlo
