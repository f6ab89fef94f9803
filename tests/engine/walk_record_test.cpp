#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "boundary_datum.hpp"
#include "grid_memory.hpp"
#include "walk_estimator.hpp"
#include "walk_record.hpp"

namespace nurlo {
namespace {

// Keeps everything it is given.
class KeepingRecorder : public WalkRecorder {
public:
    int tracesWanted() const override { return kTracedWalks - static_cast<int>(traces.size()); }
    void traced(WalkTrace trace) override { traces.push_back(std::move(trace)); }
    void ended(Node start, std::span<const WalkEnd> chunk) override {
        starts.push_back(start);
        ends.insert(ends.end(), chunk.begin(), chunk.end());
        chunkSizes.push_back(chunk.size());
    }

    std::vector<WalkTrace> traces;
    std::vector<WalkEnd> ends;
    std::vector<Node> starts;
    std::vector<std::size_t> chunkSizes;
};

struct Scene {
    const char* name;
    WalkDomain domain;
    BoundaryDatum datum;
    Node start;
    WalkKind walk;
};

BoundaryGrid filledGrid(const WalkDomain& domain, BoundaryDatum datum) {
    BoundaryGrid grid(domain.nx(), domain.ny(), kTestGridMemory);
    fillBoundary(grid, datum, 1.0, 1.0);
    return grid;
}

std::vector<Scene> scenes() {
    return {
        {"square lattice", WalkDomain::square(24), BoundaryDatum::Seno, {7, 11}, WalkKind::Lattice},
        {"L lattice",
         WalkDomain::lShaped(30, 20, 12, 8),
         BoundaryDatum::XY,
         {5, 15},
         WalkKind::Lattice},
        {"square jumps", WalkDomain::square(200), BoundaryDatum::Seno, {60, 90}, WalkKind::Jump},
        {"L jumps",
         WalkDomain::lShaped(300, 200, 120, 80),
         BoundaryDatum::ExpXSiny,
         {50, 150},
         WalkKind::Jump},
    };
}

// A recorder sees every walk, and changes nothing: the seeded estimate is the same to the last bit
// with and without one, with and without a pool, and the ends come in the same order on every
// run, so a running estimate drawn from them is reproducible.
TEST(WalkRecording, ChangesNoEstimateAndRecordsEveryEndInChunkOrder) {
    WalkPool pool(3);
    for (const Scene& scene : scenes()) {
        const BoundaryGrid grid = filledGrid(scene.domain, scene.datum);
        const Int16 walks = 1000;  // 16 chunks, the last one short
        SeededSource plainSource(42);
        const Estimate plain = WalkEstimator(grid, scene.domain, {.walk = scene.walk})
                                   .run(scene.start, walks, plainSource);

        std::vector<std::vector<WalkEnd>> orders;
        for (WalkPool* threads : {static_cast<WalkPool*>(nullptr), &pool}) {
            KeepingRecorder recorder;
            SeededSource source(42);
            const Estimate recorded =
                WalkEstimator(grid, scene.domain,
                              {.pool = threads, .walk = scene.walk, .recorder = &recorder})
                    .run(scene.start, walks, source);
            EXPECT_EQ(recorded.value, plain.value) << scene.name;
            EXPECT_EQ(recorded.standardError, plain.standardError) << scene.name;
            ASSERT_EQ(recorder.ends.size(), static_cast<std::size_t>(walks)) << scene.name;
            EXPECT_EQ(recorder.chunkSizes.size(), 16U) << scene.name;
            EXPECT_EQ(recorder.chunkSizes.back(), 1000U - 15U * 64U) << scene.name;
            double sum = 0.0;
            for (const WalkEnd& end : recorder.ends) {
                EXPECT_TRUE(scene.domain.stops(end.node)) << scene.name;
                EXPECT_EQ(end.value, grid.at(end.node.x, end.node.y)) << scene.name;
                sum += end.value;
            }
            EXPECT_NEAR(sum / walks, plain.value, 1e-12) << scene.name;
            for (const Node start : recorder.starts) {
                EXPECT_EQ(start, scene.start);
            }
            orders.push_back(recorder.ends);
        }
        for (std::size_t k = 0; k < orders[0].size(); ++k) {
            ASSERT_EQ(orders[0][k].node, orders[1][k].node) << scene.name << " walk " << k;
        }
    }
}

// The first three walks of an estimate are traced, and each trace is a walk that the rules allow:
// a lattice path moves one node at a time from the start to the recorded end; a jump walk's chain
// of squares starts at the start, leaves each square on its ring, enters the next where it left
// the last, and ends at the recorded end. A recorder that has its traces gets no more.
TEST(WalkRecording, TracesTheFirstWalksAsTheyWent) {
    for (const Scene& scene : scenes()) {
        const BoundaryGrid grid = filledGrid(scene.domain, scene.datum);
        KeepingRecorder recorder;
        SeededSource source(7);
        const WalkEstimator estimator(grid, scene.domain,
                                      {.walk = scene.walk, .recorder = &recorder});
        estimator.run(scene.start, 100, source);
        ASSERT_EQ(recorder.traces.size(), 3U) << scene.name;
        for (std::size_t w = 0; w < 3; ++w) {
            const WalkTrace& trace = recorder.traces[w];
            const Node end = recorder.ends[w].node;
            EXPECT_EQ(trace.start, scene.start);
            EXPECT_FALSE(trace.cut);
            if (scene.walk == WalkKind::Lattice) {
                ASSERT_GE(trace.path.size(), 2U) << scene.name;
                EXPECT_TRUE(trace.moves.empty());
                EXPECT_EQ(trace.path.front(), scene.start);
                EXPECT_EQ(trace.path.back(), end);
                for (std::size_t k = 1; k < trace.path.size(); ++k) {
                    const int distance = std::abs(trace.path[k].x - trace.path[k - 1].x) +
                                         std::abs(trace.path[k].y - trace.path[k - 1].y);
                    ASSERT_EQ(distance, 1) << scene.name << " step " << k;
                    ASSERT_FALSE(scene.domain.stops(trace.path[k - 1])) << scene.name;
                }
            } else {
                ASSERT_FALSE(trace.moves.empty()) << scene.name;
                EXPECT_TRUE(trace.path.empty());
                EXPECT_EQ(trace.moves.front().centre, scene.start);
                EXPECT_EQ(trace.moves.back().exit, end);
                bool jumped = false;
                for (std::size_t k = 0; k < trace.moves.size(); ++k) {
                    const JumpMove& move = trace.moves[k];
                    const int dx = std::abs(move.exit.x - move.centre.x);
                    const int dy = std::abs(move.exit.y - move.centre.y);
                    ASSERT_EQ(std::max(dx, dy), move.radius) << scene.name << " move " << k;
                    ASSERT_LE(move.radius, scene.domain.room(move.centre)) << scene.name;
                    jumped = jumped || move.radius >= 2;
                    if (k > 0) {
                        ASSERT_EQ(move.centre, trace.moves[k - 1].exit) << scene.name;
                    }
                }
                EXPECT_TRUE(jumped) << scene.name;
            }
        }
        estimator.run(scene.start, 100, source);
        EXPECT_EQ(recorder.traces.size(), 3U) << scene.name;
        EXPECT_EQ(recorder.ends.size(), 200U) << scene.name;
    }
}

// A lattice walk longer than the trace keeps its first steps and says that it went on.
TEST(WalkRecording, ALongLatticeWalkKeepsItsFirstStepsAndIsMarkedCut) {
    const WalkDomain domain = WalkDomain::square(2000);
    const BoundaryGrid grid = filledGrid(domain, BoundaryDatum::Nullo);
    KeepingRecorder recorder;
    SeededSource source(3);
    // From the centre a walk takes about 0.3 n^2 = 1.2e6 steps, far more than the trace holds.
    WalkEstimator(grid, domain, {.recorder = &recorder}).run({1000, 1000}, 3, source);
    ASSERT_EQ(recorder.traces.size(), 3U);
    int cut = 0;
    for (const WalkTrace& trace : recorder.traces) {
        if (trace.cut) {
            ++cut;
            EXPECT_EQ(trace.path.size(), WalkTrace::kMaxTracedMoves + 1);
            EXPECT_FALSE(domain.stops(trace.path.back()));
        } else {
            EXPECT_TRUE(domain.stops(trace.path.back()));
        }
    }
    EXPECT_EQ(cut, 3);
}

}  // namespace
}  // namespace nurlo
