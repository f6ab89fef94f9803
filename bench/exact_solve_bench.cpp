// Time and peak memory of the exact discrete solution, one solve per process.
//
//   nurlo_exact_bench SHAPE SIDE [SOLVER]   one solve: SHAPE square or L (corner at the middle),
//                                           SIDE steps a side, SOLVER cholmod (the program's),
//                                           eigen-ldlt or eigen-llt (for comparison, where built)
//   nurlo_exact_bench table [SOLVER]        the sides 250 to 2000, both shapes, each solve in a
//                                           process of its own, as a Markdown table
//
// The peak memory is the process's maximum resident set (getrusage), which never goes down, so
// each solve gets a fresh process. Everything runs on one thread. The datum is "Seno" with side
// length 1; the residual is measured here, from the solution and the stop rule alone.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "boundary_datum.hpp"
#include "dense_kernels.hpp"
#include "exact_solution.hpp"

#ifdef NURLO_BENCH_EIGEN
#include <Eigen/SparseCholesky>
#endif

namespace {

using nurlo::Int16;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The largest |u - mean of the four neighbours| over the nodes where walks go on.
template <class Values>
double residual(const Values& u, const nurlo::WalkDomain& domain) {
    double largest = 0.0;
    for (int i = 1; i < domain.nx(); ++i) {
        for (int j = 1; j < domain.ny(); ++j) {
            if (!domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)})) {
                const double mean = 0.25 * (u(i - 1, j) + u(i + 1, j) + u(i, j - 1) + u(i, j + 1));
                largest = std::fmax(largest, std::fabs(u(i, j) - mean));
            }
        }
    }
    return largest;
}

double largestValue(const nurlo::BoundaryGrid& grid) {
    double largest = 0.0;
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            largest = std::fmax(largest, std::fabs(grid.at(i, j)));
        }
    }
    return largest;
}

#ifdef NURLO_BENCH_EIGEN
// The same system in the nodes' natural order, factorised by Eigen's simplicial Cholesky with its
// default fill-reducing ordering (approximate minimum degree).
template <class Solver>
std::vector<double> solveWithEigen(const nurlo::BoundaryGrid& grid,
                                   const nurlo::WalkDomain& domain) {
    const int nx = grid.nx();
    const int ny = grid.ny();
    const auto at = [ny](int i, int j) { return static_cast<std::size_t>(i * (ny + 1) + j); };
    std::vector<int> number(static_cast<std::size_t>((nx + 1) * (ny + 1)), -1);
    int unknowns = 0;
    for (int i = 0; i <= nx; ++i) {
        for (int j = 0; j <= ny; ++j) {
            if (!domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)})) {
                number[at(i, j)] = unknowns++;
            }
        }
    }
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(static_cast<std::size_t>(unknowns) * 3);
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(unknowns);
    for (int i = 0; i <= nx; ++i) {
        for (int j = 0; j <= ny; ++j) {
            const int k = number[at(i, j)];
            if (k < 0) {
                continue;
            }
            entries.emplace_back(k, k, 4.0);
            const int neighbours[4][2] = {{i - 1, j}, {i + 1, j}, {i, j - 1}, {i, j + 1}};
            for (const auto& n : neighbours) {
                const int other = number[at(n[0], n[1])];
                if (other < 0) {
                    rhs[k] += grid.at(n[0], n[1]);
                } else if (other > k) {
                    entries.emplace_back(other, k, -1.0);
                }
            }
        }
    }
    Eigen::SparseMatrix<double> matrix(unknowns, unknowns);
    matrix.setFromTriplets(entries.begin(), entries.end());
    std::vector<Eigen::Triplet<double>>().swap(entries);
    const Solver solver(matrix);
    if (solver.info() != Eigen::Success) {
        std::fprintf(stderr, "Eigen: factorisation failed\n");
        std::exit(1);
    }
    const Eigen::VectorXd x = solver.solve(rhs);
    std::vector<double> u(number.size());
    for (int i = 0; i <= nx; ++i) {
        for (int j = 0; j <= ny; ++j) {
            const int k = number[at(i, j)];
            u[at(i, j)] = k < 0 ? grid.at(i, j) : x[k];
        }
    }
    return u;
}
#endif

// One solve; prints one table row.
int solveOnce(const std::string& shape, int side, const std::string& solver) {
    const auto n = static_cast<Int16>(side);
    const nurlo::WalkDomain domain = shape == "L" ? nurlo::WalkDomain::lShaped(n, n, n / 2, n / 2)
                                                  : nurlo::WalkDomain::square(n);
    nurlo::BoundaryGrid grid(n, n, std::numeric_limits<std::size_t>::max());
    nurlo::fillBoundary(
        grid, {.domain = domain, .lx = 1.0, .ly = 1.0, .datum = nurlo::BoundaryDatum::Seno});
    // The residual's yardstick: 1 where every grid value is 0, so that it stays a number.
    const double largest = largestValue(grid) > 0.0 ? largestValue(grid) : 1.0;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    double relative = 0.0;
    if (solver == "cholmod") {
        const nurlo::ExactSolution u =
            nurlo::solveExact(grid, domain, nurlo::ExactSolveOptions(std::size_t{1} << 40));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = cpuSeconds() - cpuStart;
        relative = residual([&](int i, int j) { return u.at(i, j); }, domain) / largest;
        std::printf("| %s | %d | %lld | %.2f | %.2f | %.0f | %.0f | %.1e |\n", shape.c_str(), side,
                    static_cast<long long>(u.freeNodes()), seconds, cpu, peakMiB(),
                    static_cast<double>(nurlo::exactSolveBytes(domain)) / 1048576.0, relative);
        return 0;
    }
#ifdef NURLO_BENCH_EIGEN
    std::vector<double> u;
    if (solver == "eigen-ldlt") {
        u = solveWithEigen<Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>, Eigen::Lower>>(
            grid, domain);
    } else if (solver == "eigen-llt") {
        u = solveWithEigen<Eigen::SimplicialLLT<Eigen::SparseMatrix<double>, Eigen::Lower>>(grid,
                                                                                            domain);
    } else {
        std::fprintf(stderr, "unknown solver %s\n", solver.c_str());
        return 2;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuStart;
    relative = residual(
                   [&](int i, int j) {
                       return u[static_cast<std::size_t>(i) * (static_cast<std::size_t>(n) + 1) +
                                static_cast<std::size_t>(j)];
                   },
                   domain) /
               largest;
    std::printf("| %s | %d | (%s) | %.2f | %.2f | %.0f | - | %.1e |\n", shape.c_str(), side,
                solver.c_str(), seconds, cpu, peakMiB(), relative);
    return 0;
#else
    std::fprintf(stderr, "unknown solver %s (Eigen not built in)\n", solver.c_str());
    return 2;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    // The dense kernels the program itself would use.
    nurlo::restartWithProcessorKernels(argv);
    const std::string solver = argc > 3                                       ? argv[3]
                               : argc == 3 && std::string(argv[1]) == "table" ? argv[2]
                                                                              : "cholmod";
    if (argc >= 2 && std::string(argv[1]) == "table") {
        const std::string_view kernels = nurlo::loadedKernels();
        std::printf("Dense kernels: %.*s\n\n", static_cast<int>(kernels.size()), kernels.data());
        std::printf(
            "| shape | side | free nodes | wall s | cpu s | peak MiB | estimate MiB | "
            "residual / max |g| |\n|---|---|---|---|---|---|---|---|\n");
        std::fflush(stdout);
        for (const int side : {250, 500, 1000, 1500, 2000}) {
            for (const char* shape : {"square", "L"}) {
                const pid_t child = fork();
                if (child == 0) {
                    std::fflush(stdout);
                    const std::string sideText = std::to_string(side);
                    execl("/proc/self/exe", argv[0], shape, sideText.c_str(), solver.c_str(),
                          static_cast<char*>(nullptr));
                    _exit(127);
                }
                int status = 0;
                waitpid(child, &status, 0);
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                    std::printf("| %s | %d | failed (status %d) |\n", shape, side, status);
                }
                std::fflush(stdout);
            }
        }
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s square|L SIDE [cholmod|eigen-ldlt|eigen-llt]\n"
                     "       %s table [SOLVER]\n",
                     argv[0], argv[0]);
        return 2;
    }
    // A side the grid can hold: a whole number of steps from 1 to the largest 16-bit count.
    char* end = nullptr;
    errno = 0;
    const long side = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || errno != 0 || side < 1 || side > nurlo::kInt16Max) {
        std::fprintf(stderr, "SIDE must be a whole number from 1 to %d, not \"%s\"\n",
                     nurlo::kInt16Max, argv[2]);
        return 2;
    }
    try {
        return solveOnce(argv[1], static_cast<int>(side), solver);
    } catch (const std::exception& error) {  // too large for this machine, for one
        std::fprintf(stderr, "%s %ld: %s\n", argv[1], side, error.what());
        return 1;
    }
}
