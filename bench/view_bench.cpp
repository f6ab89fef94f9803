// The view of a point click in the program's own process, on Qt's offscreen platform: the click
// runs as a screen runs it (its walks on a worker thread while the interface thread's loop stays
// alive), with the view open.
//
//   nurlo_view_bench first [R]      Form2's case: side 1, n = 300, start (100, 150), "Seno",
//                                   N = 32767, step by step. Seconds from the start of the click
//                                   to the view's first redraw that shows walks (then Esc); R
//                                   runs, default 5.
//   nurlo_view_bench redraw [R]     the same click run to its end, then R redraws of the whole
//                                   view (new snapshot, charts, picture, numbers, painted at
//                                   once), default 30: milliseconds, median and largest.
//   nurlo_view_bench beside [N] [R] [W]
//                                   the square of N steps (default 2000), "Seno", the centre,
//                                   W jump walks (default 1000): seconds from the start of the
//                                   click to its estimate, without the view and with it open (its
//                                   exact solve running beside the walks; the view is closed after
//                                   each run, which stops the solve), alternated, R each (default
//                                   5); every run, then the medians.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "busy_run.hpp"
#include "calculation.hpp"
#include "held_input.hpp"
#include "run_view.hpp"
#include "screen_factory.hpp"

namespace nurlo {
namespace {

std::size_t benchMemory() { return std::size_t{8} << 30; }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct ClickResult {
    Outcome outcome = Outcome::Completed;
    double seconds = 0.0;      // from the start of the click to its end
    double firstWalks = -1.0;  // to the first redraw of the view that showed walks
};

// One point click of the square as a screen runs it; with `view`, that view follows it; with
// `stopAtFirstWalks`, Esc as soon as the view has shown walks.
ClickResult runClick(WalkPool& pool, RunView* view, Int16 n, Node start, Int16 walks, WalkKind walk,
                     bool stopAtFirstWalks) {
    ScreenSource source = ClockSeededSource<>::fromClock();
    ClickResult result;
    QElapsedTimer clock;
    Calculation* running = nullptr;
    HeldInput* held = nullptr;
    Calculation click(
        {pool, source, benchMemory}, walk, view,
        [&](const std::function<void()>& work) { runKeepingWindowAlive(work, *held, [] {}); });
    HeldInput input(click.progress());
    held = &input;
    running = &click;
    QTimer watch;
    if (view != nullptr) {
        QObject::connect(&watch, &QTimer::timeout, view, [&] {
            if (result.firstWalks < 0.0 && view->shown().endedWalks > 0) {
                result.firstWalks = static_cast<double>(clock.nsecsElapsed()) / 1e9;
                if (stopAtFirstWalks) {
                    running->progress().requestStop();
                }
            }
        });
        watch.start(1);
    }
    clock.start();
    result.outcome = click.run([&] {
        click.fillGrid(Problem::square(n, 1.0), BoundaryDatum::Seno);
        click.estimate(start, walks);
        // Where a screen shows the estimate.
        result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    });
    return result;
}

int usage() {
    std::fprintf(stderr, "usage: nurlo_view_bench first [R] | redraw [R] | beside [N] [R] [W]\n");
    return 2;
}

}  // namespace
}  // namespace nurlo

int main(int argc, char** argv) {
    using namespace nurlo;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc < 2) {
        return usage();
    }
    const std::string what = argv[1];
    const auto argument = [&](int k, int fallback) {
        return argc > k ? std::atoi(argv[k]) : fallback;
    };
    QApplication application(argc, argv);
    WalkPool pool;
    if (what == "first") {
        std::vector<double> seconds;
        for (int r = 0; r < argument(2, 5); ++r) {
            RunView view(screenRow(2), benchMemory);
            view.show();
            const ClickResult click =
                runClick(pool, &view, 300, {100, 150}, 32767, WalkKind::Lattice, true);
            std::printf("first walks shown after %.3f s\n", click.firstWalks);
            seconds.push_back(click.firstWalks);
        }
        std::printf("median %.3f s\n", median(seconds));
        return 0;
    }
    if (what == "redraw") {
        RunView view(screenRow(2), benchMemory);
        view.show();
        const ClickResult click =
            runClick(pool, &view, 300, {100, 150}, 32767, WalkKind::Lattice, false);
        QApplication::processEvents();
        std::vector<double> milliseconds;
        for (int r = 0; r < argument(2, 30); ++r) {
            view.data().finished(RunState::Completed);  // new data to draw, the same data
            QElapsedTimer clock;
            clock.start();
            view.refresh();
            view.repaint();
            milliseconds.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
        std::printf("click of %.1f s, %lld walks shown; redraw median %.2f ms, largest %.2f ms\n",
                    click.seconds, static_cast<long long>(view.shown().endedWalks),
                    median(milliseconds),
                    *std::max_element(milliseconds.begin(), milliseconds.end()));
        return 0;
    }
    if (what == "beside") {
        const auto n = static_cast<Int16>(argument(2, 2000));
        const auto walks = static_cast<Int16>(argument(4, 1000));
        const Node centre{static_cast<Int16>(n / 2), static_cast<Int16>(n / 2)};
        std::vector<double> without;
        std::vector<double> with;
        RunView view(screenRow(2), benchMemory);
        for (int r = 0; r < argument(3, 5); ++r) {
            without.push_back(
                runClick(pool, nullptr, n, centre, walks, WalkKind::Jump, false).seconds);
            view.show();
            with.push_back(runClick(pool, &view, n, centre, walks, WalkKind::Jump, false).seconds);
            const bool solved = view.data().snapshot().exactState == ExactState::Computed;
            // Closed, the view stops its solve: the next run without it has the cores to itself.
            view.close();
            std::printf("run %d: without the view %.3f s, with it %.3f s (exact %s at the end)\n",
                        r + 1, without.back(), with.back(),
                        solved ? "already there" : "still coming");
        }
        std::printf("square %d: median without the view %.3f s, with it %.3f s\n", int{n},
                    median(without), median(with));
        return 0;
    }
    return usage();
}
