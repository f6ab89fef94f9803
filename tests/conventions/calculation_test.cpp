// One click's life without a window: a Calculation driven as a screen drives it, followed by an
// observer that records what it hears and on which thread.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "calculation.hpp"
#include "harmonic.hpp"
#include "section_plan.hpp"

using namespace nurlo;

namespace {

std::size_t plentyOfMemory() { return std::size_t{1} << 40; }
std::size_t noMemory() { return 0; }

struct Resources {
    explicit Resources(std::uint64_t seed = 12345) : source(SeededSource(seed)) {}
    CalculationResources operator()(std::size_t (&memory)() = plentyOfMemory) {
        return {pool, source, memory};
    }
    WalkPool pool{2};
    ScreenSource source;
};

// What the observer heard. Planned and estimated come from the background, ended from the
// thread that made the observer.
class RecordingObserver final : public CalculationObserver {
public:
    void planned(const CalculationPlan& plan, Progress& progress) override {
        offInterfaceThread = offInterfaceThread && !onInterfaceThread();
        ++plans;
        nodes = plan.nodes;
        walks = plan.walks;
        datum = plan.datum;
        axis = plan.axis;
        gridNodeValue = plan.grid.at(1, 0);
        progress_ = &progress;
        if (onPlanned) {
            onPlanned(progress);
        }
    }
    void estimated(std::size_t index, Node node, const Estimate& estimate) override {
        offInterfaceThread = offInterfaceThread && !onInterfaceThread();
        indexes.push_back(index);
        estimatedNodes.push_back(node);
        estimates.push_back(estimate);
        if (stopAfter && estimates.size() == *stopAfter) {
            progress_->requestStop();
        }
    }
    void ended(Outcome outcome) override {
        endedOnInterfaceThread = onInterfaceThread();
        ends.push_back(outcome);
    }

    std::function<void(Progress&)> onPlanned;
    std::optional<std::size_t> stopAfter;  // asks the click to stop once this many exist

    int plans = 0;
    std::vector<Node> nodes;
    Int16 walks = 0;
    BoundaryDatum datum = BoundaryDatum::Nullo;
    std::optional<SectionAxis> axis;
    double gridNodeValue = 0.0;
    std::vector<std::size_t> indexes;
    std::vector<Node> estimatedNodes;
    std::vector<Estimate> estimates;
    std::vector<Outcome> ends;
    bool offInterfaceThread = true;
    bool endedOnInterfaceThread = false;

private:
    bool onInterfaceThread() const { return std::this_thread::get_id() == interfaceThread_; }
    std::thread::id interfaceThread_ = std::this_thread::get_id();
    Progress* progress_ = nullptr;
};

// The x-section at ordinate `s` of the "Seno" square of side 1 and n = 4, as the square's
// section screen runs it, from the fields' texts.
void squareSection(Calculation& click, const char* side, const char* s, const char* walks) {
    const double length = click.length(side, QStringLiteral("Dimensioni"));
    const Int16 fixed = click.count(s, QStringLiteral("Ordinata sezione"));
    const Int16 n = 4;
    const Int16 count = click.count(walks, QStringLiteral("N prove"));
    ASSERT_TRUE(click.fillGrid(n, n, length, length, BoundaryDatum::Seno));
    const EstimateAt estimateAt = click.walksAt(
        WalkDomain::square(n), count, squareSectionNodes(SectionAxis::X, fixed, n), SectionAxis::X);
    click.inBackground([&] {
        for (const Node node : squareSectionNodes(SectionAxis::X, fixed, n)) {
            estimateAt(node);
        }
    });
}

}  // namespace

TEST(Calculation, aSectionClickPlansItsNodesAndHandsOnEachEstimateInOrder) {
    Resources resources;
    RecordingObserver observer;
    Calculation click(resources(), WalkKind::Lattice, &observer);
    EXPECT_EQ(click.run([&] { squareSection(click, "1", "1", "4000"); }), Outcome::Completed);

    EXPECT_EQ(observer.plans, 1);
    EXPECT_EQ(observer.nodes, squareSectionNodes(SectionAxis::X, 1, 4));
    EXPECT_EQ(observer.walks, 4000);
    EXPECT_EQ(observer.datum, BoundaryDatum::Seno);
    EXPECT_EQ(observer.axis, SectionAxis::X);
    EXPECT_EQ(observer.gridNodeValue, std::sin(0.25 * 3.14));  // the plan's grid is filled
    EXPECT_EQ(observer.indexes, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(observer.estimatedNodes, observer.nodes);
    EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Completed});
    EXPECT_TRUE(observer.offInterfaceThread);
    EXPECT_TRUE(observer.endedOnInterfaceThread);
    EXPECT_EQ(click.progress().stage(), Stage::Walks);
    EXPECT_EQ(click.progress().done(), 5 * 4000);
    EXPECT_EQ(click.progress().total(), 5 * 4000);

    // Each estimate agrees with the discrete harmonic function of the same border values; the
    // same bound tells the line apart from the next one, so a node estimated in the wrong place
    // would be caught.
    const test::HarmonicSolution exact(
        4, 4, [](int i, int j) { return i == 0 || i == 4 || j == 0 || j == 4; },
        [](int i, int j) { return j == 0 && i > 0 && i < 4 ? std::sin(i * 0.25 * 3.14) : 0.0; });
    for (std::size_t k = 0; k < observer.estimates.size(); ++k) {
        const Estimate& estimate = observer.estimates[k];
        const double expected = exact.at(static_cast<int>(k), 1);
        EXPECT_LE(std::fabs(estimate.value - expected), 5 * estimate.standardError + 1e-15)
            << "node " << k;
    }
    int rejected = 0;
    for (std::size_t k = 1; k < 4; ++k) {
        const Estimate& estimate = observer.estimates[k];
        const double wrong = exact.at(static_cast<int>(k), 2);
        rejected += std::fabs(estimate.value - wrong) > 5 * estimate.standardError ? 1 : 0;
    }
    EXPECT_EQ(rejected, 3);
}

TEST(Calculation, withoutAnObserverAClickGivesTheSameEstimate) {
    Resources observed(7);
    Resources plain(7);
    RecordingObserver observer;
    Calculation withObserver(observed(), WalkKind::Jump, &observer);
    Calculation without(plain(), WalkKind::Jump);
    Estimate seen;
    Estimate unseen;
    const auto point = [](Calculation& click, Estimate& result) {
        return click.run([&] {
            ASSERT_TRUE(click.fillGrid(8, 8, 1.0, 1.0, BoundaryDatum::Seno));
            result = click.estimate(WalkDomain::square(8), {3, 2}, 500);
        });
    };
    EXPECT_EQ(point(withObserver, seen), Outcome::Completed);
    EXPECT_EQ(point(without, unseen), Outcome::Completed);
    EXPECT_EQ(seen.value, unseen.value);
    EXPECT_EQ(seen.standardError, unseen.standardError);
    ASSERT_EQ(observer.estimates.size(), 1u);
    EXPECT_EQ(observer.estimates.front().value, seen.value);
    EXPECT_EQ(observer.nodes, (std::vector<Node>{Node{3, 2}}));
    EXPECT_EQ(observer.axis, std::nullopt);
}

// Esc, as a condition of the run: the observer asks for the stop once two estimates exist, so
// the third never comes, and nothing is reported.
TEST(Calculation, aStopAskedForBetweenEstimatesInterruptsTheClick) {
    Resources resources;
    RecordingObserver observer;
    observer.stopAfter = 2;
    Calculation click(resources(), WalkKind::Lattice, &observer);
    EXPECT_EQ(click.run([&] { squareSection(click, "1", "2", "100"); }), Outcome::Interrupted);
    EXPECT_EQ(observer.estimates.size(), 2u);
    EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Interrupted});
    EXPECT_TRUE(click.errorReport().isEmpty());
}

// The observer's own long work before the walks: a stage of its own on the click's progress,
// which a stop ends; without the stop the walks' stage begins anew afterwards.
TEST(Calculation, theObserverMayWorkOnTheClicksProgressBeforeTheWalks) {
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "not stopped");
        Resources resources;
        RecordingObserver observer;
        observer.onPlanned = [stop](Progress& progress) {
            progress.begin(Stage::Fill, 7);
            progress.advance(7);
            if (stop) {
                progress.requestStop();
            }
            progress.throwIfStopRequested();
        };
        Calculation click(resources(), WalkKind::Lattice, &observer);
        const Outcome outcome = click.run([&] { squareSection(click, "1", "1", "10"); });
        EXPECT_EQ(outcome, stop ? Outcome::Interrupted : Outcome::Completed);
        EXPECT_EQ(observer.estimates.size(), stop ? 0u : 5u);
        if (!stop) {
            EXPECT_EQ(click.progress().stage(), Stage::Walks);
            EXPECT_EQ(click.progress().done(), 50);
            EXPECT_EQ(click.progress().total(), 50);
        }
    }
}

// A click that fails ends with the report of its error; the observer hears of the end, and of
// the plan only when the error comes after it.
TEST(Calculation, aFailedClickKeepsItsReport) {
    struct Case {
        const char* what;
        const char* side;
        const char* s;
        const char* walks;
        std::size_t (&memory)();
        const char* report;  // a part of it
        int plans;
    };
    const Case cases[] = {
        {"a side that is not a number", "uno", "1", "10", plentyOfMemory, "Campo: \"Dimensioni\"",
         0},
        {"a walk count beyond 16 bits", "1", "1", "40000", plentyOfMemory, "Campo: \"N prove\"", 0},
        {"a grid larger than the memory", "1", "1", "10", noMemory, "Memoria insufficiente", 0},
        {"a section off the grid", "1", "9", "10", plentyOfMemory, "Indice non compreso", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Resources resources;
        RecordingObserver observer;
        Calculation click(resources(c.memory), WalkKind::Lattice, &observer);
        EXPECT_EQ(click.run([&] { squareSection(click, c.side, c.s, c.walks); }), Outcome::Failed);
        EXPECT_TRUE(click.errorReport().contains(QString::fromUtf8(c.report)))
            << click.errorReport().toStdString();
        EXPECT_TRUE(click.errorReport().startsWith(QStringLiteral("Errore di run-time: ")));
        EXPECT_EQ(observer.plans, c.plans);
        EXPECT_TRUE(observer.estimates.empty());
        EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Failed});
    }
}

// No datum: the grid is created (and may fail, first), nothing is filled or planned, and the
// click completes.
TEST(Calculation, withoutADatumTheClickEndsAfterTheGrid) {
    Resources resources;
    RecordingObserver observer;
    Calculation click(resources(), WalkKind::Lattice, &observer);
    bool filled = true;
    EXPECT_EQ(click.run([&] { filled = click.fillGrid(4, 4, 1.0, 1.0, std::nullopt); }),
              Outcome::Completed);
    EXPECT_FALSE(filled);
    EXPECT_EQ(click.grid().nx(), 4);
    EXPECT_EQ(click.progress().stage(), Stage::Idle);
    EXPECT_EQ(observer.plans, 0);
    EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Completed});

    Calculation refused(resources(noMemory), WalkKind::Lattice, &observer);
    EXPECT_EQ(refused.run([&] { refused.fillGrid(40, 40, 1.0, 1.0, std::nullopt); }),
              Outcome::Failed);
}
