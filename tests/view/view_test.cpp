#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "domain_picture.hpp"
#include "grid_memory.hpp"
#include "run_charts.hpp"
#include "run_view.hpp"
#include "runtime_error.hpp"
#include "screen_factory.hpp"

namespace nurlo {
namespace {

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

    PointClick(WalkDomain domain, BoundaryDatum datum, Node start, Int16 walks, WalkKind walk,
               std::size_t memory)
        : grid(domain.nx(), domain.ny(), kTestGridMemory),
          view(screenRow(5), [memory] { return memory; }) {
        const Problem problem{.domain = domain, .lx = 1.0, .ly = 1.0, .datum = datum};
        fillBoundary(grid, problem);
        view.show();
        Progress progress;
        view.planned({problem, walks, walk, {start}, {}}, grid, progress);
        SeededSource source(5);
        view.estimated(0, start,
                       WalkEstimator(grid, domain, {.walk = walk, .recorder = &view})
                           .run(start, walks, source));
        view.ended(Outcome::Completed);
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

    // Solved only while open, with the click's progress, whose stop stops the click. Memory running
    // out (raised by the gauge) says "too large", even once the click ends; another error: none.
    void theExactSolveFollowsTheClick() {
        const Problem problem{.domain = WalkDomain::lShaped(60, 40, 30, 20),
                              .lx = 1.5,
                              .ly = 1.0,
                              .datum = BoundaryDatum::X2MinusY2};
        BoundaryGrid grid(60, 40, kTestGridMemory);
        fillBoundary(grid, problem);
        const CalculationPlan plan{problem, 10, WalkKind::Jump, {{10, 30}}, {}};
        RunView view(screenRow(5), [] { return std::size_t{1} << 30; });
        Progress progress;
        view.planned(plan, grid, progress);
        QCOMPARE(view.data().snapshot().exactState, ExactState::Pending);  // closed: no solve
        view.show();
        view.planned(plan, grid, progress);
        QCOMPARE(view.data().snapshot().exactState, ExactState::Computed);
        QCOMPARE(progress.stage(), Stage::Exact);
        Progress stopped;
        stopped.requestStop();
        QVERIFY_THROWS_EXCEPTION(Interrupted, view.planned(plan, grid, stopped));
        view.ended(Outcome::Interrupted);
        RunSnapshot data = view.data().snapshot();
        QVERIFY(data.state == RunState::Interrupted && data.exactState == ExactState::Missing);
        for (const auto& [kind, exact, outcome, state] :
             {std::tuple{ErrorKind::OutOfMemory, ExactState::TooLarge, Outcome::Completed,
                         RunState::Completed},
              {ErrorKind::FloatingPoint, ExactState::Missing, Outcome::Failed, RunState::Failed}}) {
            RunView failing(screenRow(2),
                            [kind = kind]() -> std::size_t { throw RuntimeError(kind); });
            failing.show();
            failing.planned(plan, grid, progress);
            failing.ended(outcome);
            data = failing.data().snapshot();
            QVERIFY(data.exactState == exact && data.state == state);
        }
    }
};

}  // namespace nurlo

QTEST_MAIN(nurlo::ViewTest)
#include "view_test.moc"
