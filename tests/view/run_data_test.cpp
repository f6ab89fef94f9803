#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <numeric>
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

std::vector<std::vector<std::string>> tsvCells(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::size_t from = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', from);
            cells.push_back(line.substr(from, tab - from));
            if (tab == std::string::npos) {
                break;
            }
            from = tab + 1;
        }
        rows.push_back(cells);
    }
    return rows;
}

using test::exactOf;

// A point click as the program runs it, the view's data recording its walks.
struct PointRun {
    WalkDomain domain = WalkDomain::lShaped(12, 10, 6, 5);
    BoundaryGrid grid{12, 10, kTestGridMemory};
    RunData data;
    Estimate estimate;

    PointRun(BoundaryDatum datum, Node start, Int16 walks, WalkKind walk) {
        fillBoundary(grid, datum, 1.2, 1.0);
        data.begin({.domain = domain,
                    .datum = datum,
                    .lx = 1.2,
                    .ly = 1.0,
                    .walks = walks,
                    .walk = walk,
                    .nodes = {start},
                    .axis = {}});
        data.setExact(exactOf(grid, domain));
        RecorderOf recorder(data);
        SeededSource source(11);
        estimate = WalkEstimator(grid, domain, {.walk = walk, .recorder = &recorder})
                       .run(start, walks, source);
        data.estimated(0, estimate);
        data.finished(RunState::Completed);
    }

    struct RecorderOf : WalkRecorder {
        explicit RecorderOf(RunData& d) : data(d) {}
        int tracesWanted() const override { return data.tracesWanted(); }
        void traced(WalkTrace trace) override { data.traced(std::move(trace)); }
        void ended(Node start, std::span<const WalkEnd> ends) override { data.ended(start, ends); }
        RunData& data;
    };
};

// The counts of where the walks ended add up to the walks, lie on the border, and stay when
// gathered into pixels; the running estimate ends at the estimate, with its band two standard
// errors either side, and the exact value lies within five of them.
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
            for (const PixelCount& pixel : binToPixels(snapshot.endCounts, 12, 10, width, height)) {
                EXPECT_GE(pixel.column, 0);
                EXPECT_LT(pixel.column, width);
                EXPECT_GE(pixel.row, 0);
                EXPECT_LT(pixel.row, height);
                binned += pixel.count;
            }
            EXPECT_EQ(binned, 5000) << width << " x " << height;
        }
        ASSERT_EQ(snapshot.running.size(), 5000U);
        const RunningPoint& last = snapshot.running.back();
        EXPECT_EQ(last.walks, 5000);
        EXPECT_NEAR(last.mean, run.estimate.value, 1e-12);
        EXPECT_NEAR(last.standardError, run.estimate.standardError, 1e-12);
        // After k walks the running estimate is the estimate of k walks from the same seed (the
        // first k walks of the chunks are the same walks), and its band is two of that
        // estimate's standard errors either side.
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
        // The running mean after ten walks is the mean of the first ten recorded ends: the
        // band is of the running mean, not of the final one.
        EXPECT_NE(snapshot.running[9].mean, last.mean);
        const std::optional<double> exact = snapshot.exactAt({3, 7});
        ASSERT_TRUE(exact);
        EXPECT_LE(std::fabs(run.estimate.value - *exact), 5.0 * run.estimate.standardError);
    }
}

// The copied text of a point click: its header, then one row whose numbers read back as the
// values shown, in any locale; an empty cell where the datum has no function.
TEST(RunData, CopiesAPointClickAsOneRowOfTabSeparatedNumbers) {
    std::setlocale(LC_ALL, "it_IT.UTF-8");  // a decimal comma, where the machine has it
    PointRun harmonic(BoundaryDatum::ExpXSiny, {3, 7}, 400, WalkKind::Jump);
    PointRun sine(BoundaryDatum::Seno, {3, 2}, 100, WalkKind::Lattice);
    const std::string sineText = tsvText(sine.data.snapshot());
    const std::string text = tsvText(harmonic.data.snapshot());
    std::setlocale(LC_ALL, "C");  // to read the numbers back
    const auto cells = tsvCells(text);
    ASSERT_EQ(cells.size(), 2U);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "x0\ty0\tstima\terrore standard\tprove\tesatto discreto\tfunzione");
    ASSERT_EQ(cells[1].size(), 7U);
    EXPECT_EQ(cells[1][0], "3");
    EXPECT_EQ(cells[1][1], "7");
    EXPECT_EQ(std::stod(cells[1][2]), harmonic.estimate.value);
    EXPECT_EQ(cells[1][2].find(','), std::string::npos);
    EXPECT_EQ(std::stod(cells[1][3]), harmonic.estimate.standardError);
    EXPECT_EQ(cells[1][4], "400");
    EXPECT_EQ(std::stod(cells[1][5]), *harmonic.data.snapshot().exactAt({3, 7}));
    EXPECT_EQ(std::stod(cells[1][6]),
              harmonicDatumAt(BoundaryDatum::ExpXSiny, 3, 7, 12, 10, 1.2, 1.0));

    const auto sineCells = tsvCells(sineText);
    ASSERT_EQ(sineCells[1].size(), 7U);
    EXPECT_EQ(sineCells[1][6], "");

    EXPECT_EQ(tsvNumber(0.1), "0.1");
    EXPECT_EQ(tsvNumber(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(tsvNumber(-2.5e-300), "-2.5e-300");
    EXPECT_EQ(tsvNumber(std::nullopt), "");
    EXPECT_EQ(std::stod(tsvNumber(0.1 + 0.2)), 0.1 + 0.2);
}

// A section's rows come in node order along the line, whatever order the estimates arrive in;
// a node not yet estimated has empty cells, and the exact and function columns are there from
// the start.
TEST(RunData, ASectionCopiesOneRowPerNodeInNodeOrder) {
    const WalkDomain domain = WalkDomain::lShaped(8, 8, 4, 4);
    BoundaryGrid grid(8, 8, kTestGridMemory);
    fillBoundary(grid, BoundaryDatum::XY, 1.0, 1.0);
    RunData data;
    RunPlan plan{.domain = domain,
                 .datum = BoundaryDatum::XY,
                 .lx = 1.0,
                 .ly = 1.0,
                 .walks = 50,
                 .nodes = {},
                 .axis = {}};
    for (Int16 k = 0; k <= 4; ++k) {
        plan.nodes.push_back(sectionNode(SectionAxis::Y, 6, k));
    }
    plan.axis = SectionAxis::Y;
    data.begin(plan);
    data.setExact(exactOf(grid, domain));
    data.estimated(3, {.value = 0.25, .standardError = 0.01, .walks = 50});
    data.estimated(1, {.value = 0.125, .standardError = 0.02, .walks = 50});
    const auto cells = tsvCells(tsvText(data.snapshot()));
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
            EXPECT_EQ(row[1], "");
            EXPECT_EQ(row[2], "");
        }
    }
    // The ends of the first node's walks are counted; a later node's are not.
    const std::vector<WalkEnd> ends = {{{6, 0}, 0.0}, {{8, 3}, 0.0}};
    data.ended(plan.nodes[0], ends);
    data.estimated(0, {.value = 0.0, .standardError = 0.0, .walks = 2});
    data.ended(plan.nodes[2], ends);
    EXPECT_EQ(data.snapshot().endedWalks, 2);

    // A new click drops the last one's data.
    data.begin(plan);
    EXPECT_EQ(data.snapshot().endedWalks, 0);
    EXPECT_EQ(data.snapshot().exactState, ExactState::Pending);
    EXPECT_FALSE(data.snapshot().estimates[3].has_value());
}

// The numbers text gives the difference in standard errors and the discretisation error, and
// says so where the exact solution was refused.
TEST(RunData, NumbersTellTheErrorsApart) {
    RunData data;
    data.begin({.domain = WalkDomain::lShaped(10, 10, 5, 5),
                .datum = BoundaryDatum::X2MinusY2,
                .lx = 1.0,
                .ly = 1.0,
                .walks = 100,
                .nodes = {{2, 7}},
                .axis = {}});
    auto exact = std::make_shared<ExactField>();
    exact->nx = 10;
    exact->ny = 10;
    exact->values.assign(121, 0.0);
    exact->values[2 * 11 + 7] = -0.40;
    data.setExact(exact);
    data.estimated(0, {.value = -0.38, .standardError = 0.01, .walks = 100});
    const std::string text = pointNumbersText(data.snapshot());
    EXPECT_NE(text.find("Stima: -0.38\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Esatto discreto: -0.4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Differenza: 2 errori standard"), std::string::npos) << text;
    // x^2 - y^2 at (0.2, 0.7) is -0.45; less the exact -0.40.
    EXPECT_NE(text.find("Funzione: -0.45\n"), std::string::npos) << text;
    EXPECT_NE(text.find("esatto discreto): -0.05"), std::string::npos) << text;

    data.setExactState(ExactState::TooLarge);
    const std::string refused = pointNumbersText(data.snapshot());
    EXPECT_NE(refused.find(kExactTooLargeText), std::string::npos) << refused;
    EXPECT_EQ(refused.find("Differenza"), std::string::npos) << refused;
    EXPECT_EQ(tsvCells(tsvText(data.snapshot()))[1][5], "");
}

// However a point click ends, the view says so: a click stopped or failed among its walks shows
// its running estimate as interrupted or failed, never as still being computed, and an exact
// solution the click never set is no longer said to be in calculation.
TEST(RunData, NumbersSayHowTheClickEnded) {
    struct Case {
        RunState state;
        bool estimated;
        const char* note;
    };
    for (const Case& c : {Case{RunState::Running, false, "(calcolo in corso)"},
                          Case{RunState::Interrupted, false, "(calcolo interrotto)"},
                          Case{RunState::Failed, false, "(calcolo non riuscito)"},
                          Case{RunState::Completed, true, nullptr}}) {
        RunData data;
        data.begin({.domain = WalkDomain::square(10),
                    .datum = BoundaryDatum::XY,
                    .lx = 1.0,
                    .ly = 1.0,
                    .walks = 100,
                    .nodes = {{4, 4}},
                    .axis = {}});
        const std::vector<WalkEnd> ends = {{{10, 3}, 1.0}, {{0, 6}, 0.0}};
        data.ended({4, 4}, ends);
        if (c.estimated) {
            data.estimated(0, {.value = 0.5, .standardError = 0.5, .walks = 2});
        }
        if (c.state != RunState::Running) {
            data.finished(c.state);
        }
        const RunSnapshot snapshot = data.snapshot();
        const std::string text = pointNumbersText(snapshot);
        SCOPED_TRACE(text);
        EXPECT_NE(text.find("Stima: 0.5\n"), std::string::npos);
        EXPECT_NE(text.find("Prove: 2\n"), std::string::npos);
        for (const char* note :
             {"(calcolo in corso)", "(calcolo interrotto)", "(calcolo non riuscito)"}) {
            EXPECT_EQ(text.find(note) != std::string::npos,
                      c.note != nullptr && std::string(c.note) == note)
                << note;
        }
        if (c.state == RunState::Running) {
            EXPECT_EQ(snapshot.exactState, ExactState::Pending);
            EXPECT_NE(text.find("Esatto discreto: in calcolo…"), std::string::npos);
        } else {
            EXPECT_EQ(snapshot.exactState, ExactState::Missing);
            EXPECT_NE(text.find("Esatto discreto: non calcolato"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace nurlo
