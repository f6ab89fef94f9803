// One click's life without a window: a Calculation driven as a screen drives it, followed by an
// observer that records what it hears and on which thread.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "calculation.hpp"
#include "section_plan.hpp"

using namespace nurlo;

namespace {

std::size_t plentyOfMemory() { return std::size_t{1} << 40; }
std::size_t noMemory() { return 0; }

struct Resources {
    CalculationResources operator()(std::size_t (&memory)() = plentyOfMemory) {
        return {pool, source, memory};
    }
    WalkPool pool{2};
    ScreenSource source = SeededSource(12345);
};

// What the observer heard; planned and estimated must come from the background, ended from the
// thread that made the observer.
class RecordingObserver final : public CalculationObserver {
public:
    void planned(const CalculationPlan& plan, Progress& progress) override {
        offInterfaceThread &= std::this_thread::get_id() != interfaceThread_;
        ++plans;
        nodes = plan.nodes;
        axis = plan.axis;
        progress_ = &progress;
        if (onPlanned) {
            onPlanned(progress);
        }
    }
    void estimated(std::size_t index, Node node, const Estimate& estimate) override {
        offInterfaceThread &= std::this_thread::get_id() != interfaceThread_;
        EXPECT_EQ(index, estimates.size());
        estimatedNodes.push_back(node);
        estimates.push_back(estimate);
        if (stopAfter == estimates.size()) {
            progress_->requestStop();
        }
    }
    void ended(Outcome outcome) override {
        EXPECT_EQ(std::this_thread::get_id(), interfaceThread_);
        ends.push_back(outcome);
    }

    std::function<void(Progress&)> onPlanned;
    std::optional<std::size_t> stopAfter;  // asks the click to stop once this many exist
    int plans = 0;
    std::vector<Node> nodes;
    std::optional<SectionAxis> axis;
    std::vector<Node> estimatedNodes;
    std::vector<Estimate> estimates;
    std::vector<Outcome> ends;
    bool offInterfaceThread = true;

private:
    std::thread::id interfaceThread_ = std::this_thread::get_id();
    Progress* progress_ = nullptr;
};

// The x-section at ordinate `s` of the "Seno" square with n = 4, as the square's section screen
// runs it from its fields' texts.
void squareSection(Calculation& click, const char* side, const char* s, const char* walks) {
    const double length = click.length(side, QStringLiteral("Dimensioni"));
    const Int16 fixed = click.count(s, QStringLiteral("Ordinata sezione"));
    const Int16 count = click.count(walks, QStringLiteral("N prove"));
    ASSERT_TRUE(click.fillGrid(4, 4, length, length, BoundaryDatum::Seno));
    const std::vector<Node> nodes = squareSectionNodes(SectionAxis::X, fixed, 4);
    const EstimateAt estimateAt =
        click.walksAt(WalkDomain::square(4), count, nodes, SectionAxis::X);
    click.inBackground([&] {
        for (const Node node : nodes) {
            estimateAt(node);
        }
    });
}

}  // namespace

// Along the bottom line every walk ends where it starts, so each estimate is its node's value:
// the estimates come in the plan's order, each with its own node.
TEST(Calculation, aCompletedClickHandsOnItsPlanAndEachEstimateInOrder) {
    Resources resources;
    RecordingObserver observer;
    Calculation click(resources(), WalkKind::Lattice, &observer);
    EXPECT_EQ(click.run([&] { squareSection(click, "1", "0", "30"); }), Outcome::Completed);

    EXPECT_EQ(observer.plans, 1);
    EXPECT_EQ(observer.nodes, squareSectionNodes(SectionAxis::X, 0, 4));
    EXPECT_EQ(observer.axis, SectionAxis::X);
    EXPECT_EQ(observer.estimatedNodes, observer.nodes);
    ASSERT_EQ(observer.estimates.size(), 5u);
    for (int k = 0; k <= 4; ++k) {
        EXPECT_EQ(observer.estimates[std::size_t(k)].value, click.grid().at(k, 0)) << "node " << k;
    }
    EXPECT_EQ(observer.estimates[1].value, std::sin(0.25 * 3.14));
    EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Completed});
    EXPECT_TRUE(observer.offInterfaceThread);
    EXPECT_EQ(click.progress().stage(), Stage::Walks);
    EXPECT_EQ(click.progress().done(), 5 * 30);
    EXPECT_EQ(click.progress().total(), 5 * 30);
}

// An observer costs a click nothing of its result: with the same seed the estimate is the same
// to the last bit, and the observer hears that very estimate.
TEST(Calculation, anObservedClickGivesWhatAnUnobservedOneGives) {
    const auto point = [](Calculation& click) {
        Estimate estimate;
        EXPECT_EQ(click.run([&] {
            ASSERT_TRUE(click.fillGrid(8, 8, 1.0, 1.0, BoundaryDatum::Seno));
            estimate = click.estimate(WalkDomain::square(8), {3, 2}, 500);
        }),
                  Outcome::Completed);
        return estimate;
    };
    Resources observed;
    Resources plain;
    RecordingObserver observer;
    Calculation withObserver(observed(), WalkKind::Jump, &observer);
    Calculation without(plain(), WalkKind::Jump);
    const Estimate seen = point(withObserver);
    const Estimate unseen = point(without);
    EXPECT_EQ(seen.value, unseen.value);
    EXPECT_EQ(seen.standardError, unseen.standardError);
    EXPECT_GT(seen.standardError, 0.0);
    ASSERT_EQ(observer.estimates.size(), 1u);
    EXPECT_EQ(observer.estimates.front().value, seen.value);
    EXPECT_EQ(observer.nodes, (std::vector<Node>{Node{3, 2}}));
    EXPECT_EQ(observer.axis, std::nullopt);
}

// Esc as a condition of the run, never a timer: the stop is asked for once two estimates exist,
// or by the observer's own work before the walks; nothing is reported.
TEST(Calculation, aStopAskedForInterruptsTheClick) {
    for (const bool beforeTheWalks : {false, true}) {
        SCOPED_TRACE(beforeTheWalks ? "in planned()" : "after two estimates");
        Resources resources;
        RecordingObserver observer;
        if (beforeTheWalks) {
            observer.onPlanned = [](Progress& progress) {
                progress.begin(Stage::Exact, 100);
                progress.requestStop();
                progress.throwIfStopRequested();
            };
        } else {
            observer.stopAfter = 2;
        }
        Calculation click(resources(), WalkKind::Lattice, &observer);
        EXPECT_EQ(click.run([&] { squareSection(click, "1", "2", "100"); }), Outcome::Interrupted);
        EXPECT_EQ(observer.estimates.size(), beforeTheWalks ? 0u : 2u);
        EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Interrupted});
        EXPECT_TRUE(click.errorReport().isEmpty());
    }
}

// The observer's stage of its own ends where the walks' stage begins anew.
TEST(Calculation, theWalksStageBeginsAfterTheObserversOwn) {
    Resources resources;
    RecordingObserver observer;
    observer.onPlanned = [](Progress& progress) {
        progress.begin(Stage::Exact, 100);
        progress.advance(100);
    };
    Calculation click(resources(), WalkKind::Jump, &observer);
    EXPECT_EQ(click.run([&] { squareSection(click, "1", "1", "10"); }), Outcome::Completed);
    EXPECT_EQ(click.progress().stage(), Stage::Walks);
    EXPECT_EQ(click.progress().done(), 50);
    EXPECT_EQ(click.progress().total(), 50);
}

// A failed click keeps the report of its error, the same with or without an observer; the
// observer hears of the end, never of a plan (a line off the grid is refused before its plan is
// announced, as the first estimate would refuse it).
TEST(Calculation, aFailedClickKeepsItsReport) {
    struct Case {
        const char* side;
        const char* s;
        const char* walks;
        std::size_t (&memory)();
        const char* report;  // a part of it
        int plans;
    };
    const Case cases[] = {
        {"uno", "1", "10", plentyOfMemory, "Campo: \"Dimensioni\"", 0},
        {"1", "1", "40000", plentyOfMemory, "Campo: \"N prove\"", 0},
        {"1", "1", "10", noMemory, "Memoria insufficiente", 0},
        {"1", "9", "10", plentyOfMemory, "Indice non compreso", 0},  // a line off the grid
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        Resources resources;
        RecordingObserver observer;
        Calculation click(resources(c.memory), WalkKind::Lattice, &observer);
        EXPECT_EQ(click.run([&] { squareSection(click, c.side, c.s, c.walks); }), Outcome::Failed);
        EXPECT_TRUE(click.errorReport().startsWith(QStringLiteral("Errore di run-time: ")));
        EXPECT_TRUE(click.errorReport().contains(QString::fromUtf8(c.report)))
            << click.errorReport().toStdString();
        EXPECT_EQ(observer.plans, c.plans);
        EXPECT_TRUE(observer.estimates.empty());
        EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Failed});
        Resources plainResources;
        Calculation unobserved(plainResources(c.memory), WalkKind::Lattice);
        EXPECT_EQ(unobserved.run([&] { squareSection(unobserved, c.side, c.s, c.walks); }),
                  Outcome::Failed);
        EXPECT_EQ(unobserved.errorReport(), click.errorReport());
    }
}

// A start node off the grid fails a point click with the estimate's own error before the
// observer hears of the plan, so a view spends no exact solve on a click that cannot run.
TEST(Calculation, aStartOffTheGridIsRefusedBeforeThePlan) {
    for (const Node start : {Node{9, 2}, Node{3, -1}}) {
        SCOPED_TRACE(testing::Message() << start.x << ", " << start.y);
        const auto point = [&](Calculation& click) {
            return click.run([&] {
                ASSERT_TRUE(click.fillGrid(8, 8, 1.0, 1.0, BoundaryDatum::Seno));
                click.estimate(WalkDomain::square(8), start, 10);
            });
        };
        Resources observed;
        Resources plain;
        RecordingObserver observer;
        Calculation withObserver(observed(), WalkKind::Jump, &observer);
        Calculation without(plain(), WalkKind::Jump);
        EXPECT_EQ(point(withObserver), Outcome::Failed);
        EXPECT_EQ(point(without), Outcome::Failed);
        EXPECT_EQ(observer.plans, 0);
        EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Failed});
        EXPECT_TRUE(withObserver.errorReport().contains(QStringLiteral("Indice non compreso")))
            << withObserver.errorReport().toStdString();
        EXPECT_EQ(withObserver.errorReport(), without.errorReport());
    }
}

// No datum: the grid is created (and refused first, if it must be), nothing is filled or
// planned, and the click completes.
TEST(Calculation, withoutADatumTheClickEndsAfterTheGrid) {
    Resources resources;
    RecordingObserver observer;
    Calculation click(resources(), WalkKind::Lattice, &observer);
    EXPECT_EQ(click.run([&] { EXPECT_FALSE(click.fillGrid(4, 4, 1.0, 1.0, std::nullopt)); }),
              Outcome::Completed);
    EXPECT_EQ(click.grid().nx(), 4);
    EXPECT_EQ(click.progress().stage(), Stage::Idle);
    EXPECT_EQ(observer.plans, 0);
    EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Completed});

    Calculation refused(resources(noMemory), WalkKind::Lattice);
    EXPECT_EQ(refused.run([&] { refused.fillGrid(40, 40, 1.0, 1.0, std::nullopt); }),
              Outcome::Failed);
}
