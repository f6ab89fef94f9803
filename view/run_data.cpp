#include "run_data.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>

#include "runtime_error.hpp"

namespace nurlo {

ExactField ExactField::table(Int16 nx, Int16 ny, std::vector<double> values) {
    ExactField field;
    field.nx = nx;
    field.ny = ny;
    field.columns = spread(nx, nx + 1);
    field.rows = spread(ny, ny + 1);
    field.values = std::move(values);
    return field;
}

std::vector<int> ExactField::spread(Int16 count, int most) {
    std::vector<int> indexes;
    if (count < 0) {
        return indexes;
    }
    if (count + 1 <= most) {
        for (int k = 0; k <= count; ++k) {
            indexes.push_back(k);
        }
        return indexes;
    }
    for (int k = 0; k < most; ++k) {
        const auto index =
            static_cast<int>(std::lround(static_cast<double>(k) * count / (most - 1)));
        if (indexes.empty() || indexes.back() != index) {
            indexes.push_back(index);
        }
    }
    return indexes;
}

std::optional<double> ExactField::find(Node node) const {
    if (const auto known = nodes.find(nodeKey(node)); known != nodes.end()) {
        return known->second;
    }
    if (lineAxis) {
        const bool onLine = *lineAxis == SectionAxis::X ? node.y == lineFixed : node.x == lineFixed;
        const int k = *lineAxis == SectionAxis::X ? node.x : node.y;
        if (onLine && k >= 0 && static_cast<std::size_t>(k) < line.size()) {
            return line[static_cast<std::size_t>(k)];
        }
    }
    const auto c = std::lower_bound(columns.begin(), columns.end(), int{node.x});
    const auto r = std::lower_bound(rows.begin(), rows.end(), int{node.y});
    if (c == columns.end() || *c != node.x || r == rows.end() || *r != node.y) {
        return std::nullopt;
    }
    const auto slot = static_cast<std::size_t>(c - columns.begin()) * rows.size() +
                      static_cast<std::size_t>(r - rows.begin());
    return slot < values.size() ? std::optional(values[slot]) : std::nullopt;
}

double ExactField::at(Node node) const {
    return find(node).value_or(std::numeric_limits<double>::quiet_NaN());
}

double ExactField::nearest(Node node) const {
    const auto closest = [](const std::vector<int>& list, int index) {
        auto place = std::lower_bound(list.begin(), list.end(), index);
        if (place == list.end() ||
            (place != list.begin() && index - *(place - 1) < *place - index)) {
            --place;
        }
        return static_cast<std::size_t>(place - list.begin());
    };
    if (columns.empty() || rows.empty() || values.size() < columns.size() * rows.size()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return values[closest(columns, node.x) * rows.size() + closest(rows, node.y)];
}

std::optional<double> RunSnapshot::exactAt(Node node) const {
    if (exactState != ExactState::Computed || !exact) {
        return std::nullopt;
    }
    return exact->find(node);
}

std::optional<double> RunSnapshot::functionAt(Node node) const {
    if (!plan || !isHarmonic(plan->problem.datum)) {
        return std::nullopt;
    }
    try {
        return harmonicDatumAt(plan->problem, node);
    } catch (const RuntimeError&) {
        return std::nullopt;  // not finite there: no value to show
    }
}

void RunData::begin(CalculationPlan plan) {
    const std::lock_guard lock(mutex_);
    const std::uint64_t version = data_.version;
    const std::uint64_t run = data_.run;
    data_ = RunSnapshot{};
    data_.version = version + 1;
    data_.run = run + 1;
    data_.state = RunState::Running;
    data_.estimates.resize(plan.nodes.size());
    data_.plan = std::move(plan);
    ends_.clear();
    counted_ = 0;
    stats_ = RunningStats{};
}

void RunData::setExact(std::shared_ptr<const ExactField> exact) {
    const std::lock_guard lock(mutex_);
    data_.exact = std::move(exact);
    data_.exactState = data_.exact ? ExactState::Computed : ExactState::Missing;
    ++data_.version;
}

void RunData::setExactState(ExactState state) {
    const std::lock_guard lock(mutex_);
    data_.exactState = state;
    ++data_.version;
}

void RunData::traced(WalkTrace trace) {
    const std::lock_guard lock(mutex_);
    data_.traces.push_back(std::move(trace));
    ++data_.version;
}

void RunData::ended(Node start, std::span<const WalkEnd> ends) {
    const std::lock_guard lock(mutex_);
    if (!data_.plan || data_.plan->nodes.empty() || !(data_.plan->nodes.front() == start) ||
        data_.estimates.front().has_value()) {
        return;  // a later estimate of a section: its ends are not shown
    }
    ends_.insert(ends_.end(), ends.begin(), ends.end());
    ++data_.version;
}

void RunData::countEnds() {
    for (; counted_ < ends_.size(); ++counted_) {
        const WalkEnd& end = ends_[counted_];
        ++data_.endCounts[nodeKey(end.node)];
        stats_.add(end.value);
        data_.running.push_back({stats_.count(), stats_.mean(), stats_.standardError()});
    }
    data_.endedWalks = static_cast<std::int64_t>(counted_);
}

void RunData::estimated(std::size_t index, const Estimate& estimate) {
    const std::lock_guard lock(mutex_);
    if (index < data_.estimates.size()) {
        data_.estimates[index] = estimate;
        ++data_.version;
    }
}

void RunData::finished(RunState state, bool exactComing) {
    const std::lock_guard lock(mutex_);
    data_.state = state;
    // A click that ended without setting the exact solution and with none on its way will not
    // set it now: the view must not go on saying it is being computed.
    if (data_.exactState == ExactState::Pending && !exactComing) {
        data_.exactState = ExactState::Missing;
    }
    ++data_.version;
}

std::uint64_t RunData::version() const {
    const std::lock_guard lock(mutex_);
    return data_.version;
}

RunSnapshot RunData::snapshot() {
    const std::lock_guard lock(mutex_);
    countEnds();
    return data_;
}

int RunData::tracesWanted() const {
    const std::lock_guard lock(mutex_);
    return WalkRecorder::kTracedWalks - static_cast<int>(data_.traces.size());
}

std::vector<PixelCount> binToPixels(const EndCounts& counts, Int16 nx, Int16 ny, int width,
                                    int height) {
    const auto pixel = [](int index, int count, int pixels) {
        if (count <= 0 || pixels <= 1) {
            return 0;
        }
        const double place = std::round(static_cast<double>(index) * (pixels - 1) / count);
        return std::clamp(static_cast<int>(place), 0, pixels - 1);
    };
    std::map<std::pair<int, int>, std::int64_t> bins;
    for (const auto& [key, count] : counts) {
        const Node node = keyNode(key);
        bins[{pixel(node.x, nx, width), pixel(node.y, ny, height)}] += count;
    }
    std::vector<PixelCount> pixels;
    pixels.reserve(bins.size());
    for (const auto& [place, count] : bins) {
        pixels.push_back({place.first, place.second, count});
    }
    return pixels;
}

std::vector<SectionRow> sectionRows(const RunSnapshot& snapshot) {
    std::vector<SectionRow> rows;
    if (!snapshot.isSection()) {
        return rows;
    }
    const CalculationPlan& plan = *snapshot.plan;
    for (std::size_t k = 0; k < plan.nodes.size(); ++k) {
        const Node node = plan.nodes[k];
        rows.push_back({*plan.axis == SectionAxis::X ? node.x : node.y, node, snapshot.estimates[k],
                        snapshot.exactAt(node), snapshot.functionAt(node)});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const SectionRow& a, const SectionRow& b) { return a.index < b.index; });
    return rows;
}

std::string tsvNumber(std::optional<double> value) {
    if (!value) {
        return {};
    }
    if (std::isnan(*value)) {
        return "NaN";
    }
    if (std::isinf(*value)) {
        return *value > 0 ? "Inf" : "-Inf";
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *value);
    return std::string(buffer, result.ptr);
}

namespace {

std::string tsvLine(std::initializer_list<std::string> fields) {
    std::string line;
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) {
            line += '\t';
        }
        line += field;
        first = false;
    }
    return line + '\n';
}

std::optional<double> valueOf(const std::optional<Estimate>& estimate) {
    return estimate ? std::optional(estimate->value) : std::nullopt;
}
std::optional<double> errorOf(const std::optional<Estimate>& estimate) {
    return estimate ? std::optional(estimate->standardError) : std::nullopt;
}

// A number for a person: ten significant digits, a decimal point.
std::string readable(double value) {
    if (!std::isfinite(value)) {
        return tsvNumber(value);
    }
    char buffer[40];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    return std::string(buffer, result.ptr);
}

std::string exactText(const RunSnapshot& snapshot, std::optional<double> exact) {
    if (exact) {
        return readable(*exact);
    }
    switch (snapshot.exactState) {
        case ExactState::TooLarge:
            return kExactTooLargeText;
        case ExactState::Pending:
            return "in calcolo…";
        case ExactState::Computed:
        case ExactState::Missing:
            break;
    }
    return "non calcolato";
}

// What a point click without its final estimate is doing: the running estimate is all there is.
std::string runningNote(RunState state) {
    switch (state) {
        case RunState::Interrupted:
            return "(calcolo interrotto)\n";
        case RunState::Failed:
            return "(calcolo non riuscito)\n";
        case RunState::None:
        case RunState::Running:
        case RunState::Completed:
            break;
    }
    return "(calcolo in corso)\n";
}

}  // namespace

std::string tsvText(const RunSnapshot& snapshot) {
    if (!snapshot.plan) {
        return {};
    }
    if (snapshot.isSection()) {
        std::string text =
            tsvLine({"nodo", "stima", "errore standard", "esatto discreto", "funzione"});
        for (const SectionRow& row : sectionRows(snapshot)) {
            text += tsvLine({std::to_string(row.index), tsvNumber(valueOf(row.estimate)),
                             tsvNumber(errorOf(row.estimate)), tsvNumber(row.exact),
                             tsvNumber(row.function)});
        }
        return text;
    }
    std::string text =
        tsvLine({"x0", "y0", "stima", "errore standard", "prove", "esatto discreto", "funzione"});
    if (snapshot.plan->nodes.empty()) {
        return text;
    }
    const Node node = snapshot.plan->nodes.front();
    // Before the estimate, what the walks so far give: their mean, its error and their count.
    std::optional<Estimate> estimate = snapshot.estimates.front();
    std::string walks = estimate ? std::to_string(estimate->walks) : std::string();
    if (!estimate && !snapshot.running.empty()) {
        const RunningPoint& last = snapshot.running.back();
        estimate = Estimate{.value = last.mean, .standardError = last.standardError};
        walks = std::to_string(last.walks);
    }
    text += tsvLine({std::to_string(node.x), std::to_string(node.y), tsvNumber(valueOf(estimate)),
                     tsvNumber(errorOf(estimate)), walks, tsvNumber(snapshot.exactAt(node)),
                     tsvNumber(snapshot.functionAt(node))});
    return text;
}

std::string pointNumbersText(const RunSnapshot& snapshot) {
    if (!snapshot.plan || snapshot.plan->nodes.empty()) {
        return "Nessun calcolo: premi «Calcola!» nella finestra del calcolo.";
    }
    const Node node = snapshot.plan->nodes.front();
    std::string text =
        "Nodo di partenza: (" + std::to_string(node.x) + ", " + std::to_string(node.y) + ")\n";
    double value = 0.0;
    double error = 0.0;
    std::string walks;
    if (const std::optional<Estimate>& estimate = snapshot.estimates.front()) {
        value = estimate->value;
        error = estimate->standardError;
        walks = std::to_string(estimate->walks);
    } else if (!snapshot.running.empty()) {
        value = snapshot.running.back().mean;
        error = snapshot.running.back().standardError;
        walks = std::to_string(snapshot.running.back().walks) + " di " +
                std::to_string(snapshot.plan->walks);
        text += runningNote(snapshot.state);
    } else {
        return text + "Nessun cammino ancora concluso.\n";
    }
    text += "Stima: " + readable(value) + "\n";
    text += "Errore standard: " +
            (std::isfinite(error) ? readable(error) : "non finito (" + readable(error) + ")") +
            "\n";
    text += "Prove: " + walks + "\n";
    const std::optional<double> exact = snapshot.exactAt(node);
    text += "Esatto discreto: " + exactText(snapshot, exact) + "\n";
    if (exact) {
        text += "Differenza: ";
        if (!std::isfinite(error)) {
            text += readable(value - *exact) + " (errore standard non finito)\n";
        } else if (error > 0.0) {
            text += readable((value - *exact) / error) + " errori standard\n";
        } else {
            text += readable(value - *exact) + " (errore standard nullo)\n";
        }
    }
    const std::optional<double> function = snapshot.functionAt(node);
    if (function) {
        text += "Funzione: " + readable(*function) + "\n";
        if (exact) {
            text += "Errore di discretizzazione (funzione − esatto discreto): " +
                    readable(*function - *exact) + "\n";
        }
    } else {
        text += "Funzione: nessuna (il dato non è una funzione armonica)\n";
    }
    return text;
}

std::string sectionNumbersText(const RunSnapshot& snapshot) {
    if (!snapshot.plan) {
        return "Nessun calcolo: premi «Calcola!» nella finestra del calcolo.";
    }
    const std::vector<SectionRow> rows = sectionRows(snapshot);
    std::size_t done = 0;
    double largest = 0.0;  // the largest |estimate - exact| in standard errors
    bool compared = false;
    for (const SectionRow& row : rows) {
        if (!row.estimate) {
            continue;
        }
        ++done;
        if (row.exact && row.estimate->standardError > 0.0) {
            largest = std::max(
                largest, std::fabs(row.estimate->value - *row.exact) / row.estimate->standardError);
            compared = true;
        }
    }
    std::string text =
        "Nodi stimati: " + std::to_string(done) + " di " + std::to_string(rows.size()) + "\n";
    text += "Prove per nodo: " + std::to_string(snapshot.plan->walks) + "\n";
    if (snapshot.exactState == ExactState::Computed) {
        text += compared ? "Scarto massimo dall'esatto discreto: " + readable(largest) +
                               " errori standard\n"
                         : std::string("Esatto discreto: calcolato\n");
    } else {
        text += "Esatto discreto: " + exactText(snapshot, std::nullopt) + "\n";
    }
    if (!isHarmonic(snapshot.plan->problem.datum)) {
        text += "Funzione: nessuna (il dato non è una funzione armonica)\n";
    }
    return text;
}

}  // namespace nurlo
