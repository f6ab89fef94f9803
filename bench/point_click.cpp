// One point click in fast mode, as a point screen runs it: a new grid, its fill, and one estimate
// of N = 32767 jump walks on the program's pool with the program's clock-seeded source. The pool
// is made first, as the program makes it at start-up; the clock runs from the grid's creation to
// the estimate.
//
// One click per process, so that the peak resident memory (getrusage's maximum resident set,
// which never goes down) is that of this click alone:
//
//   nurlo_point_click square N     the square of n = N steps, side 1, "Seno", from the centre
//   nurlo_point_click L N          the L of N x N steps, sides 1, corner (N/2, N/2), "x*y",
//                                  from (N/4, N/4), the middle of its lower-left block
//
// It prints one line: domain, n, seconds of the whole click, of the fill and of the walks, the
// peak resident memory in MiB, and the estimate. bench/point_click.sh runs it over several sizes.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "boundary_datum.hpp"
#include "uniform_source.hpp"
#include "walk.hpp"
#include "walk_estimator.hpp"
#include "walk_pool.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

int usage() {
    std::fprintf(stderr, "usage: nurlo_point_click square|L N   (1 <= N <= 32766)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace nurlo;
    if (argc != 3) {
        return usage();
    }
    const bool square = std::strcmp(argv[1], "square") == 0;
    if (!square && std::strcmp(argv[1], "L") != 0) {
        return usage();
    }
    const long parsed = std::strtol(argv[2], nullptr, 10);
    if (parsed < 1 || parsed > 32766) {
        return usage();
    }
    const auto n = static_cast<Int16>(parsed);
    const auto half = static_cast<Int16>(n / 2);
    const auto quarter = static_cast<Int16>(n / 4);
    const WalkDomain domain =
        square ? WalkDomain::square(n) : WalkDomain::lShaped(n, n, half, half);
    const Node start = square ? Node{half, half} : Node{quarter, quarter};
    const BoundaryDatum datum = square ? BoundaryDatum::Seno : BoundaryDatum::XY;
    constexpr Int16 kWalks = 32767;

    WalkPool pool(WalkPool::defaultThreadCount());
    auto source = ClockSeededSource<>::fromClock();
    // The benchmark measures; it does not refuse a grid for the memory this machine has free.
    constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

    const auto begin = Clock::now();
    BoundaryGrid grid(n, n, kNoLimit);
    fillBoundary(grid, {.domain = domain, .lx = 1.0, .ly = 1.0, .datum = datum});
    const auto filled = Clock::now();
    const WalkEstimator estimator(grid, domain, {.pool = &pool, .walk = WalkKind::Jump});
    const Estimate estimate = estimator.run(start, kWalks, source);
    const auto end = Clock::now();

    std::printf("%s\t%d\t%.3f\t%.3f\t%.3f\t%.1f\t%.9g\n", square ? "square" : "L", int{n},
                secondsBetween(begin, end), secondsBetween(begin, filled),
                secondsBetween(filled, end), peakResidentMiB(), estimate.value);
    return 0;
}
