#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

#include "calculation.hpp"
#include "section_plan.hpp"

using namespace nurlo;

namespace {

std::size_t plentyOfMemory() { return std::size_t{1} << 40; }
std::size_t noMemory() { return 0; }
constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();

// Hears of plan and estimates in the background, of the end on the interface thread; runs a stage
// of its own after the plan (as the view's solve does); Esc at `stopAt` estimates (0: in it).
struct RecordingObserver final : CalculationObserver {
    void planned(const CalculationPlan& plan, const BoundaryGrid&, Progress& progress) override {
        EXPECT_NE(std::this_thread::get_id(), interfaceThread);
        EXPECT_TRUE(nodes.empty()) << "a second plan";
        nodes = plan.nodes;
        progress_ = &progress;
        progress.begin(Stage::Exact, 100);
        if (stopAt == 0) {
            progress.requestStop();
            progress.throwIfStopRequested();
        }
    }
    void estimated(std::size_t index, Node node, const Estimate& estimate) override {
        EXPECT_NE(std::this_thread::get_id(), interfaceThread);
        // Each estimate with its own node, in the plan's order.
        EXPECT_TRUE(index == values.size() && node == nodes.at(index)) << index;
        values.push_back(estimate.value);
        if (values.size() == stopAt) {
            progress_->requestStop();
        }
    }
    void ended(Outcome outcome) override {
        EXPECT_EQ(std::this_thread::get_id(), interfaceThread);
        ends.push_back(outcome);
    }

    std::thread::id interfaceThread = std::this_thread::get_id();
    std::size_t stopAt = kNever;
    std::vector<Node> nodes;
    std::vector<double> values;
    std::vector<Outcome> ends;
    Progress* progress_ = nullptr;
};

// The steps of a screen's click; they keep the values of the estimates they get.
using Body = std::function<void(Calculation&, std::vector<double>&)>;

// A click with its own threads and seeded source, observed or not.
struct Click {
    Click(WalkKind walk, CalculationObserver* observer, std::size_t (*memory)())
        : calculation({pool, source, *memory}, walk, observer) {}
    Outcome run(const Body& body) {
        return calculation.run([&] { body(calculation, values); });
    }
    WalkPool pool{2};
    ScreenSource source = SeededSource(12345);
    Calculation calculation;
    std::vector<double> values;
};

// The x-section at ordinate `s` of the "Seno" square with n = 4, from its fields' texts.
Body squareSection(const char* side, const char* s, const char* walks) {
    return [=](Calculation& click, std::vector<double>& values) {
        const double length = click.length(side, QStringLiteral("Dimensioni"));
        const Int16 fixed = click.count(s, QStringLiteral("Ordinata sezione"));
        const Int16 count = click.count(walks, QStringLiteral("N prove"));
        ASSERT_TRUE(click.fillGrid(Problem::square(4, length), BoundaryDatum::Seno));
        const std::vector<Node> nodes = squareSectionNodes(SectionAxis::X, fixed, 4);
        const EstimateAt at = click.walksAt(count, nodes, SectionAxis::X);
        click.inBackground([&] {
            for (const Node node : nodes) {
                values.push_back(at(node).value);
            }
        });
    };
}

}  // namespace

// Every end, either walk: the observer hears the plan (none before a failure), each estimate the
// screen gets and the end; unobserved, the same seed gives the same to the last bit.
TEST(Calculation, anObservedClickEndsAsAnUnobservedOne) {
    const Body noDatum = [](Calculation& click, std::vector<double>&) {
        EXPECT_FALSE(
            click.fillGrid(Problem::square(40, 1.0), std::nullopt));  // the grid all the same
    };
    const auto section = squareSection("1", "2", "30");
    const struct {
        Body body;
        Outcome outcome;
        std::size_t planned;  // nodes
        const char* report;   // a part of it
        std::size_t (*memory)() = plentyOfMemory;
        std::size_t stopAt = kNever;
    } cases[] = {
        {section, Outcome::Completed, 5, ""},
        {section, Outcome::Interrupted, 5, "", plentyOfMemory, 2},
        {section, Outcome::Interrupted, 5, "", plentyOfMemory, 0},
        {noDatum, Outcome::Completed, 0, ""},
        {squareSection("uno", "1", "10"), Outcome::Failed, 0, "Campo: \"Dimensioni\""},
        {squareSection("1", "1", "40000"), Outcome::Failed, 0, "Campo: \"N prove\""},
        {section, Outcome::Failed, 0, "Memoria insufficiente", noMemory},
        {noDatum, Outcome::Failed, 0, "Memoria insufficiente", noMemory},
        {squareSection("1", "5", "10"), Outcome::Failed, 0, "Indice non compreso"},
        {squareSection("1", "-1", "10"), Outcome::Failed, 0, "Indice non compreso"},
    };
    for (const WalkKind walk : {WalkKind::Lattice, WalkKind::Jump}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << &c - cases << (walk == WalkKind::Jump ? " jump" : ""));
            RecordingObserver observer;
            observer.stopAt = c.stopAt;
            Click observed(walk, &observer, c.memory);
            EXPECT_EQ(observed.run(c.body), c.outcome);
            EXPECT_EQ(observer.ends, std::vector<Outcome>{c.outcome});
            EXPECT_TRUE(observer.nodes.size() == c.planned &&
                        observer.values.size() == std::min(c.planned, c.stopAt));
            EXPECT_EQ(observer.values, observed.values);
            const QString report = observed.calculation.errorReport();
            EXPECT_EQ(report.isEmpty(), c.outcome != Outcome::Failed);
            EXPECT_TRUE(report.contains(QString::fromUtf8(c.report))) << report.toStdString();
            if (c.stopAt == kNever) {
                Click plain(walk, nullptr, c.memory);
                EXPECT_EQ(plain.run(c.body), c.outcome);
                EXPECT_EQ(plain.values, observed.values);
                EXPECT_EQ(plain.calculation.errorReport(), report);
            }
            const Progress& progress = observed.calculation.progress();  // begun anew for walks
            EXPECT_TRUE(c.outcome != Outcome::Completed || c.planned == 0 ||
                        (progress.stage() == Stage::Walks && progress.done() == progress.total()));
        }
    }
    // Along the bottom line every walk ends where it starts: each estimate is its node's value.
    Click bottom(WalkKind::Lattice, nullptr, plentyOfMemory);
    EXPECT_EQ(bottom.run(squareSection("1", "0", "30")), Outcome::Completed);
    for (int k = 0; k <= 4; ++k) {
        EXPECT_EQ(bottom.values.at(std::size_t(k)), bottom.calculation.grid().at(k, 0)) << k;
    }
}
