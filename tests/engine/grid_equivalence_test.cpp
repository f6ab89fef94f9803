// The grid keeps only its outer lines and computes the other nodes when read. It is held to the
// full table it replaced, whose fill is kept below as the reference: both fail with the same
// error or agree on every node to the bit.
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

constexpr BoundaryDatum kData[] = {BoundaryDatum::Nullo,     BoundaryDatum::Seno,
                                   BoundaryDatum::ExpXSiny,  BoundaryDatum::XY,
                                   BoundaryDatum::X2MinusY2, BoundaryDatum::X3Minus3XY2};

template <class Fill>
std::optional<ErrorKind> errorOf(Fill fill) {
    try {
        fill();
    } catch (const RuntimeError& error) {
        return error.kind();
    }
    return std::nullopt;
}

// Every node covers the nodes where any walk stops, whatever the inner corner.
void expectSameFill(Int16 nx, Int16 ny, BoundaryDatum datum, double lx, double ly) {
    FullTable reference(nx, ny);
    BoundaryGrid grid(nx, ny, kTestGridMemory);
    const auto referenceError = errorOf([&] { referenceFill(reference, datum, lx, ly); });
    ASSERT_EQ(errorOf([&] { fillBoundary(grid, datum, lx, ly); }), referenceError)
        << "datum " << static_cast<int>(datum) << ", " << nx << " x " << ny << ", " << lx << ", "
        << ly;
    if (referenceError) {
        return;
    }
    for (const Int16 i : Int16Range(0, nx)) {
        for (const Int16 j : Int16Range(0, ny)) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(grid.at(i, j)),
                      std::bit_cast<std::uint64_t>(reference.at(i, j)))
                << "datum " << static_cast<int>(datum) << ", " << nx << " x " << ny << ", " << lx
                << ", " << ly << " at (" << i << ", " << j << "): " << grid.at(i, j);
        }
    }
}

// Lengths of both signs around where each datum leaves the doubles (exp from 709.8, the cube from
// 5.6e102, the square from 1.3e154, coordinates and products from 1.8e308 / 6), from an eighth to
// 8 times each threshold in steps of 2^(1/4), each paired both ways with a set of partners; then
// the loops that end at the largest count.
TEST(GridAgainstFullTable, SameErrorOrSameBitsOverASweepOfLengths) {
    std::vector<double> lengths = {0.0, 1e-300, 1.0, 3.14, 1e300, DBL_MAX};
    for (const double threshold : {709.8, 5.6e102, 1.3e154, 3e307}) {
        for (int quarter = -12; quarter <= 12; ++quarter) {
            if (std::isfinite(threshold * std::exp2(quarter / 4.0))) {
                lengths.push_back(threshold * std::exp2(quarter / 4.0));
            }
        }
    }
    for (std::size_t k = 0, positive = lengths.size(); k < positive; ++k) {
        lengths.push_back(-lengths[k]);
    }
    const struct {
        std::vector<std::pair<Int16, Int16>> shapes;
        std::vector<double> lengths, partners;
    } sweeps[] = {
        {{{1, 1}, {2, 2}, {4, 4}, {6, 6}, {5, 2}, {2, 5}, {3, 0}, {0, 3}, {0, 0}},
         lengths,
         {1.0, -2.5, 1e-300, 1e100, -1e200, 1e308}},
        {{{32767, 1}, {1, 32767}, {32767, 0}, {2, 32767}},
         {1.0, -3.0, 32767.0, 1e105, 1e160, 1e305},
         {2.0}},
    };
    for (const auto& sweep : sweeps) {
        for (const auto& [nx, ny] : sweep.shapes) {
            for (const BoundaryDatum datum : kData) {
                for (const double swept : sweep.lengths) {
                    for (const double partner : sweep.partners) {
                        expectSameFill(nx, ny, datum, swept, partner);
                        expectSameFill(nx, ny, datum, partner, swept);
                        if (HasFatalFailure()) {
                            return;
                        }
                    }
                }
            }
        }
    }
}

// The L of 32766 x 32766 with its corner at the centre in a test-sized memory limit; "x*y" is
// discrete harmonic, so it is its own exact solution.
TEST(LargestGrid, AFastPointEstimateRunsWithinAMebibyteOfGrid) {
    constexpr Int16 n = 32766;
    constexpr Int16 half = n / 2;
    const WalkDomain domain = WalkDomain::lShaped(n, n, half, half);
    BoundaryGrid grid(n, n, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::XY, 1.0, 1.0);
    const WalkEstimator estimator(grid, domain, {.walk = WalkKind::Jump});
    const auto exact = [](Int16 i, Int16 j) { return (((i * 1.0) * j) * 1.0) / (double(n) * n); };

    // On the corner's segment every walk stops at once and reads the computed value, to the bit.
    const Node onSegment{half, 20000};
    SeededSource still(5);
    EXPECT_EQ(estimator.run(onSegment, 10, still).value, exact(half, 20000));
    EXPECT_EQ(grid.at(half, 20000), exact(half, 20000));

    // Within 5 standard errors, a bound that rejects the value an eighth of the side away.
    SeededSource source(20261208);
    const Estimate estimate = estimator.run({n / 4, n / 4}, 2000, source);
    const double bound = 5 * estimate.standardError;
    EXPECT_NEAR(estimate.value, exact(n / 4, n / 4), bound);
    EXPECT_GT(std::fabs(estimate.value - exact(3 * n / 8, 3 * n / 8)), bound);
}

// One progress unit per abscissa index; a stop leaves the grid without a rule for the inside.
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
        EXPECT_EQ(untouched.at(3, 2), 0.0);
    }
}

}  // namespace
}  // namespace nurlo
