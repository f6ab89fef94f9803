#include <gtest/gtest.h>

#include <cmath>

#include "boundary_datum.hpp"
#include "expect_error.hpp"
#include "grid_memory.hpp"
#include "grid_problem.hpp"

namespace nurlo {
namespace {

void fill(BoundaryGrid& grid, BoundaryDatum datum, double lx, double ly) {
    fillBoundary(grid, gridProblem(grid, datum, lx, ly));
}

// Every node of `grid` except those for which `skip(i, j)` holds is exactly 0.
template <class Skip>
void expectZeroElsewhere(const BoundaryGrid& grid, Skip skip) {
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            if (!skip(i, j)) {
                EXPECT_EQ(grid.at(i, j), 0.0) << "node (" << i << ", " << j << ")";
            }
        }
    }
}

TEST(BoundaryGrid, StartsAllZeroWithTheGivenCounts) {
    const BoundaryGrid grid(3, 5, kTestGridMemory);
    EXPECT_EQ(grid.nx(), 3);
    EXPECT_EQ(grid.ny(), 5);
    expectZeroElsewhere(grid, [](int, int) { return false; });
    const BoundaryGrid single(0, 0, kTestGridMemory);
    EXPECT_EQ(single.at(0, 0), 0.0);
}

TEST(BoundaryGrid, ChecksEveryIndexOnReadAndWrite) {
    BoundaryGrid grid(2, 3, kTestGridMemory);
    grid.set(2, 3, 7.5);
    EXPECT_EQ(grid.at(2, 3), 7.5);
    EXPECT_RUNTIME_ERROR(grid.at(3, 0), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(grid.at(0, 4), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(grid.at(-1, 0), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(grid.set(0, -1, 1.0), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(grid.set(3, 3, 1.0), ErrorKind::SubscriptOutOfRange);
}

TEST(BoundaryGrid, RefusesNegativeCountsAndGridsLargerThanMemory) {
    EXPECT_RUNTIME_ERROR(BoundaryGrid(-1, 4, kTestGridMemory), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(BoundaryGrid(4, -1, kTestGridMemory), ErrorKind::SubscriptOutOfRange);
    // The two rows and two columns of 101 nodes take 404 doubles, 3232 bytes.
    EXPECT_NO_THROW(BoundaryGrid(100, 100, 3232));
    EXPECT_RUNTIME_ERROR(BoundaryGrid(100, 100, 3231), ErrorKind::OutOfMemory);
}

TEST(BoundaryGrid, TheLargestGridIsCreatedWhenMemoryAllowsIt) {
    const BoundaryGrid grid(32767, 32767, kTestGridMemory);
    EXPECT_EQ(grid.at(32767, 32767), 0.0);
    EXPECT_RUNTIME_ERROR(BoundaryGrid(32767, 32767, kTestGridMemory - 1), ErrorKind::OutOfMemory);
}

TEST(SineDatum, SquareBottomRowForSideOneAndFourSteps) {
    BoundaryGrid grid(4, 4, kTestGridMemory);
    fill(grid, BoundaryDatum::Seno, 1.0, 1.0);
    EXPECT_EQ(grid.at(0, 0), 0.0);
    EXPECT_EQ(grid.at(1, 0), 0.706825181105366);
    EXPECT_EQ(grid.at(2, 0), 0.9999996829318346);
    EXPECT_EQ(grid.at(3, 0), 0.7079509086484321);
    EXPECT_EQ(grid.at(4, 0), 0.0) << "the side column overwrites sin(3.14) = 0.0015926529164868282";
    expectZeroElsewhere(grid, [](int, int j) { return j == 0; });
}

TEST(SineDatum, LDomainBottomRowDependsOnlyOnLxAndNx) {
    BoundaryGrid grid(4, 7, kTestGridMemory);
    fill(grid, BoundaryDatum::Seno, 1.0, 3.5);
    EXPECT_EQ(grid.at(1, 0), 0.706825181105366);
    EXPECT_EQ(grid.at(2, 0), 0.9999996829318346);
    EXPECT_EQ(grid.at(3, 0), 0.7079509086484321);
    EXPECT_EQ(grid.at(4, 0), 0.0);
    expectZeroElsewhere(grid, [](int, int j) { return j == 0; });
}

TEST(SineDatum, LengthZeroGivesZerosAndANegativeLengthIsUsedAsItIs) {
    BoundaryGrid zero(4, 4, kTestGridMemory);
    fill(zero, BoundaryDatum::Seno, 0.0, 0.0);
    expectZeroElsewhere(zero, [](int, int) { return false; });

    BoundaryGrid negative(4, 4, kTestGridMemory);
    fill(negative, BoundaryDatum::Seno, -1.0, -1.0);
    EXPECT_EQ(negative.at(2, 0), -0.9999996829318346);
}

TEST(SineDatum, ZeroStepsFailAtTheFirstNode) {
    BoundaryGrid grid(0, 0, kTestGridMemory);
    EXPECT_RUNTIME_ERROR(fill(grid, BoundaryDatum::Seno, 1.0, 1.0), ErrorKind::FloatingPoint);
}

// The fill reads its counts from the problem: a grid of other counts is refused untouched, and
// the L's corner plays no part in what the outer lines hold.
TEST(Fill, FollowsItsProblemAndRefusesAGridOfOtherCounts) {
    BoundaryGrid grid(4, 6, kTestGridMemory);
    EXPECT_THROW(fillBoundary(grid, Problem::square(4, 1.0, BoundaryDatum::Seno)),
                 std::invalid_argument);
    EXPECT_EQ(grid.at(2, 0), 0.0);
    Problem l = gridProblem(grid, BoundaryDatum::XY, 2.0, 3.0);
    l.domain = WalkDomain::lShaped(4, 6, 2, 3);
    fillBoundary(grid, l);
    BoundaryGrid whole(4, 6, kTestGridMemory);
    fill(whole, BoundaryDatum::XY, 2.0, 3.0);
    for (const Int16 i : Int16Range(0, 4)) {
        EXPECT_EQ(grid.at(i, 6), whole.at(i, 6));
        EXPECT_EQ(grid.at(i, 6), harmonicDatumAt(l, {i, 6}));
    }
}

TEST(NulloDatum, LeavesEveryNodeZeroEvenOnAOneNodeGrid) {
    BoundaryGrid single(0, 0, kTestGridMemory);
    fill(single, BoundaryDatum::Nullo, 1.0, 1.0);
    EXPECT_EQ(single.at(0, 0), 0.0);

    BoundaryGrid grid(3, 2, kTestGridMemory);
    fill(grid, BoundaryDatum::Nullo, 2.0, 5.0);
    expectZeroElsewhere(grid, [](int, int) { return false; });
}

TEST(HarmonicData, NodeValuesOnTheTwoByTwoGrid) {
    BoundaryGrid exps(2, 2, kTestGridMemory);
    fill(exps, BoundaryDatum::ExpXSiny, 2.0, 2.0);
    EXPECT_EQ(exps.at(1, 1), 2.2873552871788423);
    EXPECT_EQ(exps.at(2, 2), 6.71884969742825);

    BoundaryGrid cubic(2, 2, kTestGridMemory);
    fill(cubic, BoundaryDatum::X3Minus3XY2, 2.0, 2.0);
    EXPECT_EQ(cubic.at(1, 1), -2.0);

    BoundaryGrid squares(2, 2, kTestGridMemory);
    fill(squares, BoundaryDatum::X2MinusY2, 2.0, 2.0);
    EXPECT_EQ(squares.at(1, 1), 0.0);
    EXPECT_EQ(squares.at(2, 0), 4.0);
    EXPECT_EQ(squares.at(0, 2), -4.0);
}

TEST(HarmonicData, EveryNodeHoldsTheFunctionOfItsPoint) {
    const double lx = 3.0;
    const double ly = 1.5;
    for (const BoundaryDatum datum : {BoundaryDatum::ExpXSiny, BoundaryDatum::XY,
                                      BoundaryDatum::X2MinusY2, BoundaryDatum::X3Minus3XY2}) {
        BoundaryGrid grid(6, 3, kTestGridMemory);
        fill(grid, datum, lx, ly);
        for (int i = 0; i <= 6; ++i) {
            for (int j = 0; j <= 3; ++j) {
                const double x = i * lx / 6;
                const double y = j * ly / 3;
                const double expected = datum == BoundaryDatum::ExpXSiny ? std::exp(x) * std::sin(y)
                                        : datum == BoundaryDatum::XY     ? x * y
                                        : datum == BoundaryDatum::X2MinusY2
                                            ? x * x - y * y
                                            : x * x * x - 3 * x * y * y;
                EXPECT_NEAR(grid.at(i, j), expected, 1e-12)
                    << "datum " << static_cast<int>(datum) << " node (" << i << ", " << j << ")";
            }
        }
    }
}

TEST(ProductDatum, WorksForGridsWhoseNodeCountExceedsSixteenBits) {
    BoundaryGrid grid(200, 200, kTestGridMemory);
    fill(grid, BoundaryDatum::XY, 1.0, 1.0);
    EXPECT_EQ(grid.at(200, 200), 1.0);
    EXPECT_EQ(grid.at(100, 50), (((100 * 1.0) * 50) * 1.0) / 40000.0);

    BoundaryGrid tall(100, 300, kTestGridMemory);
    fill(tall, BoundaryDatum::XY, 2.0, 3.0);
    EXPECT_EQ(tall.at(100, 300), 6.0);
}

TEST(HarmonicData, AZeroCountFailsWithTheFloatingPointError) {
    for (const BoundaryDatum datum : {BoundaryDatum::ExpXSiny, BoundaryDatum::XY,
                                      BoundaryDatum::X2MinusY2, BoundaryDatum::X3Minus3XY2}) {
        BoundaryGrid flat(3, 0, kTestGridMemory);
        EXPECT_RUNTIME_ERROR(fill(flat, datum, 1.0, 1.0), ErrorKind::FloatingPoint);
        BoundaryGrid thin(0, 3, kTestGridMemory);
        EXPECT_RUNTIME_ERROR(fill(thin, datum, 1.0, 1.0), ErrorKind::FloatingPoint);
    }
}

TEST(HarmonicData, AValueTooLargeForADoubleFailsAtItsNode) {
    BoundaryGrid grid(2, 2, kTestGridMemory);
    // exp(X) overflows from x = 710 on: node (1, 0) with Lx = 2000 has x = 1000.
    EXPECT_RUNTIME_ERROR(fill(grid, BoundaryDatum::ExpXSiny, 2000.0, 1.0),
                         ErrorKind::FloatingPoint);
    // The nodes before it were written.
    EXPECT_EQ(grid.at(0, 1), std::sin(0.5));

    BoundaryGrid cubic(2, 2, kTestGridMemory);
    EXPECT_RUNTIME_ERROR(fill(cubic, BoundaryDatum::X3Minus3XY2, 1e200, 1.0),
                         ErrorKind::FloatingPoint);
}

TEST(Fill, ALoopThatEndsAtTheLargestCountFinishes) {
    BoundaryGrid grid(32767, 1, kTestGridMemory);
    fill(grid, BoundaryDatum::X2MinusY2, 32767.0, 1.0);
    EXPECT_EQ(grid.at(32767, 0), std::pow(32767.0, 2.0));

    BoundaryGrid row(32767, 0, kTestGridMemory);
    fill(row, BoundaryDatum::Seno, 1.0, 1.0);
    EXPECT_EQ(row.at(32767, 0), 0.0);
}

}  // namespace
}  // namespace nurlo
