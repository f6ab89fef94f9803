#include "jump_walk.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "scripted_source.hpp"

namespace nurlo {
namespace {

using test::ScriptedSource;

Node node(int x, int y) { return {static_cast<Int16>(x), static_cast<Int16>(y)}; }

// The exact law of the lattice walk's end node (index x * (ny + 1) + y), by moving probability
// mass a quarter to each neighbour per sweep until less than 1e-15 of it is still walking.
std::vector<double> exactEndLaw(const WalkDomain& domain, Node start) {
    const int ny = domain.ny();
    const auto index = [ny](int x, int y) { return static_cast<std::size_t>(x * (ny + 1) + y); };
    std::vector<double> ended(index(domain.nx() + 1, 0), 0.0);
    std::vector<double> walking(ended.size(), 0.0);
    walking[index(start.x, start.y)] = 1.0;
    for (double left = 1.0; left > 1e-15;) {
        std::vector<double> next(ended.size(), 0.0);
        left = 0.0;
        for (int x = 0; x <= domain.nx(); ++x) {
            for (int y = 0; y <= ny; ++y) {
                const double mass = walking[index(x, y)] / 4.0;
                if (mass == 0.0) {
                    continue;  // only nodes where walks go on hold mass, all inside the grid
                }
                for (const auto& [mx, my] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const bool stop = domain.stops(node(x + mx, y + my));
                    (stop ? ended : next)[index(x + mx, y + my)] += mass;
                    left += stop ? 0.0 : mass;
                }
            }
        }
        walking = std::move(next);
    }
    return ended;
}

TEST(JumpLaw, MatchesTheExactExitLawOfSmallSquaresAndSumsToOne) {
    // From the centre of the square of radius r the walk exits each side at offset y with
    // probability q_r(y), and never through a corner.
    for (int r = 1; r <= 12; ++r) {
        const std::vector<double> law = exactEndLaw(WalkDomain::square(toInt16(2 * r)), node(r, r));
        const auto at = [&](int x, int y) { return law[std::size_t(x * (2 * r + 1) + y)]; };
        for (int y = -r; y <= r; ++y) {
            for (const double exact :
                 {at(2 * r, r + y), at(0, r + y), at(r + y, 2 * r), at(r + y, 0)}) {
                EXPECT_NEAR(JumpTables::exitProbability(r, y), exact, 1e-14) << r << ", " << y;
            }
        }
    }
    // Every radius of the tables: finite, and all the mass on the four sides.
    for (int r = 2; r <= JumpTables::kMaxRadius; r *= 2) {
        double side = 0.0;
        for (int y = 1 - r; y < r; ++y) {
            side += JumpTables::exitProbability(r, y);
        }
        EXPECT_NEAR(4.0 * side, 1.0, 1e-12) << "r = " << r;
    }
}

TEST(Room, IsTheLargestSquareFreeOfStopsOnEveryNodeOfManyDomains) {
    const auto bruteRoom = [](const WalkDomain& domain, int x, int y) {
        for (int r = 1;; ++r) {
            for (int dx = 1 - r; dx < r; ++dx) {
                for (int dy = 1 - r; dy < r; ++dy) {
                    if (domain.stops(node(x + dx, y + dy))) {
                        return r - 1;
                    }
                }
            }
        }
    };
    for (int nx = 0; nx <= 9; ++nx) {
        for (int ny = 0; ny <= 9; ++ny) {
            // Corners left of and below the grid, on its edges, inside, on and past its far sides.
            for (int a = -2; a <= nx + 2; ++a) {
                for (int b = -2; b <= ny + 2; ++b) {
                    const auto domain =
                        WalkDomain::lShaped(toInt16(nx), toInt16(ny), toInt16(a), toInt16(b));
                    for (int x = 0; x <= nx; ++x) {
                        for (int y = 0; y <= ny; ++y) {
                            ASSERT_EQ(domain.room(node(x, y)), bruteRoom(domain, x, y))
                                << nx << " x " << ny << ", corner (" << a << ", " << b
                                << "), node (" << x << ", " << y << ")";
                        }
                    }
                }
            }
        }
    }
}

// Chi-square of 40000 end nodes against the exact law (bins of expected count below 5 merged, a
// fixed seed) over its 0.1% critical value (Wilson-Hilferty): below 1 passes.
template <class Run>
double chiSquareOverCritical(const WalkDomain& domain, Node start, Run run) {
    constexpr int kWalks = 40000;
    const std::vector<double> law = exactEndLaw(domain, start);
    std::vector<double> seen(law.size(), 0.0);
    SeededSource source(20250101);
    for (int walk = 0; walk < kWalks; ++walk) {
        const Node end = run(source);
        seen.at(static_cast<std::size_t>(end.x * (domain.ny() + 1) + end.y)) += 1.0;
    }
    std::vector<std::pair<double, double>> bins;  // (expected, seen), smallest first
    for (std::size_t i = 0; i < law.size(); ++i) {
        bins.push_back({law[i] * kWalks, seen[i]});
    }
    std::sort(bins.begin(), bins.end());
    double value = 0.0;
    double expected = 0.0;
    double observed = 0.0;
    int degrees = -1;
    for (const auto& [e, o] : bins) {
        expected += e;
        observed += o;
        if (expected >= 5.0) {
            value += (observed - expected) * (observed - expected) / expected;
            expected = observed = 0.0;
            ++degrees;
        }
    }
    const double c = 2.0 / (9.0 * degrees);
    return value / (degrees * std::pow(1.0 - c + 3.0902 * std::sqrt(c), 3.0));
}

TEST(JumpWalk, EndNodesFollowTheExactLawOfTheLatticeWalk) {
    const std::pair<WalkDomain, Node> cases[] = {
        {WalkDomain::square(20), {10, 10}},
        {WalkDomain::square(23), {4, 15}},
        {WalkDomain::lShaped(20, 20, 10, 10), {9, 11}},   // beside the inner corner
        {WalkDomain::lShaped(20, 20, 10, 10), {15, 14}},  // inside the removed block
        {WalkDomain::lShaped(22, 18, 8, 12), {14, 9}},    // below the block, right of its corner
        {WalkDomain::lShaped(20, 20, -2, 7), {12, 13}},   // a whole row stops walks
    };
    for (const auto& [domain, start] : cases) {
        const JumpWalk walk(domain, start);
        EXPECT_LT(chiSquareOverCritical(domain, start,
                                        [&](SeededSource& source) { return walk.run(source); }),
                  1.0)
            << "from (" << start.x << ", " << start.y << ")";
    }
    // The power of the test: a room measured to the corner node (8, 12) alone lets jumps from
    // (14, 9) cross the segment y = 12 into the removed block, and is rejected by far.
    const WalkDomain domain = WalkDomain::lShaped(22, 18, 8, 12);
    const auto cornerNodeRoom = [&](Node p) {
        return static_cast<Int16>(
            std::min({int{p.x}, int{p.y}, domain.nx() - p.x, domain.ny() - p.y,
                      std::max(std::abs(8 - p.x), std::abs(12 - p.y))}));
    };
    // The wrong walk is the jump walk's loop with that room, its moves the program's own.
    const auto wrongWalk = [&](SeededSource& source) {
        Node node{14, 9};
        while (!domain.stops(node)) {
            source.reseed();
            const Step move = JumpTables::shared().moveFor(cornerNodeRoom(node), source.next());
            node = {checkedAdd(node.x, move.dx), checkedAdd(node.y, move.dy)};
        }
        return node;
    };
    EXPECT_GT(chiSquareOverCritical(domain, {14, 9}, wrongWalk), 10.0);
}

TEST(JumpWalk, DrawsOncePerMoveAfterAReseedEvenOnTheLargestGrid) {
    ScriptedSource source({0.0, 0.9});
    JumpCounts counts;
    // Room 4 at the centre of the 8 x 8 square: the draw 0 jumps to (8, 4) on side +x; room 1
    // inside the 2 x 2 square: the band rule's step -y; a stopping start draws nothing.
    EXPECT_EQ(JumpWalk(WalkDomain::square(8), {4, 4}).run(source, counts), (Node{8, 4}));
    EXPECT_EQ(JumpWalk(WalkDomain::square(2), {1, 1}).run(source, counts), (Node{1, 0}));
    EXPECT_EQ(JumpWalk(WalkDomain::lShaped(6, 6, 2, 3), {5, 3}).run(source, counts), (Node{5, 3}));
    EXPECT_EQ(source.reseeds(), 2u);
    EXPECT_EQ(counts.jumps + counts.steps, 2u);
    // Rooms up to 16383 jump at most 8192 far, in 16-bit offsets.
    SeededSource seeded(3);
    const WalkDomain largest = WalkDomain::square(kInt16Max);
    for (int walk = 0; walk < 100; ++walk) {
        EXPECT_TRUE(largest.stops(JumpWalk(largest, {16383, 16383}).run(seeded)));
    }
}

}  // namespace
}  // namespace nurlo
