#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileSystemModel>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "calculation.hpp"
#include "domain_picture.hpp"
#include "grid_memory.hpp"
#include "held_input.hpp"
#include "run_charts.hpp"
#include "run_view.hpp"
#include "runtime_error.hpp"
#include "screen_factory.hpp"
#include "window_system_input.hpp"

namespace nurlo {
namespace {

using namespace nurlo::test;

std::size_t plentyOfMemory() { return std::size_t{1} << 40; }

CalculationPlan pointPlan(WalkDomain domain, BoundaryDatum datum, Int16 walks, WalkKind walk,
                          Node start, double lx = 1) {
    return {{.domain = domain, .lx = lx, .ly = 1, .datum = datum}, walks, walk, {start}, {}};
}

// Queues a key for `widget` through the window system and delivers it.
void press(QWidget* widget, Qt::Key key, const QString& text = {},
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    queueWindowSystemKey(widget, key, text, modifiers);
    deliverQueuedInput();
}

// Holds the view's exact solve (which asks its gauge first, on its own thread) until opened.
struct HeldGauge {
    std::mutex mutex;
    std::condition_variable changed;
    bool isOpen = false;
    std::atomic<bool> reached{false};

    std::size_t pass() {
        reached = true;
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return isOpen; });
        return std::size_t{1} << 30;
    }
    void open() {
        const std::lock_guard lock(mutex);
        isOpen = true;
        changed.notify_all();
    }
    void close() {
        const std::lock_guard lock(mutex);
        isOpen = false;
        reached = false;
    }
};

// The pixels within dx, dy of `centre` that are within `tolerance` (r + g + b) of `colour`.
int pixelsNear(const QImage& image, QPointF centre, int dx, int dy, QColor colour, int tolerance) {
    int count = 0;
    for (int x = -dx; x <= dx; ++x) {
        for (int y = -dy; y <= dy; ++y) {
            const QColor c = image.pixelColor(centre.toPoint() + QPoint(x, y));
            const int off = std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green());
            count += off + std::abs(c.blue() - colour.blue()) <= tolerance;
        }
    }
    return count;
}

// A point click (seed 5) run as the program runs it, followed by a shown view with `memory` bytes.
struct PointClick {
    BoundaryGrid grid;
    RunView view;
    DomainPicture* picture = view.findChild<DomainPicture*>(QStringLiteral("Picture1"));
    bool settled = false;  // the exact solve has ended

    PointClick(WalkDomain domain, BoundaryDatum datum, Node start, Int16 walks,
               WalkKind walk = WalkKind::Lattice, std::size_t memory = std::size_t{1} << 30)
        : grid(domain.nx(), domain.ny(), kTestGridMemory),
          view(screenRow(5), [memory] { return memory; }) {
        const CalculationPlan plan = pointPlan(domain, datum, walks, walk, start);
        fillBoundary(grid, plan.problem);
        view.show();
        Progress progress;
        view.planned(plan, grid, progress);
        SeededSource source(5);
        view.estimated(0, start,
                       WalkEstimator(grid, domain, {.walk = walk, .recorder = &view})
                           .run(start, walks, source));
        view.ended(Outcome::Completed);
        // The exact solve runs beside the walks and may end after them.
        settled = QTest::qWaitFor(
            [this] { return view.data().snapshot().exactState != ExactState::Pending; });
        view.refresh();
    }
    QImage drawn() { return picture->grab().toImage(); }
    QPointF at(Node node) { return picture->nodePoint(node); }
};

}  // namespace

class ViewTest : public QObject {
    Q_OBJECT

private slots:
    // Ends counted on the border (also per pixel), three walks traced, after k walks the estimate
    // of k walks; drawn: solution, block, end counts, first walk, band, exact value.
    void aPointClickIsCountedDrawnCopiedAndSaved() {
        PointClick click(WalkDomain::lShaped(40, 40, 20, 20), BoundaryDatum::X2MinusY2, {10, 30},
                         2000, WalkKind::Lattice, std::size_t{1} << 30);
        QVERIFY(click.settled);
        const RunSnapshot data = click.view.data().snapshot();
        std::int64_t total = 0;
        for (const auto& [key, count] : data.endCounts) {
            QVERIFY(data.plan->problem.domain.stops(keyNode(key)));
            total += count;
        }
        QCOMPARE(total, 2000);
        QCOMPARE(data.traces.size(), std::size_t{3});
        for (const auto& [width, height] : {std::pair{4, 3}, {400, 300}}) {
            std::int64_t binned = 0;
            for (const PixelCount& p : binToPixels(data.endCounts, 40, 40, width, height)) {
                QVERIFY(p.column >= 0 && p.column < width && p.row >= 0 && p.row < height);
                binned += p.count;
            }
            QCOMPARE(binned, 2000);
        }
        for (const Int16 k : {Int16{100}, Int16{2000}}) {
            SeededSource source(5);
            const Estimate e =
                WalkEstimator(click.grid, data.plan->problem.domain, {}).run({10, 30}, k, source);
            const RunningPoint& p = data.running.at(static_cast<std::size_t>(k - 1));
            QCOMPARE(p.walks, std::int64_t{k});
            QCOMPARE(p.mean, e.value);
            QCOMPARE(p.standardError, e.standardError);
        }

        const QImage drawn = click.drawn();
        // x^2 - y^2 is its own discrete solution: 0.75 at node (35, 5), on a scale from -1 to 1.
        const QColor solution = solutionColour((0.75 + 1.0) / 2.0);
        QVERIFY(pixelsNear(drawn, click.at({35, 5}), 2, 2, solution, 40) > 10);
        QVERIFY(pixelsNear(drawn, click.at({32, 32}), 4, 4, QColor(235, 235, 235), 80) > 20);
        int marked = 0;  // end counts along the left side near the start
        for (double t = 0.0; t <= 1.0; t += 0.1) {
            marked += pixelsNear(drawn, click.at({0, 30}), 3, 60, countColour(t), 30);
        }
        QVERIFY2(marked > 20, qPrintable(QString::number(marked)));
        QVERIFY(pixelsNear(drawn, click.at({10, 30}), 12, 12, Qt::black, 60) > 10);
        auto* chart = click.view.findChild<ConvergenceChart*>(QStringLiteral("Chart1"));
        const QList<QPointF> mean = chart->estimateSeries()->points();
        QCOMPARE(mean.last().y(), data.running.back().mean);
        QCOMPARE(chart->upperSeries()->at(500).y() - mean.at(500).y(),
                 mean.at(500).y() - chart->lowerSeries()->at(500).y());
        QVERIFY(qAbs(chart->exactSeries()->at(0).y() + 0.5) < 1e-9);

        auto* numbers = click.view.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        QVERIFY(numbers->isReadOnly());
        numbers->setFocus();
        QTest::keySequence(numbers, QKeySequence::Copy);
        QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral(
            "x0\ty0\tstima\terrore standard\tprove\tesatto discreto\tfunzione\n10\t30\t")));
        numbers->selectAll();
        QTest::keySequence(numbers, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), numbers->toPlainText());
        QTemporaryDir folder;
        const QString png = folder.filePath(QStringLiteral("vista.png"));
        QVERIFY(click.view.saveImage(png) && QImage(png).width() > 600);
        QVERIFY(!click.view.saveImage(folder.filePath(QStringLiteral("no/such/vista.png"))));
    }

    // A jump click's walks are drawn as the squares they crossed (the first, from the centre, of
    // radius 64); the exact solution refused for want of memory, the domain stays grey.
    void aJumpClickShowsTheSquaresCrossed() {
        PointClick click(WalkDomain::square(200), BoundaryDatum::Seno, {100, 100}, 100,
                         WalkKind::Jump, 1);
        const QImage drawn = click.drawn();
        QVERIFY(pixelsNear(drawn, click.at({164, 100}), 2, 20, Qt::black, 300) > 20);
        QVERIFY(pixelsNear(drawn, click.at({130, 130}), 2, 2, QColor(225, 225, 225), 10) > 0);
    }

    // A section view follows its estimates as they come; a line of thousands of nodes reaches the
    // chart thinned alike in every series, its last node (at 1) still drawn.
    void aSectionViewFollowsItsNodesThinnedAlike() {
        CalculationPlan plan{
            Problem::square(4000, 1, BoundaryDatum::XY), 10, {}, {}, SectionAxis::X};
        for (Int16 k = 0; k <= 4000; ++k) {
            plan.nodes.push_back({k, 1});
        }
        RunView view(screenRow(7));
        view.data().begin(plan);
        view.data().setExact(
            std::make_shared<ExactField>(ExactField::table(4000, 1, std::vector<double>(8002))));
        view.show();
        auto* chart = view.findChild<SectionChart*>(QStringLiteral("Chart1"));
        QVERIFY(!view.isPointView() && chart != nullptr);
        for (std::size_t k = 0; k < plan.nodes.size(); ++k) {
            view.data().estimated(k, {.value = 0.5, .standardError = 0.01, .walks = 10});
        }
        QTRY_VERIFY(chart->estimateSeries()->count() > 1000);
        const int drawn = chart->estimateSeries()->count();
        QVERIFY(drawn <= int{kMostChartPoints});
        for (const QLineSeries* series :
             {chart->estimateSeries(), chart->exactSeries(), chart->functionSeries(),
              chart->lowerSeries(), chart->upperSeries()}) {
            QCOMPARE(series->count(), drawn);
            QVERIFY(qFuzzyCompare(series->points().back().x(), 1.0));
        }
    }

    // A click whose exact solve is held ends with its estimate; the exact values join later. Esc
    // stops the solve; running out of memory says "too large", another error "none"; a closed view
    // solves nothing.
    void theExactSolveRunsBesideTheWalks() {
        const WalkDomain domain = WalkDomain::lShaped(60, 40, 30, 20);
        const Node start{10, 30};
        HeldGauge gauge;
        RunView view(screenRow(5), [&gauge] { return gauge.pass(); });
        view.show();
        WalkPool pool(2);
        ScreenSource source = SeededSource(7);
        Calculation click({pool, source, plentyOfMemory}, WalkKind::Jump, &view);
        Estimate estimate;
        QCOMPARE(click.run([&] {
            click.fillGrid({.domain = domain, .lx = 1.5, .ly = 1.0}, BoundaryDatum::X2MinusY2);
            estimate = click.estimate(start, 2000);
        }),
                 Outcome::Completed);
        RunSnapshot data = view.data().snapshot();
        QVERIFY(gauge.reached && data.state == RunState::Completed && data.estimates[0] &&
                data.estimates[0]->value == estimate.value &&
                data.exactState == ExactState::Pending);
        QVERIFY(pointNumbersText(data).find("Esatto discreto: in calcolo…") != std::string::npos);
        gauge.open();
        QTRY_COMPARE(view.data().snapshot().exactState, ExactState::Computed);
        data = view.data().snapshot();
        // x^2 - y^2 is its own discrete solution.
        QVERIFY(std::fabs(*data.exactAt(start) - *data.functionAt(start)) < 1e-9);

        // Esc: the click ends interrupted, and the solve, held meanwhile, stops.
        BoundaryGrid grid(60, 40, kTestGridMemory);
        const CalculationPlan plan =
            pointPlan(domain, BoundaryDatum::X2MinusY2, 10, WalkKind::Jump, start, 1.5);
        fillBoundary(grid, plan.problem);
        Progress progress;
        gauge.close();
        view.planned(plan, grid, progress);
        QTRY_VERIFY(gauge.reached);
        view.ended(Outcome::Interrupted);
        gauge.open();
        QTRY_COMPARE(view.data().snapshot().exactState, ExactState::Missing);
        QCOMPARE(view.data().snapshot().state, RunState::Interrupted);

        for (const auto& [kind, exact] : {std::pair{ErrorKind::OutOfMemory, ExactState::TooLarge},
                                          {ErrorKind::FloatingPoint, ExactState::Missing}}) {
            RunView failing(screenRow(2),
                            [kind = kind]() -> std::size_t { throw RuntimeError(kind); });
            failing.show();
            failing.planned(plan, grid, progress);
            failing.ended(Outcome::Completed);
            QTRY_COMPARE(failing.data().snapshot().exactState, exact);
        }
        RunView closed(screenRow(2), [] { return std::size_t{1} << 30; });
        closed.planned(plan, grid, progress);
        closed.ended(Outcome::Completed);
        QCOMPARE(closed.data().snapshot().exactState, ExactState::Missing);

        // Closing the view, or the next click, stops a running solve and waits for its thread.
        BoundaryGrid large(3000, 3000, kTestGridMemory);
        const CalculationPlan largePlan =
            pointPlan(WalkDomain::square(3000), BoundaryDatum::Seno, 10, WalkKind::Jump, {1, 1500});
        fillBoundary(large, largePlan.problem);
        for (const bool again : {false, true}) {
            HeldGauge started;
            started.open();
            RunView going(screenRow(2), [&started] { return started.pass(); });
            going.show();
            going.planned(largePlan, large, progress);
            QTRY_VERIFY(started.reached);
            if (again) {
                going.planned(plan, grid, progress);
                QTRY_COMPARE(going.data().snapshot().exactState, ExactState::Computed);
            }
        }
    }

    // During a click: the walks so far ("k di N"), the running mean and the ends; then the whole.
    void aPointViewShowsTheWalksSoFar() {
        BoundaryGrid grid(40, 40, kTestGridMemory);
        const CalculationPlan plan = pointPlan(WalkDomain::square(40), BoundaryDatum::Seno, 6400,
                                               WalkKind::Lattice, {20, 20});
        fillBoundary(grid, plan.problem);
        RunView view(screenRow(2));
        view.show();
        Progress progress;
        view.planned(plan, grid, progress);
        std::vector<WalkEnd> ends;
        for (Int16 k = 0; k < 64; ++k) {
            ends.push_back({{k, 0}, 0.01 * k});
        }
        const auto walkHalf = [&] {
            for (int chunk = 0; chunk < 50; ++chunk) {
                view.ended(Node{20, 20}, ends);
            }
        };
        walkHalf();
        auto* numbers = view.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        auto* chart = view.findChild<ConvergenceChart*>(QStringLiteral("Chart1"));
        QTRY_VERIFY2(numbers->toPlainText().contains(QStringLiteral("Prove: 3200 di 6400")),
                     qPrintable(numbers->toPlainText()));
        QVERIFY(chart->estimateSeries()->count() > 100 && chart->upperSeries()->count() > 100);
        QCOMPARE(view.data().snapshot().endCounts.size(), std::size_t{64});
        walkHalf();
        view.estimated(0, {20, 20}, {.value = 0.315, .standardError = 0.002, .walks = 6400});
        view.ended(Outcome::Completed);
        QVERIFY(numbers->toPlainText().contains(QStringLiteral("Prove: 6400\n")));
        QCOMPARE(chart->estimateSeries()->points().back().x(), 6400.0);
    }

    // With the screens' input held, the view still copies, saves and stops the click on Esc.
    // Before any click Ctrl+C leaves the clipboard alone.
    void theViewAnswersDuringAClick() {
        RunView idle(screenRow(2));
        idle.show();
        QVERIFY(QTest::qWaitForWindowExposed(&idle));
        QApplication::clipboard()->setText(QStringLiteral("già copiato"));
        press(&idle, Qt::Key_C, QStringLiteral("c"), Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("già copiato"));

        PointClick click(WalkDomain::square(20), BoundaryDatum::Seno, {10, 10}, 100);
        QLineEdit screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        Progress progress;
        HeldInput held(progress);
        const HeldInput::Holding holding(held);
        queueWindowSystemKey(&click.view, Qt::Key_C, QStringLiteral("c"), Qt::ControlModifier);
        queueWindowSystemKey(&screen, Qt::Key_X, QStringLiteral("x"));
        deliverQueuedInput();
        QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("x0\ty0\t")));
        QVERIFY(screen.text().isEmpty());

        QTemporaryDir folder;
        const QString png = folder.filePath(QStringLiteral("durante.png"));
        QFileDialog* dialog = click.view.askWhereToSave();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        name->setText(png);
        name->setFocus();
        press(name, Qt::Key_Return);
        QTRY_VERIFY(QImage(png).width() > 600);

        press(&click.view, Qt::Key_Escape);
        QVERIFY(progress.stopRequested());
    }

    // The value axis fits any data anew, up to the largest doubles; the walk axis is logarithmic
    // until Check1 is cleared; the envelope meets the band at the last walk.
    void theConvergenceChartFitsAnyData() {
        RunView view(screenRow(2));
        view.show();
        auto* chart = view.findChild<ConvergenceChart*>(QStringLiteral("Chart1"));
        BoundaryGrid grid(2, 2, kTestGridMemory);
        Progress progress;
        QStringList previous;
        for (const auto& [low, high] : {std::pair{1e-15, 2.5e-15},
                                        {1e20, 3.2e20},
                                        {1e300, 3e300},
                                        {-0.8e308, 0.8e308},
                                        {0.0, 0.0}}) {
            view.planned(pointPlan(WalkDomain::square(2), BoundaryDatum::Nullo, 64,
                                   WalkKind::Lattice, {1, 1}),
                         grid, progress);
            std::vector<WalkEnd> ends;
            for (int k = 0; k < 64; ++k) {
                ends.push_back({{0, 1}, k % 2 == 0 ? low : high});
            }
            view.ended(Node{1, 1}, ends);
            view.ended(Outcome::Interrupted);
            const QString where = QStringLiteral("%1 .. %2").arg(low).arg(high);
            QCategoryAxis* axis = chart->valueAxis();
            const QStringList labels = axis->categoriesLabels();
            QVERIFY2(labels.size() >= 3 && labels != previous, qPrintable(where));
            previous = labels;
            const double unit = chart->valueScale().unit;
            const double size = std::max(std::fabs(low), std::fabs(high)) / unit;
            QVERIFY2(axis->max() - axis->min() <= 20.0 * std::max(size, 1.0), qPrintable(where));
            for (const QPointF& point : chart->estimateSeries()->points()) {
                QVERIFY2(point.y() >= axis->min() && point.y() <= axis->max(), qPrintable(where));
            }
            QVERIFY2(labels.front().toDouble() <= low && labels.back().toDouble() >= high,
                     qPrintable(where + ": " + labels.join(QStringLiteral(" "))));
        }

        PointClick click(WalkDomain::lShaped(40, 40, 20, 20), BoundaryDatum::X2MinusY2, {10, 30},
                         2000);
        chart = click.view.findChild<ConvergenceChart*>(QStringLiteral("Chart1"));
        auto* logScale = click.view.findChild<QCheckBox*>(QStringLiteral("Check1"));
        QVERIFY(logScale->isChecked() && qobject_cast<QLogValueAxis*>(chart->walkAxis()));
        const QPointF upper = chart->upperSeries()->points().back();
        QCOMPARE(chart->envelopeUpperSeries()->points().back(), upper);
        QVERIFY(chart->envelopeLowerSeries()->count() > 100);
        logScale->click();
        auto* linear = qobject_cast<QCategoryAxis*>(chart->walkAxis());
        QVERIFY(linear != nullptr && chart->estimateSeries()->attachedAxes().contains(linear));
        QCOMPARE(linear->categoriesLabels(), QStringList({"0", "500", "1000", "1500", "2000"}));

        // x^2 - y^2 is its own discrete solution: the exact line shows over the function's.
        const QImage drawn = chart->grab().toImage();
        const QPointF middle = chart->chart()->mapToPosition(
            chart->exactSeries()->points().front() / 2 + chart->exactSeries()->points().back() / 2,
            chart->exactSeries());
        QVERIFY(pixelsNear(drawn, middle, 60, 1, QColor(200, 0, 0), 90) > 20);
        QVERIFY(pixelsNear(drawn, middle, 60, 2, QColor(0, 170, 0), 90) > 20);
    }

    // Colours span the whole scale up to the largest doubles; a corner at or before the outer lines
    // walls nothing off; a start beyond the corner has the L hatched, not its block.
    void thePictureDrawsTheDomainAsTheWalksSeeIt() {
        RunView view(screenRow(2));
        view.show();
        BoundaryGrid grid(20, 20, kTestGridMemory);
        Progress progress;
        view.planned(pointPlan(WalkDomain::square(20), BoundaryDatum::Nullo, 10, WalkKind::Lattice,
                               {10, 10}),
                     grid, progress);
        auto field =
            std::make_shared<ExactField>(ExactField::table(20, 20, std::vector<double>(441)));
        for (std::size_t k = 0; k < field->values.size(); ++k) {
            field->values[k] = (static_cast<double>(k / 21) - 10.0) / 10.0 * 1.69e308;
        }
        view.data().setExact(field);
        view.refresh();
        auto* picture = view.findChild<DomainPicture*>(QStringLiteral("Picture1"));
        QImage drawn = picture->grab().toImage();
        for (const Int16 i : {Int16{2}, Int16{10}, Int16{18}}) {
            const QColor colour = solutionColour((i - 2) / 16.0 * 0.8 + 0.1);
            QVERIFY2(pixelsNear(drawn, picture->nodePoint({i, 15}), 2, 2, colour, 40) > 10,
                     qPrintable(QString::number(i)));
        }

        for (const auto& [a, b, start, low, high] : {std::tuple{-1, -1, Node{2, 2}, 0.0, 1.0},
                                                     {0, 0, Node{2, 2}, 0.0, 1.0},
                                                     {2, 2, Node{6, 6}, 0.04, 1.0}}) {
            const Int16 n = a < 1 ? Int16{4} : Int16{10};
            PointClick click(
                WalkDomain::lShaped(n, n, static_cast<Int16>(a), static_cast<Int16>(b)),
                BoundaryDatum::XY, start, 100);
            const QString where = QStringLiteral("corner (%1, %2)").arg(a).arg(b);
            QVERIFY2(click.settled, qPrintable(where));
            const auto [from, to] = click.picture->solutionRange();
            QVERIFY2(std::fabs(from - low) < 1e-9 && std::fabs(to - high) < 1e-9,
                     qPrintable(where));
            drawn = click.drawn();
            // x*y at the start's neighbour (start + 1, start + 1), on the start's side.
            const Node near{static_cast<Int16>(start.x + 1), static_cast<Int16>(start.y + 1)};
            const double value = (near.x * 1.0 / n) * (near.y * 1.0 / n);
            QVERIFY2(pixelsNear(drawn, click.at(near), 2, 2,
                                solutionColour(colourPlace(value, from, to)), 40) > 5,
                     qPrintable(where));
            if (a > 0) {  // the L around the block, walled off from the start: light, hatched
                QVERIFY2(pixelsNear(drawn, click.at({1, 8}), 3, 3, Qt::white, 225) > 10,
                         qPrintable(where));
            }
        }
    }

    // The save dialog opens no file it lists (some, like /proc/kmsg as root, never answer).
    void theSaveDialogReadsNoFile() {
        QTemporaryDir folder;
        for (const char* file : {"dati", "grafico.png", "note"}) {
            QFile out(folder.filePath(QString::fromLatin1(file)));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write("\x89PNG\r\n\x1a\n") > 0);
        }
        const int watch = inotify_init1(IN_NONBLOCK);
        QVERIFY(watch >= 0 &&
                inotify_add_watch(watch, folder.path().toLocal8Bit().constData(), IN_OPEN) >= 0);
        RunView view(screenRow(2));
        view.show();
        QFileDialog* dialog = view.askWhereToSave();
        dialog->setNameFilter(QStringLiteral("Tutti i file (*)"));  // every file listed
        dialog->setDirectory(folder.path());
        auto* model = dialog->findChild<QFileSystemModel*>();
        QVERIFY(model != nullptr);
        const QModelIndex root = model->index(folder.path());
        QTRY_COMPARE(model->rowCount(root), 3);
        for (int row = 0; row < 3; ++row) {
            const QModelIndex file = model->index(row, 0, root);
            QVERIFY(!model->data(file, Qt::DecorationRole).isNull() &&
                    !model->type(file).isEmpty());
        }
        QStringList opened;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n = 0; (n = read(watch, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0 && (event->mask & IN_ISDIR) == 0) {
                    opened << QString::fromLocal8Bit(event->name);
                }
                at += sizeof(inotify_event) + event->len;
            }
        }
        close(watch);
        QVERIFY2(opened.isEmpty(), qPrintable(opened.join(QStringLiteral(", "))));
    }
};

}  // namespace nurlo

QTEST_MAIN(nurlo::ViewTest)
#include "view_test.moc"
