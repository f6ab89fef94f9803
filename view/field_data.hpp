// What the view shows of a whole field, without a window: the domain, the sample lattice, the
// exact values at its nodes and the nodes estimated so far, with the text the view copies and
// the numbers it shows.
//
// FieldData is written by the click's background thread (the plan, the exact values, each node)
// and read by the window a few times a second as a FieldSnapshot, a plain copy that shares the
// lattice and the exact values (they do not change once given) and copies the nodes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "run_data.hpp"
#include "whole_field.hpp"

namespace nurlo {

struct FieldSnapshot {
    std::uint64_t version = 0;  // grows with every change
    bool active = false;        // the last click was a whole field
    RunState state = RunState::None;
    CalculationPlan plan;
    std::shared_ptr<const FieldLattice> lattice;  // none until the exact values are known
    std::shared_ptr<const std::vector<double>> exact;
    std::vector<FieldValue> values;  // in lattice order, as estimated
    ZSummary z;
};

class FieldData {
public:
    // A whole field begins: everything of the last one is dropped.
    void begin(CalculationPlan plan);
    // A click that is not a whole field: the view shows its own run again.
    void clear();
    void setExact(const FieldLattice& lattice, std::span<const double> exact);
    void estimated(const FieldValue& value);
    // The click of a whole field under way ended: true. Any other click: false, nothing changes.
    bool finished(RunState state);

    bool active() const;
    std::uint64_t version() const;
    FieldSnapshot snapshot() const;

private:
    mutable std::mutex mutex_;
    FieldSnapshot data_;
};

// "z: media 0.02, deviazione standard 0.99, nodi 4096", and above it what the field is.
std::string fieldNumbersText(const FieldSnapshot& snapshot);
// The nodes estimated as tab-separated text: the header x0, y0, stima, errore standard, esatto
// discreto, z, then one row per node in lattice order. Empty before any node.
std::string fieldTsvText(const FieldSnapshot& snapshot);

}  // namespace nurlo
