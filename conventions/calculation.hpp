// The life of one click on "Calcola!", without widgets.
//
// A screen reads its fields and hands their texts to the calculation, which converts them; then
// it asks for the grid, filled for the datum chosen, and for the walks. The long steps, the fill
// and the walks, run in the background through `Background`: the screens keep the window alive
// meanwhile, tests run them on a plain worker thread. A stop asked for on the progress (Esc)
// raises Interrupted at the work's next look.
//
// run() holds the whole click: it calls the screen's steps, catches what ends them early and
// says how the click ended, Completed, Interrupted or Failed; after a failure errorReport() is
// the text of the run-time error report. The observer, if any, hears of the plan, of every
// estimate and of the end (calculation_observer.hpp).
//
// A point click:
//     const Estimate estimate = click.estimate(start, walks);
// A point screen asked for the whole field estimates it instead of its start node:
//     if (click.wholeField()) { click.estimateField(walks); }
// A section click asks for the walks of its nodes, then writes its lines in one background step:
//     const EstimateAt estimateAt = click.walksAt(walks, nodes, axis);
//     click.inBackground([&] {
//         writeSectionNodes(script, section, [&](Node node) { return estimateAt(node).value; });
//     });
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "boundary_datum.hpp"
#include "boundary_grid.hpp"
#include "calculation_observer.hpp"
#include "progress.hpp"
#include "screen_context.hpp"
#include "walk_estimator.hpp"

namespace nurlo {

class Calculation;

// The estimate of the click's walks from one node, on the calling thread (a background step).
// Each call is one estimate of the click's plan, reported to the observer in turn.
class EstimateAt {
public:
    Estimate operator()(Node node) const;

private:
    friend class Calculation;
    explicit EstimateAt(Calculation& calculation) : calculation_(&calculation) {}
    Calculation* calculation_;
};

class Calculation {
public:
    // Runs `work` off the calling thread and returns when it has ended, rethrowing its exception.
    using Background = std::function<void(const std::function<void()>& work)>;

    // A worker thread, joined before the call returns.
    static void onWorkerThread(const std::function<void()>& work);

    Calculation(CalculationResources resources, WalkKind walk,
                CalculationObserver* observer = nullptr, Background background = onWorkerThread);

    Calculation(const Calculation&) = delete;
    Calculation& operator=(const Calculation&) = delete;

    // The whole click: calls `steps` and ends the click as they end. Interrupted and every
    // error they raise are caught here; the observer hears of the outcome.
    Outcome run(const std::function<void()>& steps);

    // The report of the error that failed the click: the error in Italian and, when a field did
    // not convert, that field's caption.
    const QString& errorReport() const { return errorReport_; }

    // The value of a field's text (field_text.hpp); a text that does not convert fails the click
    // with its error, naming the field by `caption`.
    double length(std::string_view text, const QString& caption);
    Int16 count(std::string_view text, const QString& caption);

    // The grid of the click: created for the problem's counts with every value 0 (refused when it
    // needs more memory than the resources report available), then filled in the background for
    // `datum`, which becomes the problem's. With no datum the grid is created all the same and
    // not filled, and the answer is false: the click then ends.
    bool fillGrid(const Problem& problem, std::optional<BoundaryDatum> datum);
    // The filled grid and the problem it was filled for.
    const BoundaryGrid& grid() const { return *grid_; }
    const Problem& problem() const { return problem_; }

    // Plans the walks of the click on its problem, `walks` from each of `nodes` in that order
    // (`axis` on a section screen), and gives the estimates; the walks' stage begins. The grid
    // must be filled. A node off the grid fails the click here, before any walk or line.
    EstimateAt walksAt(Int16 walks, std::vector<Node> nodes,
                       std::optional<SectionAxis> axis = std::nullopt);
    // One background step of the walks: the observer first hears of the plan, then `work` runs.
    void inBackground(const std::function<void()>& work);
    // The estimate at one node, planned and run in one background step: a point screen's click.
    Estimate estimate(Node start, Int16 walks);

    // Whether this click is a point screen's whole field (asked for before the click runs).
    void askWholeField() { wholeField_ = true; }
    bool wholeField() const { return wholeField_; }
    // The whole field of the filled grid on the problem's domain (whole_field.hpp), `walks` walks
    // a node, in one background step: the exact solution at the sample nodes (its memory from the
    // resources' gauge), then every node's estimate, each told to the observer as it exists. The
    // progress counts the walks of all the nodes; Esc stops it, and the nodes told so far stay.
    void estimateField(Int16 walks);

    // How far the click has got; Esc asks it to stop here.
    Progress& progress() { return progress_; }

private:
    friend class EstimateAt;
    Estimate estimateNext(Node node);

    CalculationResources resources_;
    WalkKind walk_;
    CalculationObserver* observer_;
    Background background_;
    Progress progress_;
    QString failedField_;
    QString errorReport_;

    std::optional<BoundaryGrid> grid_;
    Problem problem_;
    std::optional<WalkEstimator> estimator_;
    std::optional<CalculationPlan> plan_;
    std::int64_t walkUnits_ = 0;
    bool planAnnounced_ = false;
    std::size_t nextIndex_ = 0;
    bool wholeField_ = false;
};

}  // namespace nurlo
