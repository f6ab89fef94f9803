#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "boundary_datum.hpp"
#include "grid_memory.hpp"
#include "walk_estimator.hpp"
#include "walk_record.hpp"

namespace nurlo {
namespace {

class KeepingRecorder : public WalkRecorder {
public:
    explicit KeepingRecorder(Node start) : start_(start) {}
    int tracesWanted() const override { return kTracedWalks - static_cast<int>(traces.size()); }
    void traced(WalkTrace trace) override { traces.push_back(std::move(trace)); }
    void ended(Node start, std::span<const WalkEnd> chunk) override {
        EXPECT_EQ(start, start_);
        ends.insert(ends.end(), chunk.begin(), chunk.end());
        chunkSizes.push_back(chunk.size());
    }

    Node start_;
    std::vector<WalkTrace> traces;
    std::vector<WalkEnd> ends;
    std::vector<std::size_t> chunkSizes;
};

struct Scene {
    WalkDomain domain;
    BoundaryDatum datum;
    Node start;
    WalkKind walk;
};

const Scene kScenes[] = {
    {WalkDomain::square(24), BoundaryDatum::Seno, {7, 11}, WalkKind::Lattice},
    {WalkDomain::lShaped(30, 20, 12, 8), BoundaryDatum::XY, {5, 15}, WalkKind::Lattice},
    {WalkDomain::square(200), BoundaryDatum::Seno, {60, 90}, WalkKind::Jump},
    {WalkDomain::lShaped(300, 200, 120, 80), BoundaryDatum::ExpXSiny, {50, 150}, WalkKind::Jump},
};

// A recorder changes nothing: the seeded estimate is the same to the bit with and without one,
// with and without a pool, and every end arrives in chunk order, the same on every run. The
// first three walks are traced as they went: a lattice path steps one node at a time from the
// start to the end; a jump walk's squares chain from the start, each left on its ring where the
// next is entered, to the end.
TEST(WalkRecording, ChangesNoEstimateRecordsEveryEndInChunkOrderAndTracesTheFirstWalks) {
    WalkPool pool(3);
    for (const Scene& scene : kScenes) {
        SCOPED_TRACE(static_cast<int>(scene.datum) * 10 + static_cast<int>(scene.walk));
        BoundaryGrid grid(scene.domain.nx(), scene.domain.ny(), kTestGridMemory);
        fillBoundary(grid, scene.datum, 1.0, 1.0);
        SeededSource plainSource(42);
        const Estimate plain = WalkEstimator(grid, scene.domain, {.walk = scene.walk})
                                   .run(scene.start, 1000, plainSource);  // 16 chunks, one short
        std::vector<std::vector<WalkEnd>> orders;
        for (WalkPool* threads : {static_cast<WalkPool*>(nullptr), &pool}) {
            KeepingRecorder recorder(scene.start);
            SeededSource source(42);
            const Estimate recorded =
                WalkEstimator(grid, scene.domain,
                              {.pool = threads, .walk = scene.walk, .recorder = &recorder})
                    .run(scene.start, 1000, source);
            EXPECT_EQ(recorded.value, plain.value);
            EXPECT_EQ(recorded.standardError, plain.standardError);
            ASSERT_EQ(recorder.ends.size(), 1000U);
            EXPECT_EQ(recorder.chunkSizes.size(), 16U);
            EXPECT_EQ(recorder.chunkSizes.back(), 1000U - 15U * 64U);
            double sum = 0.0;
            for (const WalkEnd& end : recorder.ends) {
                EXPECT_TRUE(scene.domain.stops(end.node));
                EXPECT_EQ(end.value, grid.at(end.node.x, end.node.y));
                sum += end.value;
            }
            EXPECT_NEAR(sum / 1000, plain.value, 1e-12);
            orders.push_back(recorder.ends);
            if (threads != nullptr) {
                continue;
            }
            ASSERT_EQ(recorder.traces.size(), 3U);
            for (std::size_t w = 0; w < 3; ++w) {
                const WalkTrace& trace = recorder.traces[w];
                const bool lattice = scene.walk == WalkKind::Lattice;
                EXPECT_EQ(trace.start, scene.start);
                EXPECT_FALSE(trace.cut);
                ASSERT_EQ(trace.moves.empty(), lattice);
                ASSERT_GE(trace.path.size(), lattice ? 2U : 0U);
                ASSERT_EQ(trace.path.empty(), !lattice);
                EXPECT_EQ(lattice ? trace.path.front() : trace.moves.front().centre, scene.start);
                EXPECT_EQ(lattice ? trace.path.back() : trace.moves.back().exit,
                          recorder.ends[w].node);
                for (std::size_t k = 1; k < trace.path.size(); ++k) {
                    ASSERT_EQ(std::abs(trace.path[k].x - trace.path[k - 1].x) +
                                  std::abs(trace.path[k].y - trace.path[k - 1].y),
                              1)
                        << "step " << k;
                    ASSERT_FALSE(scene.domain.stops(trace.path[k - 1]));
                }
                bool jumped = lattice;
                for (std::size_t k = 0; k < trace.moves.size(); ++k) {
                    const JumpMove& move = trace.moves[k];
                    ASSERT_EQ(std::max(std::abs(move.exit.x - move.centre.x),
                                       std::abs(move.exit.y - move.centre.y)),
                              move.radius)
                        << "move " << k;
                    ASSERT_LE(move.radius, scene.domain.room(move.centre));
                    ASSERT_TRUE(k == 0 || move.centre == trace.moves[k - 1].exit) << "move " << k;
                    jumped = jumped || move.radius >= 2;
                }
                EXPECT_TRUE(jumped);
            }
            WalkEstimator(grid, scene.domain, {.walk = scene.walk, .recorder = &recorder})
                .run(scene.start, 100, source);
            EXPECT_EQ(recorder.traces.size(), 3U) << "a recorder with its traces gets no more";
        }
        for (std::size_t k = 0; k < orders[0].size(); ++k) {
            ASSERT_EQ(orders[0][k].node, orders[1][k].node) << "walk " << k;
        }
    }
}

// A lattice walk from the centre of 2000 x 2000 takes about 1.2e6 steps, more than a trace
// holds: the trace keeps its first steps and is marked cut.
TEST(WalkRecording, ALongLatticeWalkKeepsItsFirstStepsAndIsMarkedCut) {
    const WalkDomain domain = WalkDomain::square(2000);
    BoundaryGrid grid(2000, 2000, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::Nullo, 1.0, 1.0);
    KeepingRecorder recorder({1000, 1000});
    SeededSource source(3);
    WalkEstimator(grid, domain, {.recorder = &recorder}).run({1000, 1000}, 3, source);
    ASSERT_EQ(recorder.traces.size(), 3U);
    for (const WalkTrace& trace : recorder.traces) {
        EXPECT_TRUE(trace.cut);
        EXPECT_EQ(trace.path.size(), WalkTrace::kMaxTracedMoves + 1);
        EXPECT_FALSE(domain.stops(trace.path.back()));
    }
}

}  // namespace
}  // namespace nurlo
