// The engine's speed, in one run: the bare generator, the lattice step with and without the
// clock reseed, whole walks of the lattice walk and of the jump walk, one estimate on one thread
// and on every core, and a whole section line of the square written to a file.
//
// Steps are counted by a thin wrapper around the source that counts its draws (a walk draws once
// per step), so "ns/step" is the measured time divided by the steps actually taken.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <pcg_random.hpp>

#include "allocation_count.hpp"
#include "boundary_datum.hpp"
#include "jump_walk.hpp"
#include "temp_folder.hpp"
#include "uniform_source.hpp"
#include "walk.hpp"
#include "walk_estimator.hpp"
#include "walk_pool.hpp"
#include "walk_record.hpp"

#if __has_include(<section_plan.hpp>)
#include <section_plan.hpp>
#define NURLO_BENCH_HAS_RESULT_SCRIPT 1
#endif

namespace nurlo {
namespace {

// --- Sources ---

// A source that counts its draws, i.e. the steps of the walks that use it. Each chunk's copy
// counts its own and adds them to a shared total when it goes away, so the count costs one
// atomic addition per chunk.
template <UniformSource Inner>
class CountingSource {
public:
    CountingSource(Inner inner, std::atomic<std::uint64_t>* total) : inner_(inner), total_(total) {}
    CountingSource(const CountingSource& other) : inner_(other.inner_), total_(other.total_) {}
    CountingSource& operator=(const CountingSource&) = delete;
    ~CountingSource() { total_->fetch_add(draws_, std::memory_order_relaxed); }

    void reseed() { inner_.reseed(); }
    double next() {
        ++draws_;
        return inner_.next();
    }
    CountingSource fork() { return CountingSource(inner_.fork(), total_); }
    CountingSource split(std::uint64_t index) const {
        return CountingSource(inner_.split(index), total_);
    }

private:
    Inner inner_;
    std::atomic<std::uint64_t>* total_;
    std::uint64_t draws_ = 0;
};

// The program's source: reseeded from the time-stamp counter (on x86).
using ProgramSource = ClockSeededSource<>;
// The same, reseeded from the steady clock instead, for comparison.
using SteadySource = ClockSeededSource<SteadyClock>;

template <class Source>
Source makeSource();
template <>
SeededSource makeSource<SeededSource>() {
    return SeededSource(20240917);
}
template <>
ProgramSource makeSource<ProgramSource>() {
    return ProgramSource::fromClock();
}
template <>
SteadySource makeSource<SteadySource>() {
    return SteadySource::fromClock();
}

// Time per step, from the steps taken: the counter's value is seconds per step, printed in ns.
benchmark::Counter perStep(std::uint64_t steps) {
    return benchmark::Counter(static_cast<double>(steps),
                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// --- Scenes ---

// The memory the benchmarks hand to their grids: room for the largest grid.
constexpr std::size_t kGridMemory = std::size_t{1} << 20;

enum class Scene { Square64, Square256, L64 };

struct SceneSetup {
    WalkDomain domain;
    BoundaryGrid grid;
    Node start;
};

// The square of n = 64 or 256 from its centre; the L of 64 x 64 with the corner at (32, 32),
// from the middle of its upper arm.
SceneSetup setUp(Scene scene) {
    switch (scene) {
        case Scene::Square64:
        case Scene::Square256: {
            const Int16 n = scene == Scene::Square64 ? 64 : 256;
            SceneSetup setup{WalkDomain::square(n),
                             BoundaryGrid(n, n, kGridMemory),
                             {static_cast<Int16>(n / 2), static_cast<Int16>(n / 2)}};
            fillBoundary(setup.grid, Problem::square(n, 1.0, BoundaryDatum::Seno));
            return setup;
        }
        case Scene::L64: {
            SceneSetup setup{
                WalkDomain::lShaped(64, 64, 32, 32), BoundaryGrid(64, 64, kGridMemory), {16, 48}};
            fillBoundary(
                setup.grid,
                {.domain = setup.domain, .lx = 1.0, .ly = 1.0, .datum = BoundaryDatum::ExpXSiny});
            return setup;
        }
    }
    throw std::logic_error("unknown scene");
}

// --- The generator alone ---

void BM_Pcg64Draw(benchmark::State& state) {
    pcg64 engine(mix64(1), 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine());
    }
}
BENCHMARK(BM_Pcg64Draw);

void BM_SeededSourceNext(benchmark::State& state) {
    SeededSource source(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(source.next());
    }
}
BENCHMARK(BM_SeededSourceNext);

template <class Clock>
void BM_ClockReading(benchmark::State& state) {
    const Clock clock;
    for (auto _ : state) {
        benchmark::DoNotOptimize(clock());
    }
}
BENCHMARK(BM_ClockReading<TimestampClock>)->Name("BM_ClockReading/timestamp_counter");
BENCHMARK(BM_ClockReading<SteadyClock>)->Name("BM_ClockReading/steady_clock");

template <class Source>
void BM_ReseedAndDraw(benchmark::State& state) {
    Source source = makeSource<Source>();
    for (auto _ : state) {
        source.reseed();
        benchmark::DoNotOptimize(source.next());
    }
}
BENCHMARK(BM_ReseedAndDraw<SeededSource>)->Name("BM_ReseedAndDraw/no_reseed");
BENCHMARK(BM_ReseedAndDraw<ProgramSource>)->Name("BM_ReseedAndDraw/tsc_reseed");
BENCHMARK(BM_ReseedAndDraw<SteadySource>)->Name("BM_ReseedAndDraw/steady_clock_reseed");

// --- One walk, per step ---

template <class Source>
void walkSteps(benchmark::State& state, Scene scene) {
    const SceneSetup setup = setUp(scene);
    const RandomWalk walk(setup.domain, setup.start);
    std::atomic<std::uint64_t> steps{0};
    {
        CountingSource<Source> source(makeSource<Source>(), &steps);
        for (auto _ : state) {
            benchmark::DoNotOptimize(walk.run(source));
        }
    }
    state.counters["ns/step"] = perStep(steps.load());
    state.counters["steps/walk"] =
        benchmark::Counter(static_cast<double>(steps.load()), benchmark::Counter::kAvgIterations);
}

enum class Reseed { None, Tsc, SteadyClock };

void BM_WalkStep(benchmark::State& state, Scene scene, Reseed reseed) {
    switch (reseed) {
        case Reseed::None:
            return walkSteps<SeededSource>(state, scene);
        case Reseed::Tsc:
            return walkSteps<ProgramSource>(state, scene);
        case Reseed::SteadyClock:
            return walkSteps<SteadySource>(state, scene);
    }
}
BENCHMARK_CAPTURE(BM_WalkStep, square64_no_reseed, Scene::Square64, Reseed::None);
BENCHMARK_CAPTURE(BM_WalkStep, square64_tsc_reseed, Scene::Square64, Reseed::Tsc);
BENCHMARK_CAPTURE(BM_WalkStep, square64_steady_clock_reseed, Scene::Square64, Reseed::SteadyClock);
BENCHMARK_CAPTURE(BM_WalkStep, L64_no_reseed, Scene::L64, Reseed::None);
BENCHMARK_CAPTURE(BM_WalkStep, L64_tsc_reseed, Scene::L64, Reseed::Tsc);

// --- Whole walks: the lattice walk and the jump walk ---

// The squares of n = 2^k - 2 from their centre, where the room is 2^(k-1) - 1, just short of a
// power of two: the first jump goes only about half the room, the jump walk's hard case. And the
// L of 1022 x 1022 with the corner at (511, 511), from the middle of its upper arm.
struct WalkScene {
    WalkDomain domain;
    Node start;
    int n;  // the grid's side, for the jump count's goal
};

WalkScene squareScene(Int16 n) {
    return {WalkDomain::square(n), {static_cast<Int16>(n / 2), static_cast<Int16>(n / 2)}, n};
}

WalkScene lScene() { return {WalkDomain::lShaped(1022, 1022, 511, 511), {255, 767}, 1022}; }

// Walks per second with the program's source, one walk per iteration. The lattice walk's steps
// are counted by the draws of its source; the jump walk counts its jumps (radius 2 and more) and
// lattice steps itself. "jump goal" is 2.5 log2 n, the most jumps per walk aimed for.
template <class Walk>
void walkRate(benchmark::State& state, const WalkScene& scene) {
    const Walk walk(scene.domain, scene.start);
    std::atomic<std::uint64_t> draws{0};
    JumpCounts counts;
    {
        CountingSource<ProgramSource> source(ProgramSource::fromClock(), &draws);
        for (auto _ : state) {
            if constexpr (std::is_same_v<Walk, JumpWalk>) {
                benchmark::DoNotOptimize(walk.run(source, counts));
            } else {
                benchmark::DoNotOptimize(walk.run(source));
            }
        }
    }
    const auto perWalk = [](std::uint64_t count) {
        return benchmark::Counter(static_cast<double>(count), benchmark::Counter::kAvgIterations);
    };
    state.counters["walks/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    if constexpr (std::is_same_v<Walk, JumpWalk>) {
        state.counters["jumps/walk"] = perWalk(counts.jumps);
        state.counters["steps/walk"] = perWalk(counts.steps);
        state.counters["jump goal"] = 2.5 * std::log2(scene.n);
    } else {
        state.counters["steps/walk"] = perWalk(draws.load());
    }
}

void BM_LatticeWalk(benchmark::State& state, const WalkScene& scene) {
    walkRate<RandomWalk>(state, scene);
}
void BM_JumpWalk(benchmark::State& state, const WalkScene& scene) {
    walkRate<JumpWalk>(state, scene);
}
BENCHMARK_CAPTURE(BM_LatticeWalk, square62, squareScene(62));
BENCHMARK_CAPTURE(BM_LatticeWalk, square254, squareScene(254));
// Milliseconds and a tenth of a second per walk: a longer run averages enough walks.
BENCHMARK_CAPTURE(BM_LatticeWalk, square1022, squareScene(1022))
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LatticeWalk, square4094, squareScene(4094))
    ->MinTime(5.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LatticeWalk, L1022, lScene())->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_JumpWalk, square62, squareScene(62));
BENCHMARK_CAPTURE(BM_JumpWalk, square254, squareScene(254));
BENCHMARK_CAPTURE(BM_JumpWalk, square1022, squareScene(1022));
BENCHMARK_CAPTURE(BM_JumpWalk, square4094, squareScene(4094));
BENCHMARK_CAPTURE(BM_JumpWalk, L1022, lScene());

// The jump walk's tables, built afresh each iteration, and the memory they take.
void BM_JumpTablesBuild(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const JumpTables tables;
        bytes = tables.bytes();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_JumpTablesBuild)->Unit(benchmark::kMillisecond);

// --- One estimate, on one thread and on every core ---

constexpr Int16 kWalksPerEstimate = 1000;

// state.range(0): the threads of the pool, the calling thread included. With `progress` the
// estimate counts its walks and looks for a request to stop, as every estimate of the program
// does: the difference to the same run without is the progress bar's cost.
void BM_Estimate(benchmark::State& state, Scene scene, bool progress) {
    const SceneSetup setup = setUp(scene);
    WalkPool pool(static_cast<int>(state.range(0)));
    Progress watched;
    const WalkEstimator estimator(setup.grid, setup.domain,
                                  {.pool = &pool, .progress = progress ? &watched : nullptr});
    std::atomic<std::uint64_t> steps{0};
    std::uint64_t allocations = 0;
    {
        CountingSource<ProgramSource> source(ProgramSource::fromClock(), &steps);
        for (auto _ : state) {
            const std::uint64_t before = bench::allocationCount();
            benchmark::DoNotOptimize(estimator.run(setup.start, kWalksPerEstimate, source));
            allocations += bench::allocationCount() - before;
        }
    }
    state.counters["threads"] = static_cast<double>(pool.threadCount());
    state.counters["walks/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kWalksPerEstimate, benchmark::Counter::kIsRate);
    state.counters["ns/step"] = perStep(steps.load());
    state.counters["allocs/estimate"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void threadCounts(benchmark::internal::Benchmark* b) {
    b->Arg(1);
    if (WalkPool::defaultThreadCount() > 1) {
        b->Arg(WalkPool::defaultThreadCount());
    }
    b->ArgName("threads")->UseRealTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK_CAPTURE(BM_Estimate, square64, Scene::Square64, false)->Apply(threadCounts);
BENCHMARK_CAPTURE(BM_Estimate, square256, Scene::Square256, false)->Apply(threadCounts);
BENCHMARK_CAPTURE(BM_Estimate, L64, Scene::L64, false)->Apply(threadCounts);
BENCHMARK_CAPTURE(BM_Estimate, square64_progress, Scene::Square64, true)->Apply(threadCounts);
BENCHMARK_CAPTURE(BM_Estimate, square256_progress, Scene::Square256, true)->Apply(threadCounts);

// --- The cost of watching: estimates with and without a walk recorder ---

// A recorder that does with the walks what the view of a run does on the walks' thread: keeps
// the traces of the first walks of each estimate, and stores the ends under a lock (the view
// counts them later, on its own thread).
class StoringRecorder : public WalkRecorder {
public:
    int tracesWanted() const override { return kTracedWalks; }
    void traced(WalkTrace trace) override {
        const std::lock_guard lock(mutex_);
        trace_ = std::move(trace);
    }
    void ended(Node /*start*/, std::span<const WalkEnd> ends) override {
        const std::lock_guard lock(mutex_);
        if (ends_.size() > std::size_t{1} << 16) {
            ends_.clear();
        }
        ends_.insert(ends_.end(), ends.begin(), ends.end());
    }

private:
    std::mutex mutex_;
    WalkTrace trace_;
    std::vector<WalkEnd> ends_;
};

// One estimate of state.range(0) walks on every core, with the progress the program always gives
// it, by lattice steps or by jumps; with `record`, a StoringRecorder watches it. The cost of the
// view is the time of a recorded estimate over that of the same estimate unrecorded.
void BM_EstimateWatched(benchmark::State& state, Scene scene, WalkKind walk, bool record) {
    const SceneSetup setup = setUp(scene);
    const auto walks = static_cast<Int16>(state.range(0));
    WalkPool pool;
    Progress watched;
    StoringRecorder recorder;
    const WalkEstimator estimator(setup.grid, setup.domain,
                                  {.pool = &pool,
                                   .progress = &watched,
                                   .walk = walk,
                                   .recorder = record ? &recorder : nullptr});
    ProgramSource source = ProgramSource::fromClock();
    for (auto _ : state) {
        benchmark::DoNotOptimize(estimator.run(setup.start, walks, source));
    }
    state.counters["walks/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * walks,
                                                   benchmark::Counter::kIsRate);
}
void watchedWalks(benchmark::internal::Benchmark* b) {
    b->Arg(kWalksPerEstimate)
        ->Arg(kInt16Max)
        ->ArgName("walks")
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}
BENCHMARK_CAPTURE(BM_EstimateWatched, square64_lattice, Scene::Square64, WalkKind::Lattice, false)
    ->Apply(watchedWalks);
BENCHMARK_CAPTURE(BM_EstimateWatched, square64_lattice_recorded, Scene::Square64, WalkKind::Lattice,
                  true)
    ->Apply(watchedWalks);
BENCHMARK_CAPTURE(BM_EstimateWatched, square256_jump, Scene::Square256, WalkKind::Jump, false)
    ->Apply(watchedWalks);
BENCHMARK_CAPTURE(BM_EstimateWatched, square256_jump_recorded, Scene::Square256, WalkKind::Jump,
                  true)
    ->Apply(watchedWalks);

// The control for the figures above: what the cores give at all. Every benchmark thread runs
// whole estimates of its own, without a pool and sharing nothing, so the walks per second of two
// threads over those of one are the most that spreading one estimate could reach here.
void BM_IndependentEstimates(benchmark::State& state, Scene scene) {
    const SceneSetup setup = setUp(scene);
    const WalkEstimator estimator(setup.grid, setup.domain);
    std::atomic<std::uint64_t> steps{0};
    {
        CountingSource<ProgramSource> source(ProgramSource::fromClock(), &steps);
        for (auto _ : state) {
            benchmark::DoNotOptimize(estimator.run(setup.start, kWalksPerEstimate, source));
        }
    }
    state.counters["walks/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kWalksPerEstimate, benchmark::Counter::kIsRate);
    state.counters["ns/step"] = perStep(steps.load());
}
void independentThreads(benchmark::internal::Benchmark* b) {
    b->ThreadRange(1, WalkPool::defaultThreadCount())->UseRealTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK_CAPTURE(BM_IndependentEstimates, square64, Scene::Square64)->Apply(independentThreads);
BENCHMARK_CAPTURE(BM_IndependentEstimates, L64, Scene::L64)->Apply(independentThreads);

// --- A whole section line of the square, written to a file ---

// The estimates along the line y = s of the square, one line of the file per node, as the screen
// of x-sections computes them: n = 100, "Seno" with side 1, s = 50, N = 1000.
template <class Source>
void runSection(const std::filesystem::path& file, WalkPool& pool, Source& source) {
    constexpr Int16 n = 100;
    constexpr Int16 s = 50;
    constexpr Int16 walks = 1000;
#ifdef NURLO_BENCH_HAS_RESULT_SCRIPT
    ResultScript script(file);
#else
    std::FILE* out = std::fopen(file.c_str(), "w");
    if (out == nullptr) {
        throw std::runtime_error("cannot open " + file.string());
    }
#endif
    BoundaryGrid grid(n, n, kGridMemory);
    fillBoundary(grid, Problem::square(n, 1.0, BoundaryDatum::Seno));
    const WalkEstimator estimator(grid, WalkDomain::square(n), {.pool = &pool});
    for (const Int16 k : Int16Range(0, n)) {
        const Estimate estimate = estimator.run({k, s}, walks, source);
#ifdef NURLO_BENCH_HAS_RESULT_SCRIPT
        writeBareEstimate(script, estimate.value);
#else
        std::fprintf(out, "%.17g\n", estimate.value);
        std::fflush(out);
#endif
    }
#ifdef NURLO_BENCH_HAS_RESULT_SCRIPT
    script.close();
#else
    if (std::fclose(out) != 0) {
        throw std::runtime_error("cannot close " + file.string());
    }
#endif
}

void BM_SquareSection(benchmark::State& state) {
    const TempFolder folder;
    const std::filesystem::path file = folder.path() / "risultato.m";
    WalkPool pool(static_cast<int>(state.range(0)));
    std::atomic<std::uint64_t> steps{0};
    {
        CountingSource<ProgramSource> source(ProgramSource::fromClock(), &steps);
        for (auto _ : state) {
            runSection(file, pool, source);
        }
    }
    state.counters["threads"] = static_cast<double>(pool.threadCount());
    state.counters["walks/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 101 * 1000, benchmark::Counter::kIsRate);
    state.counters["ns/step"] = perStep(steps.load());
}
BENCHMARK(BM_SquareSection)
    ->Name("BM_SquareSection/n100_s50_N1000")
    ->Apply(threadCounts)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace nurlo

BENCHMARK_MAIN();
