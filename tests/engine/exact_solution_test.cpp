#include "exact_solution.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "boundary_datum.hpp"
#include "expect_error.hpp"
#include "grid_memory.hpp"
#include "harmonic.hpp"
#include "walk_estimator.hpp"

namespace nurlo {
namespace {

constexpr std::size_t kPlentyOfMemory = std::size_t{1} << 40;

ExactSolution solve(const BoundaryGrid& grid, const WalkDomain& domain) {
    return solveExact(grid, domain, ExactSolveOptions(kPlentyOfMemory));
}

// The square of side nx when a is kSquare, else the L with inner corner (a, b).
constexpr Int16 kSquare = std::numeric_limits<Int16>::min();

struct Domain {
    Int16 nx, ny, a = kSquare, b = 0;
    WalkDomain walk() const {
        return a == kSquare ? WalkDomain::square(nx) : WalkDomain::lShaped(nx, ny, a, b);
    }
};

BoundaryGrid filled(const Domain& d, BoundaryDatum datum, double lx, double ly) {
    BoundaryGrid grid(d.nx, d.ny, kTestGridMemory);
    fillBoundary(grid, datum, lx, ly);
    return grid;
}

double largestGap(const BoundaryGrid& grid, const std::function<double(int, int)>& other) {
    double gap = 0.0;
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            gap = std::fmax(gap, std::fabs(grid.at(i, j) - other(i, j)));
        }
    }
    return gap;
}

// The solution is unique, so both rules at every node check it completely: a node where walks
// stop keeps the grid's value to the bit, any other is the mean of its neighbours within 1e-12
// of the largest |grid value| (formed from quarters, so that huge values do not overflow).
void expectDiscreteHarmonic(const ExactSolution& u, const BoundaryGrid& grid,
                            const WalkDomain& domain) {
    ASSERT_EQ(u.nx(), grid.nx());
    ASSERT_EQ(u.ny(), grid.ny());
    const double tolerance = 1e-12 * largestGap(grid, [](int, int) { return 0.0; });
    EXPECT_TRUE(u.finite());
    EXPECT_LE(u.residual(), tolerance);
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            const bool stops = domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)});
            const double expected = stops ? grid.at(i, j)
                                          : 0.25 * u.at(i - 1, j) + 0.25 * u.at(i + 1, j) +
                                                0.25 * u.at(i, j - 1) + 0.25 * u.at(i, j + 1);
            EXPECT_LE(std::fabs(u.at(i, j) - expected), stops ? 0.0 : tolerance)
                << "at (" << i << ", " << j << ")";
        }
    }
}

// Where the datum is discrete harmonic the solution is the datum: x*y at any spacings, x^2 - y^2
// and x^3 - 3xy^2 at equal spacings only; at unequal ones x^2 - y^2 must leave the datum.
TEST(ExactSolution, EveryDatumObeysBothRulesAndHarmonicDataAreTheirOwnSolutions) {
    // Corners in the middle, on and beyond the edges, negative, at the origin, below the grid;
    // grids of one and two steps, with no free node, and with a free node in the removed block.
    const Domain domains[] = {{9, 9},        {12, 10, 6, 5}, {12, 10, 10, 8}, {10, 8, 10, 3},
                              {10, 8, 4, 8}, {8, 8, 20, 30}, {8, 9, -3, 4},   {7, 7, 0, 0},
                              {7, 7, 3, -2}, {2, 2},         {2, 1, 1, 1},    {1, 1},
                              {1, 5, 0, 2},  {3, 3, 1, 1}};
    const struct {
        BoundaryDatum datum;
        double hx, hy;
        bool harmonic;
    } data[] = {
        {BoundaryDatum::XY, 1.0, 1.0, true},         {BoundaryDatum::XY, 2.5, -0.75, true},
        {BoundaryDatum::X2MinusY2, 0.5, 0.5, true},  {BoundaryDatum::X3Minus3XY2, 0.5, 0.5, true},
        {BoundaryDatum::X2MinusY2, 2.0, 0.5, false}, {BoundaryDatum::ExpXSiny, 0.13, 0.21, false},
    };
    for (const Domain& d : domains) {
        for (const auto& c : data) {
            const BoundaryGrid grid = filled(d, c.datum, c.hx * d.nx, c.hy * d.ny);
            const ExactSolution u = solve(grid, d.walk());
            SCOPED_TRACE(testing::Message() << d.nx << "x" << d.ny << " corner " << d.a << ","
                                            << d.b << " " << datumRow(c.datum).listText);
            expectDiscreteHarmonic(u, grid, d.walk());
            const double gap = largestGap(grid, [&](int i, int j) { return u.at(i, j); });
            if (c.harmonic) {
                EXPECT_LE(gap, 1e-12 * largestGap(grid, [](int, int) { return 0.0; }));
            } else if (c.datum == BoundaryDatum::X2MinusY2 && u.freeNodes() > 0) {
                EXPECT_GT(gap, 0.1);
            }
        }
    }
    EXPECT_EQ(
        solve(filled({3, 3, 1, 1}, BoundaryDatum::Seno, 1, 1), WalkDomain::lShaped(3, 3, 1, 1))
            .freeNodes(),
        1);

    // Values near the largest double stay finite; an infinity or a NaN is reported, not thrown.
    const Domain huge{8, 8, 5, 4};
    const BoundaryGrid big = filled(huge, BoundaryDatum::ExpXSiny, 709.7, 1.5);
    ASSERT_GT(largestGap(big, [](int, int) { return 0.0; }), 1e308);
    expectDiscreteHarmonic(solve(big, huge.walk()), big, huge.walk());
    for (const double bad : {std::numeric_limits<double>::infinity(), std::nan("")}) {
        BoundaryGrid broken = filled({6, 6}, BoundaryDatum::Seno, 1.0, 1.0);
        broken.set(0, 3, bad);
        EXPECT_FALSE(solve(broken, WalkDomain::square(6)).finite()) << bad;
    }
}

// The square's sine datum against the discrete sine series u(i, j) = sum_m c_m sin(m pi i / n)
// sinh(beta_m (n - j)) / sinh(beta_m n), c_m = (2 / n) sum_k f_k sin(m pi k / n),
// cosh(beta_m) = 2 - cos(m pi / n); the ratio of sinh is written with expm1 so it cannot overflow.
TEST(ExactSolution, SquareSineMatchesTheDiscreteSineSeries) {
    constexpr double pi = std::numbers::pi;
    for (const auto& [n, length] :
         {std::pair{3, 1.0}, {4, 1.0}, {7, 1.0}, {16, 0.37}, {60, 2.0}, {400, 1.0}}) {
        const BoundaryGrid grid =
            filled({toInt16(n), toInt16(n)}, BoundaryDatum::Seno, length, length);
        const ExactSolution u = solve(grid, WalkDomain::square(toInt16(n)));
        std::vector<double> coefficients(static_cast<std::size_t>(n)), betas(coefficients.size());
        double* const c = coefficients.data();  // indexed by m
        double* const beta = betas.data();
        for (int m = 1; m < n; ++m) {
            for (int k = 1; k < n; ++k) {
                c[m] += 2.0 / n * grid.at(k, 0) * std::sin(m * pi * k / n);
            }
            beta[m] = std::acosh(2.0 - std::cos(m * pi / n));
        }
        const int stride = n > 60 ? 7 : 1;  // the series costs n per node
        for (int i = 0; i <= n; i += stride) {
            for (int j = 0; j <= n; j += stride) {
                double series = 0.0;
                for (int m = 1; m < n; ++m) {
                    series += c[m] * std::sin(m * pi * i / n) * std::exp(-beta[m] * j) *
                              std::expm1(-2.0 * beta[m] * (n - j)) / std::expm1(-2.0 * beta[m] * n);
                }
                EXPECT_NEAR(u.at(i, j), series, 1e-12)
                    << "n " << n << " at (" << i << ", " << j << ")";
            }
        }
    }
}

struct WalkCase {
    Domain domain;
    BoundaryDatum datum;
    double lx, ly;
    std::vector<Node> starts;
};

const WalkCase kWalkCases[] = {
    {{10, 10}, BoundaryDatum::Seno, 1.0, 1.0, {{5, 5}, {2, 1}, {8, 3}}},
    {{10, 10, 5, 5}, BoundaryDatum::Seno, 1.0, 1.0, {{6, 2}, {2, 6}, {4, 4}}},
    {{10, 10, 5, 5}, BoundaryDatum::ExpXSiny, 1.0, 1.5, {{4, 6}, {6, 4}, {8, 8}}},
};

// Start nodes where a seeded estimate of 20000 walks lies more than 5 standard errors from `u`.
int walkDisagreements(const WalkCase& c, const std::function<double(int, int)>& u, WalkKind kind) {
    const BoundaryGrid grid = filled(c.domain, c.datum, c.lx, c.ly);
    const WalkEstimator estimator(grid, c.domain.walk(), {.walk = kind});
    int disagreements = 0;
    std::uint64_t seed = 17;
    for (const Node start : c.starts) {
        SeededSource source(seed++);
        const Estimate estimate = estimator.run(start, 20000, source);
        disagreements +=
            !(std::fabs(estimate.value - u(start.x, start.y)) <= 5.0 * estimate.standardError);
    }
    return disagreements;
}

TEST(ExactSolutionWalks, SeededEstimatesAgreeWithinFiveStandardErrorsInBothWalkModes) {
    for (const WalkCase& c : kWalkCases) {
        const ExactSolution u = solve(filled(c.domain, c.datum, c.lx, c.ly), c.domain.walk());
        for (const WalkKind kind : {WalkKind::Lattice, WalkKind::Jump}) {
            EXPECT_EQ(walkDisagreements(
                          c, [&](int i, int j) { return u.at(i, j); }, kind),
                      0)
                << static_cast<int>(c.datum) << " corner " << c.domain.a << " kind "
                << static_cast<int>(kind);
        }
    }
}

// The power of the tests above: a solve that stops walks only at the L's corner node, not on its
// two segments (relaxed with that wrong rule), is rejected by the walks, and its node walled in
// by the segments is not the mean of its neighbours.
TEST(ExactSolutionWalks, RejectASolverThatStopsOnlyAtTheInnerCorner) {
    const auto wrongSolve = [](const Domain& d, const BoundaryGrid& grid) {
        return test::HarmonicSolution(
            d.nx, d.ny,
            [&](int i, int j) {
                return i == 0 || j == 0 || i == d.nx || j == d.ny || (i == d.a && j == d.b);
            },
            [&](int i, int j) { return grid.at(i, j); });
    };
    int disagreements = 0;
    for (const WalkCase& c : kWalkCases) {
        if (c.domain.a != kSquare) {
            const auto wrong = wrongSolve(c.domain, filled(c.domain, c.datum, c.lx, c.ly));
            for (const WalkKind kind : {WalkKind::Lattice, WalkKind::Jump}) {
                disagreements += walkDisagreements(
                    c, [&](int i, int j) { return wrong.at(i, j); }, kind);
            }
        }
    }
    EXPECT_GE(disagreements, 6);

    const BoundaryGrid g = filled({3, 3, 1, 1}, BoundaryDatum::ExpXSiny, 1.5, 2.0);
    const double mean = (g.at(1, 2) + g.at(3, 2) + g.at(2, 1) + g.at(2, 3)) / 4.0;
    EXPECT_GT(std::fabs(wrongSolve({3, 3, 1, 1}, g).at(2, 2) - mean), 1e-2);
}

// The memory check comes before any work, against the caller's limit.
TEST(ExactSolutionLimits, AGridTooLargeForTheMemoryIsRefusedUpFront) {
    const WalkDomain domain = WalkDomain::lShaped(40, 30, 20, 10);
    const BoundaryGrid grid = filled({40, 30}, BoundaryDatum::Seno, 1.0, 1.0);
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
    EXPECT_LT(exactSolveBytes(WalkDomain::square(500)), exactSolveBytes(WalkDomain::square(1000)));
    EXPECT_GT(exactSolveBytes(WalkDomain::square(32767)), std::size_t{1} << 39);  // no overflow
    EXPECT_THROW(solve(grid, WalkDomain::square(40)), std::invalid_argument);
    EXPECT_RUNTIME_ERROR(solve(grid, domain).at(41, 0), ErrorKind::SubscriptOutOfRange);
}

// An allocation the library cannot make, in a child whose address space is capped a little above
// what it uses, is the out-of-memory run-time error, not a crash.
TEST(ExactSolutionLimitsDeathTest, AnAllocationTheLibraryCannotMakeIsTheOutOfMemoryError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves the address space that the cap would take";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto solveCapped = [] {
        const BoundaryGrid grid = filled({600, 600}, BoundaryDatum::Seno, 1.0, 1.0);
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlimit limit{pages * 4096 + (rlim_t{64} << 20), pages * 4096 + (rlim_t{64} << 20)};
        setrlimit(RLIMIT_AS, &limit);
        try {
            solve(grid, WalkDomain::square(600));
        } catch (const RuntimeError& error) {
            std::exit(error.kind() == ErrorKind::OutOfMemory ? 0 : 2);
        }
        std::exit(1);
    };
    EXPECT_EXIT(solveCapped(), testing::ExitedWithCode(0), "");
#endif
}

// A factorisation left running in the background when the process ends is waited for: ended
// under it, the libraries' finalisers take the BLAS away and the process crashes as it closes.
// The child stops a solve, then ends; its factorisation is held until the end has begun, and
// says on its way out that it got there.
TEST(ExactSolutionLimitsDeathTest, TheEndOfTheProcessWaitsForAFactorisationLeftRunning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static std::atomic<bool> ending{false};
    struct SaysWhenFreed {
        SaysWhenFreed() = default;
        SaysWhenFreed(const SaysWhenFreed&) = delete;
        SaysWhenFreed& operator=(const SaysWhenFreed&) = delete;
        ~SaysWhenFreed() { std::fputs("factorisation over\n", stderr); }
    };
    const auto stopThenEnd = [] {
        {
            const BoundaryGrid grid = filled({600, 600}, BoundaryDatum::Seno, 1.0, 1.0);
            Progress progress;
            ExactSolveOptions options(std::numeric_limits<std::size_t>::max(), &progress);
            options.beforeFactorisation = [&progress, says = std::make_shared<SaysWhenFreed>()] {
                std::fputs("factorising\n", stderr);
                progress.requestStop();
                while (!ending.load()) {
                    std::this_thread::yield();
                }
            };
            try {
                solveExact(grid, WalkDomain::square(600), options);
                std::exit(2);
            } catch (const Interrupted&) {
            }
        }
        std::atexit([] { ending.store(true); });  // the first thing the end of the process does
        std::exit(0);
    };
    EXPECT_EXIT(stopThenEnd(), testing::ExitedWithCode(0), "factorising.*factorisation over");
}

// The points the test's threads reach, in order; a thread waits for another's point, so the test
// decides the order, not the machine's speed.
class Events {
public:
    void note(const std::string& event) {
        {
            const std::lock_guard lock(mutex_);
            log_.push_back(event);
        }
        noted_.notify_all();
    }
    void waitForAny(const std::vector<std::string>& events) {
        std::unique_lock lock(mutex_);
        noted_.wait(lock, [&] {
            return std::find_first_of(log_.begin(), log_.end(), events.begin(), events.end()) !=
                   log_.end();
        });
    }
    std::ptrdiff_t first(const std::string& event) const {
        const std::lock_guard lock(mutex_);
        return std::find(log_.begin(), log_.end(), event) - log_.begin();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable noted_;
    std::vector<std::string> log_;
};

// A stop asked for while the library factorises is answered at once, with the factorisation held
// at a gate; it keeps the library's turn until it ends, so a later solve answers a stop while it
// waits, and the next one factorises only after the first has ended.
TEST(ExactSolutionProgress, AStoppedFactorisationHoldsBackTheNextSolveUntilItEnds) {
    const BoundaryGrid grid = filled({30, 30}, BoundaryDatum::Seno, 1.0, 1.0);
    const WalkDomain domain = WalkDomain::square(30);
    const auto events = std::make_shared<Events>();  // the stopped factorisation outlives the test

    Progress first;
    ExactSolveOptions stopped(kPlentyOfMemory, &first);
    stopped.beforeFactorisation = [events, &first] {
        first.requestStop();
        events->waitForAny({"first let go"});
    };
    EXPECT_THROW(solveExact(grid, domain, stopped), Interrupted);
    EXPECT_LT(first.done(), 90) << "the stop waited for the factorisation";

    Progress second;
    ExactSolveOptions stoppedWhileWaiting(kPlentyOfMemory, &second);
    stoppedWhileWaiting.whileWaitingForTurn = [&] {
        events->note("second waiting");
        second.requestStop();
    };
    stoppedWhileWaiting.beforeFactorisation = [events] { events->note("second factorising"); };
    EXPECT_THROW(solveExact(grid, domain, stoppedWhileWaiting), Interrupted);

    Progress third;
    ExactSolveOptions waiting(kPlentyOfMemory, &third);
    waiting.whileWaitingForTurn = [events] { events->note("third waiting"); };
    waiting.beforeFactorisation = [events] { events->note("third factorising"); };
    std::optional<ExactSolution> solved;
    std::thread solver([&] {
        try {
            solved.emplace(solveExact(grid, domain, waiting));
        } catch (...) {
            ADD_FAILURE() << "the third solve failed";
        }
        events->note("third ended");
    });
    events->waitForAny({"third waiting", "third factorising", "third ended"});
    events->note("first let go");
    solver.join();

    EXPECT_LT(events->first("second waiting"), events->first("second factorising"));
    EXPECT_LT(events->first("third waiting"), events->first("first let go"));
    EXPECT_LT(events->first("first let go"), events->first("third factorising"));
    ASSERT_TRUE(solved.has_value());
    EXPECT_EQ(third.stage(), Stage::Exact);
    EXPECT_EQ(third.done(), third.total());
    expectDiscreteHarmonic(*solved, grid, domain);
}

}  // namespace
}  // namespace nurlo
