#include "calculation.hpp"

#include <exception>
#include <new>
#include <thread>
#include <utility>
#include <variant>

#include "field_text.hpp"
#include "messages.hpp"

namespace nurlo {

Estimate EstimateAt::operator()(Node node) const { return calculation_->estimateNext(node); }

void Calculation::onWorkerThread(const std::function<void()>& work) {
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
    });
    worker.join();
    if (error) {
        std::rethrow_exception(error);
    }
}

Calculation::Calculation(CalculationResources resources, WalkKind walk,
                         CalculationObserver* observer, Background background)
    : resources_(resources), walk_(walk), observer_(observer), background_(std::move(background)) {}

Outcome Calculation::run(const std::function<void()>& steps) {
    Outcome outcome = Outcome::Completed;
    try {
        steps();
    } catch (const Interrupted&) {
        // Asked for with Esc: nothing went wrong, and nothing is reported.
        outcome = Outcome::Interrupted;
    } catch (const RuntimeError& error) {
        outcome = Outcome::Failed;
        errorReport_ = errorReportText(error, failedField_);
    } catch (const std::bad_alloc&) {
        outcome = Outcome::Failed;
        errorReport_ = errorReportText(RuntimeError(ErrorKind::OutOfMemory), {});
    } catch (const std::exception& error) {
        // Not one of the calculation's own errors, but no reason to lose what is typed on every
        // screen either: it is reported like them.
        outcome = Outcome::Failed;
        errorReport_ = QStringLiteral("Errore imprevisto: %1").arg(QString::fromUtf8(error.what()));
    }
    if (observer_ != nullptr) {
        observer_->ended(outcome);
    }
    return outcome;
}

double Calculation::length(std::string_view text, const QString& caption) {
    try {
        return lengthFromText(text);
    } catch (const RuntimeError&) {
        failedField_ = caption;
        throw;
    }
}

Int16 Calculation::count(std::string_view text, const QString& caption) {
    try {
        return countFromText(text);
    } catch (const RuntimeError&) {
        failedField_ = caption;
        throw;
    }
}

bool Calculation::fillGrid(const Problem& problem, std::optional<BoundaryDatum> datum) {
    grid_.emplace(problem.nx(), problem.ny(), resources_.availableMemory());
    if (!datum) {
        return false;
    }
    problem_ = problem;
    problem_.datum = *datum;
    progress_.begin(Stage::Fill, std::int64_t{problem.nx()} + 1);
    background_([&] { fillBoundary(*grid_, problem_, &progress_); });
    return true;
}

EstimateAt Calculation::walksAt(Int16 walks, std::vector<Node> nodes,
                                std::optional<SectionAxis> axis) {
    // Every start node is checked before the observer hears of a plan it could spend long work
    // on, and before a section writes a line.
    for (const Node node : nodes) {
        problem_.domain.checkStart(node);
    }
    walkUnits_ = walks > 0 ? static_cast<std::int64_t>(nodes.size()) * walks : 0;
    estimator_.emplace(
        *grid_, problem_.domain,
        EstimatorOptions{.pool = &resources_.pool,
                         .progress = &progress_,
                         .walk = walk_,
                         .recorder = observer_ != nullptr ? observer_->recorder() : nullptr});
    plan_.emplace(CalculationPlan{.problem = problem_,
                                  .walks = walks,
                                  .walk = walk_,
                                  .nodes = std::move(nodes),
                                  .axis = axis});
    planAnnounced_ = false;
    nextIndex_ = 0;
    progress_.begin(Stage::Walks, walkUnits_);
    return EstimateAt(*this);
}

void Calculation::inBackground(const std::function<void()>& work) {
    background_([&] {
        if (observer_ != nullptr && plan_ && !planAnnounced_) {
            planAnnounced_ = true;
            observer_->planned(*plan_, *grid_, progress_);
            // The observer may have had a stage of its own: the walks' begins anew.
            progress_.begin(Stage::Walks, walkUnits_);
        }
        work();
    });
}

Estimate Calculation::estimate(Node start, Int16 walks) {
    const EstimateAt estimateAt = walksAt(walks, {start});
    Estimate result;
    inBackground([&] { result = estimateAt(start); });
    return result;
}

void Calculation::estimateField(Int16 walks) {
    const WalkDomain domain = problem_.domain;
    walksAt(walks, fieldLattice(domain).nodes);
    plan_->wholeField = true;
    inBackground([&] {
        std::vector<FieldValue> values;
        std::visit(
            [&](auto& source) {
                runWholeField(*grid_, domain, walks, source, resources_.availableMemory(),
                              FieldOptions{.pool = &resources_.pool,
                                           .progress = &progress_,
                                           .walk = walk_,
                                           .observer = observer_},
                              values);
            },
            resources_.source);
    });
}

Estimate Calculation::estimateNext(Node node) {
    const Estimate estimate =
        std::visit([&](auto& source) { return estimator_->run(node, plan_->walks, source); },
                   resources_.source);
    if (observer_ != nullptr) {
        observer_->estimated(nextIndex_++, node, estimate);
    }
    return estimate;
}

}  // namespace nurlo
