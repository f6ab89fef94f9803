// What one click produced, for whoever follows it: the plan of its walks once the grid is filled
// (with the grid), each estimate as it exists, and how the click ended.
//
// A computing screen hands its observer, if it has one, to every click's Calculation. The view of
// a run observes this way; with no observer a click does what it always did, at no extra cost.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "boundary_grid.hpp"
#include "checked.hpp"
#include "problem.hpp"
#include "progress.hpp"
#include "walk.hpp"
#include "walk_estimator.hpp"
#include "walk_record.hpp"
#include "whole_field.hpp"

namespace nurlo {

// How a click ended: every step done, stopped with Esc, or stopped by a run-time error (the
// missing datum counts as completed: nothing went wrong, there was just nothing to compute).
enum class Outcome { Completed, Interrupted, Failed };

// What one click computes, known once its grid is filled: a value, which a follower may keep.
struct CalculationPlan {
    Problem problem;
    Int16 walks = 0;  // N of each estimate
    WalkKind walk = WalkKind::Lattice;
    std::vector<Node> nodes;          // the start nodes, in the order they are estimated
    std::optional<SectionAxis> axis;  // set on a section screen: the line's axis
    // A point screen's whole field: `nodes` are the field's sample nodes, and the observer hears
    // of the exact values and of each node as a FieldObserver, not through estimated().
    bool wholeField = false;
};

// A whole field's exact values and nodes reach the observer on the background thread through the
// FieldObserver calls, in the field's order.
class CalculationObserver : public FieldObserver {
public:
    virtual ~CalculationObserver() = default;

    // Background thread, after the fill and before the first walk; `grid` is the click's, filled,
    // and lives until the click ends. It may do long work of its own: `progress` is the click's,
    // on which the observer may begin a stage of its own, and a stop asked for with Esc raises
    // Interrupted when it looks. The walks' stage begins anew when it returns.
    virtual void planned(const CalculationPlan& plan, const BoundaryGrid& grid,
                         Progress& progress) {
        (void)plan;
        (void)grid;
        (void)progress;
    }

    // Background thread, as each estimate exists, in the order of plan.nodes (`index` counts
    // from 0).
    virtual void estimated(std::size_t index, Node node, const Estimate& estimate) {
        (void)index;
        (void)node;
        (void)estimate;
    }

    // Interface thread, when the click ends: also after a missing datum, or an error before
    // there was a plan.
    virtual void ended(Outcome outcome) { (void)outcome; }

    // Who records the click's walks (their ends, and the first ones' paths); none, the default:
    // the walks record nothing and cost nothing more.
    virtual WalkRecorder* recorder() { return nullptr; }
};

}  // namespace nurlo
