// The grid keeps only its outer lines and computes every other node when it is read. These tests
// hold it to the full table it replaced: the fill as it was, which computed and stored every
// node, is kept below as the reference, and over a sweep of lengths on small grids both must
// fail together with the same error or agree on every node to the bit. Then the grid's own
// promises: the largest grids estimate within a megabyte, and the fill keeps its progress and
// stop checks.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include "boundary_datum.hpp"
#include "grid_memory.hpp"
#include "uniform_source.hpp"
#include "walk_estimator.hpp"

namespace nurlo {
namespace {

// --- The reference: the full table and its fill, as the program had them ---

class FullTable {
public:
    FullTable(Int16 nx, Int16 ny)
        : nx_(nx), ny_(ny), values_((std::size_t(nx) + 1) * (std::size_t(ny) + 1), 0.0) {}
    Int16 nx() const { return nx_; }
    Int16 ny() const { return ny_; }
    double at(int i, int j) const { return values_[index(i, j)]; }
    void set(int i, int j, double value) { values_[index(i, j)] = value; }

private:
    std::size_t index(int i, int j) const {
        return std::size_t(i) * (std::size_t(ny_) + 1) + std::size_t(j);
    }
    Int16 nx_;
    Int16 ny_;
    std::vector<double> values_;
};

double coordinate(Int16 index, double length, Int16 count) {
    return checkedReal((index * length) / count);
}

void fillSine(FullTable& grid, double lx) {
    const Int16 nx = grid.nx();
    const Int16 ny = grid.ny();
    for (const Int16 i : Int16Range(0, nx)) {
        const double value = checkedReal(std::sin(checkedReal(coordinate(i, lx, nx) * 3.14)));
        grid.set(i, 0, value);
        grid.set(i, ny, 0.0);
    }
    for (const Int16 j : Int16Range(0, ny)) {
        grid.set(0, j, 0.0);
        grid.set(nx, j, 0.0);
    }
}

template <class Value>
void fillEveryNode(FullTable& grid, Value value) {
    for (const Int16 i : Int16Range(0, grid.nx())) {
        for (const Int16 j : Int16Range(0, grid.ny())) {
            grid.set(i, j, value(i, j));
        }
    }
}

void referenceFill(FullTable& grid, BoundaryDatum datum, double lx, double ly) {
    const Int16 nx = grid.nx();
    const Int16 ny = grid.ny();
    switch (datum) {
        case BoundaryDatum::Nullo:
            return;
        case BoundaryDatum::Seno:
            fillSine(grid, lx);
            return;
        case BoundaryDatum::ExpXSiny:
            fillEveryNode(grid, [&](Int16 i, Int16 j) {
                const double sine = checkedReal(std::sin(coordinate(j, ly, ny)));
                const double exponential = checkedReal(std::exp(coordinate(i, lx, nx)));
                return checkedReal(exponential * sine);
            });
            return;
        case BoundaryDatum::XY: {
            const double area = static_cast<double>(nx) * static_cast<double>(ny);
            fillEveryNode(
                grid, [&](Int16 i, Int16 j) { return checkedReal((((i * lx) * j) * ly) / area); });
            return;
        }
        case BoundaryDatum::X2MinusY2:
            fillEveryNode(grid, [&](Int16 i, Int16 j) {
                const double x = coordinate(i, lx, nx);
                const double y = coordinate(j, ly, ny);
                return checkedReal(std::pow(x, 2.0) - std::pow(y, 2.0));
            });
            return;
        case BoundaryDatum::X3Minus3XY2:
            fillEveryNode(grid, [&](Int16 i, Int16 j) {
                const double x = coordinate(i, lx, nx);
                const double y = coordinate(j, ly, ny);
                return checkedReal(std::pow(x, 3.0) - std::pow(y, 2.0) * (x * 3.0));
            });
            return;
    }
}

// --- The comparison ---

constexpr BoundaryDatum kData[] = {BoundaryDatum::Nullo,     BoundaryDatum::Seno,
                                   BoundaryDatum::ExpXSiny,  BoundaryDatum::XY,
                                   BoundaryDatum::X2MinusY2, BoundaryDatum::X3Minus3XY2};

// The error kind a fill raises, or nothing.
template <class Fill>
std::optional<ErrorKind> errorOf(Fill fill) {
    try {
        fill();
    } catch (const RuntimeError& error) {
        return error.kind();
    }
    return std::nullopt;
}

// Fills both grids and expects the same error, or, without one, the same bits at every node.
// Every node covers the nodes where any walk stops, whatever the inner corner: the grid does not
// look at the corner, which only picks which of these nodes a walk reads.
void expectSameFill(Int16 nx, Int16 ny, BoundaryDatum datum, double lx, double ly) {
    FullTable reference(nx, ny);
    BoundaryGrid grid(nx, ny, kTestGridMemory);
    const auto referenceError = errorOf([&] { referenceFill(reference, datum, lx, ly); });
    const auto gridError = errorOf([&] { fillBoundary(grid, datum, lx, ly); });
    const auto where = [&] {
        return testing::Message() << "datum " << static_cast<int>(datum) << ", " << nx << " x "
                                  << ny << ", lx = " << lx << ", ly = " << ly;
    };
    ASSERT_EQ(gridError, referenceError) << where();
    if (referenceError) {
        return;
    }
    for (const Int16 i : Int16Range(0, nx)) {
        for (const Int16 j : Int16Range(0, ny)) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(grid.at(i, j)),
                      std::bit_cast<std::uint64_t>(reference.at(i, j)))
                << where() << ", node (" << i << ", " << j << "): " << grid.at(i, j) << " against "
                << reference.at(i, j);
        }
    }
}

// Lengths of both signs on both sides of where each datum's values leave the doubles on grids of
// up to 6 steps: exp(x) from x = 709.8, the cube from 5.6e102, the square from 1.3e154, and the
// coordinates and products from 1.8e308 / 6; each threshold from an eighth of it to 8 times it,
// in steps of 2^(1/4), so that every node of the grid crosses it somewhere in the sweep.
std::vector<double> sweptLengths() {
    std::vector<double> lengths = {0.0, 1e-300, 1.0, 3.14, 1e300, DBL_MAX};
    for (const double threshold : {709.8, 5.6e102, 1.3e154, 3e307}) {
        for (int quarter = -12; quarter <= 12; ++quarter) {
            const double length = threshold * std::exp2(quarter / 4.0);
            if (std::isfinite(length)) {
                lengths.push_back(length);
            }
        }
    }
    const std::size_t positive = lengths.size();
    for (std::size_t k = 0; k < positive; ++k) {
        lengths.push_back(-lengths[k]);
    }
    return lengths;
}

// Lengths that a sweep pairs with every swept length.
constexpr double kPartners[] = {1.0, -2.5, 1e-300, 1e100, -1e200, 1e308};

TEST(GridAgainstFullTable, SameErrorOrSameBitsOverASweepOfLengths) {
    struct Shape {
        Int16 nx, ny;
    };
    // Squares and rectangles, with zero counts among them.
    const Shape shapes[] = {{1, 1}, {2, 2}, {4, 4}, {6, 6}, {5, 2}, {2, 5}, {3, 0}, {0, 3}, {0, 0}};
    const std::vector<double> lengths = sweptLengths();
    for (const Shape shape : shapes) {
        for (const BoundaryDatum datum : kData) {
            for (const double swept : lengths) {
                for (const double partner : kPartners) {
                    expectSameFill(shape.nx, shape.ny, datum, swept, partner);
                    expectSameFill(shape.nx, shape.ny, datum, partner, swept);
                    if (HasFatalFailure()) {
                        return;
                    }
                }
            }
        }
    }
}

TEST(GridAgainstFullTable, LoopsThatEndAtTheLargestCount) {
    const struct { Int16 nx, ny; } shapes[] = {{32767, 1}, {1, 32767}, {32767, 0}, {2, 32767}};
    for (const auto shape : shapes) {
        for (const BoundaryDatum datum : kData) {
            for (const double length : {1.0, -3.0, 32767.0, 1e105, 1e160, 1e305}) {
                expectSameFill(shape.nx, shape.ny, datum, length, 2.0);
                expectSameFill(shape.nx, shape.ny, datum, 2.0, length);
                if (HasFatalFailure()) {
                    return;
                }
            }
        }
    }
}

// --- The grid's own promises ---

TEST(LargestGrid, AFastPointEstimateRunsWithinAMebibyteOfGrid) {
    // The L of 32766 x 32766 with the inner corner at its centre, "x*y" with sides 1: x*y is
    // harmonic on the lattice too, so the exact discrete solution is x*y itself.
    constexpr Int16 n = 32766;
    constexpr Int16 half = n / 2;
    const WalkDomain domain = WalkDomain::lShaped(n, n, half, half);
    BoundaryGrid grid(n, n, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::XY, 1.0, 1.0);
    const WalkEstimator estimator(grid, domain, {.walk = WalkKind::Jump});
    const auto exact = [](Int16 i, Int16 j) { return (((i * 1.0) * j) * 1.0) / (double(n) * n); };

    // From a node of the inner corner's upright segment every walk ends where it starts, and
    // reads the value computed there, to the bit.
    const Node onSegment{half, 20000};
    SeededSource still(5);
    EXPECT_EQ(estimator.run(onSegment, 10, still).value, exact(half, 20000));
    EXPECT_EQ(grid.at(half, 20000), exact(half, 20000));

    // From the middle of the lower-left block the walks end on the outer lines and on both
    // segments; the estimate lies within 5 standard errors of the exact value, and the same
    // bound rejects the value of a node an eighth of the side away.
    SeededSource source(20261208);
    const Estimate estimate = estimator.run({n / 4, n / 4}, 2000, source);
    const double bound = 5 * estimate.standardError;
    EXPECT_NEAR(estimate.value, exact(n / 4, n / 4), bound);
    EXPECT_GT(std::fabs(estimate.value - exact(3 * n / 8, 3 * n / 8)), bound);
}

TEST(BoundaryGrid, KeepsTheOuterLinesAndGivesTheNodesInsideTheirRule) {
    BoundaryGrid grid(3, 3, kTestGridMemory);
    grid.set(0, 2, 7.5);
    EXPECT_THROW(grid.set(1, 2, 1.0), std::logic_error);
    grid.setInnerRule([](Int16 i, Int16 j) { return 10.0 * i + j; });
    EXPECT_EQ(grid.at(1, 2), 12.0);
    EXPECT_EQ(grid.at(0, 2), 7.5);
    EXPECT_EQ(grid.at(3, 3), 0.0);
}

TEST(FillProgress, CountsOneUnitPerAbscissaIndexAndStopsWhenAsked) {
    for (const BoundaryDatum datum : kData) {
        Progress progress;
        BoundaryGrid grid(9, 4, kTestGridMemory);
        fillBoundary(grid, datum, 1.0, 1.0, &progress);
        EXPECT_EQ(progress.done(), 10) << static_cast<int>(datum);

        Progress stopped;
        stopped.requestStop();
        BoundaryGrid untouched(9, 4, kTestGridMemory);
        if (datum != BoundaryDatum::Nullo) {
            EXPECT_THROW(fillBoundary(untouched, datum, 1.0, 1.0, &stopped), Interrupted);
        }
        EXPECT_EQ(untouched.at(9, 4), 0.0);
        EXPECT_EQ(untouched.at(3, 2), 0.0) << "no rule for the nodes inside before the fill ends";
    }
}

}  // namespace
}  // namespace nurlo
