// The view's windows, drawn offscreen from data as a click leaves them.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "boundary_datum.hpp"
#include "domain_picture.hpp"
#include "exact_field.hpp"
#include "grid_memory.hpp"
#include "harmonic.hpp"
#include "run_charts.hpp"
#include "run_view.hpp"
#include "runtime_error.hpp"
#include "walk_estimator.hpp"

namespace nurlo {
namespace {

using test::exactOf;

// How many pixels of `image` inside `area` are close to `colour`.
int pixelsLike(const QImage& image, const QRect& area, const QColor& colour, int tolerance = 40) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int x = inside.left(); x <= inside.right(); ++x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <=
                tolerance) {
                ++count;
            }
        }
    }
    return count;
}

}  // namespace

class ViewTest : public QObject {
    Q_OBJECT

private slots:
    // A point view of a lattice click on the L: the picture shows the exact solution's colours
    // in the domain, the hatched block beyond the corner, the start node, the end counts on the
    // border and the walks; the chart has the running estimate and its band; the numbers and the
    // copied text are there; the image saved is that picture.
    void pointViewDrawsTheWalksTheirEndsAndTheSolution() {
        const WalkDomain domain = WalkDomain::lShaped(40, 40, 20, 20);
        BoundaryGrid grid(40, 40, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::XY, 1.0, 1.0);
        RunView view(5);
        QCOMPARE(view.windowTitle(), QStringLiteral("Grafico Form5"));
        QVERIFY(view.isPointView());
        view.data().begin({.domain = domain,
                           .datum = BoundaryDatum::XY,
                           .lx = 1.0,
                           .ly = 1.0,
                           .walks = 2000,
                           .nodes = {{10, 30}},
                           .axis = {}});
        view.data().setExact(exactOf(grid, domain));
        SeededSource source(5);
        const Estimate estimate =
            WalkEstimator(grid, domain, {.recorder = &view}).run({10, 30}, 2000, source);
        view.data().estimated(0, estimate);
        view.data().finished(RunState::Completed);
        view.resize(1040, 640);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.refresh();

        auto* picture = view.findChild<DomainPicture*>(QStringLiteral("Picture1"));
        QVERIFY(picture != nullptr);
        const QImage drawn = picture->grab().toImage();
        // Inside the lower arm, away from the walks: the colour of the exact value there. x*y is
        // its own discrete solution: 35 * 5 / 1600 at node (35, 5), on the scale from 0 to the
        // domain's largest value, 40 * 20 / 1600 = 0.5 at its far corners.
        const QPointF inArm = picture->nodePoint({35, 5});
        const QColor expected = solutionColour((35.0 * 5.0 / 1600.0) / 0.5);
        QVERIFY(pixelsLike(drawn, QRect(inArm.toPoint() - QPoint(2, 2), QSize(5, 5)), expected) >
                10);
        // The removed block is hatched grey, not coloured by a solution.
        const QPointF inBlock = picture->nodePoint({32, 32});
        QVERIFY(pixelsLike(drawn, QRect(inBlock.toPoint() - QPoint(4, 4), QSize(9, 9)),
                           QColor(235, 235, 235), 60) > 20);
        // The start node: a white disc with a dark ring.
        const QPointF start = picture->nodePoint({10, 30});
        QCOMPARE(drawn.pixelColor(start.toPoint()), QColor(Qt::white));
        // The end counts: marks of the counts' colours on the border, somewhere along the left
        // side near the start, where many walks end.
        const QPointF left = picture->nodePoint({0, 30});
        int marked = 0;
        for (double t = 0.0; t <= 1.0; t += 0.1) {
            marked += pixelsLike(drawn, QRect(left.toPoint() - QPoint(3, 60), QSize(7, 120)),
                                 countColour(t), 30);
        }
        QVERIFY2(marked > 20, qPrintable(QString::number(marked)));
        // The first walk, black, leaves the start.
        QVERIFY(pixelsLike(drawn, QRect(start.toPoint() - QPoint(12, 12), QSize(25, 25)),
                           QColor(0, 0, 0), 60) > 10);

        auto* chart = view.findChild<ConvergenceChart*>(QStringLiteral("Chart1"));
        QVERIFY(chart != nullptr);
        QVERIFY(chart->estimateSeries()->count() > 900);
        QCOMPARE(chart->estimateSeries()->points().last().y(),
                 view.data().snapshot().running.back().mean);
        const QPointF band = chart->upperSeries()->points().at(500);
        QCOMPARE(band.y() - chart->estimateSeries()->points().at(500).y(),
                 chart->estimateSeries()->points().at(500).y() -
                     chart->lowerSeries()->points().at(500).y());
        QCOMPARE(chart->exactSeries()->count(), 2);
        QVERIFY(qAbs(chart->exactSeries()->at(0).y() - 10.0 * 30.0 / 1600.0) < 1e-9);
        QVERIFY(chart->functionSeries()->isVisible());

        auto* numbers = view.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        QVERIFY(numbers->isReadOnly());
        QVERIFY(numbers->toPlainText().contains(QStringLiteral("Errore standard")));
        QVERIFY(numbers->toPlainText().contains(QStringLiteral("Differenza")));

        // Ctrl+C in the numbers with no selection copies the data; with a selection, the
        // selection.
        numbers->setFocus();
        QApplication::clipboard()->clear();
        QTest::keySequence(numbers, QKeySequence::Copy);
        QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral(
            "x0\ty0\tstima\terrore standard\tprove\tesatto discreto\tfunzione\n10\t30\t")));
        numbers->selectAll();
        QTest::keySequence(numbers, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), numbers->toPlainText());

        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("vista.png"));
        QVERIFY(view.saveImage(path));
        QImage saved(path);
        QVERIFY(!saved.isNull());
        QVERIFY(saved.width() > 600);
        QVERIFY(!view.saveImage(folder.filePath(QStringLiteral("no/such/folder/vista.png"))));
    }

    // A jump click's walks are drawn as the squares they crossed.
    void pointViewDrawsTheSquaresOfJumps() {
        const WalkDomain domain = WalkDomain::square(200);
        BoundaryGrid grid(200, 200, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::Seno, 1.0, 1.0);
        RunView view(2);
        view.data().begin({.domain = domain,
                           .datum = BoundaryDatum::Seno,
                           .lx = 1.0,
                           .ly = 1.0,
                           .walks = 100,
                           .walk = WalkKind::Jump,
                           .nodes = {{100, 100}},
                           .axis = {}});
        view.data().setExactState(ExactState::TooLarge);
        SeededSource source(8);
        WalkEstimator(grid, domain, {.walk = WalkKind::Jump, .recorder = &view})
            .run({100, 100}, 100, source);
        view.resize(1040, 640);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.refresh();
        auto* picture = view.findChild<DomainPicture*>(QStringLiteral("Picture1"));
        const QImage drawn = picture->grab().toImage();
        // The first jump from the centre of the 200-square crosses the square of radius 64: its
        // outline passes 64 nodes to the right of the start.
        const QPointF side = picture->nodePoint({164, 100});
        QVERIFY(pixelsLike(drawn, QRect(side.toPoint() - QPoint(2, 20), QSize(5, 40)),
                           QColor(0, 0, 0), 300) > 20);
        // The exact solution was refused: the domain stays grey, and the numbers say why.
        const QPointF inside = picture->nodePoint({130, 130});
        QVERIFY(pixelsLike(drawn, QRect(inside.toPoint(), QSize(3, 3)), QColor(225, 225, 225), 10) >
                0);
        auto* numbers = view.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        QVERIFY(numbers->toPlainText().contains(QString::fromUtf8(kExactTooLargeText)));
    }

    // A section view fills in node by node: the chart has one estimate for each node done, the
    // exact solution and the function along the whole line, the axes of the result script.
    void sectionViewFillsInNodeByNode() {
        const WalkDomain domain = WalkDomain::lShaped(16, 16, 8, 8);
        BoundaryGrid grid(16, 16, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::X3Minus3XY2, 1.0, 1.0);
        RunView view(7);
        QVERIFY(!view.isPointView());
        RunPlan plan{.domain = domain,
                     .datum = BoundaryDatum::X3Minus3XY2,
                     .lx = 1.0,
                     .ly = 1.0,
                     .walks = 500,
                     .nodes = {},
                     .axis = SectionAxis::Y};
        for (Int16 k = 0; k <= 8; ++k) {
            plan.nodes.push_back(sectionNode(SectionAxis::Y, 12, k));
        }
        view.data().begin(plan);
        view.data().setExact(exactOf(grid, domain));
        view.resize(760, 560);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* chart = view.findChild<SectionChart*>(QStringLiteral("Chart1"));
        QVERIFY(chart != nullptr);
        SeededSource source(9);
        const WalkEstimator estimator(grid, domain, {.walk = WalkKind::Jump});
        for (std::size_t k = 0; k < plan.nodes.size(); ++k) {
            view.data().estimated(k, estimator.run(plan.nodes[k], 500, source));
            // The view catches up on its own timer.
            QTRY_COMPARE(chart->estimateSeries()->count(), static_cast<int>(k + 1));
        }
        QCOMPARE(chart->exactSeries()->count(), 9);
        QCOMPARE(chart->functionSeries()->count(), 9);
        QCOMPARE(chart->upperSeries()->count(), 9);
        QCOMPARE(chart->lineAxis()->titleText(), QStringLiteral("Ordinata di partenza"));
        QCOMPARE(chart->valueAxis()->titleText(), QStringLiteral("Vincita"));
        // The nodes lie 1/16 apart along the line.
        QCOMPARE(chart->estimateSeries()->at(8).x(), 0.5);
        const QImage drawn = view.image();
        QVERIFY(pixelsLike(drawn, drawn.rect(), QColor(20, 60, 160), 30) > 100);
        QVERIFY(pixelsLike(drawn, drawn.rect(), QColor(200, 0, 0), 30) > 20);
        const QStringList lines = view.copiedText().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.front(),
                 QStringLiteral("nodo\tstima\terrore standard\tesatto discreto\tfunzione"));
        QVERIFY(lines.at(9).startsWith(QStringLiteral("8\t")));
    }

    // The view solves the exact problem of a click only while it is open, with the click's
    // progress: a stop asked for there (Esc) stops the click, and is not taken for a failed solve.
    void theExactSolveRunsWhileOpenAndAnswersEsc() {
        const WalkDomain domain = WalkDomain::lShaped(60, 40, 30, 20);
        BoundaryGrid grid(60, 40, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::X2MinusY2, 1.5, 1.0);
        const CalculationPlan plan{.grid = grid,
                                   .domain = domain,
                                   .datum = BoundaryDatum::X2MinusY2,
                                   .lx = 1.5,
                                   .ly = 1.0,
                                   .walks = 10,
                                   .walk = WalkKind::Jump,
                                   .nodes = {{10, 30}},
                                   .axis = {}};
        RunView view(5, [] { return std::size_t{1} << 30; });
        Progress progress;
        view.planned(plan, progress);
        QCOMPARE(view.data().snapshot().exactState, ExactState::Pending);  // closed: no solve

        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.planned(plan, progress);
        RunSnapshot data = view.data().snapshot();
        QCOMPARE(data.exactState, ExactState::Computed);
        // x^2 - y^2 on equal spacings (1.5 / 60 = 1 / 40) is its own discrete solution.
        QVERIFY(std::fabs(*data.exactAt({10, 30}) - *data.functionAt({10, 30})) < 1e-9);
        QCOMPARE(progress.stage(), Stage::Exact);

        Progress stopped;
        stopped.requestStop();
        bool interrupted = false;
        try {
            view.planned(plan, stopped);
        } catch (const Interrupted&) {
            interrupted = true;
        }
        QVERIFY(interrupted);
        view.ended(Outcome::Interrupted);
        data = view.data().snapshot();
        QCOMPARE(data.state, RunState::Interrupted);
        QCOMPARE(data.exactState, ExactState::Missing);
    }

    // A line of thousands of nodes reaches the chart thinned in every series alike, the exact
    // solution and the function as much as the estimates, with the line's last node still drawn.
    void aLongSectionIsThinnedInEverySeries() {
        constexpr Int16 n = 4000;
        RunSnapshot snapshot;
        snapshot.state = RunState::Completed;
        snapshot.plan = RunPlan{.domain = WalkDomain::square(n),
                                .datum = BoundaryDatum::X2MinusY2,
                                .lx = 1.0,
                                .ly = 1.0,
                                .walks = 10,
                                .nodes = {},
                                .axis = SectionAxis::X};
        auto exact = std::make_shared<ExactField>();
        exact->nx = n;
        exact->ny = 1;
        for (Int16 k = 0; k <= n; ++k) {
            snapshot.plan->nodes.push_back({k, 1});
            snapshot.estimates.push_back(
                Estimate{.value = 0.5, .standardError = 0.01, .walks = 10});
            exact->values.push_back(0.0);
            exact->values.push_back(0.5);
        }
        snapshot.exact = exact;
        snapshot.exactState = ExactState::Computed;
        SectionChart chart;
        chart.show(snapshot);
        const int drawn = chart.estimateSeries()->count();
        QVERIFY(drawn > 1000 && drawn <= static_cast<int>(kMostChartPoints));
        for (const QLineSeries* series : {chart.exactSeries(), chart.functionSeries(),
                                          chart.lowerSeries(), chart.upperSeries()}) {
            QCOMPARE(series->count(), drawn);
            QVERIFY(qFuzzyCompare(series->points().back().x(), 1.0));
        }
    }

    // Memory running out during the view's exact solve is told as a grid too large for it (not
    // as a solve that failed), and stays so when the click ends; another error of the solve
    // leaves the view without an exact solution. The solve reports memory running out as a
    // run-time error; here the memory gauge the solve asks first raises it.
    void memoryRunningOutInTheSolveSaysTheGridIsTooLarge() {
        const WalkDomain domain = WalkDomain::square(10);
        BoundaryGrid grid(10, 10, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::XY, 1.0, 1.0);
        const CalculationPlan plan{.grid = grid,
                                   .domain = domain,
                                   .datum = BoundaryDatum::XY,
                                   .lx = 1.0,
                                   .ly = 1.0,
                                   .walks = 10,
                                   .walk = WalkKind::Jump,
                                   .nodes = {{4, 6}},
                                   .axis = {}};
        for (const auto& [kind, state] : {std::pair{ErrorKind::OutOfMemory, ExactState::TooLarge},
                                          {ErrorKind::FloatingPoint, ExactState::Missing}}) {
            RunView view(2, [kind = kind]() -> std::size_t { throw RuntimeError(kind); });
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            Progress progress;
            view.planned(plan, progress);
            QCOMPARE(view.data().snapshot().exactState, state);
            view.estimated(0, {4, 6}, {.value = 0.24, .standardError = 0.0, .walks = 10});
            view.ended(Outcome::Completed);
            QCOMPARE(view.data().snapshot().exactState, state);
            const QString numbers =
                view.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
            QCOMPARE(numbers.contains(QString::fromUtf8(kExactTooLargeText)),
                     state == ExactState::TooLarge);
        }
    }
};

}  // namespace nurlo

QTEST_MAIN(nurlo::ViewTest)
#include "view_test.moc"
