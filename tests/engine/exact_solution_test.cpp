#include "exact_solution.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
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

Node node(int x, int y) { return {static_cast<Int16>(x), static_cast<Int16>(y)}; }

// A grid and its domain: the square when `square`, else the L with inner corner (a, b).
struct Domain {
    const char* name;
    Int16 nx, ny;
    bool square;
    Int16 a = 0, b = 0;

    WalkDomain walkDomain() const {
        return square ? WalkDomain::square(nx) : WalkDomain::lShaped(nx, ny, a, b);
    }
};

double largestValue(const BoundaryGrid& grid) {
    double largest = 0.0;
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            largest = std::fmax(largest, std::fabs(grid.at(i, j)));
        }
    }
    return largest;
}

// Both rules of the discrete harmonic function, node by node: a node where walks stop keeps the
// grid's value to the last bit, every other node is the mean of its four neighbours within
// 1e-12 of the largest |grid value|. The means are formed from quarters, so that values near the
// largest double do not overflow.
void expectDiscreteHarmonic(const ExactSolution& u, const BoundaryGrid& grid,
                            const WalkDomain& domain, const std::string& name) {
    ASSERT_EQ(u.nx(), grid.nx());
    ASSERT_EQ(u.ny(), grid.ny());
    const double tolerance = 1e-12 * largestValue(grid);
    EXPECT_TRUE(u.finite()) << name;
    EXPECT_LE(u.residual(), tolerance) << name;
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            if (domain.stops(node(i, j))) {
                EXPECT_EQ(u.at(i, j), grid.at(i, j)) << name << " at (" << i << ", " << j << ")";
                continue;
            }
            const double mean = 0.25 * u.at(i - 1, j) + 0.25 * u.at(i + 1, j) +
                                0.25 * u.at(i, j - 1) + 0.25 * u.at(i, j + 1);
            EXPECT_LE(std::fabs(u.at(i, j) - mean), tolerance)
                << name << " at (" << i << ", " << j << ")";
        }
    }
}

// Corners of every kind the screens accept: in the middle, on and beyond the rectangle's edges,
// negative, at the origin; grids of one and two steps and grids with no free node.
const std::vector<Domain> kDomains = {
    {"square 9", 9, 9, true},
    {"L middle", 12, 10, false, 6, 5},
    {"L thin block", 12, 10, false, 10, 8},
    {"L corner on the right edge", 10, 8, false, 10, 3},
    {"L corner on the top edge", 10, 8, false, 4, 8},
    {"L corner beyond the edges", 8, 8, false, 20, 30},
    {"L negative corner", 8, 9, false, -3, 4},
    {"L corner at the origin", 7, 7, false, 0, 0},
    {"L corner below the grid", 7, 7, false, 3, -2},
    {"square 2", 2, 2, true},
    {"L 2 x 1", 2, 1, false, 1, 1},
    {"square 1", 1, 1, true},
    {"L 1 x 5", 1, 5, false, 0, 2},
    {"L 3 x 3 walled block", 3, 3, false, 1, 1},
};

// Every datum, on domains with corners of every kind, obeys both rules at every node; the
// solution is unique, so that checks it completely. Where the datum is itself discrete harmonic
// the solution is the datum: x*y whatever the spacings (the mean of the neighbours of i*j is
// i*j); x^2 - y^2 and x^3 - 3xy^2 exactly when the spacings are equal (the mean of the neighbours
// of i^2 is i^2 + 1/2, of j^2 is j^2 + 1/2, and the halves cancel). With unequal spacings the
// discrete Laplacian of x^2 - y^2 is a nonzero constant, and the solution must leave the datum.
TEST(ExactSolutionReferences, EveryDatumObeysBothRulesAndHarmonicDataAreTheirOwnSolutions) {
    struct Datum {
        BoundaryDatum datum;
        double hx, hy;  // the spacings Lx / nx and Ly / ny
        bool harmonic;
    } const data[] = {
        {BoundaryDatum::XY, 1.0, 1.0, true},         {BoundaryDatum::XY, 2.5, -0.75, true},
        {BoundaryDatum::X2MinusY2, 0.5, 0.5, true},  {BoundaryDatum::X3Minus3XY2, 0.5, 0.5, true},
        {BoundaryDatum::X2MinusY2, 2.0, 0.5, false}, {BoundaryDatum::ExpXSiny, 0.13, 0.21, false},
    };
    for (const Domain& d : kDomains) {
        for (const Datum& c : data) {
            BoundaryGrid grid(d.nx, d.ny, kTestGridMemory);
            fillBoundary(grid, c.datum, c.hx * d.nx, c.hy * d.ny);
            const WalkDomain domain = d.walkDomain();
            const ExactSolution u = solve(grid, domain);
            const std::string name = std::string(d.name) + ", " +
                                     std::string(kDatumTexts[static_cast<std::size_t>(c.datum)]);
            expectDiscreteHarmonic(u, grid, domain, name);
            double gap = 0.0;
            for (int i = 0; i <= d.nx; ++i) {
                for (int j = 0; j <= d.ny; ++j) {
                    gap = std::fmax(gap, std::fabs(u.at(i, j) - grid.at(i, j)));
                }
            }
            if (c.harmonic) {
                EXPECT_LE(gap, 1e-12 * largestValue(grid)) << name;
            } else if (c.datum == BoundaryDatum::X2MinusY2 && u.freeNodes() > 0) {
                EXPECT_GT(gap, 0.1) << name;
            }
        }
    }
}

// The square's sine datum by the discrete sine series: with f_k the bottom row,
// u(i, j) = sum_m c_m sin(m pi i / n) sinh(beta_m (n - j)) / sinh(beta_m n), where
// c_m = (2 / n) sum_k f_k sin(m pi k / n) and cosh(beta_m) = 2 - cos(m pi / n). Each term is a
// product of a row harmonic and a column solution of the recurrence g(j+1) + g(j-1) =
// 2 cosh(beta) g(j) that vanishes on the top row. The ratio of sinh is taken as
// e^(-beta j) (1 - e^(-2 beta (n - j))) / (1 - e^(-2 beta n)), which cannot overflow.
class SineSeries {
public:
    SineSeries(const BoundaryGrid& grid, int n) : n_(n) {
        for (int m = 1; m < n; ++m) {
            double c = 0.0;
            for (int k = 1; k < n; ++k) {
                c += grid.at(k, 0) * std::sin(m * kPi * k / n);
            }
            coefficients_.push_back(c * 2.0 / n);
            betas_.push_back(std::acosh(2.0 - std::cos(m * kPi / n)));
        }
    }

    double at(int i, int j) const {
        double u = 0.0;
        for (int m = 1; m < n_; ++m) {
            const double beta = betas_[static_cast<std::size_t>(m - 1)];
            const double ratio = std::exp(-beta * j) * std::expm1(-2.0 * beta * (n_ - j)) /
                                 std::expm1(-2.0 * beta * n_);
            u +=
                coefficients_[static_cast<std::size_t>(m - 1)] * std::sin(m * kPi * i / n_) * ratio;
        }
        return u;
    }

private:
    static constexpr double kPi = std::numbers::pi;
    int n_;
    std::vector<double> coefficients_;
    std::vector<double> betas_;
};

TEST(ExactSolutionReferences, SquareSineMatchesTheDiscreteSineSeries) {
    for (const auto& [n, length] :
         {std::pair{4, 1.0}, {7, 1.0}, {16, 0.37}, {60, 2.0}, {400, 1.0}}) {
        BoundaryGrid grid(toInt16(n), toInt16(n), kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::Seno, length, length);
        const ExactSolution u = solve(grid, WalkDomain::square(toInt16(n)));
        const SineSeries series(grid, n);
        const int stride = n > 60 ? 7 : 1;  // the series costs n per node
        for (int i = 0; i <= n; i += stride) {
            for (int j = 0; j <= n; j += stride) {
                EXPECT_NEAR(u.at(i, j), series.at(i, j), 1e-12)
                    << "n " << n << " at (" << i << ", " << j << ")";
            }
        }
    }
}

// The 3 x 3 square's sine datum by hand. The free nodes a = (1,1), b = (2,1), c = (1,2), d = (2,2)
// obey 4a = f1 + b + c, 4b = f2 + a + d, 4c = a + d, 4d = b + c. With s = (f1 + f2) / 2 and
// t = (f1 - f2) / 2 the mirror i -> 3 - i splits them: the even parts give a + b = 3s/4 and
// c + d = s/4, the odd parts a - b = 5t/12 and c - d = t/12.
TEST(ExactSolutionReferences, TinyGridsSolvedByHand) {
    BoundaryGrid grid(3, 3, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::Seno, 1.0, 1.0);
    const ExactSolution u = solve(grid, WalkDomain::square(3));
    const double s = (grid.at(1, 0) + grid.at(2, 0)) / 2.0;
    const double t = (grid.at(1, 0) - grid.at(2, 0)) / 2.0;
    EXPECT_NEAR(u.at(1, 1), 3.0 * s / 8.0 + 5.0 * t / 24.0, 1e-15);
    EXPECT_NEAR(u.at(2, 1), 3.0 * s / 8.0 - 5.0 * t / 24.0, 1e-15);
    EXPECT_NEAR(u.at(1, 2), s / 8.0 + t / 24.0, 1e-15);
    EXPECT_NEAR(u.at(2, 2), s / 8.0 - t / 24.0, 1e-15);
    EXPECT_EQ(u.freeNodes(), 4);

    // The L of 3 x 3 steps with corner (1, 1): its only free node, (2, 2), lies in the removed
    // block, walled in by the segments, and is the mean of its four neighbours.
    BoundaryGrid lGrid(3, 3, kTestGridMemory);
    fillBoundary(lGrid, BoundaryDatum::ExpXSiny, 1.5, 2.0);
    const ExactSolution v = solve(lGrid, WalkDomain::lShaped(3, 3, 1, 1));
    EXPECT_EQ(v.freeNodes(), 1);
    EXPECT_NEAR(v.at(2, 2),
                (lGrid.at(1, 2) + lGrid.at(3, 2) + lGrid.at(2, 1) + lGrid.at(2, 3)) / 4.0, 1e-15);
}

// The view's solve is tied to the walks it is shown beside: many seeded walks from a node end, on
// average, at the solution's value there, in both walk modes.
struct WalkCase {
    const char* name;
    Domain domain;
    BoundaryDatum datum;
    double lx, ly;
    std::vector<Node> starts;
};

const std::vector<WalkCase> kWalkCases = {
    {"square sine",
     {"square 10", 10, 10, true},
     BoundaryDatum::Seno,
     1.0,
     1.0,
     {{5, 5}, {2, 1}, {8, 3}}},
    {"L sine", {"L", 10, 10, false, 5, 5}, BoundaryDatum::Seno, 1.0, 1.0, {{6, 2}, {2, 6}, {4, 4}}},
    {"L exp sin",
     {"L", 10, 10, false, 5, 5},
     BoundaryDatum::ExpXSiny,
     1.0,
     1.5,
     {{4, 6}, {6, 4}, {8, 8}}},
};

// The number of start nodes of `c` where a seeded estimate of 20000 walks lies more than five
// standard errors from `solution`.
int walkDisagreements(const WalkCase& c, const std::function<double(Node)>& solution,
                      WalkKind kind) {
    BoundaryGrid grid(c.domain.nx, c.domain.ny, kTestGridMemory);
    fillBoundary(grid, c.datum, c.lx, c.ly);
    const WalkEstimator estimator(grid, c.domain.walkDomain(), {.walk = kind});
    int disagreements = 0;
    std::uint64_t seed = 17;
    for (const Node start : c.starts) {
        SeededSource source(seed++);
        const Estimate estimate = estimator.run(start, 20000, source);
        const double gap = std::fabs(estimate.value - solution(start));
        if (!(gap <= 5.0 * estimate.standardError)) {
            ++disagreements;
        }
    }
    return disagreements;
}

TEST(ExactSolutionWalks, SeededEstimatesAgreeWithinFiveStandardErrorsInBothWalkModes) {
    for (const WalkCase& c : kWalkCases) {
        BoundaryGrid grid(c.domain.nx, c.domain.ny, kTestGridMemory);
        fillBoundary(grid, c.datum, c.lx, c.ly);
        const ExactSolution u = solve(grid, c.domain.walkDomain());
        for (const WalkKind kind : {WalkKind::Lattice, WalkKind::Jump}) {
            EXPECT_EQ(walkDisagreements(
                          c, [&](Node n) { return u.at(n.x, n.y); }, kind),
                      0)
                << c.name << (kind == WalkKind::Jump ? " jump" : " lattice");
        }
    }
}

// The power of the tests above: a solver that takes only the L's corner node, not its two
// segments, for a node where walks stop (solved here by relaxation with that wrong rule) fails
// them. The walks disagree with it, and the node walled in by the segments is no longer the mean
// of its own four neighbours.
TEST(ExactSolutionWalks, RejectASolverThatStopsOnlyAtTheInnerCorner) {
    int disagreements = 0;
    for (const WalkCase& c : kWalkCases) {
        if (c.domain.square) {
            continue;
        }
        BoundaryGrid grid(c.domain.nx, c.domain.ny, kTestGridMemory);
        fillBoundary(grid, c.datum, c.lx, c.ly);
        const Int16 a = c.domain.a;
        const Int16 b = c.domain.b;
        const test::HarmonicSolution wrong(
            c.domain.nx, c.domain.ny,
            [&](int i, int j) {
                return i == 0 || j == 0 || i == c.domain.nx || j == c.domain.ny ||
                       (i == a && j == b);
            },
            [&](int i, int j) { return grid.at(i, j); });
        for (const WalkKind kind : {WalkKind::Lattice, WalkKind::Jump}) {
            disagreements += walkDisagreements(
                c, [&](Node n) { return wrong.at(n.x, n.y); }, kind);
        }
    }
    EXPECT_GE(disagreements, 6);

    BoundaryGrid lGrid(3, 3, kTestGridMemory);
    fillBoundary(lGrid, BoundaryDatum::ExpXSiny, 1.5, 2.0);
    const test::HarmonicSolution wrong(
        3, 3,
        [](int i, int j) { return i == 0 || j == 0 || i == 3 || j == 3 || (i == 1 && j == 1); },
        [&](int i, int j) { return lGrid.at(i, j); });
    const double mean = (lGrid.at(1, 2) + lGrid.at(3, 2) + lGrid.at(2, 1) + lGrid.at(2, 3)) / 4.0;
    EXPECT_GT(std::fabs(wrong.at(2, 2) - mean), 1e-2);
}

// Values near the largest double: the sums of four neighbours would overflow, the solution does
// not (it never exceeds the largest |grid value|). A grid that holds an infinity or a NaN gives a
// solution reported as not finite, without a failure.
TEST(ExactSolutionValues, HugeDataStayFiniteAndNonFiniteDataAreReported) {
    BoundaryGrid grid(8, 8, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::ExpXSiny, 709.7, 1.5);
    const WalkDomain domain = WalkDomain::lShaped(8, 8, 5, 4);
    ASSERT_GT(largestValue(grid), 1e308);
    const ExactSolution u = solve(grid, domain);
    expectDiscreteHarmonic(u, grid, domain, "exp sin near the largest double");

    for (const double bad : {std::numeric_limits<double>::infinity(), std::nan("")}) {
        BoundaryGrid broken(6, 6, kTestGridMemory);
        fillBoundary(broken, BoundaryDatum::Seno, 1.0, 1.0);
        broken.set(0, 3, bad);
        const ExactSolution v = solve(broken, WalkDomain::square(6));
        EXPECT_FALSE(v.finite()) << bad;
    }
}

// The memory check comes before any work; the limit is the caller's.
TEST(ExactSolutionLimits, AGridTooLargeForTheMemoryIsRefusedUpFront) {
    const WalkDomain domain = WalkDomain::lShaped(40, 30, 20, 10);
    BoundaryGrid grid(40, 30, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::Seno, 1.0, 1.0);
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

    // The estimate grows with the grid, and the largest grids the screens accept are refused by
    // any memory a machine has rather than overflowing the count.
    EXPECT_LT(exactSolveBytes(WalkDomain::square(500)), exactSolveBytes(WalkDomain::square(1000)));
    EXPECT_GT(exactSolveBytes(WalkDomain::square(32767)), std::size_t{1} << 39);

    EXPECT_THROW(solve(grid, WalkDomain::square(40)), std::invalid_argument);
    EXPECT_RUNTIME_ERROR(solve(grid, domain).at(41, 0), ErrorKind::SubscriptOutOfRange);
}

// An allocation the library cannot make becomes the out-of-memory run-time error, not a crash: in
// a child process whose address space is capped a little above what it already uses, a solve
// that passes the memory check (its limit is the caller's word) fails inside the factorisation.
TEST(ExactSolutionLimitsDeathTest, AnAllocationTheLibraryCannotMakeIsTheOutOfMemoryError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves the address space that the cap would take";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto solveCapped = [] {
        BoundaryGrid grid(600, 600, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::Seno, 1.0, 1.0);
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlim_t cap = pages * 4096 + (rlim_t{64} << 20);
        const rlimit limit{cap, cap};
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

// With a progress the solve reports its stage to the end, and a stop request asked for before the
// solve raises Interrupted at once.
TEST(ExactSolutionProgress, ReportsItsStageAndStopsWhenAsked) {
    BoundaryGrid grid(30, 30, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::Seno, 1.0, 1.0);
    Progress done;
    solveExact(grid, WalkDomain::square(30), ExactSolveOptions(kPlentyOfMemory, &done));
    EXPECT_EQ(done.stage(), Stage::Exact);
    EXPECT_EQ(done.done(), done.total());

    Progress early;
    early.requestStop();
    EXPECT_THROW(
        solveExact(grid, WalkDomain::square(30), ExactSolveOptions(kPlentyOfMemory, &early)),
        Interrupted);
}

// The points the threads of a test reach, in the order they reach them; a thread can wait for
// another's point, so the test decides the order, not the machine's speed.
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
    // Where `event` was first noted; the number of events noted if it never was.
    std::ptrdiff_t first(const std::string& event) const {
        const std::lock_guard lock(mutex_);
        return std::find(log_.begin(), log_.end(), event) - log_.begin();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable noted_;
    std::vector<std::string> log_;
};

// A stop asked for while the library factorises raises Interrupted without waiting for it: the
// factorisation is held at a gate until the test has seen the Interrupted. It goes on in the
// background and keeps the library's turn until it ends, so the solves started after it wait:
// one answers a stop while it waits, the next factorises only once the first has ended.
TEST(ExactSolutionProgress, AStoppedFactorisationHoldsBackTheNextSolveUntilItEnds) {
    BoundaryGrid grid(30, 30, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::Seno, 1.0, 1.0);
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
    EXPECT_EQ(third.done(), third.total());
    expectDiscreteHarmonic(*solved, grid, domain, "the solve after a stopped one");
}

}  // namespace
}  // namespace nurlo
