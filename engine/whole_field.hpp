// The whole field: estimates at a lattice of nodes spread over the domain, beside the exact
// discrete solution at the same nodes, and the error of each estimate in standard errors.
//
// The lattice takes up to kFieldSide columns and as many rows, spread evenly over the indexes
// 1..nx-1 and 1..ny-1 (every index where there are no more), and keeps the nodes of that
// lattice that are free: those where the domain's stop rule lets a walk leave. So a small grid
// gives every free node, and an L's segments, wherever its corner lies, never hold a sample.
// On a larger grid the columns are the centres of kFieldSide equal cells, half a step from the
// sides: a node next to a side where the datum is 0 has an estimate made of a few rare long
// walks, whose standard error is itself uncertain, and a lattice that hugged the sides would
// fill its first row with such nodes.
//
// At each node the estimate of N walks is compared with the exact discrete value u there:
//     z = (estimate - u) / standard error.
// If the walks and the exact solution agree, z is close to a standard normal variable at every
// node, and the nodes' walks are independent, so the z values of a field have mean near 0 and
// standard deviation near 1; a bias of the walks or of the exact values shows at once as a mean
// off 0 or a spread above 1, and where on the map it lies.
//
// The estimates use every core: with many nodes each node's estimate is one task of the pool
// (its chunks one after the other), with few nodes each estimate's chunks are shared out as a
// point click's are. Every node draws from its own source, forked from the caller's one node
// after the other before any walk, so a seeded field is the same to the last bit whichever way
// it runs and on however many threads. The nodes are delivered to the observer in lattice order,
// each as soon as it and every node before it are estimated, while the later ones still run.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>
#include <vector>

#include "boundary_grid.hpp"
#include "exact_solution.hpp"
#include "progress.hpp"
#include "walk.hpp"
#include "walk_estimator.hpp"
#include "walk_pool.hpp"

namespace nurlo {

// The most columns, and rows, of the lattice.
inline constexpr int kFieldSide = 64;

// The sample nodes of a field: the lattice of `columns` x `rows` (both increasing), less the
// nodes where walks stop, listed column by column, rows upwards within a column.
struct FieldLattice {
    std::vector<int> columns;
    std::vector<int> rows;
    std::vector<Node> nodes;
};

// Up to `most` indexes spread evenly over 1..count-1: every one of them where there are no more,
// otherwise the centres of `most` equal cells of 0..count, at steps that differ by at most one.
// None where count < 2.
std::vector<int> spreadFreeIndexes(Int16 count, int most);

// The lattice of up to most x most sample nodes of `domain`.
FieldLattice fieldLattice(const WalkDomain& domain, int most = kFieldSide);

// The exact discrete values at the lattice's nodes, in the order of lattice.nodes. Answers
// `progress`'s stop request as the solution's questions do.
std::vector<double> exactAtLattice(const ExactSolution& solution, const FieldLattice& lattice,
                                   const Progress* progress = nullptr);

// One node of a field.
struct FieldValue {
    Node node;
    Estimate estimate;
    double exact = 0.0;  // the exact discrete value at the node
    double z = 0.0;      // (estimate - exact) / standard error; NaN where the error is 0
};

// (estimate - exact) / standard error. Where the standard error is 0 (all the walks ended on
// equal values, or fewer than two walks) there is no yardstick: NaN.
double zScore(const Estimate& estimate, double exact);

// The mean and standard deviation (divided by count - 1) of the finite z values of a field, and
// how many there are. Both NaN where there is none; the deviation 0 with one.
struct ZSummary {
    std::int64_t count = 0;
    double mean = std::numeric_limits<double>::quiet_NaN();
    double deviation = std::numeric_limits<double>::quiet_NaN();
};
ZSummary summarizeZ(std::span<const FieldValue> values);

// Who follows a field as it is estimated; every call on the thread that runs the field.
class FieldObserver {
public:
    virtual ~FieldObserver() = default;
    // The lattice and the exact values at its nodes, in its order, before any walk.
    virtual void fieldExact(const FieldLattice& lattice, std::span<const double> exact) {
        (void)lattice;
        (void)exact;
    }
    // In lattice order: node `index` of the lattice.
    virtual void fieldEstimated(std::size_t index, const FieldValue& value) {
        (void)index;
        (void)value;
    }
};

// How a field runs.
struct FieldOptions {
    // The threads that share the walks; none: the calling thread runs them all.
    WalkPool* pool = nullptr;
    // Counts every node's walks (Stage::Walks, begun here) and answers Esc; none: runs to its
    // end. The exact solve of runWholeField reports to it first (Stage::Exact).
    Progress* progress = nullptr;
    WalkKind walk = WalkKind::Jump;
    FieldObserver* observer = nullptr;
};

// The estimates of `walks` walks at every node of `lattice`, beside `exact` (one value per node,
// in the lattice's order). `values`, cleared first, receives each node as it is delivered, so
// when a stop (Interrupted) or an error ends the run it holds every node delivered before, and
// the nodes after are left out. The grid must have the domain's counts.
template <UniformSource Source>
void estimateField(const BoundaryGrid& grid, const WalkDomain& domain, const FieldLattice& lattice,
                   std::span<const double> exact, Int16 walks, Source& source,
                   const FieldOptions& options, std::vector<FieldValue>& values) {
    const std::size_t count = lattice.nodes.size();
    if (exact.size() != count) {
        throw std::invalid_argument("estimateField: one exact value per node");
    }
    values.clear();
    values.reserve(count);
    if (options.progress != nullptr) {
        options.progress->begin(Stage::Walks,
                                walks > 0 ? static_cast<std::int64_t>(count) * walks : 0);
    }
    // Each node's own source, drawn in lattice order before any walk.
    std::vector<Source> sources;
    sources.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        sources.push_back(source.fork());
    }
    const auto deliver = [&](std::size_t k, const Estimate& estimate) {
        FieldValue value{lattice.nodes[k], estimate, exact[k], zScore(estimate, exact[k])};
        values.push_back(value);
        if (options.observer != nullptr) {
            options.observer->fieldEstimated(k, value);
        }
    };
    const int threads = options.pool != nullptr ? options.pool->threadCount() : 1;
    // Nodes as tasks once there are enough of them to keep every thread busy to the end.
    if (threads > 1 && count >= static_cast<std::size_t>(8 * threads)) {
        const WalkEstimator estimator(
            grid, domain, EstimatorOptions{.progress = options.progress, .walk = options.walk});
        std::vector<Estimate> estimates(count);
        options.pool->parallelForInOrder(
            static_cast<int>(count),
            [&](int k) {
                const auto slot = static_cast<std::size_t>(k);
                estimates[slot] = estimator.run(lattice.nodes[slot], walks, sources[slot]);
            },
            [&](int k) {
                const auto slot = static_cast<std::size_t>(k);
                deliver(slot, estimates[slot]);
            });
        return;
    }
    const WalkEstimator estimator(
        grid, domain,
        EstimatorOptions{.pool = options.pool, .progress = options.progress, .walk = options.walk});
    for (std::size_t k = 0; k < count; ++k) {
        deliver(k, estimator.run(lattice.nodes[k], walks, sources[k]));
    }
}

// The whole field of `grid` on `domain`: its lattice, the exact solution at its nodes (a solve
// that may take `memoryLimit` bytes: ExactSolveTooLarge beyond), told to the observer, then the
// estimates as estimateField gives them, into `values`.
template <UniformSource Source>
FieldLattice runWholeField(const BoundaryGrid& grid, const WalkDomain& domain, Int16 walks,
                           Source& source, std::size_t memoryLimit, const FieldOptions& options,
                           std::vector<FieldValue>& values) {
    values.clear();
    FieldLattice lattice = fieldLattice(domain);
    const ExactSolution solution =
        solveExact(grid, domain, ExactSolveOptions(memoryLimit, options.progress));
    const std::vector<double> exact = exactAtLattice(solution, lattice, options.progress);
    if (options.observer != nullptr) {
        options.observer->fieldExact(lattice, exact);
    }
    estimateField(grid, domain, lattice, exact, walks, source, options, values);
    return lattice;
}

}  // namespace nurlo
