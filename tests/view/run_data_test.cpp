#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "axis_ticks.hpp"
#include "exact_solution.hpp"
#include "run_data.hpp"
#include "run_view.hpp"

namespace nurlo {
namespace {

// Rows in node order whatever order the estimates come in, to the last bit with a decimal point
// under a decimal-comma locale, empty where not estimated; only the first node's ends count.
TEST(RunData, ASectionCopiesOneRowPerNodeInNodeOrder) {
    const Problem l{
        .domain = WalkDomain::lShaped(8, 8, 4, 4), .lx = 1, .ly = 1, .datum = BoundaryDatum::XY};
    CalculationPlan plan{l, 50, WalkKind::Lattice, {}, SectionAxis::Y};
    for (Int16 k = 0; k <= 4; ++k) {
        plan.nodes.push_back(sectionNode(SectionAxis::Y, 6, k));
    }
    RunData data;
    data.begin(plan);
    auto exact = std::make_shared<ExactField>(ExactField::table(8, 8, std::vector<double>(81)));
    std::iota(exact->values.begin(), exact->values.end(), 0.0);  // node (i, j): 9 i + j
    data.setExact(exact);
    data.estimated(3, {.value = 1.0 / 3.0, .standardError = 0.01, .walks = 50});
    data.estimated(1, {.value = 0.125, .standardError = 0.02, .walks = 50});
    std::setlocale(LC_ALL, "it_IT.UTF-8");
    const std::string text = tsvText(data.snapshot());
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(text,  // the datum x*y along x = 6/8 is (6/8)(k/8)
              "nodo\tstima\terrore standard\tesatto discreto\tfunzione\n0\t\t\t54\t0\n"
              "1\t0.125\t0.02\t55\t0.09375\n2\t\t\t56\t0.1875\n"
              "3\t0.3333333333333333\t0.01\t57\t0.28125\n4\t\t\t58\t0.375\n");
    const std::vector<WalkEnd> ends = {{{6, 0}, 0.0}, {{8, 3}, 0.0}};
    data.ended(plan.nodes[0], ends);
    data.estimated(0, {.value = 0.0, .standardError = 0.0, .walks = 2});
    data.ended(plan.nodes[2], ends);
    EXPECT_EQ(data.snapshot().endedWalks, 2);
    data.begin(plan);  // a new click starts afresh
    const RunSnapshot next = data.snapshot();
    EXPECT_TRUE(next.endedWalks == 0 && next.exactState == ExactState::Pending &&
                !next.estimates[3]);
}

// However a point click ends, its numbers say so, with where the exact solution stands; its copy
// is the header and one row, with the walks so far until the estimate, empty where a value is not
// known.
TEST(RunData, APointClickSaysHowItEndedAndCopiesItsRow) {
    using enum RunState;
    using enum ExactState;
    using enum BoundaryDatum;
    // Running numbers: two walks of 100, 1 and 0. Exact -0.4; x^2 - y^2 at (2/8, 7/8) is
    // -0.703125.
    const std::string running =
        "Stima: 0.5\nErrore standard: 0.5\nProve: 2 di 100\nEsatto discreto: ";
    const std::string done = "Stima: -0.38\nErrore standard: 0.01\nProve: 100\nEsatto discreto: ";
    const std::string function = "Funzione: -0.703125\n";
    const std::tuple<RunState, ExactState, BoundaryDatum, std::string> cases[] = {
        {Running, Pending, X2MinusY2,
         "(calcolo in corso)\n" + running + "in calcolo…\n" + function},
        {Interrupted, Pending, X2MinusY2,
         "(calcolo interrotto)\n" + running + "non calcolato\n" + function},
        {Failed, Pending, Seno,
         "(calcolo non riuscito)\n" + running +
             "non calcolato\nFunzione: nessuna (il dato non è una funzione armonica)\n"},
        {Completed, Computed, X2MinusY2,
         done + "-0.4\nDifferenza: 2 errori standard\n" + function +
             "Errore di discretizzazione (funzione − esatto discreto): -0.303125\n"},
        {Completed, TooLarge, X2MinusY2, done + kExactTooLargeText + "\n" + function},
    };
    for (const auto& [state, exact, datum, says] : cases) {
        RunData data;
        data.begin({{.domain = WalkDomain::lShaped(8, 8, 4, 4), .lx = 1, .ly = 1, .datum = datum},
                    100,
                    {},
                    {{2, 7}},
                    {}});
        data.ended({2, 7}, std::vector<WalkEnd>{{{8, 3}, 1.0}, {{0, 6}, 0.0}});
        if (state == Completed) {
            data.estimated(0, {.value = -0.38, .standardError = 0.01, .walks = 100});
        }
        if (exact == Computed) {
            data.setExact(std::make_shared<ExactField>(
                ExactField::table(8, 8, std::vector<double>(81, -0.4))));
        } else if (exact != Pending) {
            data.setExactState(exact);
        }
        if (state != Running) {
            data.finished(state);
        }
        const RunSnapshot snapshot = data.snapshot();
        EXPECT_EQ(pointNumbersText(snapshot), "Nodo di partenza: (2, 7)\n" + says);
        EXPECT_EQ(tsvText(snapshot),
                  "x0\ty0\tstima\terrore standard\tprove\tesatto discreto\tfunzione\n2\t7\t" +
                      std::string(state == Completed ? "-0.38\t0.01\t100\t" : "0.5\t0.5\t2\t") +
                      (exact == Computed ? "-0.4\t" : "\t") + (datum == Seno ? "" : "-0.703125") +
                      "\n");
    }
}

// A standard error that is not finite is said to be so, never passed off as none.
TEST(RunData, AStandardErrorThatIsNotFiniteSaysSo) {
    RunData data;
    data.begin({Problem::square(2, 1.0), 2, {}, {{1, 1}}, {}});
    data.setExact(
        std::make_shared<ExactField>(ExactField::table(2, 2, std::vector<double>(9, 0.0))));
    data.estimated(0, {.value = 0.0, .standardError = std::nan(""), .walks = 2});
    data.finished(RunState::Completed);
    const std::string text = pointNumbersText(data.snapshot());
    EXPECT_NE(text.find("Errore standard: non finito (NaN)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("(errore standard non finito)"), std::string::npos) << text;
    EXPECT_EQ(text.find("nullo"), std::string::npos) << text;
}

// The value a label writes, in the axis's unit (read by parts: it may lie beyond the doubles).
double labelInUnits(const std::string& label, double unit) {
    const std::size_t e = label.find('e');
    const double mantissa = std::strtod(label.substr(0, e).c_str(), nullptr);
    const int exponent = e == std::string::npos ? 0 : std::atoi(label.c_str() + e + 1);
    return mantissa * std::pow(10.0, exponent - std::lround(std::log10(unit)));
}

// Whatever the data, from 1e-15 to beyond the largest double, negative or flat: the axis holds
// them, its ticks are 1, 2 or 5 times a power of ten apart, and each short label reads its tick.
TEST(AxisScale, TicksAreRoundFitTheDataAndReadTrue) {
    const std::tuple<double, double, bool> cases[] = {
        {0.0, 1.0, true},       {-0.07, 0.66, true},
        {1e-15, 2.5e-15, true}, {2.5e-15, 2.5e-15, true},
        {-3.0, -2.9, true},     {0.3, 0.3, true},
        {0.0, 0.0, true},       {3.2e20, 3.2e20, true},
        {1e300, 3e300, true},   {-1.69e308, 1.69e308, true},
        {1.0, 32767.0, false},  {0.1, 0.1 + 1e-17, true}};
    for (const auto& [low, high, padded] : cases) {
        const AxisScale scale = roundScale(low, high, padded);
        const std::string where = std::to_string(low) + " .. " + std::to_string(high);
        ASSERT_EQ(scale.ticks.size(), scale.labels.size()) << where;
        ASSERT_GE(scale.ticks.size(), 3u) << where;
        EXPECT_LE(scale.ticks.size(), 9u) << where;
        EXPECT_TRUE(std::isfinite(scale.low) && std::isfinite(scale.high)) << where;
        EXPECT_LE(scale.low, scale.toAxis(low)) << where;
        EXPECT_GE(scale.high, scale.toAxis(high)) << where;
        EXPECT_LT(scale.low, scale.high) << where;
        EXPECT_EQ(scale.ticks.front(), scale.low) << where;
        EXPECT_EQ(scale.ticks.back(), scale.high) << where;
        const double step = scale.ticks[1] - scale.ticks[0];
        const double leading = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        EXPECT_TRUE(std::fabs(leading - 1) < 1e-6 || std::fabs(leading - 2) < 1e-6 ||
                    std::fabs(leading - 5) < 1e-6)
            << where << " step " << step;
        for (std::size_t k = 0; k < scale.ticks.size(); ++k) {
            const std::string& label = scale.labels[k];
            EXPECT_LE(label.size(), 8u) << where << ": " << label;
            EXPECT_NEAR(labelInUnits(label, scale.unit), scale.ticks[k], step * 1e-6)
                << where << ": " << label;
        }
    }
    const auto labels = [](double low, double high, bool padded = true) {
        return roundScale(low, high, padded).labels;
    };
    using Labels = std::vector<std::string>;
    EXPECT_EQ(labels(-0.07, 0.66), (Labels{"-0.2", "0", "0.2", "0.4", "0.6", "0.8"}));
    EXPECT_EQ(labels(1, 32767, false), (Labels{"0", "10000", "20000", "30000", "40000"}));
    EXPECT_EQ(labels(0, 0), (Labels{"-1", "-0.5", "0", "0.5", "1"}));
    EXPECT_EQ(labels(1e-15, 2.5e-15).front(), "5e-16");
    EXPECT_EQ(labels(3.2e20, 3.2e20)[1], "3.1e20");
}

// The exact field holds, as solved, a section's whole line, or a point click's start and 512 x 512
// samples spread over the grid, ends included; no other node. A pixel takes the nearest sample.
TEST(ExactField, HoldsTheSectionsLineOrTheStartAndTheSamplesOfTheSolution) {
    const WalkDomain d = WalkDomain::lShaped(700, 600, 300, 200);
    const Problem problem{.domain = d, .lx = 1, .ly = 1, .datum = BoundaryDatum::ExpXSiny};
    BoundaryGrid grid(700, 600, std::size_t{1} << 20);
    fillBoundary(grid, problem);
    const ExactSolution u = solveExact(grid, d, ExactSolveOptions(std::size_t{1} << 30));
    const std::vector<double> field = u.field();
    const auto at = [&](int i, int j) { return field[static_cast<std::size_t>(i * 601 + j)]; };
    const CalculationPlan section{
        problem, 10, WalkKind::Lattice, {{0, 150}, {1, 150}}, SectionAxis::X};
    const ExactField line = exactFieldFor(u, section, nullptr);
    for (Int16 i = 0; i <= 700; ++i)
        EXPECT_NEAR(line.find({i, 150}).value(), at(i, 150), 1e-13);
    EXPECT_FALSE(line.contains({3, 151}));

    const CalculationPlan point{problem, 10, WalkKind::Lattice, {{123, 456}}, {}};
    const ExactField picture = exactFieldFor(u, point, nullptr);
    EXPECT_NEAR(picture.find({123, 456}).value(), at(123, 456), 1e-13);
    ASSERT_EQ(picture.columns.size(), 512u);
    ASSERT_EQ(picture.rows.size(), 512u);
    EXPECT_TRUE(std::is_sorted(picture.columns.begin(), picture.columns.end()));
    EXPECT_EQ(picture.columns.back(), 700);
    EXPECT_EQ(picture.rows.back(), 600);
    for (std::size_t c = 0; c < 512; ++c) {
        for (std::size_t r = 0; r < 512; ++r) {
            ASSERT_NEAR(picture.values[c * 512 + r], at(picture.columns[c], picture.rows[r]),
                        1e-13);
        }
    }
    EXPECT_FALSE(picture.contains({2, 1}));  // between the sampled columns 1 and 3
    EXPECT_EQ(ExactField::spread(1000, 5), (std::vector<int>{0, 250, 500, 750, 1000}));
    const ExactField coarse{1000, 1000, {0, 500, 1000}, {0, 1000}, {1, 2, 3, 4, 5, 6}, {}, 0,
                            {},   {}};
    EXPECT_EQ(coarse.nearest({249, 999}), 2.0);
    EXPECT_EQ(coarse.nearest({251, 1}), 3.0);
}

}  // namespace
}  // namespace nurlo
