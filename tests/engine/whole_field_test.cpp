#include "whole_field.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

#include "boundary_datum.hpp"
#include "grid_memory.hpp"

namespace nurlo {
namespace {

constexpr std::size_t kPlentyOfMemory = std::size_t{1} << 40;
using enum BoundaryDatum;

BoundaryGrid filled(const WalkDomain& d, BoundaryDatum datum, double lx = 1.0, double ly = 1.0) {
    BoundaryGrid grid(d.nx(), d.ny(), kTestGridMemory);
    fillBoundary(grid, {.domain = d, .lx = lx, .ly = ly, .datum = datum});
    return grid;
}

std::vector<double> exactValues(const BoundaryGrid& grid, const WalkDomain& d,
                                const FieldLattice& lattice) {
    return exactAtLattice(solveExact(grid, d, ExactSolveOptions(kPlentyOfMemory)), lattice);
}

struct LatticeCase {
    const char* name;
    WalkDomain domain;
};

// The sample nodes are free nodes only, spread evenly over the free indexes, every free node
// where there are few; on the square, on the L and on the L whose corner lies below the grid,
// on its edges or beyond it. Their exact values are the solution's own.
TEST(FieldLattice, FreeNodesOnlySpreadEvenlyAndEveryFreeNodeOfASmallGrid) {
    const std::vector<LatticeCase> cases = {
        {"square 5", WalkDomain::square(5)},
        {"square 65: 64 free indexes", WalkDomain::square(65)},
        {"square 66", WalkDomain::square(66)},
        {"square 1000", WalkDomain::square(1000)},
        {"square 2: one free node", WalkDomain::square(2)},
        {"square 1: none", WalkDomain::square(1)},
        {"L 10 x 8 at (4, 3)", WalkDomain::lShaped(10, 8, 4, 3)},
        {"L 1000 x 1000 at the middle", WalkDomain::lShaped(1000, 1000, 500, 500)},
        {"L 300 x 90, corner on a lattice node", WalkDomain::lShaped(300, 90, 96, 40)},
        {"L corner at the origin", WalkDomain::lShaped(12, 9, 0, 0)},
        {"L corner left of the grid", WalkDomain::lShaped(12, 9, -3, 4)},
        {"L corner below the grid", WalkDomain::lShaped(12, 9, 5, -2)},
        {"L corner below and left", WalkDomain::lShaped(12, 9, -1, -1)},
        {"L corner on the far corner", WalkDomain::lShaped(12, 9, 12, 9)},
        {"L corner beyond the grid", WalkDomain::lShaped(200, 150, 400, 300)},
        {"L corner on the top line", WalkDomain::lShaped(20, 15, 7, 15)},
    };
    for (const LatticeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const WalkDomain& d = c.domain;
        const FieldLattice lattice = fieldLattice(d);
        // Each axis: the free indexes 1..n-1, all of them up to 64 (so every free node of a small
        // grid), else 64 at even steps centred between the sides.
        for (const auto& [indexes, n] :
             {std::pair{lattice.columns, int{d.nx()}}, std::pair{lattice.rows, int{d.ny()}}}) {
            ASSERT_EQ(indexes.size(), static_cast<std::size_t>(std::clamp(n - 1, 0, 64)));
            if (indexes.empty()) {
                continue;
            }
            EXPECT_GE(indexes.front(), 1);
            EXPECT_LE(indexes.back(), n - 1);
            EXPECT_LE(std::abs(indexes.front() - (n - indexes.back())), 1);
            std::vector<int> steps(indexes.size());
            std::adjacent_difference(indexes.begin(), indexes.end(), steps.begin());
            if (indexes.size() > 1) {
                const auto [shortest, longest] =
                    std::minmax_element(steps.begin() + 1, steps.end());
                EXPECT_GE(*shortest, 1);
                EXPECT_LE(*longest - *shortest, 1);
                EXPECT_LE(2 * indexes.front(), *longest + 1);  // the half steps at the ends
            }
        }
        std::vector<Node> expected;  // the lattice's free nodes, column by column
        for (const int i : lattice.columns) {
            for (const int j : lattice.rows) {
                const Node node{static_cast<Int16>(i), static_cast<Int16>(j)};
                if (!d.stops(node)) {
                    expected.push_back(node);
                }
            }
        }
        EXPECT_EQ(lattice.nodes, expected);
        if (!lattice.nodes.empty() && d.nx() <= 300) {
            const BoundaryGrid grid = filled(d, ExpXSiny);
            const ExactSolution u = solveExact(grid, d, ExactSolveOptions(kPlentyOfMemory));
            const std::vector<double> exact = exactAtLattice(u, lattice);
            for (std::size_t k = 0; k < lattice.nodes.size(); k += 7) {
                EXPECT_NEAR(exact[k], u.at(lattice.nodes[k].x, lattice.nodes[k].y), 1e-12);
            }
        }
    }
    FieldLattice offGrid = fieldLattice(WalkDomain::square(8));
    offGrid.nodes.push_back({3, 9});
    EXPECT_THROW(exactValues(filled(WalkDomain::square(8), Seno), WalkDomain::square(8), offGrid),
                 std::invalid_argument);
    EXPECT_EQ(spreadFreeIndexes(10, 3), (std::vector<int>{2, 5, 8}));
    EXPECT_EQ(spreadFreeIndexes(10, 1), (std::vector<int>{5}));
    EXPECT_TRUE(spreadFreeIndexes(-4, 64).empty());
}

struct FieldCase {
    const char* name;
    WalkDomain domain;
    BoundaryDatum datum;
    double lx, ly;
    WalkKind walk;
    Int16 walks;
    std::uint64_t seed;
};

template <class Source = SeededSource>
ZSummary fieldZ(const FieldCase& c, WalkPool& pool, const BoundaryGrid& grid,
                std::span<const double> exact, const FieldLattice& lattice) {
    Source source(c.seed);
    std::vector<FieldValue> values;
    estimateField(grid, c.domain, lattice, exact, c.walks, source,
                  FieldOptions{.pool = &pool, .walk = c.walk}, values);
    EXPECT_EQ(values.size(), lattice.nodes.size());
    // Nodes whose walks all end on one value have no standard error, and no z.
    EXPECT_GE(summarizeZ(values).count, static_cast<std::int64_t>(values.size()) * 7 / 10);
    return summarizeZ(values);
}

class SqueezedSource {
public:
    explicit SqueezedSource(std::uint64_t seed) : inner_(seed) {}
    void reseed() {}
    double next() { return 0.99 * inner_.next(); }
    SqueezedSource fork() { return SqueezedSource(inner_.fork()); }
    SqueezedSource split(std::uint64_t index) const { return SqueezedSource(inner_.split(index)); }

private:
    explicit SqueezedSource(SeededSource inner) : inner_(inner) {}
    SeededSource inner_;
};

bool passes(const ZSummary& z) {
    return std::fabs(z.mean) <= 0.1 && z.deviation >= 0.9 && z.deviation <= 1.1;
}

// Seeded fields on several domains, both walks: z has mean within 0.1 of 0 and deviation within
// 0.9..1.1; against a wrong exact solution (lengths 3 % off), or with leaning walks, it fails.
TEST(WholeFieldStatistics, ZIsStandardNoiseAndABiasShows) {
    const std::vector<FieldCase> cases = {
        {"square 80 exp sin, jumps", WalkDomain::square(80), ExpXSiny, 1.0, 1.0, WalkKind::Jump,
         400, 11},
        {"L 120 x 90 at (60, 40) x*y, jumps", WalkDomain::lShaped(120, 90, 60, 40), XY, 2.0, 1.5,
         WalkKind::Jump, 300, 12},
        {"L 200 x 200 corner left of the grid, sine, jumps", WalkDomain::lShaped(200, 200, -3, 150),
         Seno, 1.0, 1.0, WalkKind::Jump, 300, 13},
        {"square 40 exp sin, lattice walks", WalkDomain::square(40), ExpXSiny, 1.0, 1.0,
         WalkKind::Lattice, 300, 14},
    };
    WalkPool pool(2);
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BoundaryGrid grid = filled(c.domain, c.datum, c.lx, c.ly);
        const FieldLattice lattice = fieldLattice(c.domain);
        const std::vector<double> exact = exactValues(grid, c.domain, lattice);
        const ZSummary z = fieldZ(c, pool, grid, exact, lattice);
        EXPECT_TRUE(passes(z)) << "mean " << z.mean << ", deviation " << z.deviation;
        const std::vector<double> wrong =
            exactValues(filled(c.domain, c.datum, c.lx * 1.03, c.ly * 1.03), c.domain, lattice);
        const ZSummary off = fieldZ(c, pool, grid, wrong, lattice);
        EXPECT_FALSE(passes(off)) << "mean " << off.mean << ", deviation " << off.deviation;
    }
    // Walks whose draws are squeezed 1 % towards 0, so that they step down a little less often.
    FieldCase c{"L", WalkDomain::lShaped(60, 45, 30, 20), XY, 2.0, 1.5, WalkKind::Lattice, 300, 21};
    const BoundaryGrid grid = filled(c.domain, c.datum, c.lx, c.ly);
    const FieldLattice lattice = fieldLattice(c.domain);
    const std::vector<double> exact = exactValues(grid, c.domain, lattice);
    for (const WalkKind walk : {WalkKind::Lattice, WalkKind::Jump}) {
        c.walk = walk;
        const ZSummary biased = fieldZ<SqueezedSource>(c, pool, grid, exact, lattice);
        EXPECT_FALSE(passes(biased))
            << "mean " << biased.mean << ", deviation " << biased.deviation;
    }
}

class Recording : public FieldObserver {
public:
    void fieldExact(const FieldLattice& lattice, std::span<const double> atNodes) override {
        EXPECT_TRUE(indexes.empty()) << "the exact values come before any node";
        nodes = lattice.nodes;
        exact.assign(atNodes.begin(), atNodes.end());
    }
    void fieldEstimated(std::size_t index, const FieldValue& value) override {
        indexes.push_back(index);
        values.push_back(value);
        if (stopAfter > 0 && values.size() == stopAfter) {
            progress->requestStop();
        }
    }
    std::vector<Node> nodes;
    std::vector<double> exact;
    std::vector<std::size_t> indexes;
    std::vector<FieldValue> values;
    std::size_t stopAfter = 0;
    Progress* progress = nullptr;
};

bool sameBits(const FieldValue& x, const FieldValue& y) {
    return x.node == y.node && std::memcmp(&x.estimate.value, &y.estimate.value, 8) == 0 &&
           std::memcmp(&x.estimate.standardError, &y.estimate.standardError, 8) == 0 &&
           std::memcmp(&x.exact, &y.exact, 8) == 0;
}

// One seeded field on the pool of `threads`, heard by `observer`.
FieldLattice runOn(int threads, const BoundaryGrid& grid, const WalkDomain& d, std::uint64_t seed,
                   Progress& progress, Recording& observer, std::vector<FieldValue>& values) {
    WalkPool pool(threads);
    SeededSource source(seed);
    return runWholeField(grid, d, 200, source, kPlentyOfMemory,
                         FieldOptions{.pool = &pool, .progress = &progress, .observer = &observer},
                         values);
}

// A seeded field is the same to the last bit on one thread and on 2 and 7 (many nodes as tasks,
// or few nodes whose chunks are shared out); the observer hears of the nodes in order. Esc after
// some nodes ends the run with Interrupted, keeping what it had, the start of the whole run.
TEST(WholeFieldRun, SameBitsOnAnyThreadsInOrderAndEscKeepsTheNodesEstimated) {
    for (const WalkDomain d : {WalkDomain::lShaped(90, 70, 30, 50), WalkDomain::square(4)}) {
        const BoundaryGrid grid = filled(d, ExpXSiny);
        std::vector<FieldValue> reference;
        SeededSource first(77);
        runWholeField(grid, d, 200, first, kPlentyOfMemory, FieldOptions{}, reference);
        for (const int threads : {2, 7}) {
            SCOPED_TRACE(threads);
            Progress progress;
            Recording observer;
            std::vector<FieldValue> values;
            const FieldLattice lattice = runOn(threads, grid, d, 77, progress, observer, values);
            ASSERT_EQ(reference.size(), lattice.nodes.size());
            ASSERT_EQ(values.size(), reference.size());
            ASSERT_EQ(observer.values.size(), reference.size());
            ASSERT_EQ(observer.exact.size(), reference.size());
            EXPECT_EQ(observer.nodes, lattice.nodes);
            for (std::size_t k = 0; k < values.size(); ++k) {
                EXPECT_EQ(observer.indexes[k], k);
                EXPECT_EQ(observer.exact[k], reference[k].exact);
                EXPECT_TRUE(sameBits(values[k], reference[k])) << k;
                EXPECT_TRUE(sameBits(observer.values[k], reference[k])) << k;
            }
            EXPECT_EQ(progress.stage(), Stage::Walks);
            EXPECT_EQ(progress.done(), progress.total());
            EXPECT_EQ(progress.total(), static_cast<std::int64_t>(reference.size()) * 200);
        }
    }
    const WalkDomain d = WalkDomain::lShaped(90, 70, 30, 50);
    const BoundaryGrid grid = filled(d, ExpXSiny);
    std::vector<FieldValue> reference;
    SeededSource first(5);
    runWholeField(grid, d, 200, first, kPlentyOfMemory, FieldOptions{}, reference);
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        Progress progress;
        Recording observer;
        observer.stopAfter = 40;
        observer.progress = &progress;
        std::vector<FieldValue> values;
        EXPECT_THROW(runOn(threads, grid, d, 5, progress, observer, values), Interrupted);
        ASSERT_GE(values.size(), 40U);
        EXPECT_LT(values.size(), reference.size());
        EXPECT_EQ(values.size(), observer.values.size());
        for (std::size_t k = 0; k < values.size(); ++k) {
            EXPECT_TRUE(sameBits(values[k], reference[k])) << k;
        }
        EXPECT_LT(progress.done(), progress.total());
    }
}

// Nodes without a standard error have no z and are left out of the summary; a grid too large
// for the memory given is refused before any walk.
TEST(WholeFieldRun, ZWithoutAYardstickIsLeftOutAndATooLargeSolveIsRefused) {
    EXPECT_DOUBLE_EQ(zScore(Estimate{1.5, 0.25, 100}, 1.0), 2.0);
    EXPECT_TRUE(std::isnan(zScore(Estimate{1.0, 0.0, 100}, 1.0)));
    const std::vector<FieldValue> values = {
        {{1, 1}, {}, 0.0, 1.0},
        {{1, 2}, {}, 0.0, std::numeric_limits<double>::quiet_NaN()},
        {{1, 3}, {}, 0.0, -1.0},
        {{1, 4}, {}, 0.0, 3.0},
    };
    const ZSummary z = summarizeZ(values);
    EXPECT_EQ(z.count, 3);
    EXPECT_DOUBLE_EQ(z.mean, 1.0);
    EXPECT_DOUBLE_EQ(z.deviation, 2.0);
    EXPECT_TRUE(std::isnan(summarizeZ({}).mean));

    const WalkDomain d = WalkDomain::square(6);
    const BoundaryGrid zero = filled(d, Nullo);
    SeededSource source(1);
    std::vector<FieldValue> field;
    runWholeField(zero, d, 50, source, kPlentyOfMemory, FieldOptions{}, field);
    EXPECT_EQ(field.size(), 25U);
    EXPECT_EQ(summarizeZ(field).count, 0);

    const WalkDomain big = WalkDomain::square(2000);
    const BoundaryGrid grid = filled(big, Seno);
    Progress progress;
    EXPECT_THROW(runWholeField(grid, big, 100, source, exactSolveBytes(big) - 1,
                               FieldOptions{.progress = &progress}, field),
                 ExactSolveTooLarge);
    EXPECT_TRUE(field.empty());
    EXPECT_NE(progress.stage(), Stage::Walks);
}

}  // namespace
}  // namespace nurlo
