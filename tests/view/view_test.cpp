// The view's windows, drawn offscreen from data as a click leaves them.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPlainTextEdit>
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

using test::planOf;

// How many pixels of `image` inside `area` are within `tolerance` (summed over red, green and
// blue) of `colour`.
int pixelsLike(const QImage& image, const QRect& area, const QColor& colour, int tolerance = 40) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int x = inside.left(); x <= inside.right(); ++x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            const QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                         std::abs(c.blue() - colour.blue()) <=
                     tolerance;
        }
    }
    return count;
}

QRect around(QPointF centre, int dx, int dy) {
    return {centre.toPoint() - QPoint(dx, dy), QSize(2 * dx + 1, 2 * dy + 1)};
}

bool shown(RunView& view, QSize size) {
    view.resize(size);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

QString numbersOf(const RunView& view) {
    return view.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
}

}  // namespace

class ViewTest : public QObject {
    Q_OBJECT

private slots:
    // A lattice click on the L: the picture shows the exact solution's colours, the hatched
    // block, the start node, the end counts on the border and the first walk; the chart the
    // running estimate in its band and the exact value; Ctrl+C copies the data (or the
    // selection); the image saves.
    void pointViewDrawsTheWalksTheirEndsAndTheSolution() {
        const WalkDomain domain = WalkDomain::lShaped(40, 40, 20, 20);
        BoundaryGrid grid(40, 40, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::XY, 1.0, 1.0);
        RunView view(5);
        QCOMPARE(view.windowTitle(), QStringLiteral("Grafico Form5"));
        QVERIFY(view.isPointView());
        view.data().begin(planOf(domain, BoundaryDatum::XY, 1.0, 1.0, 2000, {{10, 30}}));
        view.data().setExact(test::exactOf(grid, domain));
        SeededSource source(5);
        view.data().estimated(
            0, WalkEstimator(grid, domain, {.recorder = &view}).run({10, 30}, 2000, source));
        view.data().finished(RunState::Completed);
        QVERIFY(shown(view, {1040, 640}));
        view.refresh();

        auto* picture = view.findChild<DomainPicture*>(QStringLiteral("Picture1"));
        QVERIFY(picture != nullptr);
        const QImage drawn = picture->grab().toImage();
        // x*y is its own discrete solution: 35 * 5 / 1600 at node (35, 5), on a scale up to 0.5.
        QVERIFY(pixelsLike(drawn, around(picture->nodePoint({35, 5}), 2, 2),
                           solutionColour((35.0 * 5.0 / 1600.0) / 0.5)) > 10);
        QVERIFY(pixelsLike(drawn, around(picture->nodePoint({32, 32}), 4, 4), QColor(235, 235, 235),
                           60) > 20);
        const QPointF start = picture->nodePoint({10, 30});
        QCOMPARE(drawn.pixelColor(start.toPoint()), QColor(Qt::white));
        int marked = 0;  // end counts along the left side near the start
        for (double t = 0.0; t <= 1.0; t += 0.1) {
            marked +=
                pixelsLike(drawn, around(picture->nodePoint({0, 30}), 3, 60), countColour(t), 30);
        }
        QVERIFY2(marked > 20, qPrintable(QString::number(marked)));
        QVERIFY(pixelsLike(drawn, around(start, 12, 12), QColor(0, 0, 0), 60) > 10);

        auto* chart = view.findChild<ConvergenceChart*>(QStringLiteral("Chart1"));
        QVERIFY(chart != nullptr);
        const QList<QPointF> mean = chart->estimateSeries()->points();
        QVERIFY(mean.size() > 900);
        QCOMPARE(mean.last().y(), view.data().snapshot().running.back().mean);
        QCOMPARE(chart->upperSeries()->at(500).y() - mean.at(500).y(),
                 mean.at(500).y() - chart->lowerSeries()->at(500).y());
        QCOMPARE(chart->exactSeries()->count(), 2);
        QVERIFY(qAbs(chart->exactSeries()->at(0).y() - 10.0 * 30.0 / 1600.0) < 1e-9);
        QVERIFY(chart->functionSeries()->isVisible());

        auto* numbers = view.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        QVERIFY(numbers->isReadOnly());
        QVERIFY(numbers->toPlainText().contains(QStringLiteral("Errore standard")));
        QVERIFY(numbers->toPlainText().contains(QStringLiteral("Differenza")));
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
        QVERIFY(QImage(path).width() > 600);
        QVERIFY(!view.saveImage(folder.filePath(QStringLiteral("no/such/folder/vista.png"))));
    }

    // A jump click's walks are drawn as the squares they crossed; with the exact solution
    // refused, the domain stays grey and the numbers say why.
    void pointViewDrawsTheSquaresOfJumps() {
        const WalkDomain domain = WalkDomain::square(200);
        BoundaryGrid grid(200, 200, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::Seno, 1.0, 1.0);
        RunView view(2);
        view.data().begin(
            planOf(domain, BoundaryDatum::Seno, 1.0, 1.0, 100, {{100, 100}}, WalkKind::Jump));
        view.data().setExactState(ExactState::TooLarge);
        SeededSource source(8);
        WalkEstimator(grid, domain, {.walk = WalkKind::Jump, .recorder = &view})
            .run({100, 100}, 100, source);
        QVERIFY(shown(view, {1040, 640}));
        view.refresh();
        auto* picture = view.findChild<DomainPicture*>(QStringLiteral("Picture1"));
        const QImage drawn = picture->grab().toImage();
        // The first jump from the centre crosses the square of radius 64.
        QVERIFY(pixelsLike(drawn, around(picture->nodePoint({164, 100}), 2, 20), QColor(0, 0, 0),
                           300) > 20);
        QVERIFY(pixelsLike(drawn, QRect(picture->nodePoint({130, 130}).toPoint(), QSize(3, 3)),
                           QColor(225, 225, 225), 10) > 0);
        QVERIFY(numbersOf(view).contains(QString::fromUtf8(kExactTooLargeText)));
    }

    // A section view fills in node by node, with the exact solution and the function along the
    // whole line and the result script's axis titles.
    void sectionViewFillsInNodeByNode() {
        const WalkDomain domain = WalkDomain::lShaped(16, 16, 8, 8);
        BoundaryGrid grid(16, 16, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::X3Minus3XY2, 1.0, 1.0);
        RunView view(7);
        QVERIFY(!view.isPointView());
        RunPlan plan = planOf(domain, BoundaryDatum::X3Minus3XY2, 1.0, 1.0, 500, {},
                              WalkKind::Lattice, SectionAxis::Y);
        for (Int16 k = 0; k <= 8; ++k) {
            plan.nodes.push_back(sectionNode(SectionAxis::Y, 12, k));
        }
        view.data().begin(plan);
        view.data().setExact(test::exactOf(grid, domain));
        QVERIFY(shown(view, {760, 560}));
        auto* chart = view.findChild<SectionChart*>(QStringLiteral("Chart1"));
        QVERIFY(chart != nullptr);
        SeededSource source(9);
        const WalkEstimator estimator(grid, domain, {.walk = WalkKind::Jump});
        for (std::size_t k = 0; k < plan.nodes.size(); ++k) {
            view.data().estimated(k, estimator.run(plan.nodes[k], 500, source));
            QTRY_COMPARE(chart->estimateSeries()->count(), static_cast<int>(k + 1));
        }
        for (const QLineSeries* series :
             {chart->exactSeries(), chart->functionSeries(), chart->upperSeries()}) {
            QCOMPARE(series->count(), 9);
        }
        QCOMPARE(chart->lineAxis()->titleText(), QStringLiteral("Ordinata di partenza"));
        QCOMPARE(chart->valueAxis()->titleText(), QStringLiteral("Vincita"));
        QCOMPARE(chart->estimateSeries()->at(8).x(), 0.5);  // nodes 1/16 apart
        const QImage drawn = view.image();
        QVERIFY(pixelsLike(drawn, drawn.rect(), QColor(20, 60, 160), 30) > 100);
        QVERIFY(pixelsLike(drawn, drawn.rect(), QColor(200, 0, 0), 30) > 20);
        QCOMPARE(view.copiedText(), QString::fromStdString(tsvText(view.data().snapshot())));
    }

    // The view solves a click's exact problem only while open, with the click's progress: a stop
    // asked for there stops the click and is not taken for a failed solve. Memory running out in
    // the solve (raised here by the memory gauge it asks first) says the grid is too large, and
    // stays so when the click ends; another error leaves no exact solution.
    void theExactSolveFollowsTheClick() {
        const WalkDomain domain = WalkDomain::lShaped(60, 40, 30, 20);
        BoundaryGrid grid(60, 40, kTestGridMemory);
        fillBoundary(grid, BoundaryDatum::X2MinusY2, 1.5, 1.0);
        const CalculationPlan plan{
            grid, domain, BoundaryDatum::X2MinusY2, 1.5, 1.0, 10, WalkKind::Jump, {{10, 30}}, {}};
        RunView view(5, [] { return std::size_t{1} << 30; });
        Progress progress;
        view.planned(plan, progress);
        QCOMPARE(view.data().snapshot().exactState, ExactState::Pending);  // closed: no solve
        QVERIFY(shown(view, {1040, 640}));
        view.planned(plan, progress);
        RunSnapshot data = view.data().snapshot();
        QCOMPARE(data.exactState, ExactState::Computed);
        // x^2 - y^2 on equal spacings (1.5 / 60 = 1 / 40) is its own discrete solution.
        QVERIFY(std::fabs(*data.exactAt({10, 30}) - *data.functionAt({10, 30})) < 1e-9);
        QCOMPARE(progress.stage(), Stage::Exact);
        Progress stopped;
        stopped.requestStop();
        QVERIFY_THROWS_EXCEPTION(Interrupted, view.planned(plan, stopped));
        view.ended(Outcome::Interrupted);
        data = view.data().snapshot();
        QCOMPARE(data.state, RunState::Interrupted);
        QCOMPARE(data.exactState, ExactState::Missing);

        for (const auto& [kind, state] : {std::pair{ErrorKind::OutOfMemory, ExactState::TooLarge},
                                          {ErrorKind::FloatingPoint, ExactState::Missing}}) {
            RunView failing(2, [kind = kind]() -> std::size_t { throw RuntimeError(kind); });
            QVERIFY(shown(failing, {1040, 640}));
            failing.planned(plan, progress);
            QCOMPARE(failing.data().snapshot().exactState, state);
            failing.estimated(0, {10, 30}, {.value = 0.24, .standardError = 0.0, .walks = 10});
            failing.ended(Outcome::Completed);
            QCOMPARE(failing.data().snapshot().exactState, state);
            QCOMPARE(numbersOf(failing).contains(QString::fromUtf8(kExactTooLargeText)),
                     state == ExactState::TooLarge);
        }
    }

    // A line of thousands of nodes reaches the chart thinned alike in every series, with the
    // line's last node still drawn.
    void aLongSectionIsThinnedInEverySeries() {
        constexpr Int16 n = 4000;
        RunSnapshot snapshot;
        snapshot.state = RunState::Completed;
        snapshot.plan = planOf(WalkDomain::square(n), BoundaryDatum::X2MinusY2, 1.0, 1.0, 10, {},
                               WalkKind::Lattice, SectionAxis::X);
        auto exact = std::make_shared<ExactField>();
        exact->nx = n;
        exact->ny = 1;
        for (Int16 k = 0; k <= n; ++k) {
            snapshot.plan->nodes.push_back({k, 1});
            snapshot.estimates.push_back(
                Estimate{.value = 0.5, .standardError = 0.01, .walks = 10});
            exact->values.insert(exact->values.end(), {0.0, 0.5});
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
};

}  // namespace nurlo

QTEST_MAIN(nurlo::ViewTest)
#include "view_test.moc"
