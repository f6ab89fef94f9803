#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "boundary_datum.hpp"
#include "expect_error.hpp"
#include "grid_memory.hpp"
#include "grid_problem.hpp"
#include "harmonic.hpp"
#include "walk_estimator.hpp"
#include "walk_pool.hpp"
#include "walk_record.hpp"

namespace nurlo {
namespace {

using test::HarmonicSolution;

// --- The pool ---

TEST(WalkPool, CountsTheCallingThreadAndNeverFewerThanOne) {
    EXPECT_EQ(WalkPool(0).threadCount(), 1);
    EXPECT_EQ(WalkPool(-3).threadCount(), 1);
    EXPECT_EQ(WalkPool(1).threadCount(), 1);
    EXPECT_EQ(WalkPool(4).threadCount(), 4);
    EXPECT_GE(WalkPool().threadCount(), 1);
    EXPECT_EQ(WalkPool().threadCount(), WalkPool::defaultThreadCount());
}

TEST(WalkPool, RunsEveryIndexExactlyOnceCallAfterCall) {
    for (const int threads : {1, 2, 7}) {
        WalkPool pool(threads);
        std::array<std::atomic<int>, 64> runs{};
        for (int call = 0; call < 300; ++call) {
            const int count = call % 65;  // 0..64, the empty call included
            for (auto& r : runs) {
                r.store(0);
            }
            pool.parallelFor(
                count, [&](int index) { runs[static_cast<std::size_t>(index)].fetch_add(1); });
            for (int index = 0; index < 64; ++index) {
                ASSERT_EQ(runs[static_cast<std::size_t>(index)].load(), index < count ? 1 : 0)
                    << threads << " threads, call " << call << ", index " << index;
            }
        }
        pool.parallelFor(-1, [](int) { FAIL() << "a negative count runs a task"; });
    }
}

TEST(WalkPool, EveryTasksWritesAreVisibleWhenTheCallReturns) {
    WalkPool pool(3);
    std::vector<std::uint64_t> slots(1000);
    for (std::uint64_t round = 1; round <= 20; ++round) {
        pool.parallelFor(1000, [&](int index) {
            slots[static_cast<std::size_t>(index)] =
                round * 1000 + static_cast<std::uint64_t>(index);
        });
        for (std::size_t index = 0; index < slots.size(); ++index) {
            ASSERT_EQ(slots[index], round * 1000 + index);
        }
    }
}

struct TaskError : std::runtime_error {
    explicit TaskError(int i) : std::runtime_error("task " + std::to_string(i)), index(i) {}
    int index;
};

// The error of the lowest failing index is the one raised, after every index has run.
TEST(WalkPool, RaisesTheErrorOfTheLowestFailingIndexAfterAllTasksRan) {
    for (const int threads : {1, 2, 7}) {
        WalkPool pool(threads);
        for (int call = 0; call < 50; ++call) {
            std::atomic<int> ran{0};
            std::optional<int> raised;
            try {
                pool.parallelFor(40, [&](int index) {
                    ran.fetch_add(1);
                    if (index == 9 || index == 17 || index == 31) {
                        throw TaskError(index);
                    }
                });
            } catch (const TaskError& error) {
                raised = error.index;
            }
            ASSERT_EQ(raised, 9) << threads << " threads";
            ASSERT_EQ(ran.load(), 40);
        }
        // The pool keeps working after an error.
        std::atomic<int> ran{0};
        pool.parallelFor(10, [&](int) { ran.fetch_add(1); });
        EXPECT_EQ(ran.load(), 10);
    }
}

TEST(WalkPool, TheLowestIndexWinsEvenWhenAHigherOneFailsFirst) {
    // Index 1 fails only after index 6 has failed, on another thread.
    WalkPool pool(2);
    for (int call = 0; call < 20; ++call) {
        std::mutex mutex;
        std::condition_variable changed;
        bool highFailed = false;
        std::optional<int> raised;
        try {
            pool.parallelFor(8, [&](int index) {
                if (index == 6) {
                    {
                        const std::lock_guard lock(mutex);
                        highFailed = true;
                    }
                    changed.notify_all();
                    throw TaskError(6);
                }
                if (index == 1) {
                    std::unique_lock lock(mutex);
                    // Bounded so that a broken pool fails the test instead of hanging it.
                    const bool seen = changed.wait_for(lock, std::chrono::seconds(30),
                                                       [&] { return highFailed; });
                    EXPECT_TRUE(seen);
                    throw TaskError(1);
                }
            });
        } catch (const TaskError& error) {
            raised = error.index;
        }
        ASSERT_EQ(raised, 1);
    }
}

// Each index is delivered once, in order, on the calling thread, after its task. The first 90
// calls fail at index 5, in the task or (odd calls) in the delivery, and at index 30's task, often
// sooner: the error is raised at index 5's delivery, and the pool works on. The last calls have
// more tasks than the pool has room for at first.
TEST(WalkPoolInOrder, DeliversInOrderAndStopsAtTheLowestError) {
    for (const int threads : {1, 2, 7}) {
        WalkPool pool(threads);
        const std::thread::id caller = std::this_thread::get_id();
        std::vector<int> slots(2000);
        for (int call = 0; call < 390; ++call) {
            SCOPED_TRACE(std::to_string(threads) + " threads, call " + std::to_string(call));
            const bool fails = call < 90;
            const bool inTask = call % 2 == 0;
            const int count = fails ? 40 : call < 380 ? call % 101 : 2000 - call;
            int next = 0;
            std::optional<int> raised;
            try {
                pool.parallelForInOrder(
                    count,
                    [&](int index) {
                        if (fails && (index == 30 || (inTask && index == 5))) {
                            throw TaskError(index);
                        }
                        slots[static_cast<std::size_t>(index)] = call * 1000 + index;
                    },
                    [&](int index) {
                        EXPECT_EQ(std::this_thread::get_id(), caller);
                        EXPECT_EQ(slots[static_cast<std::size_t>(index)], call * 1000 + index);
                        EXPECT_EQ(index, next);
                        if (fails && !inTask && index == 5) {
                            throw TaskError(index);
                        }
                        ++next;
                    });
            } catch (const TaskError& error) {
                raised = error.index;
            }
            ASSERT_EQ(raised, fails ? std::optional<int>(5) : std::nullopt);
            ASSERT_EQ(next, fails ? 5 : count);
        }
    }
}

// --- The estimator on a pool ---

// A fixed clock reading, so that the program's own source repeats its draws.
struct FrozenClock {
    std::uint64_t operator()() const { return 0x5eed; }
};

struct Scene {
    const char* name;
    Int16 nx, ny;
    Int16 a, b;  // a < 0 for the square
    BoundaryDatum datum;
    Node start;
    WalkKind walk = WalkKind::Lattice;
};

// Each scene in both modes: lattice walks and jumps.
constexpr std::array<Scene, 4> kScenes = {{
    {"square", 20, 20, -1, -1, BoundaryDatum::Seno, {7, 9}},
    {"L", 24, 16, 12, 6, BoundaryDatum::ExpXSiny, {5, 11}},
    {"square, jumps", 20, 20, -1, -1, BoundaryDatum::Seno, {7, 9}, WalkKind::Jump},
    {"L, jumps", 24, 16, 12, 6, BoundaryDatum::ExpXSiny, {5, 11}, WalkKind::Jump},
}};

WalkDomain domainOf(const Scene& scene) {
    return scene.a < 0 ? WalkDomain::square(scene.nx)
                       : WalkDomain::lShaped(scene.nx, scene.ny, scene.a, scene.b);
}

BoundaryGrid gridOf(const Scene& scene) {
    BoundaryGrid grid(scene.nx, scene.ny, kTestGridMemory);
    fillBoundary(grid, gridProblem(grid, scene.datum, 1.0, 1.0));
    return grid;
}

// Three estimates in a row from one source, so that the seeds forked for later estimates are
// covered too.
template <class Source>
std::vector<Estimate> threeEstimates(const WalkEstimator& estimator, Node start, Int16 n,
                                     Source source) {
    std::vector<Estimate> estimates;
    for (int k = 0; k < 3; ++k) {
        estimates.push_back(estimator.run(start, n, source));
    }
    return estimates;
}

void expectSame(const std::vector<Estimate>& expected, const std::vector<Estimate>& actual,
                const std::string& what) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        // Bit for bit.
        EXPECT_EQ(expected[k].value, actual[k].value) << what << ", estimate " << k;
        EXPECT_EQ(expected[k].standardError, actual[k].standardError) << what << ", estimate " << k;
        EXPECT_EQ(expected[k].walks, actual[k].walks) << what << ", estimate " << k;
    }
}

// Holds each chunk from 2 on at its first draw: on a worker until the recorder's first call; on the
// calling thread (which makes it) until then or until a worker has begun a later chunk, which it
// does only once its chunk before is done. Ends handed over only after every chunk would hang it.
struct ChunkGate {
    std::thread::id caller = std::this_thread::get_id();
    std::mutex mutex;
    std::condition_variable changed;
    bool workerMovedOn = false;
    bool recorded = false;
    bool broken = false;  // a wait failed: the others do not wait again

    void waitForTurn() {
        const bool onCaller = std::this_thread::get_id() == caller;
        std::unique_lock lock(mutex);
        if (!onCaller) {
            workerMovedOn = true;
            changed.notify_all();
        }
        if (!broken && !changed.wait_for(lock, std::chrono::seconds(30),
                                         [&] { return recorded || (onCaller && workerMovedOn); })) {
            broken = true;
            ADD_FAILURE() << "a later chunk was kept waiting for the recorder";
        }
    }
    void open() {
        const std::lock_guard lock(mutex);
        recorded = true;
        changed.notify_all();
    }
};

// Keeps the ends it receives, in order. With `stop`, checks at its first call that it has the
// first chunk's ends and traces while at most the two chunks after it have been walked (the calling
// thread may run one before it adds chunk 0), then asks the walks to stop and opens `gate`.
struct Recorder : WalkRecorder {
    explicit Recorder(Progress* stopAt = nullptr, ChunkGate* toOpen = nullptr)
        : stop(stopAt), gate(toOpen) {}
    int tracesWanted() const override { return kTracedWalks; }
    void traced(WalkTrace /*trace*/) override { ++traces; }
    void ended(Node /*start*/, std::span<const WalkEnd> chunk) override {
        for (const WalkEnd& end : chunk) {
            ends.emplace_back(end.node, end.value);
        }
        if (calls++ == 0 && stop != nullptr) {
            EXPECT_EQ(chunk.size(), static_cast<std::size_t>(WalkEstimator::kChunkWalks));
            EXPECT_EQ(traces, kTracedWalks);
            EXPECT_LE(stop->done(), 3 * WalkEstimator::kChunkWalks);
            stop->requestStop();
            gate->open();
        }
    }

    Progress* stop;
    ChunkGate* gate;
    std::vector<std::pair<Node, double>> ends;
    int traces = 0;
    int calls = 0;
};

// Alone and on 1, 2, 4 and 7 threads, watched by a recorder or not.
TEST(ParallelEstimate, TheSameSeedGivesTheSameEstimateWhateverTheThreads) {
    WalkPool one(1);
    WalkPool two(2);
    WalkPool four(4);
    WalkPool seven(7);
    for (const Scene& scene : kScenes) {
        const BoundaryGrid grid = gridOf(scene);
        const WalkDomain domain = domainOf(scene);
        // 1000 and 1 walks leave a short last chunk; 32767 fills every chunk slot.
        for (const Int16 n : {Int16{1000}, Int16{1}, Int16{kInt16Max}}) {
            const auto three = [&](WalkPool* pool, Recorder* recorder, auto source) {
                return threeEstimates(
                    WalkEstimator(grid, domain,
                                  {.pool = pool, .walk = scene.walk, .recorder = recorder}),
                    scene.start, n, source);
            };
            const std::vector<Estimate> alone = three(nullptr, nullptr, SeededSource(41));
            const std::vector<Estimate> clockAlone =
                three(nullptr, nullptr, ClockSeededSource<FrozenClock>(41, 0));
            EXPECT_EQ(alone[0].walks, n);
            if (n == 1000) {
                EXPECT_NE(alone[0].value, alone[1].value) << "each estimate draws its own numbers";
            }
            Recorder aloneRecorder;
            expectSame(alone, three(nullptr, &aloneRecorder, SeededSource(41)),
                       std::string(scene.name) + ", recorded");
            for (WalkPool* pool : {&one, &two, &four, &seven}) {
                const std::string what = std::string(scene.name) + ", N = " + std::to_string(n) +
                                         ", " + std::to_string(pool->threadCount()) + " threads";
                expectSame(alone, three(pool, nullptr, SeededSource(41)), what);
                expectSame(clockAlone, three(pool, nullptr, ClockSeededSource<FrozenClock>(41, 0)),
                           what + ", clock source");
                Recorder recorder;
                expectSame(alone, three(pool, &recorder, SeededSource(41)), what + ", recorded");
                EXPECT_TRUE(recorder.ends == aloneRecorder.ends) << what;
            }
        }
    }
}

TEST(ParallelEstimate, AgreesWithTheDiscreteHarmonicValueWithinFiveStandardErrors) {
    WalkPool pool(2);
    const std::array<Scene, 5> scenes = {{
        kScenes[0],
        kScenes[1],
        kScenes[2],
        kScenes[3],
        {"L x^2-y^2 in the arm", 16, 16, 8, 8, BoundaryDatum::X2MinusY2, {12, 4}},
    }};
    std::uint64_t seed = 11;
    for (const Scene& scene : scenes) {
        const BoundaryGrid grid = gridOf(scene);
        const WalkDomain domain = domainOf(scene);
        const HarmonicSolution exact(
            grid.nx(), grid.ny(),
            [&](int i, int j) {
                return domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)});
            },
            [&](int i, int j) { return grid.at(i, j); });
        SeededSource source(seed++);
        const Estimate estimate = WalkEstimator(grid, domain, {.pool = &pool, .walk = scene.walk})
                                      .run(scene.start, 20000, source);
        const double expected = exact.at(scene.start.x, scene.start.y);
        EXPECT_GT(estimate.standardError, 0.0) << scene.name;
        EXPECT_LE(std::fabs(estimate.value - expected), 5.0 * estimate.standardError)
            << scene.name << ": estimate " << estimate.value << ", exact " << expected
            << ", standard error " << estimate.standardError;
    }
}

// A seeded source whose chunks listed in `failing` raise an error naming the chunk at their
// `failAfter`-th draw.
class FailingSource {
public:
    FailingSource(std::uint64_t seed, std::array<bool, 8> failing, int failAfter)
        : inner_(seed), failing_(failing), failAfter_(failAfter) {}

    void reseed() { inner_.reseed(); }
    double next() {
        if (chunk_ >= 0 && chunk_ < static_cast<int>(failing_.size()) &&
            failing_[static_cast<std::size_t>(chunk_)] && ++draws_ >= failAfter_) {
            throw TaskError(chunk_);
        }
        return inner_.next();
    }
    FailingSource fork() { return FailingSource(inner_.fork(), failing_, failAfter_, -1); }
    FailingSource split(std::uint64_t index) const {
        return FailingSource(inner_.split(index), failing_, failAfter_, static_cast<int>(index));
    }

private:
    FailingSource(SeededSource inner, std::array<bool, 8> failing, int failAfter, int chunk)
        : inner_(inner), failing_(failing), failAfter_(failAfter), chunk_(chunk) {}

    SeededSource inner_;
    std::array<bool, 8> failing_;
    int failAfter_;
    int chunk_ = -1;
    int draws_ = 0;
};

TEST(ParallelEstimate, TheErrorOfTheLowestFailingChunkIsRaised) {
    const Scene& scene = kScenes[0];
    const BoundaryGrid grid = gridOf(scene);
    const WalkDomain domain = domainOf(scene);
    WalkPool two(2);
    WalkPool seven(7);
    // Chunk 2 fails late, chunks 4 and 6 at once.
    std::array<bool, 8> failing{};
    failing[2] = failing[4] = failing[6] = true;
    for (WalkPool* pool : {static_cast<WalkPool*>(nullptr), &two, &seven}) {
        for (const int failAfter : {1, 1000}) {
            FailingSource source(3, failing, failAfter);
            std::optional<int> raised;
            try {
                WalkEstimator(grid, domain, {.pool = pool}).run(scene.start, 2000, source);
            } catch (const TaskError& error) {
                raised = error.index;
            }
            EXPECT_EQ(raised, 2) << (pool == nullptr ? 0 : pool->threadCount()) << " threads";
        }
    }
}

// Holds the chunks from index 2 on at their first draw, at the gate above.
class GatedSource : public SeededSource {
public:
    GatedSource(SeededSource inner, ChunkGate* gate, int chunk = -1)
        : SeededSource(inner), gate_(gate), chunk_(chunk) {}
    double next() {
        if (chunk_ >= 2 && !waited_) {
            waited_ = true;
            gate_->waitForTurn();
        }
        return SeededSource::next();
    }
    GatedSource fork() { return GatedSource(SeededSource::fork(), gate_); }
    GatedSource split(std::uint64_t index) const {
        return GatedSource(SeededSource::split(index), gate_, static_cast<int>(index));
    }

private:
    ChunkGate* gate_;
    int chunk_;
    bool waited_ = false;
};

// A stop the recorder asks for at its first call ends the estimate with most walks undone.
TEST(ParallelEstimate, TheRecorderHasTheFirstChunkWhileLaterChunksWait) {
    WalkPool pool(2);
    for (const Scene& scene : kScenes) {
        const BoundaryGrid grid = gridOf(scene);
        Progress progress;
        ChunkGate gate;
        Recorder recorder(&progress, &gate);
        GatedSource source(SeededSource(5), &gate);
        const WalkEstimator estimator(
            grid, domainOf(scene),
            {.pool = &pool, .progress = &progress, .walk = scene.walk, .recorder = &recorder});
        EXPECT_THROW(estimator.run(scene.start, kInt16Max, source), Interrupted) << scene.name;
        EXPECT_LT(progress.done(), kInt16Max / 2) << scene.name;
        EXPECT_LE(recorder.calls, 8) << scene.name;
    }
}

TEST(ParallelEstimate, SumsAreStillCheckedAsTheyAreAdded) {
    WalkPool pool(2);
    BoundaryGrid grid(2, 2, kTestGridMemory);
    const WalkDomain domain = WalkDomain::square(2);
    SeededSource source(1);
    // Walks from a border node end where they start. A chunk's values of 1e307 overflow inside
    // the first chunk; with 6e305 each chunk's sum is finite and the overflow comes when the
    // chunks' sums are added up.
    constexpr double kLargest = std::numeric_limits<double>::max();
    static_assert(1e307 > kLargest / WalkEstimator::kChunkWalks);
    static_assert(6e305 < kLargest / WalkEstimator::kChunkWalks && 6e305 > kLargest / 300);
    grid.set(0, 1, 1e307);
    EXPECT_RUNTIME_ERROR(WalkEstimator(grid, domain, {.pool = &pool}).run({0, 1}, 300, source),
                         ErrorKind::FloatingPoint);
    grid.set(0, 1, 6e305);
    EXPECT_RUNTIME_ERROR(WalkEstimator(grid, domain, {.pool = &pool}).run({0, 1}, 300, source),
                         ErrorKind::FloatingPoint);
    EXPECT_NEAR(WalkEstimator(grid, domain, {.pool = &pool}).run({0, 1}, 256, source).value, 6e305,
                1e292);
    // The other checks come before any chunk runs.
    EXPECT_RUNTIME_ERROR(WalkEstimator(grid, domain, {.pool = &pool}).run({0, 1}, 0, source),
                         ErrorKind::FloatingPoint);
    EXPECT_RUNTIME_ERROR(WalkEstimator(grid, domain, {.pool = &pool}).run({3, 1}, 10, source),
                         ErrorKind::SubscriptOutOfRange);
}

}  // namespace
}  // namespace nurlo
