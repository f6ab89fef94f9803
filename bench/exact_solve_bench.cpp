// Time and peak memory of the exact discrete solution, one case per process, on one thread.
//
//   nurlo_exact_bench SHAPE SIDE field      the solve and the whole field, with its residual
//   nurlo_exact_bench SHAPE SIDE function   the solve, then the value at the centre node, the row
//                                           through it and a picture of 512 x 512 samples
//   nurlo_exact_bench table                 every case below, each in a process of its own, as a
//                                           Markdown table
//
// SHAPE is square or L (the inner corner at the middle), SIDE the steps a side (1 to 32767). The
// peak memory is the process's maximum resident set (getrusage), which never goes down, so each
// case gets a fresh process; it includes the grid (its outer lines) and the process itself. The
// datum is "Seno" with side length 1. The residual, max over the free nodes of |u - mean of the
// four neighbours| / max |grid value|, is measured here from the field and the stop rule alone.
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
#include <vector>

#include "boundary_datum.hpp"
#include "exact_solution.hpp"

namespace {

using nurlo::Int16;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The largest |u - mean of the four neighbours| over the free nodes, over max |grid value|.
double relativeResidual(const std::vector<double>& u, const nurlo::WalkDomain& domain,
                        const nurlo::BoundaryGrid& grid) {
    const auto column = static_cast<std::size_t>(domain.ny()) + 1;
    const auto at = [&](int i, int j) {
        return u[static_cast<std::size_t>(i) * column + static_cast<std::size_t>(j)];
    };
    double largest = 0.0;
    double scale = 0.0;
    for (int i = 0; i <= domain.nx(); ++i) {
        for (int j = 0; j <= domain.ny(); ++j) {
            if (domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)})) {
                scale = std::fmax(scale, std::fabs(grid.at(i, j)));
            } else {
                const double mean = 0.25 * at(i - 1, j) + 0.25 * at(i + 1, j) +
                                    0.25 * at(i, j - 1) + 0.25 * at(i, j + 1);
                largest = std::fmax(largest, std::fabs(at(i, j) - mean));
            }
        }
    }
    return largest / (scale > 0.0 ? scale : 1.0);
}

// One case; prints one table row.
int runOnce(const std::string& shape, int side, const std::string& what) {
    const auto n = static_cast<Int16>(side);
    const nurlo::WalkDomain domain = shape == "L" ? nurlo::WalkDomain::lShaped(n, n, n / 2, n / 2)
                                                  : nurlo::WalkDomain::square(n);
    nurlo::BoundaryGrid grid(n, n, std::numeric_limits<std::size_t>::max());
    nurlo::fillBoundary(
        grid, {.domain = domain, .lx = 1.0, .ly = 1.0, .datum = nurlo::BoundaryDatum::Seno});
    const auto start = Clock::now();
    const nurlo::ExactSolution u =
        nurlo::solveExact(grid, domain, nurlo::ExactSolveOptions(std::size_t{1} << 40));
    const double solveSeconds = secondsSince(start);
    if (what == "field") {
        const auto asked = Clock::now();
        const std::vector<double> field = u.field();
        const double fieldSeconds = secondsSince(asked);
        const double peak = peakMiB();
        std::printf("| %s | %d | whole field | %.3f | %.3f | %.3f | %.0f | %.1e | %d |\n",
                    shape.c_str(), side, solveSeconds, fieldSeconds, solveSeconds + fieldSeconds,
                    peak, relativeResidual(field, domain, grid), u.interfaceSteps());
        return 0;
    }
    const auto asked = Clock::now();
    const int centre = side / 2 - 1 > 0 ? side / 2 - 1 : 0;  // a free node beside the corner
    volatile double value = u.at(centre, centre);
    const std::vector<double> row = u.row(centre);
    std::vector<int> samples;
    for (int k = 0; k < 512; ++k) {
        samples.push_back(static_cast<int>(std::lround(k * (side / 511.0))));
    }
    const std::vector<double> picture = u.samples(samples, samples);
    const double askedSeconds = secondsSince(asked);
    static_cast<void>(value);
    std::printf("| %s | %d | node, row, 512 x 512 samples | %.3f | %.3f | %.3f | %.0f | - | %d |\n",
                shape.c_str(), side, solveSeconds, askedSeconds, solveSeconds + askedSeconds,
                peakMiB(), u.interfaceSteps());
    return row.empty() || picture.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "table") {
        std::printf(
            "| shape | side | asked | solve s | asked s | total s | peak MiB | residual / max "
            "|g| | CG steps |\n|---|---|---|---|---|---|---|---|---|\n");
        std::fflush(stdout);
        struct Case {
            const char* what;
            int side;
        };
        const Case cases[] = {{"field", 1000},     {"field", 1999},    {"field", 4000},
                              {"function", 1000},  {"function", 4000}, {"function", 16384},
                              {"function", 32749}, {"function", 32766}};
        for (const Case& c : cases) {
            for (const char* shape : {"square", "L"}) {
                const pid_t child = fork();
                if (child == 0) {
                    const std::string sideText = std::to_string(c.side);
                    execl("/proc/self/exe", argv[0], shape, sideText.c_str(), c.what,
                          static_cast<char*>(nullptr));
                    _exit(127);
                }
                int status = 0;
                waitpid(child, &status, 0);
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                    std::printf("| %s | %d | failed (status %d) |\n", shape, c.side, status);
                }
                std::fflush(stdout);
            }
        }
        return 0;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s square|L SIDE field|function\n       %s table\n", argv[0],
                     argv[0]);
        return 2;
    }
    char* end = nullptr;
    errno = 0;
    const long side = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || errno != 0 || side < 1 || side > nurlo::kInt16Max) {
        std::fprintf(stderr, "SIDE must be a whole number from 1 to %d, not \"%s\"\n",
                     nurlo::kInt16Max, argv[2]);
        return 2;
    }
    try {
        return runOnce(argv[1], static_cast<int>(side), argv[3]);
    } catch (const std::exception& error) {  // too large for this machine, for one
        std::fprintf(stderr, "%s %ld: %s\n", argv[1], side, error.what());
        return 1;
    }
}
