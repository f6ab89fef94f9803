#include "exact_solution.hpp"
#include "grid_problem.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include "boundary_datum.hpp"
#include "expect_error.hpp"
#include "grid_memory.hpp"
#include "harmonic.hpp"
#include "walk_estimator.hpp"

namespace nurlo {
namespace {

constexpr std::size_t kPlentyOfMemory = std::size_t{1} << 40;
constexpr auto L = &WalkDomain::lShaped;
constexpr auto S = &WalkDomain::square;
using enum BoundaryDatum;

ExactSolution solve(const BoundaryGrid& grid, const WalkDomain& domain) {
    return solveExact(grid, domain, ExactSolveOptions(kPlentyOfMemory));
}

BoundaryGrid filled(const WalkDomain& d, BoundaryDatum datum = Seno, double lx = 1.0,
                    double ly = 1.0) {
    BoundaryGrid grid(d.nx(), d.ny(), kTestGridMemory);
    fillBoundary(grid, gridProblem(grid, datum, lx, ly));
    return grid;
}

// Stopping nodes keep the grid's value to the bit, others are the mean of their neighbours (summed
// in quarters against overflow) within 1e-12 of max |grid|; returns max |u - grid| / max |grid|.
double expectDiscreteHarmonic(const ExactSolution& u, const BoundaryGrid& grid,
                              const WalkDomain& domain) {
    double scale = 0.0, gap = 0.0;
    std::int64_t freeNodes = 0;
    for (int i = 0; i <= grid.nx(); ++i)
        for (int j = 0; j <= grid.ny(); ++j)
            scale = std::fmax(scale, std::fabs(grid.at(i, j)));
    EXPECT_TRUE(u.finite());
    EXPECT_LE(u.residual(), 1e-12 * scale);
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            const bool stops = domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)});
            const double expected = stops ? grid.at(i, j)
                                          : 0.25 * u.at(i - 1, j) + 0.25 * u.at(i + 1, j) +
                                                0.25 * u.at(i, j - 1) + 0.25 * u.at(i, j + 1);
            EXPECT_LE(std::fabs(u.at(i, j) - expected), stops ? 0.0 : 1e-12 * scale)
                << "at (" << i << ", " << j << ")";
            gap = std::fmax(gap, std::fabs(u.at(i, j) - grid.at(i, j)));
            freeNodes += !stops;
        }
    }
    EXPECT_EQ(u.freeNodes(), freeNodes);
    return gap / scale;
}

// Corners inside, on, beyond the edges and at the origin; no free node; the only free node in the
// removed block (3 x 3 at (1, 1)). x*y is harmonic at any spacings, the others at equal ones only.
TEST(ExactSolution, EveryDatumObeysBothRulesAndHarmonicDataAreTheirOwnSolutions) {
    for (const WalkDomain& d :
         {S(9), L(12, 10, 6, 5), L(12, 10, 10, 8), L(10, 8, 10, 3), L(10, 8, 4, 8), L(8, 8, 20, 30),
          L(8, 9, -3, 4), L(7, 7, 0, 0), L(7, 7, 3, -2), L(2, 1, 1, 1), L(1, 5, 0, 2),
          L(3, 3, 1, 1), S(2), S(1)}) {
        using R = std::tuple<BoundaryDatum, double, double, bool>;
        for (const auto& [datum, hx, hy, harmonic] :
             {R{XY, 1, 1, true}, R{XY, 2.5, -0.75, true}, R{X2MinusY2, 0.5, 0.5, true},
              R{X3Minus3XY2, 0.5, 0.5, true}, R{X2MinusY2, 2, 0.5, false},
              R{ExpXSiny, 0.13, 0.21, false}}) {
            SCOPED_TRACE(testing::Message() << d.nx() << "x" << d.ny() << " corner " << d.a() << ","
                                            << d.b() << " " << datumRow(datum).listText);
            const BoundaryGrid grid = filled(d, datum, hx * d.nx(), hy * d.ny());
            const ExactSolution u = solve(grid, d);
            const double gap = expectDiscreteHarmonic(u, grid, d);
            if (harmonic) {
                EXPECT_LE(gap, 1e-12);
            } else if (datum == X2MinusY2 && u.freeNodes() > 0) {
                EXPECT_GT(gap, 1e-3);
            }
        }
    }

    // Values near the largest double stay finite; an infinity or a NaN is reported, not thrown.
    const BoundaryGrid big = filled(L(8, 8, 5, 4), ExpXSiny, 709.7, 1.5);
    ASSERT_GT(big.at(8, 8), 1e308);
    expectDiscreteHarmonic(solve(big, L(8, 8, 5, 4)), big, L(8, 8, 5, 4));
    for (const double bad : {std::numeric_limits<double>::infinity(), std::nan("")}) {
        BoundaryGrid broken = filled(S(6));
        broken.set(0, 3, bad);
        EXPECT_FALSE(solve(broken, S(6)).finite()) << bad;
    }
}

// u(i, j) = sum_m c_m sin(m pi i / n) sinh(beta_m (n - j)) / sinh(beta_m n), with cosh(beta_m) =
// 2 - cos(m pi / n), c_m = (2 / n) sum_k f_k sin(m pi k / n); at n = 3 it is the solve by hand.
TEST(ExactSolution, SquareSineMatchesTheDiscreteSineSeries) {
    constexpr double pi = std::numbers::pi;
    for (const auto& [n, length] :
         {std::pair{3, 1.0}, {4, 1.0}, {7, 1.0}, {16, 0.37}, {60, 2.0}, {400, 1.0}}) {
        const WalkDomain square = S(toInt16(n));
        const BoundaryGrid grid = filled(square, Seno, length, length);
        const ExactSolution u = solve(grid, square);
        std::vector<double> cs(static_cast<std::size_t>(n)), betas(cs.size());
        double *const c = cs.data(), *const beta = betas.data();  // indexed by m
        for (int m = 1; m < n; ++m) {
            for (int k = 1; k < n; ++k)
                c[m] += 2.0 / n * grid.at(k, 0) * std::sin(m * pi * k / n);
            beta[m] = std::acosh(2.0 - std::cos(m * pi / n));
        }
        const int stride = n > 60 ? 7 : 1;  // the series costs n per node
        for (int i = 0; i <= n; i += stride) {
            for (int j = 0; j <= n; j += stride) {
                double series = 0.0;
                for (int m = 1; m < n; ++m)
                    series += c[m] * std::sin(m * pi * i / n) * std::exp(-beta[m] * j) *
                              std::expm1(-2.0 * beta[m] * (n - j)) / std::expm1(-2.0 * beta[m] * n);
                EXPECT_NEAR(u.at(i, j), series, 1e-12)
                    << "n " << n << " at (" << i << ", " << j << ")";
            }
        }
    }
}

// Seeded estimates of 20000 walks lie within 5 standard errors of the solution in both walk modes;
// a solve that stops walks at the L's corner node but not on its two segments is rejected.
TEST(ExactSolutionWalks, SeededEstimatesAgreeAndASolveStoppingOnlyAtTheInnerCornerIsRejected) {
    const std::tuple<WalkDomain, BoundaryDatum, double, std::vector<Node>> cases[] = {
        {S(10), Seno, 1.0, {{5, 5}, {2, 1}, {8, 3}}},
        {L(10, 10, 5, 5), Seno, 1.0, {{6, 2}, {2, 6}, {4, 4}}},
        {L(10, 10, 5, 5), ExpXSiny, 1.5, {{4, 6}, {6, 4}, {8, 8}}},
    };
    int wrongRejected = 0;
    for (const auto& [d, datum, ly, starts] : cases) {
        const BoundaryGrid grid = filled(d, datum, 1.0, ly);
        const ExactSolution u = solve(grid, d);
        const auto stopsWrongly = [&](int i, int j) {
            return i == 0 || j == 0 || i == d.nx() || j == d.ny() || (i == d.a() && j == d.b());
        };
        const test::HarmonicSolution wrong(d.nx(), d.ny(), stopsWrongly,
                                           [&](int i, int j) { return grid.at(i, j); });
        for (const WalkKind kind : {WalkKind::Lattice, WalkKind::Jump}) {
            const WalkEstimator estimator(grid, d, {.walk = kind});
            std::uint64_t seed = 17;
            for (const Node start : starts) {
                SeededSource source(seed++);
                const Estimate e = estimator.run(start, 20000, source);
                const double bound = 5 * e.standardError;
                EXPECT_NEAR(e.value, u.at(start.x, start.y), bound)
                    << datumRow(datum).listText << " corner " << d.a() << " from (" << start.x
                    << ", " << start.y << ") walk " << static_cast<int>(kind);
                wrongRejected +=
                    d.a() < d.nx() && std::fabs(e.value - wrong.at(start.x, start.y)) > bound;
            }
        }
    }
    EXPECT_GE(wrongRejected, 6);
}

TEST(ExactSolutionLimits, AGridTooLargeForTheMemoryIsRefusedUpFront) {
    const WalkDomain domain = L(40, 30, 20, 10);
    const BoundaryGrid grid = filled(domain);
    const std::size_t needed = exactSolveBytes(domain);
    Progress progress;
    try {
        solveExact(grid, domain, ExactSolveOptions(needed - 1, &progress));
        ADD_FAILURE() << "no refusal";
    } catch (const ExactSolveTooLarge& refusal) {
        EXPECT_EQ(refusal.kind(), ErrorKind::OutOfMemory);
        EXPECT_EQ(refusal.neededBytes(), needed);
        EXPECT_EQ(refusal.limitBytes(), needed - 1);
    }
    EXPECT_EQ(progress.stage(), Stage::Idle);
    EXPECT_NO_THROW(solveExact(grid, domain, ExactSolveOptions(needed, &progress)));
    EXPECT_LT(exactSolveBytes(S(500)), exactSolveBytes(S(1000)));
    EXPECT_GT(exactSolveBytes(S(32767)), std::size_t{1} << 39);  // no overflow
    EXPECT_THROW(solve(grid, S(40)), std::invalid_argument);
    EXPECT_RUNTIME_ERROR(solve(grid, domain).at(41, 0), ErrorKind::SubscriptOutOfRange);
}

// In a child whose address space is capped 64 MiB above what it uses.
TEST(ExactSolutionLimitsDeathTest, AnAllocationTheLibraryCannotMakeIsTheOutOfMemoryError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves the address space that the cap would take";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto solveCapped = [] {
        const BoundaryGrid grid = filled(S(600));
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t cap = pages * 4096 + (rlim_t{64} << 20);
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        try {
            solve(grid, S(600));
        } catch (const RuntimeError& error) {
            std::exit(error.kind() == ErrorKind::OutOfMemory ? 0 : 2);
        }
        std::exit(1);
    };
    EXPECT_EXIT(solveCapped(), testing::ExitedWithCode(0), "");
#endif
}

// Ended under a running factorisation, the libraries' finalisers would pull the BLAS away; the
// child's stopped factorisation is held until the end has begun, and says when it is freed.
TEST(ExactSolutionLimitsDeathTest, TheEndOfTheProcessWaitsForAFactorisationLeftRunning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static std::atomic<bool> ending{false};
    const auto stopThenEnd = [] {
        {
            const BoundaryGrid grid = filled(S(600));
            Progress progress;
            ExactSolveOptions options(std::numeric_limits<std::size_t>::max(), &progress);
            const std::shared_ptr<void> saysWhenFreed(
                nullptr, [](void*) { std::fputs("factorisation over\n", stderr); });
            options.beforeFactorisation = [&progress, saysWhenFreed] {
                std::fputs("factorising\n", stderr);
                progress.requestStop();
                while (!ending.load())
                    std::this_thread::yield();
            };
            try {
                solveExact(grid, S(600), options);
                std::exit(2);
            } catch (const Interrupted&) {
            }
        }
        std::atexit([] { ending.store(true); });  // the first thing the end of the process does
        std::exit(0);
    };
    EXPECT_EXIT(stopThenEnd(), testing::ExitedWithCode(0), "factorising.*factorisation over");
}

// A stop during the factorisation is answered at once, but the held factorisation keeps the
// library's turn: a later solve answers a stop while it waits, the next factorises after.
TEST(ExactSolutionProgress, AStoppedFactorisationHoldsBackTheNextSolveUntilItEnds) {
    const WalkDomain domain = S(30);
    const BoundaryGrid grid = filled(domain);
    struct Clock {  // when each point was first reached (0: never)
        std::atomic<int> now{}, secondWaits{}, secondFactorises{}, thirdWaits{}, letGo{},
            thirdFactorises{}, thirdEnds{};
        void mark(std::atomic<int>& point) {
            int never = 0;
            point.compare_exchange_strong(never, ++now);
            point.notify_all();
            now.notify_all();
        }
    };
    const auto c = std::make_shared<Clock>();  // shared with the held factorisation
    Progress first, second, third;
    ExactSolveOptions stopped(kPlentyOfMemory, &first);
    stopped.beforeFactorisation = [c, &first] {
        first.requestStop();
        c->letGo.wait(0);
    };
    EXPECT_THROW(solveExact(grid, domain, stopped), Interrupted);
    EXPECT_LT(first.done(), 90) << "the stop waited for the factorisation";
    ExactSolveOptions stoppedWhileWaiting(kPlentyOfMemory, &second);
    stoppedWhileWaiting.whileWaitingForTurn = [c, &second] {
        c->mark(c->secondWaits);
        second.requestStop();
    };
    stoppedWhileWaiting.beforeFactorisation = [c] { c->mark(c->secondFactorises); };
    EXPECT_THROW(solveExact(grid, domain, stoppedWhileWaiting), Interrupted);
    ExactSolveOptions waiting(kPlentyOfMemory, &third);
    waiting.whileWaitingForTurn = [c] { c->mark(c->thirdWaits); };
    waiting.beforeFactorisation = [c] { c->mark(c->thirdFactorises); };
    std::optional<ExactSolution> solved;
    const int before = c->now;
    std::thread solver([&] {
        try {
            solved.emplace(solveExact(grid, domain, waiting));
        } catch (...) {
        }
        c->mark(c->thirdEnds);
    });
    c->now.wait(before);  // until the third solve waits (or wrongly goes ahead, or ends)
    c->mark(c->letGo);
    solver.join();
    EXPECT_TRUE(c->secondWaits > 0 && c->secondFactorises == 0);
    EXPECT_TRUE(0 < c->thirdWaits && c->thirdWaits < c->letGo && c->letGo < c->thirdFactorises);
    ASSERT_TRUE(solved.has_value());
    EXPECT_EQ(third.stage(), Stage::Exact);
    EXPECT_EQ(third.done(), third.total());
    expectDiscreteHarmonic(*solved, grid, domain);
}

}  // namespace
}  // namespace nurlo
