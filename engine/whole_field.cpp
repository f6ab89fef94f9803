#include "whole_field.hpp"

#include <algorithm>

namespace nurlo {

std::vector<int> spreadFreeIndexes(Int16 count, int most) {
    std::vector<int> indexes;
    const int free = count - 1;  // the indexes 1..count-1
    if (free < 1 || most < 1) {
        return indexes;
    }
    if (free <= most) {
        for (int k = 1; k <= free; ++k) {
            indexes.push_back(k);
        }
        return indexes;
    }
    // The centres of `most` equal cells of 0..count: steps of count / most > 1, so the rounded
    // indexes differ, and the first and the last lie half a step from the edges, never on them.
    for (int k = 0; k < most; ++k) {
        indexes.push_back(static_cast<int>(((2 * static_cast<std::int64_t>(k) + 1) * count + most) /
                                           (2 * std::int64_t{most})));
    }
    return indexes;
}

FieldLattice fieldLattice(const WalkDomain& domain, int most) {
    FieldLattice lattice;
    lattice.columns = spreadFreeIndexes(domain.nx(), most);
    lattice.rows = spreadFreeIndexes(domain.ny(), most);
    lattice.nodes.reserve(lattice.columns.size() * lattice.rows.size());
    for (const int column : lattice.columns) {
        for (const int row : lattice.rows) {
            const Node node{static_cast<Int16>(column), static_cast<Int16>(row)};
            if (!domain.stops(node)) {
                lattice.nodes.push_back(node);
            }
        }
    }
    return lattice;
}

std::vector<double> exactAtLattice(const ExactSolution& solution, const FieldLattice& lattice,
                                   const Progress* progress) {
    std::vector<double> exact;
    if (lattice.nodes.empty()) {
        return exact;
    }
    const std::vector<double> samples = solution.samples(lattice.columns, lattice.rows, progress);
    exact.reserve(lattice.nodes.size());
    const auto rows = lattice.rows.size();
    const auto place = [](const std::vector<int>& indexes, int index) {
        const auto found = std::lower_bound(indexes.begin(), indexes.end(), index);
        if (found == indexes.end() || *found != index) {
            throw std::invalid_argument("exactAtLattice: a node off the lattice");
        }
        return static_cast<std::size_t>(found - indexes.begin());
    };
    for (const Node node : lattice.nodes) {
        exact.push_back(
            samples[place(lattice.columns, node.x) * rows + place(lattice.rows, node.y)]);
    }
    return exact;
}

double zScore(const Estimate& estimate, double exact) {
    if (!(estimate.standardError > 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return (estimate.value - exact) / estimate.standardError;
}

ZSummary summarizeZ(std::span<const FieldValue> values) {
    RunningStats stats;
    for (const FieldValue& value : values) {
        if (std::isfinite(value.z)) {
            stats.add(value.z);
        }
    }
    ZSummary summary;
    summary.count = stats.count();
    if (summary.count > 0) {
        summary.mean = stats.mean();
        summary.deviation = std::sqrt(stats.variance());
    }
    return summary;
}

}  // namespace nurlo
