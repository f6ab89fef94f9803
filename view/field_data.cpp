#include "field_data.hpp"

#include <cmath>
#include <cstdio>
#include <utility>

namespace nurlo {

void FieldData::begin(CalculationPlan plan) {
    const std::lock_guard lock(mutex_);
    const std::uint64_t version = data_.version + 1;
    data_ = FieldSnapshot{};
    data_.version = version;
    data_.active = true;
    data_.state = RunState::Running;
    data_.plan = std::move(plan);
}

void FieldData::clear() {
    const std::lock_guard lock(mutex_);
    if (data_.active) {
        const std::uint64_t version = data_.version + 1;
        data_ = FieldSnapshot{};
        data_.version = version;
    }
}

void FieldData::setExact(const FieldLattice& lattice, std::span<const double> exact) {
    auto sharedLattice = std::make_shared<const FieldLattice>(lattice);
    auto sharedExact = std::make_shared<const std::vector<double>>(exact.begin(), exact.end());
    const std::lock_guard lock(mutex_);
    data_.lattice = std::move(sharedLattice);
    data_.exact = std::move(sharedExact);
    data_.values.reserve(lattice.nodes.size());
    ++data_.version;
}

void FieldData::estimated(const FieldValue& value) {
    const std::lock_guard lock(mutex_);
    data_.values.push_back(value);
    ++data_.version;
}

bool FieldData::finished(RunState state) {
    const std::lock_guard lock(mutex_);
    if (!data_.active || data_.state != RunState::Running) {
        return false;
    }
    data_.state = state;
    ++data_.version;
    return true;
}

bool FieldData::active() const {
    const std::lock_guard lock(mutex_);
    return data_.active;
}

std::uint64_t FieldData::version() const {
    const std::lock_guard lock(mutex_);
    return data_.version;
}

FieldSnapshot FieldData::snapshot() const {
    FieldSnapshot copy;
    {
        const std::lock_guard lock(mutex_);
        copy = data_;
    }
    copy.z = summarizeZ(copy.values);
    return copy;
}

namespace {

std::string fixed2(double value) {
    if (!std::isfinite(value)) {
        return "—";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    // "-0.00" reads as a sign without a number.
    return std::string(buffer) == "-0.00" ? "0.00" : std::string(buffer);
}

std::string stateNote(RunState state) {
    switch (state) {
        case RunState::Running:
            return " (in corso)";
        case RunState::Interrupted:
            return " (interrotto)";
        case RunState::Failed:
            return " (non riuscito)";
        case RunState::None:
        case RunState::Completed:
            return "";
    }
    return "";
}

}  // namespace

std::string fieldNumbersText(const FieldSnapshot& snapshot) {
    if (!snapshot.active) {
        return "Nessun campo intero: premi «Campo intero».";
    }
    const std::size_t nodes = snapshot.lattice ? snapshot.lattice->nodes.size() : 0;
    std::string text = "Campo intero: " + std::to_string(snapshot.values.size()) + " nodi stimati";
    if (snapshot.lattice) {
        text += " su " + std::to_string(nodes);
    }
    text += stateNote(snapshot.state) + ", N = " + std::to_string(snapshot.plan.walks) + ", " +
            (snapshot.plan.walk == WalkKind::Jump ? "salti esatti" : "passo per passo") + "\n";
    if (!snapshot.lattice) {
        return text + (snapshot.state == RunState::Running ? "Soluzione esatta in calcolo…\n"
                                                           : "Soluzione esatta non calcolata.\n");
    }
    text += "z: media " + fixed2(snapshot.z.mean) + ", deviazione standard " +
            fixed2(snapshot.z.deviation) + ", nodi " + std::to_string(snapshot.z.count) + "\n";
    const std::size_t without = snapshot.values.size() - static_cast<std::size_t>(snapshot.z.count);
    if (without > 0) {
        text += "Nodi senza z (errore standard nullo): " + std::to_string(without) + "\n";
    }
    text +=
        "z = (stima − esatto discreto) / errore standard: se tutto è giusto, rumore di media "
        "0 e deviazione standard 1.\n";
    return text;
}

std::string fieldTsvText(const FieldSnapshot& snapshot) {
    if (snapshot.values.empty()) {
        return {};
    }
    std::string text = "x0\ty0\tstima\terrore standard\tesatto discreto\tz\n";
    for (const FieldValue& value : snapshot.values) {
        text += std::to_string(value.node.x) + '\t' + std::to_string(value.node.y) + '\t' +
                tsvNumber(value.estimate.value) + '\t' + tsvNumber(value.estimate.standardError) +
                '\t' + tsvNumber(value.exact) + '\t' + tsvNumber(value.z) + '\n';
    }
    return text;
}

}  // namespace nurlo
