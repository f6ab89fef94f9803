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

// A click with its own threads and seeded source, observed or not.
struct Click {
    explicit Click(WalkKind walk, CalculationObserver* observer = nullptr,
                   std::size_t (&memory)() = plentyOfMemory)
        : calculation({pool, source, memory}, walk, observer) {}
    WalkPool pool{2};
    ScreenSource source = SeededSource(12345);
    Calculation calculation;
};

// planned and estimated must come from the background, ended from the observer's own thread.
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
        EXPECT_EQ(node, nodes.at(index));  // each estimate with its own node, in the plan's order
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
    std::optional<std::size_t> stopAfter;
    int plans = 0;
    std::vector<Node> nodes;
    std::optional<SectionAxis> axis;
    std::vector<Estimate> estimates;
    std::vector<Outcome> ends;
    bool offInterfaceThread = true;

private:
    std::thread::id interfaceThread_ = std::this_thread::get_id();
    Progress* progress_ = nullptr;
};

using Body = std::function<void(Calculation&)>;

// The x-section at ordinate `s` of the "Seno" square with n = 4, run from its fields' texts as
// the square's section screen runs it.
Body squareSection(const char* side, const char* s, const char* walks) {
    return [=](Calculation& click) {
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
    };
}

// A point click on the "Seno" unit square with n = 8.
Body squarePoint(Node start, Int16 walks, Estimate* estimate = nullptr) {
    return [=](Calculation& click) {
        ASSERT_TRUE(click.fillGrid(8, 8, 1.0, 1.0, BoundaryDatum::Seno));
        const Estimate result = click.estimate(WalkDomain::square(8), start, walks);
        if (estimate != nullptr) {
            *estimate = result;
        }
    };
}

Outcome run(Calculation& click, const Body& body) {
    return click.run([&] { body(click); });
}

}  // namespace

// Along the bottom line every walk ends where it starts, so each estimate is its node's value.
// The walks' progress begins anew after the observer's own stage.
TEST(Calculation, aCompletedClickHandsOnItsPlanAndEachEstimateInOrder) {
    RecordingObserver observer;
    observer.onPlanned = [](Progress& progress) {
        progress.begin(Stage::Exact, 100);
        progress.advance(100);
    };
    Click c(WalkKind::Lattice, &observer);
    EXPECT_EQ(run(c.calculation, squareSection("1", "0", "30")), Outcome::Completed);

    EXPECT_EQ(observer.plans, 1);
    EXPECT_EQ(observer.nodes, squareSectionNodes(SectionAxis::X, 0, 4));
    EXPECT_EQ(observer.axis, SectionAxis::X);
    ASSERT_EQ(observer.estimates.size(), 5u);
    for (int k = 0; k <= 4; ++k) {
        EXPECT_EQ(observer.estimates[std::size_t(k)].value, c.calculation.grid().at(k, 0)) << k;
    }
    EXPECT_EQ(observer.estimates[1].value, std::sin(0.25 * 3.14));
    EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Completed});
    EXPECT_TRUE(observer.offInterfaceThread);
    EXPECT_EQ(c.calculation.progress().stage(), Stage::Walks);
    EXPECT_EQ(c.calculation.progress().done(), 5 * 30);
    EXPECT_EQ(c.calculation.progress().total(), 5 * 30);
}

// With the same seed an observed click's estimate is the unobserved one to the last bit.
TEST(Calculation, anObservedClickGivesWhatAnUnobservedOneGives) {
    RecordingObserver observer;
    Click observed(WalkKind::Jump, &observer);
    Click plain(WalkKind::Jump);
    Estimate seen;
    Estimate unseen;
    EXPECT_EQ(run(observed.calculation, squarePoint({3, 2}, 500, &seen)), Outcome::Completed);
    EXPECT_EQ(run(plain.calculation, squarePoint({3, 2}, 500, &unseen)), Outcome::Completed);
    EXPECT_EQ(seen.value, unseen.value);
    EXPECT_EQ(seen.standardError, unseen.standardError);
    EXPECT_GT(seen.standardError, 0.0);
    ASSERT_EQ(observer.estimates.size(), 1u);
    EXPECT_EQ(observer.estimates.front().value, seen.value);
    EXPECT_EQ(observer.nodes, (std::vector<Node>{Node{3, 2}}));
    EXPECT_EQ(observer.axis, std::nullopt);
}

// Esc is a condition of the run, never a timer: asked for once two estimates exist, or by the
// observer's own work before the walks. Nothing is reported.
TEST(Calculation, aStopAskedForInterruptsTheClick) {
    for (const bool beforeTheWalks : {false, true}) {
        SCOPED_TRACE(beforeTheWalks);
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
        Click c(WalkKind::Lattice, &observer);
        EXPECT_EQ(run(c.calculation, squareSection("1", "2", "100")), Outcome::Interrupted);
        EXPECT_EQ(observer.estimates.size(), beforeTheWalks ? 0u : 2u);
        EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Interrupted});
        EXPECT_TRUE(c.calculation.errorReport().isEmpty());
    }
}

// A failed click keeps its report, the same with or without an observer; the observer hears of
// the end but never of a plan: a line or start off the grid is refused before it is announced.
TEST(Calculation, aFailedClickKeepsItsReport) {
    struct Case {
        Body body;
        std::size_t (&memory)();
        const char* report;  // a part of it
    };
    const Case cases[] = {
        {squareSection("uno", "1", "10"), plentyOfMemory, "Campo: \"Dimensioni\""},
        {squareSection("1", "1", "40000"), plentyOfMemory, "Campo: \"N prove\""},
        {squareSection("1", "1", "10"), noMemory, "Memoria insufficiente"},
        {[](Calculation& click) { click.fillGrid(40, 40, 1.0, 1.0, std::nullopt); }, noMemory,
         "Memoria insufficiente"},  // no datum
        {squareSection("1", "9", "10"), plentyOfMemory, "Indice non compreso"},
        {squarePoint({9, 2}, 10), plentyOfMemory, "Indice non compreso"},
        {squarePoint({3, -1}, 10), plentyOfMemory, "Indice non compreso"},
    };
    for (const WalkKind walk : {WalkKind::Lattice, WalkKind::Jump}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.report << (walk == WalkKind::Jump ? " jump" : ""));
            RecordingObserver observer;
            Click observed(walk, &observer, c.memory);
            Click plain(walk, nullptr, c.memory);
            EXPECT_EQ(run(observed.calculation, c.body), Outcome::Failed);
            EXPECT_EQ(run(plain.calculation, c.body), Outcome::Failed);
            const QString report = observed.calculation.errorReport();
            EXPECT_TRUE(report.startsWith(QStringLiteral("Errore di run-time: ")));
            EXPECT_TRUE(report.contains(QString::fromUtf8(c.report))) << report.toStdString();
            EXPECT_EQ(plain.calculation.errorReport(), report);
            EXPECT_EQ(observer.plans, 0);
            EXPECT_TRUE(observer.estimates.empty());
            EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Failed});
        }
    }
}

// No datum: the grid is created, nothing is planned, and the click completes.
TEST(Calculation, withoutADatumTheClickEndsAfterTheGrid) {
    RecordingObserver observer;
    Click c(WalkKind::Lattice, &observer);
    EXPECT_EQ(c.calculation.run(
                  [&] { EXPECT_FALSE(c.calculation.fillGrid(4, 4, 1.0, 1.0, std::nullopt)); }),
              Outcome::Completed);
    EXPECT_EQ(c.calculation.grid().nx(), 4);
    EXPECT_EQ(c.calculation.progress().stage(), Stage::Idle);
    EXPECT_EQ(observer.plans, 0);
    EXPECT_EQ(observer.ends, std::vector<Outcome>{Outcome::Completed});
}
