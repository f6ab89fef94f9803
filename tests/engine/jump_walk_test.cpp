#include "jump_walk.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "scripted_source.hpp"

namespace nurlo {
namespace {

using test::ScriptedSource;

Node node(int x, int y) { return {static_cast<Int16>(x), static_cast<Int16>(y)}; }

// The exact law of the lattice walk's end node over the grid's nodes (index x * (ny + 1) + y), by
// moving probability mass: every sweep sends the mass on each node where walks go on to its four
// neighbours, a quarter each, and banks what reaches a node that stops walks. It stops when less
// than 1e-15 of the mass is still walking.
std::vector<double> exactEndLaw(const WalkDomain& domain, Node start) {
    const int ny = domain.ny();
    const auto index = [ny](int x, int y) { return static_cast<std::size_t>(x * (ny + 1) + y); };
    const std::size_t size = index(domain.nx() + 1, 0);
    std::vector<double> ended(size, 0.0);
    std::vector<double> walking(size, 0.0);
    std::vector<double> next(size, 0.0);
    walking[index(start.x, start.y)] = 1.0;
    for (double left = 1.0; left > 1e-15;) {
        std::fill(next.begin(), next.end(), 0.0);
        left = 0.0;
        for (int x = 0; x <= domain.nx(); ++x) {
            for (int y = 0; y <= ny; ++y) {
                const double mass = walking[index(x, y)];
                if (mass == 0.0) {
                    continue;
                }
                if (domain.stops(node(x, y))) {
                    ended[index(x, y)] += mass;
                    continue;
                }
                for (const auto& [mx, my] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const bool stop = domain.stops(node(x + mx, y + my));
                    (stop ? ended : next)[index(x + mx, y + my)] += mass / 4.0;
                    left += stop ? 0.0 : mass / 4.0;
                }
            }
        }
        std::swap(walking, next);
    }
    return ended;
}

TEST(JumpLaw, MatchesTheExactExitLawOfSmallSquaresAndSumsToOne) {
    // The walk from the centre of the square of radius r, solved by moving mass, exits on each of
    // the four sides at offset y with probability q_r(y), and never through a corner.
    for (int r = 1; r <= 12; ++r) {
        const std::vector<double> law = exactEndLaw(WalkDomain::square(toInt16(2 * r)), node(r, r));
        const auto at = [&](int x, int y) {
            return law[static_cast<std::size_t>(x * (2 * r + 1) + y)];
        };
        for (int y = -r; y <= r; ++y) {
            const double q = JumpTables::exitProbability(r, y);
            for (const double exact :
                 {at(2 * r, r + y), at(0, r + y), at(r + y, 2 * r), at(r + y, 0)}) {
                EXPECT_NEAR(q, exact, 1e-14) << "r = " << r << ", y = " << y;
            }
        }
    }
    // Every radius of the tables, the largest included: finite, positive inside each side, and the
    // four sides together hold all the mass.
    for (int r = 2; r <= JumpTables::kMaxRadius; r *= 2) {
        double side = 0.0;
        for (int y = 1 - r; y < r; ++y) {
            const double q = JumpTables::exitProbability(r, y);
            ASSERT_TRUE(std::isfinite(q) && q > 0.0) << "r = " << r << ", y = " << y << ": " << q;
            side += q;
        }
        EXPECT_NEAR(4.0 * side, 1.0, 1e-12) << "r = " << r;
    }
}

TEST(JumpLaw, EachTableDrawsTheExitLaw) {
    // A draw reads as 53 bits: 3 of side and sign, log2 r of cell, 37 of coin. With side 0 (dx =
    // +r, y >= 0), every cell keeps its own |y| for the coins below a threshold, found by
    // bisection, and gives its alias above it: that is the law of |y| the table draws. Thresholds
    // are multiples of 2^-37, so each cell's 1/r of mass is split within 2^-38 / r.
    const JumpTables& tables = JumpTables::shared();
    constexpr std::uint64_t kCoins = std::uint64_t{1} << JumpTables::kCoinBits;
    for (int r = 2; r <= JumpTables::kMaxRadius; r *= 2) {
        const int level = std::countr_zero(static_cast<unsigned>(r));
        const auto draw = [&](std::uint64_t cell, std::uint64_t coin) {
            const Step move = tables.moveFor(
                toInt16(r), std::ldexp(static_cast<double>((cell << (50 - level)) | coin), -53));
            EXPECT_EQ(move.dx, r);
            return static_cast<std::size_t>(move.dy);
        };
        std::vector<double> drawn(static_cast<std::size_t>(r), 0.0);
        for (std::uint64_t cell = 0; cell < static_cast<std::uint64_t>(r); ++cell) {
            std::uint64_t low = 0;
            std::uint64_t high = kCoins;  // the threshold lies in [low, high]
            while (low < high) {
                const std::uint64_t mid = (low + high) / 2;
                if (draw(cell, mid) == cell) {
                    low = mid + 1;
                } else {
                    high = mid;
                }
            }
            const double keep = static_cast<double>(low) / static_cast<double>(kCoins);
            drawn[cell] += keep / r;
            if (low < kCoins) {
                drawn[draw(cell, kCoins - 1)] += (1.0 - keep) / r;
            }
        }
        for (int y = 0; y < r; ++y) {
            const double q = JumpTables::exitProbability(r, y);
            EXPECT_NEAR(drawn[static_cast<std::size_t>(y)], (y == 0 ? 4.0 : 8.0) * q, 0x1.0p-37)
                << "r = " << r << ", |y| = " << y;
        }
    }
}

TEST(Room, IsTheLargestSquareFreeOfStopsOnEveryNodeOfManyDomains) {
    // The room by its definition, from stops() alone.
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
    const auto check = [&](const WalkDomain& domain, const char* what, int a, int b) {
        for (int x = 0; x <= domain.nx(); ++x) {
            for (int y = 0; y <= domain.ny(); ++y) {
                ASSERT_EQ(domain.room(node(x, y)), bruteRoom(domain, x, y))
                    << what << " " << domain.nx() << " x " << domain.ny() << ", corner (" << a
                    << ", " << b << "), node (" << x << ", " << y << ")";
            }
        }
    };
    for (int nx = 0; nx <= 9; ++nx) {
        for (int ny = 0; ny <= 9; ++ny) {
            check(WalkDomain::square(toInt16(nx)), "square", 0, 0);
            // Corners left of and below the grid, on its edges, inside, on and past its far sides.
            for (int a = -2; a <= nx + 2; ++a) {
                for (int b = -2; b <= ny + 2; ++b) {
                    check(WalkDomain::lShaped(toInt16(nx), toInt16(ny), toInt16(a), toInt16(b)),
                          "L", a, b);
                }
            }
        }
    }
    // Off the grid: 0 where walks stop, else 1.
    const WalkDomain square = WalkDomain::square(4);
    EXPECT_EQ(square.room(node(-1, 2)), 1);
    EXPECT_EQ(square.room(node(9, 0)), 0);
}

// Chi-square of the end nodes of `walks` runs against the exact law, with the bins of expected
// count below 5 merged, smallest first; and the 0.1% critical value for its degrees of freedom
// (Wilson-Hilferty, within 1% from 10 degrees of freedom on).
struct ChiSquare {
    double value;
    double critical;
};

template <class Run>
ChiSquare endNodeChiSquare(const WalkDomain& domain, Node start, int walks, Run run) {
    const std::vector<double> law = exactEndLaw(domain, start);
    std::vector<double> observed(law.size(), 0.0);
    SeededSource source(20250101);
    for (int walk = 0; walk < walks; ++walk) {
        const Node end = run(source);
        observed.at(static_cast<std::size_t>(end.x * (domain.ny() + 1) + end.y)) += 1.0;
    }
    std::vector<std::pair<double, double>> bins;  // (expected, observed)
    for (std::size_t i = 0; i < law.size(); ++i) {
        if (law[i] > 0.0 || observed[i] > 0.0) {
            bins.push_back({law[i] * walks, observed[i]});
        }
    }
    std::sort(bins.begin(), bins.end());
    std::vector<std::pair<double, double>> merged;
    std::pair<double, double> pending{0.0, 0.0};
    for (const auto& [expected, seen] : bins) {
        pending = {pending.first + expected, pending.second + seen};
        if (pending.first >= 5.0) {
            merged.push_back(pending);
            pending = {0.0, 0.0};
        }
    }
    merged.back() = {merged.back().first + pending.first, merged.back().second + pending.second};
    double value = 0.0;
    for (const auto& [expected, seen] : merged) {
        value += (seen - expected) * (seen - expected) / expected;
    }
    const double k = static_cast<double>(merged.size() - 1);
    const double c = 2.0 / (9.0 * k);
    return {value, k * std::pow(1.0 - c + 3.0902 * std::sqrt(c), 3.0)};
}

struct LawCase {
    const char* name;
    WalkDomain domain;
    Node start;
};

TEST(JumpWalk, EndNodesFollowTheExactLawOfTheLatticeWalk) {
    const LawCase cases[] = {
        {"square centre", WalkDomain::square(20), {10, 10}},
        {"square off centre", WalkDomain::square(23), {4, 15}},
        {"L beside the inner corner", WalkDomain::lShaped(20, 20, 10, 10), {9, 11}},
        {"L inside the removed block", WalkDomain::lShaped(20, 20, 10, 10), {15, 14}},
        {"L below the block, right of its corner", WalkDomain::lShaped(22, 18, 8, 12), {14, 9}},
        {"L cut by a whole row", WalkDomain::lShaped(20, 20, -2, 7), {12, 13}},
    };
    for (const LawCase& c : cases) {
        const JumpWalk walk(c.domain, c.start);
        const ChiSquare chi = endNodeChiSquare(
            c.domain, c.start, 40000, [&](SeededSource& source) { return walk.run(source); });
        EXPECT_LT(chi.value, chi.critical) << c.name;
    }
}

TEST(JumpWalk, TheSameTestRejectsARoomMeasuredToTheCornerNodeOnly) {
    // Measured to the node (8, 12) alone, the room at (14, 9) is 6 instead of 3: jumps of radius 4
    // cross the segment y = 12 into the removed block.
    const WalkDomain domain = WalkDomain::lShaped(22, 18, 8, 12);
    const auto cornerNodeRoom = [&](Node p) {
        const int x = p.x;
        const int y = p.y;
        return static_cast<Int16>(std::min(
            {x, y, domain.nx() - x, domain.ny() - y, std::max(std::abs(8 - x), std::abs(12 - y))}));
    };
    const JumpWalk walk(domain, {14, 9});
    JumpCounts counts;
    const ChiSquare chi = endNodeChiSquare(domain, {14, 9}, 40000, [&](SeededSource& source) {
        return walk.runWithRoom(source, cornerNodeRoom, counts);
    });
    EXPECT_GT(chi.value, 10.0 * chi.critical);
}

TEST(JumpWalk, DrawsOncePerMoveAfterAReseedAndCountsJumpsAndSteps) {
    ScriptedSource source({0.0, 0.9, 0.1});
    JumpCounts counts;
    // Room 4 at the centre of the 8 x 8 square: the draw 0 jumps to (8, 4) on side +x.
    EXPECT_EQ(JumpWalk(WalkDomain::square(8), {4, 4}).run(source, counts), (Node{8, 4}));
    // Room 1 everywhere inside the 2 x 2 square: the band rule's step -y.
    EXPECT_EQ(JumpWalk(WalkDomain::square(2), {1, 1}).run(source, counts), (Node{1, 0}));
    // Off the grid, lattice steps: +x reaches the line x = 0.
    EXPECT_EQ(JumpWalk(WalkDomain::square(4), {-1, 2}).run(source, counts), (Node{0, 2}));
    // A start where walks stop draws nothing.
    EXPECT_EQ(JumpWalk(WalkDomain::lShaped(6, 6, 2, 3), {5, 3}).run(source, counts), (Node{5, 3}));
    EXPECT_EQ(source.draws(), 3u);
    EXPECT_EQ(source.reseeds(), 3u);
    EXPECT_EQ(counts.jumps, 1u);
    EXPECT_EQ(counts.steps, 2u);
}

TEST(JumpWalk, CrossesTheLargestGridsInAFewDozenJumps) {
    // Rooms up to 16383 jump at most 8192 far; every walk ends on a stopping node of the grid.
    const WalkDomain square = WalkDomain::square(kInt16Max);
    const WalkDomain ell = WalkDomain::lShaped(kInt16Max, kInt16Max, 16383, 16383);
    SeededSource source(3);
    for (const auto& [domain, start] : {std::pair{&square, node(16383, 16383)},
                                        {&ell, node(24575, 24575)},
                                        {&ell, node(100, 32000)}}) {
        JumpCounts counts;
        for (int walk = 0; walk < 200; ++walk) {
            const Node end = JumpWalk(*domain, start).run(source, counts);
            EXPECT_TRUE(domain->stops(end) && end.x >= 0 && end.y >= 0);
        }
        EXPECT_LT(counts.jumps + counts.steps, 200u * 60u);
    }
}

}  // namespace
}  // namespace nurlo
