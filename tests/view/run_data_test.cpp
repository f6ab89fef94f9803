#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "boundary_datum.hpp"
#include "exact_field.hpp"
#include "grid_memory.hpp"
#include "harmonic.hpp"
#include "run_data.hpp"
#include "walk_estimator.hpp"

namespace nurlo {
namespace {

using Cells = std::vector<std::vector<std::string>>;

// Splits tab-separated text into cells, keeping empty ones (a trailing tab gives an empty cell).
Cells tsvCells(const std::string& text) {
    Cells rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        auto& row = rows.emplace_back();
        for (std::size_t from = 0, tab = 0; tab != std::string::npos; from = tab + 1) {
            tab = line.find('\t', from);
            row.push_back(line.substr(from, tab - from));
        }
    }
    return rows;
}

// A point click on the L as the program runs it, the view's data recording its walks.
struct PointRun : WalkRecorder {
    WalkDomain domain = WalkDomain::lShaped(12, 10, 6, 5);
    BoundaryGrid grid{12, 10, kTestGridMemory};
    RunData data;
    Estimate estimate;

    PointRun(BoundaryDatum datum, Node start, Int16 walks, WalkKind walk) {
        fillBoundary(grid, datum, 1.2, 1.0);
        data.begin(test::planOf(domain, datum, 1.2, 1.0, walks, {start}, walk));
        data.setExact(test::exactOf(grid, domain));
        SeededSource source(11);
        estimate =
            WalkEstimator(grid, domain, {.walk = walk, .recorder = this}).run(start, walks, source);
        data.estimated(0, estimate);
        data.finished(RunState::Completed);
    }
    int tracesWanted() const override { return data.tracesWanted(); }
    void traced(WalkTrace trace) override { data.traced(std::move(trace)); }
    void ended(Node start, std::span<const WalkEnd> ends) override { data.ended(start, ends); }
};

// The end counts lie on the border and add up to the walks, also gathered into pixels; after k
// walks the running estimate is the estimate of k walks from the same seed, its band two of that
// estimate's standard errors either side; the exact value lies within five standard errors.
TEST(RunData, CountsEveryWalkAndRunsTheEstimateWithItsBand) {
    for (const WalkKind walk : {WalkKind::Lattice, WalkKind::Jump}) {
        PointRun run(BoundaryDatum::ExpXSiny, {3, 7}, 5000, walk);
        const RunSnapshot snapshot = run.data.snapshot();
        std::int64_t total = 0;
        for (const auto& [key, count] : snapshot.endCounts) {
            EXPECT_TRUE(run.domain.stops(keyNode(key)));
            total += count;
        }
        EXPECT_EQ(total, 5000);
        EXPECT_EQ(snapshot.endedWalks, 5000);
        EXPECT_EQ(snapshot.traces.size(), 3U);
        for (const auto& [width, height] : {std::pair{4, 3}, {13, 11}, {400, 300}}) {
            std::int64_t binned = 0;
            for (const PixelCount& p : binToPixels(snapshot.endCounts, 12, 10, width, height)) {
                EXPECT_TRUE(p.column >= 0 && p.column < width && p.row >= 0 && p.row < height);
                binned += p.count;
            }
            EXPECT_EQ(binned, 5000) << width << " x " << height;
        }
        ASSERT_EQ(snapshot.running.size(), 5000U);
        const RunningPoint& last = snapshot.running.back();
        EXPECT_EQ(last.walks, 5000);
        EXPECT_NEAR(last.mean, run.estimate.value, 1e-12);
        EXPECT_NEAR(last.standardError, run.estimate.standardError, 1e-12);
        for (const Int16 k : {Int16{10}, Int16{100}, Int16{777}}) {
            const RunningPoint& point = snapshot.running[static_cast<std::size_t>(k - 1)];
            SeededSource source(11);
            const Estimate shorter =
                WalkEstimator(run.grid, run.domain, {.walk = walk}).run({3, 7}, k, source);
            EXPECT_EQ(point.walks, k);
            EXPECT_NEAR(point.mean, shorter.value, 1e-12);
            EXPECT_NEAR(point.upper(), shorter.value + 2.0 * shorter.standardError, 1e-12);
            EXPECT_NEAR(point.lower(), shorter.value - 2.0 * shorter.standardError, 1e-12);
        }
        const std::optional<double> exact = snapshot.exactAt({3, 7});
        ASSERT_TRUE(exact);
        EXPECT_LE(std::fabs(run.estimate.value - *exact), 5.0 * run.estimate.standardError);
    }
}

// A point click copies as its header and one row that reads back as the values shown, with a
// decimal point under a decimal-comma locale and an empty cell where the datum has no function.
TEST(RunData, CopiesAPointClickAsOneRowOfTabSeparatedNumbers) {
    std::setlocale(LC_ALL, "it_IT.UTF-8");
    PointRun harmonic(BoundaryDatum::ExpXSiny, {3, 7}, 400, WalkKind::Jump);
    PointRun sine(BoundaryDatum::Seno, {3, 2}, 100, WalkKind::Lattice);
    const std::string text = tsvText(harmonic.data.snapshot());
    const Cells sineCells = tsvCells(tsvText(sine.data.snapshot()));
    std::setlocale(LC_ALL, "C");
    const Cells cells = tsvCells(text);
    ASSERT_EQ(cells.size(), 2U);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "x0\ty0\tstima\terrore standard\tprove\tesatto discreto\tfunzione");
    const auto& row = cells[1];
    ASSERT_EQ(row.size(), 7U);
    EXPECT_EQ(row[0] + " " + row[1] + " " + row[4], "3 7 400");
    EXPECT_EQ(row[2].find(','), std::string::npos);
    EXPECT_EQ(
        (std::vector{std::stod(row[2]), std::stod(row[3]), std::stod(row[5]), std::stod(row[6])}),
        (std::vector{harmonic.estimate.value, harmonic.estimate.standardError,
                     *harmonic.data.snapshot().exactAt({3, 7}),
                     harmonicDatumAt(BoundaryDatum::ExpXSiny, 3, 7, 12, 10, 1.2, 1.0)}));
    ASSERT_EQ(sineCells[1].size(), 7U);
    EXPECT_EQ(sineCells[1][6], "");
    for (const auto& [value, shown] : {std::pair<std::optional<double>, std::string>{0.1, "0.1"},
                                       {1.0 / 3.0, "0.3333333333333333"},
                                       {-2.5e-300, "-2.5e-300"},
                                       {std::nullopt, ""}}) {
        EXPECT_EQ(tsvNumber(value), shown);
    }
    EXPECT_EQ(std::stod(tsvNumber(0.1 + 0.2)), 0.1 + 0.2);
}

// A section's rows come in node order whatever order the estimates arrive in, a node not yet
// estimated with empty cells; only the first node's ends are counted; a new click starts afresh.
TEST(RunData, ASectionCopiesOneRowPerNodeInNodeOrder) {
    const WalkDomain domain = WalkDomain::lShaped(8, 8, 4, 4);
    BoundaryGrid grid(8, 8, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::XY, 1.0, 1.0);
    RunPlan plan = test::planOf(domain, BoundaryDatum::XY, 1.0, 1.0, 50, {}, WalkKind::Lattice,
                                SectionAxis::Y);
    for (Int16 k = 0; k <= 4; ++k) {
        plan.nodes.push_back(sectionNode(SectionAxis::Y, 6, k));
    }
    RunData data;
    data.begin(plan);
    data.setExact(test::exactOf(grid, domain));
    data.estimated(3, {.value = 0.25, .standardError = 0.01, .walks = 50});
    data.estimated(1, {.value = 0.125, .standardError = 0.02, .walks = 50});
    const Cells cells = tsvCells(tsvText(data.snapshot()));
    ASSERT_EQ(cells.size(), 6U);
    EXPECT_EQ(cells[0], (std::vector<std::string>{"nodo", "stima", "errore standard",
                                                  "esatto discreto", "funzione"}));
    for (int k = 0; k <= 4; ++k) {
        const auto& row = cells[static_cast<std::size_t>(k + 1)];
        ASSERT_EQ(row.size(), 5U);
        EXPECT_EQ(row[0], std::to_string(k));
        // x*y is discrete harmonic: the exact solution is the datum (6/8)(k/8) at every node.
        EXPECT_NEAR(std::stod(row[3]), 0.75 * k / 8.0, 1e-12);
        EXPECT_EQ(std::stod(row[4]), 0.75 * k / 8.0);
        if (k == 1 || k == 3) {
            EXPECT_EQ(std::stod(row[1]), k == 1 ? 0.125 : 0.25);
        } else {
            EXPECT_EQ(row[1] + row[2], "");
        }
    }
    const std::vector<WalkEnd> ends = {{{6, 0}, 0.0}, {{8, 3}, 0.0}};
    data.ended(plan.nodes[0], ends);
    data.estimated(0, {.value = 0.0, .standardError = 0.0, .walks = 2});
    data.ended(plan.nodes[2], ends);
    EXPECT_EQ(data.snapshot().endedWalks, 2);
    data.begin(plan);
    EXPECT_EQ(data.snapshot().endedWalks, 0);
    EXPECT_EQ(data.snapshot().exactState, ExactState::Pending);
    EXPECT_FALSE(data.snapshot().estimates[3].has_value());
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The numbers text gives the difference in standard errors and the discretisation error, and
// says where the exact solution was refused.
TEST(RunData, NumbersTellTheErrorsApart) {
    RunData data;
    data.begin(test::planOf(WalkDomain::lShaped(10, 10, 5, 5), BoundaryDatum::X2MinusY2, 1.0, 1.0,
                            100, {{2, 7}}));
    auto exact = std::make_shared<ExactField>();
    exact->nx = 10;
    exact->ny = 10;
    exact->values.assign(121, 0.0);
    exact->values[2 * 11 + 7] = -0.40;
    data.setExact(exact);
    data.estimated(0, {.value = -0.38, .standardError = 0.01, .walks = 100});
    const std::string text = pointNumbersText(data.snapshot());
    // x^2 - y^2 at (0.2, 0.7) is -0.45; less the exact -0.40.
    for (const char* part :
         {"Stima: -0.38\n", "Esatto discreto: -0.4\n", "Differenza: 2 errori standard",
          "Funzione: -0.45\n", "esatto discreto): -0.05"}) {
        EXPECT_TRUE(has(text, part)) << part << " in\n" << text;
    }
    data.setExactState(ExactState::TooLarge);
    const std::string refused = pointNumbersText(data.snapshot());
    EXPECT_TRUE(has(refused, kExactTooLargeText)) << refused;
    EXPECT_FALSE(has(refused, "Differenza")) << refused;
    EXPECT_EQ(tsvCells(tsvText(data.snapshot()))[1][5], "");
}

// However a point click ends, the numbers say so; an exact solution the click never set is no
// longer said to be in calculation once it ends.
TEST(RunData, NumbersSayHowTheClickEnded) {
    const std::vector<std::string> notes = {"(calcolo in corso)", "(calcolo interrotto)",
                                            "(calcolo non riuscito)"};
    for (const auto& [state, note] : {std::pair{RunState::Running, 0},
                                      {RunState::Interrupted, 1},
                                      {RunState::Failed, 2},
                                      {RunState::Completed, -1}}) {
        RunData data;
        data.begin(
            test::planOf(WalkDomain::square(10), BoundaryDatum::XY, 1.0, 1.0, 100, {{4, 4}}));
        const std::vector<WalkEnd> ends = {{{10, 3}, 1.0}, {{0, 6}, 0.0}};
        data.ended({4, 4}, ends);
        if (state == RunState::Completed) {
            data.estimated(0, {.value = 0.5, .standardError = 0.5, .walks = 2});
        }
        if (state != RunState::Running) {
            data.finished(state);
        }
        const RunSnapshot snapshot = data.snapshot();
        const std::string text = pointNumbersText(snapshot);
        SCOPED_TRACE(text);
        EXPECT_TRUE(has(text, "Stima: 0.5\n") && has(text, "Prove: 2\n"));
        for (std::size_t n = 0; n < notes.size(); ++n) {
            EXPECT_EQ(has(text, notes[n]), static_cast<int>(n) == note) << notes[n];
        }
        const bool running = state == RunState::Running;
        EXPECT_EQ(snapshot.exactState, running ? ExactState::Pending : ExactState::Missing);
        EXPECT_TRUE(
            has(text, running ? "Esatto discreto: in calcolo…" : "Esatto discreto: non calcolato"));
    }
}

}  // namespace
}  // namespace nurlo
