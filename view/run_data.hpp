// What the view of a run shows, without a window: the click's plan, the ends of its walks counted
// by node, the running estimate, the estimates of a section, the exact discrete solution and the
// datum's own function, and the text that the view copies.
//
// RunData is written by the click's background thread (the plan, each chunk of walk ends, each
// estimate) and read by the window a few times a second: every call takes its mutex, and the
// window reads a RunSnapshot, a plain copy that it can draw at leisure. The walks' thread only
// stores each chunk's ends; the reader counts them as it takes its snapshot, so that watching
// the walks costs them little.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "boundary_datum.hpp"
#include "calculation_observer.hpp"
#include "walk_estimator.hpp"
#include "walk_record.hpp"

namespace nurlo {

// The exact discrete solution at the nodes the view draws: a lattice of nodes (the picture's
// samples, or every node of a small grid), a whole grid line (a section's), and single nodes (a
// point click's start). Nodes outside them have no value here.
struct ExactField {
    Int16 nx = 0;
    Int16 ny = 0;
    // The lattice: node (columns[c], rows[r]) at c * rows.size() + r, both lists increasing.
    std::vector<int> columns;
    std::vector<int> rows;
    std::vector<double> values;
    // A line along `lineAxis` through `lineFixed` (the ordinate along x, the abscissa along y):
    // node k of it at k.
    std::optional<SectionAxis> lineAxis;
    Int16 lineFixed = 0;
    std::vector<double> line;
    // Single nodes, by nodeKey.
    std::unordered_map<std::uint32_t, double> nodes;

    // Every node of the grid 0..nx x 0..ny, (i, j) at i * (ny + 1) + j.
    static ExactField table(Int16 nx, Int16 ny, std::vector<double> values);
    // The lattice of at most `most` columns and rows spread evenly from 0 to nx and ny (every
    // index where there are no more).
    static std::vector<int> spread(Int16 count, int most);

    // The value at `node`, where known.
    std::optional<double> find(Node node) const;
    bool contains(Node node) const { return find(node).has_value(); }
    double at(Node node) const;
    // The value at the lattice node nearest to `node` (a NaN without a lattice).
    double nearest(Node node) const;
};

// Where the exact discrete solution stands.
enum class ExactState {
    Pending,   // being computed, or the click has not got that far
    Computed,  // `exact` holds it
    TooLarge,  // refused: the grid is too large for it
    Missing,   // the click ended without it (stopped, or an error)
};

// The running estimate after `walks` walks, and its standard error.
struct RunningPoint {
    std::int64_t walks = 0;
    double mean = 0.0;
    double standardError = 0.0;

    double lower() const { return mean - 2.0 * standardError; }
    double upper() const { return mean + 2.0 * standardError; }
};

// How many walks ended on each node: a node's key is its two 16-bit indexes.
using EndCounts = std::unordered_map<std::uint32_t, std::int64_t>;
constexpr std::uint32_t nodeKey(Node node) {
    return (static_cast<std::uint32_t>(static_cast<std::uint16_t>(node.x)) << 16) |
           static_cast<std::uint16_t>(node.y);
}
constexpr Node keyNode(std::uint32_t key) {
    return {static_cast<Int16>(static_cast<std::uint16_t>(key >> 16)),
            static_cast<Int16>(static_cast<std::uint16_t>(key & 0xFFFFU))};
}

// How a click ended, as far as the view is concerned.
enum class RunState { None, Running, Completed, Interrupted, Failed };

// A copy of everything the view draws.
struct RunSnapshot {
    std::uint64_t version = 0;  // grows with every change
    std::uint64_t run = 0;      // grows with every click
    RunState state = RunState::None;
    std::optional<CalculationPlan> plan;  // the click's, as it was planned
    ExactState exactState = ExactState::Pending;
    std::shared_ptr<const ExactField> exact;
    std::vector<WalkTrace> traces;
    EndCounts endCounts;
    std::int64_t endedWalks = 0;
    std::vector<RunningPoint> running;               // a point click: after every walk
    std::vector<std::optional<Estimate>> estimates;  // by position in plan->nodes

    bool isSection() const { return plan && plan->axis.has_value(); }
    // The exact discrete value at `node`, where computed and on the grid.
    std::optional<double> exactAt(Node node) const;
    // The datum's own function at `node`, for the four harmonic data.
    std::optional<double> functionAt(Node node) const;
};

class RunData {
public:
    // A click begins: everything of the last one is dropped.
    void begin(CalculationPlan plan);
    void setExact(std::shared_ptr<const ExactField> exact);
    void setExactState(ExactState state);
    void traced(WalkTrace trace);
    // The ends of a chunk of walks from `start`; only the first estimate of a click is kept in
    // the counts and the running estimate (a point click has no other).
    void ended(Node start, std::span<const WalkEnd> ends);
    void estimated(std::size_t index, const Estimate& estimate);
    // The click ended; `exactComing` says that the exact solution is still being computed for it
    // (otherwise, not set by now, it will not be set).
    void finished(RunState state, bool exactComing = false);

    std::uint64_t version() const;
    // The data as they stand. The walks' ends are counted here, on the reader's thread, so that
    // the walks' own thread only stores them.
    RunSnapshot snapshot();
    int tracesWanted() const;

private:
    void countEnds();

    mutable std::mutex mutex_;
    RunSnapshot data_;
    std::vector<WalkEnd> ends_;  // of the first estimate, as recorded
    std::size_t counted_ = 0;    // how many of them the counts and the running estimate hold
    RunningStats stats_;
};

// The end counts gathered into the pixels of a width x height picture of the grid 0..nx x
// 0..ny: node (i, j) falls in pixel column round(i (width - 1) / nx) and row
// round(j (height - 1) / ny) counted from the bottom. Nodes that share a pixel add up.
struct PixelCount {
    int column = 0;
    int row = 0;
    std::int64_t count = 0;
};
std::vector<PixelCount> binToPixels(const EndCounts& counts, Int16 nx, Int16 ny, int width,
                                    int height);

// One row of a section: the node's index along the line and what is known there.
struct SectionRow {
    Int16 index = 0;
    Node node;
    std::optional<Estimate> estimate;
    std::optional<double> exact;
    std::optional<double> function;
};
// The section's rows in node order along the line.
std::vector<SectionRow> sectionRows(const RunSnapshot& snapshot);

// A number as the copied text writes it: the shortest decimal that reads back as the same double
// (so at most 17 significant digits), with a decimal point whatever the locale; "Inf", "-Inf",
// "NaN" where not finite; empty where there is no value.
std::string tsvNumber(std::optional<double> value);
// The data of the view as tab-separated text with a header row: a point click's one row (before
// its estimate, the mean of the walks so far, its error and their count), or a section's rows in
// node order. Empty before any click.
std::string tsvText(const RunSnapshot& snapshot);

// The numbers of a point click for a person to read, one per line.
std::string pointNumbersText(const RunSnapshot& snapshot);
// The summary of a section click for a person to read.
std::string sectionNumbersText(const RunSnapshot& snapshot);

// What the view says where the exact solution is refused.
inline constexpr const char* kExactTooLargeText =
    "Soluzione esatta non calcolata: griglia troppo grande";

}  // namespace nurlo
