#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "boundary_datum.hpp"
#include "grid_memory.hpp"
#include "grid_problem.hpp"
#include "walk_estimator.hpp"
#include "walk_record.hpp"

namespace nurlo {
namespace {

class KeepingRecorder : public WalkRecorder {
public:
    int tracesWanted() const override { return kTracedWalks - static_cast<int>(traces.size()); }
    void traced(WalkTrace trace) override { traces.push_back(std::move(trace)); }
    void ended(Node, std::span<const WalkEnd> chunk) override {
        ends.insert(ends.end(), chunk.begin(), chunk.end());
    }

    std::vector<WalkTrace> traces;
    std::vector<WalkEnd> ends;
};

// Same ends in the same order alone or on a pool. Traces run from the start to the end: a lattice
// path one node at a time, a jump walk's squares each entered where the last was left.
TEST(WalkRecording, ChangesNoEstimateRecordsEveryEndInOrderAndTracesTheFirstWalks) {
    WalkPool pool(3);
    const WalkDomain domain = WalkDomain::lShaped(100, 80, 40, 30);
    BoundaryGrid grid(100, 80, kTestGridMemory);
    fillBoundary(grid, gridProblem(grid, BoundaryDatum::ExpXSiny, 1.0, 1.0));
    const Node start{20, 60};
    for (const WalkKind walk : {WalkKind::Lattice, WalkKind::Jump}) {
        SeededSource plainSource(42);
        const Estimate plain =
            WalkEstimator(grid, domain, {.walk = walk}).run(start, 1000, plainSource);
        KeepingRecorder alone, shared;
        for (const auto& [threads, recorder] :
             {std::pair{static_cast<WalkPool*>(nullptr), &alone}, std::pair{&pool, &shared}}) {
            SeededSource source(42);
            const Estimate recorded =
                WalkEstimator(grid, domain, {.pool = threads, .walk = walk, .recorder = recorder})
                    .run(start, 1000, source);
            EXPECT_EQ(recorded.value, plain.value);
            EXPECT_EQ(recorded.standardError, plain.standardError);
            ASSERT_EQ(recorder->ends.size(), 1000U);
            WalkEstimator(grid, domain, {.walk = walk, .recorder = recorder}).run(start, 9, source);
            EXPECT_EQ(recorder->traces.size(), 3U) << "the first estimate's first three walks only";
        }
        double sum = 0.0;
        for (std::size_t k = 0; k < 1000; ++k) {
            const WalkEnd& end = alone.ends[k];
            ASSERT_TRUE(shared.ends[k].node == end.node && shared.ends[k].value == end.value) << k;
            EXPECT_EQ(end.value, grid.at(end.node.x, end.node.y));
            sum += end.value;
        }
        EXPECT_NEAR(sum / 1000, plain.value, 1e-12);
        for (std::size_t w = 0; w < 3; ++w) {
            const WalkTrace& trace = alone.traces[w];
            EXPECT_EQ(trace.start, start);
            EXPECT_FALSE(trace.cut);
            EXPECT_EQ(trace.path.empty(), walk == WalkKind::Jump);
            EXPECT_EQ(trace.moves.empty(), walk == WalkKind::Lattice);
            Node at = start;
            for (std::size_t k = 0; k < trace.path.size(); at = trace.path[k++]) {
                const Node next = trace.path[k];
                ASSERT_EQ(std::abs(next.x - at.x) + std::abs(next.y - at.y), k == 0 ? 0 : 1);
                ASSERT_TRUE(k == 0 || !domain.stops(at)) << "step " << k;
            }
            for (const JumpMove& move : trace.moves) {
                ASSERT_EQ(move.centre, at);
                ASSERT_EQ(std::max(std::abs(move.exit.x - at.x), std::abs(move.exit.y - at.y)),
                          move.radius);
                at = move.exit;
            }
            EXPECT_EQ(at, alone.ends[w].node);
        }
    }
}

// From the centre of 2000 x 2000 a lattice walk takes about 1.2e6 steps, more than a trace holds.
TEST(WalkRecording, ALongLatticeWalkKeepsItsFirstStepsAndIsMarkedCut) {
    const WalkDomain domain = WalkDomain::square(2000);
    BoundaryGrid grid(2000, 2000, kTestGridMemory);
    KeepingRecorder recorder;
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
