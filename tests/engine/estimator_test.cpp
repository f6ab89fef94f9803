#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "boundary_datum.hpp"
#include "expect_error.hpp"
#include "grid_memory.hpp"
#include "grid_problem.hpp"
#include "harmonic.hpp"
#include "scripted_source.hpp"
#include "walk_estimator.hpp"

namespace nurlo {
namespace {

using test::HarmonicSolution;
using test::ScriptedSource;

// The exact discrete harmonic value at `start` for the grid's border values on `domain`.
double harmonicValue(const BoundaryGrid& grid, const WalkDomain& domain, Node start) {
    const HarmonicSolution solution(
        grid.nx(), grid.ny(),
        [&](int i, int j) {
            return domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)});
        },
        [&](int i, int j) { return grid.at(i, j); });
    return solution.at(start.x, start.y);
}

struct StatisticalCase {
    const char* name;
    Int16 nx, ny;
    Int16 a, b;  // a < 0 for the square
    BoundaryDatum datum;
    double lx, ly;
    Node start;
    std::uint64_t seed;
};

// Estimates with N = 20000 walks from fixed seeds agree with the exact discrete harmonic value,
// solved independently on the same grid, within 5 standard errors.
TEST(WalkEstimatorStatistics, AgreesWithTheDiscreteHarmonicValueWithinFiveStandardErrors) {
    const std::array<StatisticalCase, 6> cases = {{
        {"square sine centre", 4, 4, -1, -1, BoundaryDatum::Seno, 1.0, 1.0, {2, 2}, 1},
        {"square sine off centre", 10, 10, -1, -1, BoundaryDatum::Seno, 1.0, 1.0, {3, 2}, 2},
        {"L x*y", 8, 8, 4, 4, BoundaryDatum::XY, 2.0, 2.0, {2, 5}, 3},
        {"L exp sin", 8, 6, 5, 2, BoundaryDatum::ExpXSiny, 1.0, 1.5, {3, 3}, 4},
        {"L sine below the corner", 8, 8, 3, 3, BoundaryDatum::Seno, 1.0, 1.0, {6, 1}, 5},
        {"L cubic", 6, 6, 3, 3, BoundaryDatum::X3Minus3XY2, 1.0, 1.0, {1, 4}, 6},
    }};
    for (const StatisticalCase& c : cases) {
        BoundaryGrid grid(c.nx, c.ny, kTestGridMemory);
        fillBoundary(grid, gridProblem(grid, c.datum, c.lx, c.ly));
        const WalkDomain domain =
            c.a < 0 ? WalkDomain::square(c.nx) : WalkDomain::lShaped(c.nx, c.ny, c.a, c.b);
        SeededSource source(c.seed);
        const Estimate estimate = WalkEstimator(grid, domain).run(c.start, 20000, source);
        const double exact = harmonicValue(grid, domain, c.start);
        EXPECT_GT(estimate.standardError, 0.0) << c.name;
        EXPECT_LE(std::fabs(estimate.value - exact), 5.0 * estimate.standardError)
            << c.name << " seed " << c.seed << ": estimate " << estimate.value << ", exact "
            << exact << ", standard error " << estimate.standardError;
    }
}

TEST(WalkEstimatorStatistics, SquareSineCentreMatchesTheKnownValue) {
    // The discrete harmonic value at (2, 2) of the 4 x 4 square with the sine border.
    BoundaryGrid grid(4, 4, kTestGridMemory);
    fillBoundary(grid, gridProblem(grid, BoundaryDatum::Seno, 1.0, 1.0));
    const WalkDomain domain = WalkDomain::square(4);
    EXPECT_NEAR(harmonicValue(grid, domain, {2, 2}), 0.2134234660, 1e-10);
    SeededSource source(2024);
    const Estimate estimate = WalkEstimator(grid, domain).run({2, 2}, 32767, source);
    EXPECT_LE(std::fabs(estimate.value - 0.2134234660), 5.0 * estimate.standardError)
        << estimate.value;
}

class WalkEstimatorEdges : public ::testing::Test {
protected:
    WalkEstimatorEdges() : grid_(4, 4, kTestGridMemory), domain_(WalkDomain::square(4)) {
        fillBoundary(grid_, gridProblem(grid_, BoundaryDatum::Seno, 1.0, 1.0));
    }
    Estimate run(Node start, Int16 n) {
        SeededSource source(7);
        return WalkEstimator(grid_, domain_).run(start, n, source);
    }
    BoundaryGrid grid_;
    WalkDomain domain_;
};

TEST_F(WalkEstimatorEdges, ABorderStartGivesTheMeanOfNCopiesOfItsValue) {
    ScriptedSource noDraws({});
    const Estimate estimate = WalkEstimator(grid_, domain_).run({2, 0}, 1000, noDraws);
    EXPECT_EQ(estimate.value, 0.9999996829318346);
    EXPECT_EQ(estimate.walks, 1000);
    EXPECT_EQ(noDraws.draws(), 0u);
    EXPECT_EQ(run({4, 2}, 3).value, 0.0);
}

// Every N from 1 to 2000 from each inner node of the bottom row, alone and on a pool: the mean of
// N copies of a node's value is that value to the last bit. (A plain division of the sum was one
// unit in the last place off for 853 of these 6000.)
TEST_F(WalkEstimatorEdges, WalksFromABorderNodeGiveItsValueExactly) {
    WalkPool pool(2);
    int differing = 0;
    for (Int16 i = 1; i <= 3; ++i) {
        const double value = grid_.at(i, 0);
        for (Int16 n = 1; n <= 2000; ++n) {
            SeededSource source(static_cast<std::uint64_t>(n));
            const double alone = WalkEstimator(grid_, domain_).run({i, 0}, n, source).value;
            const double shared =
                WalkEstimator(grid_, domain_, {.pool = &pool}).run({i, 0}, n, source).value;
            if (alone != value || shared != value) {
                ++differing;
                ADD_FAILURE() << "node (" << i << ", 0), N = " << n << ": " << alone << " and "
                              << shared << " for " << value;
            }
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(WalkEstimatorEdges, OneWalkGivesTheValueWhereItEnds) {
    // From (2, 1): -y reaches (2, 0).
    ScriptedSource source({0.8});
    EXPECT_EQ(WalkEstimator(grid_, domain_).run({2, 1}, 1, source).value, 0.9999996829318346);
}

TEST_F(WalkEstimatorEdges, ZeroWalksIsTheFloatingPointError) {
    EXPECT_RUNTIME_ERROR(run({2, 2}, 0), ErrorKind::FloatingPoint);
}

TEST_F(WalkEstimatorEdges, ANegativeCountRunsNoWalkAndGivesPositiveZero) {
    const Estimate estimate = run({2, 2}, -5);
    EXPECT_EQ(estimate.value, 0.0);
    EXPECT_FALSE(std::signbit(estimate.value));
    EXPECT_EQ(estimate.standardError, 0.0);
    const Estimate fewest = run({2, 2}, -32768);
    EXPECT_EQ(fewest.value, 0.0);
    EXPECT_EQ(fewest.standardError, 0.0);
}

TEST_F(WalkEstimatorEdges, TheLargestCountRunsEveryWalkAndReturns) {
    ScriptedSource noDraws({});
    const Estimate estimate = WalkEstimator(grid_, domain_).run({1, 0}, 32767, noDraws);
    EXPECT_NEAR(estimate.value, 0.706825181105366, 1e-13);
    EXPECT_EQ(estimate.walks, 32767);
}

TEST_F(WalkEstimatorEdges, AStartOffTheGridIsRefusedBeforeAnyWalk) {
    ScriptedSource noDraws({});
    const WalkEstimator estimator(grid_, domain_);
    EXPECT_RUNTIME_ERROR(estimator.run({-1, 2}, 10, noDraws), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(estimator.run({2, 5}, 10, noDraws), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(estimator.run({5, 0}, 10, noDraws), ErrorKind::SubscriptOutOfRange);
    EXPECT_EQ(noDraws.reseeds(), 0u);
}

TEST_F(WalkEstimatorEdges, EachEstimateStartsItsOwnSum) {
    // Two estimates from the same border node see only their own walks.
    const WalkEstimator estimator(grid_, domain_);
    SeededSource source(3);
    const double first = estimator.run({1, 0}, 10, source).value;
    const double second = estimator.run({1, 0}, 10, source).value;
    EXPECT_EQ(first, second);
    EXPECT_NEAR(first, 0.706825181105366, 1e-15);
}

TEST(WalkEstimator, ASumThatOverflowsADoubleIsTheFloatingPointError) {
    BoundaryGrid grid(2, 2, kTestGridMemory);
    grid.set(0, 1, 1e308);
    ScriptedSource noDraws({});
    EXPECT_RUNTIME_ERROR(WalkEstimator(grid, WalkDomain::square(2)).run({0, 1}, 2, noDraws),
                         ErrorKind::FloatingPoint);
}

TEST(WalkEstimator, TheStandardErrorIsThatOfTheEndValues) {
    // From (1, 1) of the 2 x 2 square every walk takes one step; the scripted draws send two
    // walks to (2, 1) = 4 and two to (1, 0) = 0: mean 2, sample variance 16/3.
    BoundaryGrid grid(2, 2, kTestGridMemory);
    grid.set(2, 1, 4.0);
    ScriptedSource source({0.1, 0.9, 0.1, 0.9});
    const Estimate estimate = WalkEstimator(grid, WalkDomain::square(2)).run({1, 1}, 4, source);
    EXPECT_EQ(estimate.value, 2.0);
    EXPECT_NEAR(estimate.standardError, std::sqrt(16.0 / 3.0 / 4.0), 1e-15);
}

// Values beyond 1e154, whose squares overflow ("x*y" with lengths of 1e80, exp(x) sin(y) beyond
// x = 700), merged from chunks as an estimate merges them: a finite standard error, never NaN.
TEST(RunningStats, HugeValuesKeepTheirFiniteStandardError) {
    RunningStats equal;
    RunningStats mixed;
    for (int k = 0; k < 4; ++k) {
        RunningStats chunk;
        chunk.add(1e160);
        chunk.add(k % 2 == 0 ? 1e-3 : 3e160);  // a small value first, then a huge one
        mixed.merge(chunk);
        RunningStats same;
        same.add(1e160);
        equal.merge(same);
    }
    EXPECT_EQ(equal.standardError(), 0.0);
    // Four 1e160, two near 0, two 3e160: mean 1.25e160, squared deviations 9.5e320 in all.
    EXPECT_NEAR(mixed.standardError() / 1e160, std::sqrt(9.5 / 7.0 / 8.0), 1e-12);
}

// Values of both signs whose differences overflow a double, added one by one and merged in parts,
// against a two-pass computation in long double (wider exponent range here). A value that is not
// finite shows in the figures and never turns into a standard error of 0.
TEST(RunningStats, ValuesNearTheLargestDoubleKeepAFiniteStandardError) {
    constexpr double kMax = std::numeric_limits<double>::max();
    const std::vector<std::vector<double>> cases = {
        {1.27e308, -1.27e308},  // x^2-y^2 with sides 1.3e154: the two ends of a 2 x 2 grid
        {-kMax, kMax, kMax, -kMax, 0.5 * kMax},
        {kMax, 1e-300, -kMax, 3.0, -0.9 * kMax, kMax},
        {1e300, 1.0, std::numeric_limits<double>::infinity(), 2.0},
        {1e300, 1.0, std::nan(""), 2.0},
    };
    for (const std::vector<double>& values : cases) {
        const auto n = static_cast<long double>(values.size());
        const long double mean = std::accumulate(values.begin(), values.end(), 0.0L) / n;
        long double squares = 0.0L;
        for (const double v : values) {
            squares += (v - mean) * (v - mean);
        }
        const auto expected = static_cast<double>(std::sqrt(squares / (n - 1) / n));
        RunningStats one;
        RunningStats merged;
        for (std::size_t k = 0; k < values.size(); k += 2) {
            RunningStats part;
            for (std::size_t j = k; j < std::min(k + 2, values.size()); ++j) {
                one.add(values[j]);
                part.add(values[j]);
            }
            merged.merge(part);
        }
        for (const RunningStats* stats : {&one, &merged}) {
            if (!std::isfinite(expected)) {
                EXPECT_FALSE(std::isfinite(stats->standardError())) << values[2];
                continue;
            }
            EXPECT_NEAR(stats->mean() / kMax, static_cast<double>(mean / kMax), 1e-15)
                << values.front();
            EXPECT_NEAR(stats->standardError() / expected, 1.0, 1e-14) << values.front();
        }
    }
}

// With no value or one there is no spread: the standard error is 0, never NaN.
TEST(RunningStats, FewerThanTwoValuesHaveNoStandardError) {
    RunningStats none;
    none.merge(RunningStats{});
    RunningStats one;
    one.add(3e200);
    EXPECT_EQ(none.standardError(), 0.0);
    EXPECT_EQ(none.variance(), 0.0);
    EXPECT_EQ(one.standardError(), 0.0);
}

TEST(CompensatedSum, AddsCopiesOfOneValueToTheLastBit) {
    CompensatedSum tenths;
    for (int k = 0; k < 1000; ++k) {
        tenths.add(0.1);
    }
    EXPECT_EQ(tenths.value(), 100.0);

    CompensatedSum first;
    CompensatedSum second;
    for (int k = 0; k < 300; ++k) {
        (k < 100 ? first : second).add(0.7079509086484321);
    }
    first.add(second);
    EXPECT_EQ(first.value() / 300, 0.7079509086484321);

    CompensatedSum huge;
    huge.add(1e308);
    EXPECT_RUNTIME_ERROR(huge.add(1e308), ErrorKind::FloatingPoint);
}

TEST(RunningStats, MergingPartsEqualsOnePass) {
    RunningStats whole;
    RunningStats first;
    RunningStats second;
    for (int k = 0; k < 100; ++k) {
        const double value = std::sin(k * 0.7) * 10.0 + k * 0.01;
        whole.add(value);
        (k < 37 ? first : second).add(value);
    }
    first.merge(second);
    first.merge(RunningStats{});
    EXPECT_EQ(first.count(), 100);
    EXPECT_NEAR(first.mean(), whole.mean(), 1e-12);
    EXPECT_NEAR(first.variance(), whole.variance(), 1e-10);
}

}  // namespace
}  // namespace nurlo
