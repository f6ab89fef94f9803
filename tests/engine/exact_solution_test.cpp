#include "exact_solution.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <Eigen/SparseCholesky>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <numbers>
#include <numeric>
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
    fillBoundary(grid, {.domain = d, .lx = lx, .ly = ly, .datum = datum});
    return grid;
}

std::size_t slot(const WalkDomain& d, int i, int j) {
    return static_cast<std::size_t>(i) * (static_cast<std::size_t>(d.ny()) + 1) +
           static_cast<std::size_t>(j);
}

// The reference: the same discrete problem as one sparse system over the nodes that the stop
// rule lets a walk leave, solved by Eigen's simplicial LDL^T; every node's value, (i, j) at
// i * (ny + 1) + j.
std::vector<double> referenceSolve(const BoundaryGrid& grid, const WalkDomain& d) {
    std::vector<int> number(slot(d, d.nx(), d.ny()) + 1, -1);
    std::vector<double> u(number.size());
    int unknowns = 0;
    for (int i = 0; i <= d.nx(); ++i) {
        for (int j = 0; j <= d.ny(); ++j) {
            u[slot(d, i, j)] = grid.at(i, j);
            if (!d.stops({toInt16(i), toInt16(j)}))
                number[slot(d, i, j)] = unknowns++;
        }
    }
    std::vector<Eigen::Triplet<double>> entries;
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(unknowns);
    for (int i = 0; i <= d.nx(); ++i) {
        for (int j = 0; j <= d.ny(); ++j) {
            const int k = number[slot(d, i, j)];
            if (k < 0)
                continue;
            entries.emplace_back(k, k, 4.0);
            for (const auto& [di, dj] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                const int other = number[slot(d, i + di, j + dj)];
                if (other < 0)
                    rhs[k] += grid.at(i + di, j + dj);
                else
                    entries.emplace_back(other, k, -1.0);
            }
        }
    }
    if (unknowns == 0)
        return u;
    Eigen::SparseMatrix<double> matrix(unknowns, unknowns);
    matrix.setFromTriplets(entries.begin(), entries.end());
    const Eigen::VectorXd x = Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>>(matrix).solve(rhs);
    for (std::size_t n = 0; n < u.size(); ++n)
        if (number[n] >= 0)
            u[n] = x[number[n]];
    return u;
}

double largestValue(const BoundaryGrid& grid) {
    double scale = 0.0;
    for (int i = 0; i <= grid.nx(); ++i)
        for (int j = 0; j <= grid.ny(); ++j)
            scale = std::fmax(scale, std::fabs(grid.at(i, j)));
    return scale;
}

// The whole field: stopping nodes keep the grid's value to the bit, others are the mean of their
// neighbours (summed in quarters against overflow) within 1e-12 of max |grid|.
void expectDiscreteHarmonic(const ExactSolution& u, const BoundaryGrid& grid, const WalkDomain& d) {
    const double scale = largestValue(grid);
    const std::vector<double> f = u.field();
    const auto at = [&](int i, int j) { return f[slot(d, i, j)]; };
    std::int64_t freeNodes = 0;
    EXPECT_TRUE(u.finite());
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            const bool stops = d.stops({toInt16(i), toInt16(j)});
            const double expected = stops ? grid.at(i, j)
                                          : 0.25 * at(i - 1, j) + 0.25 * at(i + 1, j) +
                                                0.25 * at(i, j - 1) + 0.25 * at(i, j + 1);
            ASSERT_LE(std::fabs(at(i, j) - expected), stops ? 0.0 : 1e-12 * scale)
                << "at (" << i << ", " << j << ")";
            freeNodes += !stops;
        }
    }
    EXPECT_EQ(u.freeNodes(), freeNodes);
}

// Every domain of up to 12 x 12 steps with every inner corner from before 0 to beyond the
// rectangle, each datum in turn: the whole field, every row and column, the lattice of every node
// and every node alone agree with the reference solve within 1e-13 of max |grid|.
TEST(ExactSolutionSweep, EverySmallDomainMatchesASparseDirectSolve) {
    constexpr BoundaryDatum kData[] = {Seno, ExpXSiny, XY, X2MinusY2, X3Minus3XY2, Nullo};
    std::size_t cases = 0;
    for (int nx = 1; nx <= 12; ++nx) {
        for (int ny = 1; ny <= 12; ++ny) {
            for (int a = -1; a <= nx + 1; ++a) {
                for (int b = -1; b <= ny + 1; ++b) {
                    const WalkDomain d = L(toInt16(nx), toInt16(ny), toInt16(a), toInt16(b));
                    const BoundaryDatum datum = kData[cases++ % std::size(kData)];
                    SCOPED_TRACE(testing::Message() << nx << "x" << ny << " corner " << a << ","
                                                    << b << " " << datumRow(datum).listText);
                    const BoundaryGrid grid = filled(d, datum, 1.3 * nx, 0.7 * ny);
                    const std::vector<double> reference = referenceSolve(grid, d);
                    const ExactSolution u = solve(grid, d);
                    const double tolerance = 1e-13 * std::fmax(largestValue(grid), 1.0);
                    const auto expectNear = [&](double value, int i, int j) {
                        ASSERT_NEAR(value, reference[slot(d, i, j)], tolerance)
                            << "at (" << i << ", " << j << ")";
                    };
                    std::vector<int> columns(static_cast<std::size_t>(nx + 1)),
                        rows(static_cast<std::size_t>(ny + 1));
                    std::iota(columns.begin(), columns.end(), 0);
                    std::iota(rows.begin(), rows.end(), 0);
                    const std::vector<double> field = u.field(), lattice = u.samples(columns, rows);
                    for (const int i : columns) {
                        const std::vector<double> column = u.column(i);
                        for (const int j : rows) {
                            expectNear(field[slot(d, i, j)], i, j);
                            expectNear(lattice[slot(d, i, j)], i, j);
                            expectNear(column[static_cast<std::size_t>(j)], i, j);
                        }
                    }
                    for (const int j : rows) {
                        const std::vector<double> row = u.row(j);
                        for (const int i : columns)
                            expectNear(row[static_cast<std::size_t>(i)], i, j);
                    }
                    expectNear(u.at(nx / 2, ny / 2), nx / 2, ny / 2);
                }
            }
        }
    }
}

// A medium L and square with large prime factors obey both rules over the whole field; values
// near the largest double stay finite; an infinity or a NaN where walks stop is reported, and
// the free nodes read NaN.
TEST(ExactSolution, TheWholeFieldObeysBothRulesAndExtremeDataAreHandled) {
    for (const WalkDomain& d : {L(211, 157, 83, 61), S(127), L(97, 89, 40, -3), L(60, 50, 0, 20)}) {
        SCOPED_TRACE(testing::Message() << d.nx() << "x" << d.ny() << " corner " << d.a());
        const BoundaryGrid grid = filled(d, ExpXSiny, 1.7, 2.3);
        expectDiscreteHarmonic(solve(grid, d), grid, d);
    }
    const BoundaryGrid big = filled(L(40, 40, 25, 14), ExpXSiny, 709.7, 1.5);
    ASSERT_GT(big.at(40, 40), 1e308);
    expectDiscreteHarmonic(solve(big, L(40, 40, 25, 14)), big, L(40, 40, 25, 14));
    BoundaryGrid tiny = filled(L(30, 30, 12, 12), ExpXSiny, 1.0, 1.0);
    tiny.setInnerRule([](Int16 i, Int16 j) { return std::ldexp(i - j, -1060); });
    for (int i = 0; i <= 30; ++i) {
        for (const int j : {0, 30}) {
            tiny.set(i, j, std::ldexp(i + j, -1060));
            tiny.set(j, i, std::ldexp(i - j, -1060));
        }
    }
    const std::vector<double> smallest = solve(tiny, L(30, 30, 12, 12)).field();
    EXPECT_TRUE(std::all_of(smallest.begin(), smallest.end(),
                            [](double v) { return std::isfinite(v) && std::fabs(v) < 1e-300; }));
    for (const double bad : {std::numeric_limits<double>::infinity(), std::nan("")}) {
        for (const WalkDomain& d : {S(6), L(9, 9, 4, 4)}) {
            BoundaryGrid broken = filled(d);
            broken.set(0, 3, bad);
            const ExactSolution u = solve(broken, d);
            EXPECT_FALSE(u.finite()) << bad;
            EXPECT_TRUE(std::isnan(u.at(2, 2)));
            EXPECT_TRUE(std::isnan(bad) ? std::isnan(u.at(0, 3)) : u.at(0, 3) == bad);
            EXPECT_TRUE(std::isnan(u.field()[slot(d, 1, 1)]));
        }
    }
}

// The closed forms at large sizes, up to 32766 steps a side, through a node, a row, a column
// and a lattice of samples: x*y at any spacing, the quadratic and the cubic at equal spacing, on
// the L (corner in the middle and off it) and the square, within 1e-12 of max |grid|.
TEST(ExactSolutionLarge, HarmonicDataAreTheirOwnSolutionThroughNodesLinesAndSamples) {
    using Case = std::tuple<WalkDomain, BoundaryDatum, double, double>;
    const Case cases[] = {
        {L(32766, 32766, 16383, 16383), XY, 2.5, -0.75},
        {S(32749), X2MinusY2, 1.0, 1.0},
        {L(1999, 32749, 1000, 30011), X3Minus3XY2, 0.5, 0.5},
        {L(32766, 4001, 7, 4000), XY, 1.0, 3.0},
        {L(3000, 2000, 2999, 1), X2MinusY2, 0.25, 0.25},
    };
    for (const auto& [d, datum, hx, hy] : cases) {
        SCOPED_TRACE(testing::Message() << d.nx() << "x" << d.ny() << " corner " << d.a() << ","
                                        << d.b() << " " << datumRow(datum).listText);
        const BoundaryGrid grid = filled(d, datum, hx * d.nx(), hy * d.ny());
        const ExactSolution u = solve(grid, d);
        double scale = 0.0;  // over the outer sides, where these data are largest
        for (int k = 0, i = 0, j = 0; k <= std::max(d.nx(), d.ny()); ++k) {
            i = std::min(k, int{d.nx()}), j = std::min(k, int{d.ny()});
            for (const double v :
                 {grid.at(i, 0), grid.at(i, d.ny()), grid.at(0, j), grid.at(d.nx(), j)})
                scale = std::fmax(scale, std::fabs(v));
        }
        const auto exact = [&](int i, int j) {
            return harmonicDatumAt(
                {.domain = d, .lx = hx * d.nx(), .ly = hy * d.ny(), .datum = datum},
                {toInt16(i), toInt16(j)});
        };
        const double tolerance = 1e-12 * scale;
        const int i0 = d.nx() / 3 + 1;
        const int j0 = d.ny() / 2 + 1;
        EXPECT_NEAR(u.at(i0, j0), exact(i0, j0), tolerance);
        const std::vector<double> row = u.row(j0);
        for (int i = 0; i <= d.nx(); ++i)
            ASSERT_NEAR(row[static_cast<std::size_t>(i)], exact(i, j0), tolerance)
                << "row at " << i;
        const std::vector<double> column = u.column(i0);
        for (int j = 0; j <= d.ny(); ++j)
            ASSERT_NEAR(column[static_cast<std::size_t>(j)], exact(i0, j), tolerance)
                << "column at " << j;
        // Rows and columns near the sides and the corner too, where the transforms do the work.
        std::vector<int> columns, rows;
        for (int k = 0; k < 128; ++k) {
            columns.push_back(static_cast<int>(std::lround(k * (d.nx() / 127.0))));
            rows.push_back(static_cast<int>(std::lround(k * (d.ny() / 127.0))));
        }
        for (const int extra : {1, 2, d.a() - 1, d.a() + 1, d.nx() - 1})
            if (extra > 0 && extra < d.nx())
                columns.push_back(extra);
        for (const int extra : {1, d.b() - 1, d.b() + 1, d.ny() - 2})
            if (extra > 0 && extra < d.ny())
                rows.push_back(extra);
        const std::vector<double> lattice = u.samples(columns, rows);
        for (std::size_t c = 0; c < columns.size(); ++c)
            for (std::size_t r = 0; r < rows.size(); ++r)
                ASSERT_NEAR(lattice[c * rows.size() + r], exact(columns[c], rows[r]), tolerance)
                    << "sample at (" << columns[c] << ", " << rows[r] << ")";
    }
}

// "Seno" on the square against u(i, j) = sum_m c_m sin(m pi i / n) sinh(beta_m (n - j)) /
// sinh(beta_m n), sinh(beta_m / 2) = sin(m pi / 2n), c_m = (2 / n) sum_k f_k sin(m pi k / n);
// at 32766 steps over the first 200 modes, at rows from n / 9 up, where the rest is below e^-200.
TEST(ExactSolutionLarge, SquareSineMatchesTheDiscreteSineSeries) {
    constexpr double pi = std::numbers::pi;
    for (const auto& [n, length] : {std::pair{3, 1.0}, {16, 0.37}, {400, 1.0}, {32766, 1.0}}) {
        const WalkDomain square = S(toInt16(n));
        const BoundaryGrid grid = filled(square, Seno, length, length);
        const ExactSolution u = solve(grid, square);
        const int modes = std::min(n, 201);
        std::vector<double> cs(static_cast<std::size_t>(modes)), betas(cs.size());
        double *const c = cs.data(), *const beta = betas.data();  // indexed by m
        for (int m = 1; m < modes; ++m) {
            for (int k = 1; k < n; ++k)
                c[m] += 2.0 / n * grid.at(k, 0) * std::sin(m * pi * k / n);
            beta[m] = 2.0 * std::asinh(std::sin(m * pi / (2.0 * n)));  // the same, no cancellation
        }
        const auto series = [&](int i, int j) {
            double sum = 0.0;
            for (int m = 1; m < modes; ++m)
                sum += c[m] * std::sin(m * pi * i / n) * std::exp(-beta[m] * j) *
                       std::expm1(-2.0 * beta[m] * (n - j)) / std::expm1(-2.0 * beta[m] * n);
            return sum;
        };
        const int step = std::max(1, n / 9);
        std::vector<int> columns, rows;
        for (int k = 0; k <= n; k += step)
            columns.push_back(k);
        for (int k = n == modes ? 0 : step; k <= n; k += step)
            rows.push_back(k);
        const std::vector<double> lattice = u.samples(columns, rows);
        for (std::size_t p = 0; p < columns.size(); ++p) {
            const std::vector<double> column = u.column(columns[p]);
            for (std::size_t q = 0; q < rows.size(); ++q) {
                const double expected = series(columns[p], rows[q]);
                EXPECT_NEAR(lattice[p * rows.size() + q], expected, 1e-12);
                EXPECT_NEAR(column[static_cast<std::size_t>(rows[q])], expected, 1e-12);
                if (q == p) {
                    EXPECT_NEAR(u.at(columns[p], rows[q]), expected, 1e-12);
                }
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

// Several threads asking one solution at once get what one thread gets.
TEST(ExactSolutionThreads, ConcurrentQuestionsAgreeWithOneThread) {
    const WalkDomain d = L(300, 260, 170, 90);
    const BoundaryGrid grid = filled(d, ExpXSiny, 1.0, 1.0);
    const ExactSolution u = solve(grid, d);
    const auto rows = [&u, &d] {
        std::vector<std::vector<double>> read;
        for (int j = 0; j <= d.ny(); j += 13)
            read.push_back(u.row(j));
        return read;
    };
    const auto alone = rows();
    std::vector<std::vector<std::vector<double>>> together(4);
    std::vector<std::thread> threads;
    for (auto& read : together)
        threads.emplace_back([&rows, &read] { read = rows(); });
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& read : together)
        EXPECT_EQ(read, alone);
}

TEST(ExactSolutionLimits, AGridTooLargeForTheMemoryIsRefusedUpFrontAndNodesOffTheGridAreErrors) {
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
    const ExactSolution u = solveExact(grid, domain, ExactSolveOptions(needed, &progress));
    EXPECT_EQ(progress.stage(), Stage::Exact);
    EXPECT_EQ(progress.done(), progress.total());
    EXPECT_LT(exactSolveBytes(S(500)), exactSolveBytes(S(1000)));
    EXPECT_LT(exactSolveBytes(S(32766)), std::size_t{64} << 20);  // O(n), not O(n^2)
    EXPECT_EQ(u.fieldBytes(), std::size_t{41 * 31 * 8});
    EXPECT_THROW(solve(grid, S(40)), std::invalid_argument);
    EXPECT_RUNTIME_ERROR(u.at(41, 0), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(u.at(0, -1), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(u.row(31), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(u.column(-1), ErrorKind::SubscriptOutOfRange);
    const std::vector<int> inside = {0, 5}, outside = {3, 41};
    EXPECT_RUNTIME_ERROR(u.samples(outside, inside), ErrorKind::SubscriptOutOfRange);
}

// A stop asked for before the solve or before a question is answered at once with Interrupted.
TEST(ExactSolutionProgress, AStopIsAnsweredByTheSolveAndByEveryQuestion) {
    const WalkDomain d = L(200, 200, 100, 100);
    const BoundaryGrid grid = filled(d);
    Progress stopped;
    stopped.requestStop();
    EXPECT_THROW(solveExact(grid, d, ExactSolveOptions(kPlentyOfMemory, &stopped)), Interrupted);
    const ExactSolution u = solve(grid, d);
    const std::vector<int> places = {0, 50, 150};
    EXPECT_THROW(u.field(&stopped), Interrupted);
    EXPECT_THROW(u.row(50, &stopped), Interrupted);
    EXPECT_THROW(u.column(50, &stopped), Interrupted);
    EXPECT_THROW(u.samples(places, places, &stopped), Interrupted);
    EXPECT_THROW(u.at(50, 50, &stopped), Interrupted);
    EXPECT_NO_THROW(u.at(0, 50, &stopped));  // where walks stop there is nothing to work out
}

// In a child whose address space is capped 64 MiB above what it maps, the L of 32766 steps a
// side is solved and sampled; its whole field (8 GiB) is the out-of-memory error, at once.
TEST(ExactSolutionLimitsDeathTest, UnderAnAddressSpaceLimitASolveCompletesOrIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves the address space that the cap would take";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto solveCapped = [] {
        const WalkDomain d = L(32766, 32766, 16383, 16383);
        const BoundaryGrid grid = filled(d);
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t cap = pages * 4096 + (rlim_t{64} << 20);
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        const ExactSolution u = solve(grid, d);
        const std::vector<int> places = {0, 9000, 16383, 20000, 32766};
        if (u.samples(places, places).size() != 25)
            std::exit(3);
        try {
            u.field();
        } catch (const RuntimeError& error) {
            std::exit(error.kind() == ErrorKind::OutOfMemory ? 0 : 2);
        }
        std::exit(1);
    };
    EXPECT_EXIT(solveCapped(), testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace nurlo
