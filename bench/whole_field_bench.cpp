// The whole field: the L of 1000 x 1000 steps with its inner corner at the middle, datum
// "ExpXSiny" on 1 x 1, 64 x 64 sample nodes, N = 1000 jump walks each, the program's own
// clock-reseeded source; the exact solve, its values at the nodes and every estimate, on 1 and
// on 2 threads. Goal: at most 5 s on two cores.
//
//   ./build-release/bench/nurlo_field_bench --benchmark_repetitions=3
//
// The counters: the nodes, the walks per second, and the z values' mean and standard deviation
// of the last run (near 0 and 1 when everything agrees).
#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "boundary_datum.hpp"
#include "whole_field.hpp"

namespace {

using namespace nurlo;

constexpr std::size_t kPlentyOfMemory = std::size_t{1} << 34;

void BM_WholeField(benchmark::State& state) {
    const WalkDomain domain = WalkDomain::lShaped(1000, 1000, 500, 500);
    BoundaryGrid grid(1000, 1000, kPlentyOfMemory);
    fillBoundary(grid, {.domain = domain, .lx = 1.0, .ly = 1.0, .datum = BoundaryDatum::ExpXSiny});
    WalkPool pool(static_cast<int>(state.range(0)));
    auto source = ClockSeededSource<>::fromClock();
    std::vector<FieldValue> values;
    for (auto _ : state) {
        Progress progress;
        runWholeField(grid, domain, 1000, source, kPlentyOfMemory,
                      FieldOptions{.pool = &pool, .progress = &progress, .walk = WalkKind::Jump},
                      values);
        benchmark::DoNotOptimize(values.data());
    }
    const ZSummary z = summarizeZ(values);
    state.counters["nodes"] = static_cast<double>(values.size());
    state.counters["walks/s"] = benchmark::Counter(static_cast<double>(values.size()) * 1000.0,
                                                   benchmark::Counter::kIsIterationInvariantRate);
    state.counters["z_mean"] = z.mean;
    state.counters["z_sd"] = z.deviation;
}
BENCHMARK(BM_WholeField)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("threads")
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

// The exact part alone: the solve and its values at the sample nodes.
void BM_WholeFieldExact(benchmark::State& state) {
    const WalkDomain domain = WalkDomain::lShaped(1000, 1000, 500, 500);
    BoundaryGrid grid(1000, 1000, kPlentyOfMemory);
    fillBoundary(grid, {.domain = domain, .lx = 1.0, .ly = 1.0, .datum = BoundaryDatum::ExpXSiny});
    const FieldLattice lattice = fieldLattice(domain);
    for (auto _ : state) {
        const ExactSolution solution = solveExact(grid, domain, ExactSolveOptions(kPlentyOfMemory));
        benchmark::DoNotOptimize(exactAtLattice(solution, lattice).data());
    }
}
BENCHMARK(BM_WholeFieldExact)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
