// "Campo intero" through the program's own wiring: the view's button runs the screen's whole field
// as a click; the view shows, counts and copies it; Esc keeps the nodes; a bad field is reported.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QtTest>
#include <numeric>

#include "field_maps.hpp"
#include "messages.hpp"
#include "program_fixture.hpp"
#include "progress_text.hpp"
#include "run_view.hpp"
#include "while_running.hpp"
#include "whole_field.hpp"
#include "window_system_input.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

// Form5 with an L of nx x ny, corner (a, b), datum "ExpXSiny", N walks, jumps; its view open.
struct FieldScreen {
    FieldScreen(TestContext& t, const QString& nx, const QString& ny, const QString& a,
                const QString& b, const QString& walks)
        : opened(t.context, "Command4", 5) {
        screen = opened.screen;
        typeAll(*screen, {{"Text9", a},
                          {"Text10", b},
                          {"Text1", "1"},
                          {"Text8", "1"},
                          {"Text6", nx},
                          {"Text7", ny},
                          {"Text2", "3"},
                          {"Text3", "2"},
                          {"Text4", walks}});
        chooseDatum(*screen, 2);
        child<QCheckBox>(*screen, "Check1")->setChecked(true);
        press(*screen, "Command3");
        view = opened.program.view(5);
    }

    OpenedScreen opened;
    ComputingScreen* screen = nullptr;
    RunView* view = nullptr;
};

}  // namespace

class FieldViewTest : public QObject {
    Q_OBJECT

private slots:
    // A point run, then "Campo intero": every free node of the small L, z like standard noise, the
    // numbers say so, Ctrl+C copies a row per node, the screen's result stays; "Calcola!" again
    // brings the point run back.
    void theWholeFieldFillsTheViewAndIsCopied() {
        TestContext t;
        FieldScreen f(t, "40", "30", "20", "12", "400");
        press(*f.screen, "Command1");
        const QString result = text(*f.screen, "Text5");
        QVERIFY(!result.isEmpty() && !f.view->showsField());

        press(*f.view, "Command2");
        QVERIFY(t.messages.messages.empty());
        f.view->refresh();
        QVERIFY(f.view->showsField() && child<QWidget>(*f.view, "Picture2")->isVisible() &&
                !child<QWidget>(*f.view, "Picture1")->isVisible());
        const FieldSnapshot field = f.view->fieldData().snapshot();
        QVERIFY(field.state == RunState::Completed && field.lattice && field.exact);
        const std::size_t free = fieldLattice(WalkDomain::lShaped(40, 30, 20, 12)).nodes.size();
        QCOMPARE(field.values.size(), free);
        QCOMPARE(field.plan.walks, Int16{400});
        QVERIFY(field.plan.walk == WalkKind::Jump);
        QVERIFY2(
            std::fabs(field.z.mean) < 0.15 && field.z.deviation > 0.85 && field.z.deviation < 1.15,
            qPrintable(QStringLiteral("z %1 %2").arg(field.z.mean).arg(field.z.deviation)));
        const QString numbers = child<QPlainTextEdit>(*f.view, "Text1")->toPlainText();
        QVERIFY2(numbers.contains(QStringLiteral("z: media ")) &&
                     numbers.contains(QStringLiteral(", nodi %1").arg(field.z.count)),
                 qPrintable(numbers));
        const auto histogram = child<FieldMaps>(*f.view, "Picture2")->histogram();
        const int binned = std::accumulate(histogram.begin(), histogram.end(), 0);
        QCOMPARE(binned, static_cast<int>(field.z.count));
        QCOMPARE(text(*f.screen, "Text5"), result);
        QCOMPARE(background(*f.screen), normalColour());
        QCOMPARE(child<QProgressBar>(*f.screen, "ProgressBar1")->value(), 100);

        QApplication::clipboard()->clear();
        f.view->activateWindow();
        QTest::keyClick(f.view, Qt::Key_C, Qt::ControlModifier);
        const QStringList lines =
            QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), static_cast<qsizetype>(free + 1));
        QCOMPARE(lines.front(),
                 QStringLiteral("x0\ty0\tstima\terrore standard\tesatto discreto\tz"));
        const QStringList first = lines.at(1).split(QLatin1Char('\t'));
        QCOMPARE(first.size(), 6);
        QCOMPARE(first.at(0).toInt(), int{field.values.front().node.x});
        QCOMPARE(first.at(1).toInt(), int{field.values.front().node.y});
        QCOMPARE(first.at(2).toDouble(), field.values.front().estimate.value);
        QCOMPARE(first.at(4).toDouble(), field.values.front().exact);
        QVERIFY(!f.view->image().isNull());

        press(*f.screen, "Command1");
        f.view->refresh();
        QVERIFY(!f.view->showsField() && child<QWidget>(*f.view, "Picture1")->isVisible());
        const QStringList point = f.view->copiedText().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(point.size(), 2);
        QVERIFY(point.front().contains(QStringLiteral("\tprove\t")));
    }

    // "Campo intero" of Form2's view, pressed while a click of Form5 runs, waits for that click
    // to end; then lattice walks estimate every free node of the square in column order, the
    // start node off the grid no matter.
    void aFieldAskedForDuringAnotherScreensClickWaitsForIt() {
        TestContext t;
        OpenedScreen opened(t.context, "Command1", 2);
        ComputingScreen* square = opened.screen;
        typeAll(
            *square,
            {{"Text1", "1"}, {"Text6", "10"}, {"Text2", "30"}, {"Text3", "30"}, {"Text4", "100"}});
        chooseDatum(*square, 1);
        press(*square, "Command3");
        RunView* squareView = opened.program.view(2);
        QVERIFY(QTest::qWaitForWindowExposed(squareView));
        press(*square, "Command2");
        press(*opened.program.menu(), "Command4");
        ComputingScreen* l = opened.program.screen(5);
        // Lattice walks on the L of 1000 steps: minutes, ended by the test's Esc.
        typeAll(*l, {{"Text9", "900"},
                     {"Text10", "900"},
                     {"Text1", "1"},
                     {"Text8", "1"},
                     {"Text6", "1000"},
                     {"Text7", "1000"},
                     {"Text2", "400"},
                     {"Text3", "400"},
                     {"Text4", "32767"}});
        chooseDatum(*l, 1);
        bool waited = false;
        whenTrue(
            l, [&] { return walksUnderWay(*l); },
            [&] {
                queueWindowSystemClick(child<QWidget>(*squareView, "Command2"));
                deliverQueuedInput();
                waited = !square->calculating() && !squareView->fieldData().active();
                queueWindowSystemKey(l, Qt::Key_Escape);
            });
        press(*l, "Command1");
        QVERIFY(waited);
        QTRY_VERIFY_WITH_TIMEOUT(squareView->fieldData().snapshot().state == RunState::Completed,
                                 60000);
        const FieldSnapshot field = squareView->fieldData().snapshot();
        QVERIFY(field.plan.walk == WalkKind::Lattice && t.messages.messages.empty());
        QCOMPARE(field.values.size(), std::size_t{81});
        for (std::size_t k = 0; k < field.values.size(); ++k) {
            QCOMPARE(field.values[k].node,
                     (Node{static_cast<Int16>(1 + k / 9), static_cast<Int16>(1 + k % 9)}));
            QVERIFY(std::isfinite(field.values[k].exact));
        }
        QVERIFY(text(*square, "Text5").isEmpty());
    }

    // Esc during a large field's walks ends the click quietly; input given meanwhile waits; the
    // nodes estimated stay in the view and the copy, the point run as it was. Then a bad field
    // gets one message, every field keeps its text, and the view keeps its field.
    void escKeepsTheNodesAndABadFieldIsReported() {
        TestContext t;
        FieldScreen f(t, "1000", "1000", "500", "500", "2000");
        QVERIFY(QTest::qWaitForWindowExposed(f.view));
        press(*f.screen, "Command1");
        QString whileRunning;
        whenTrue(
            f.screen,
            [&] {
                return walksUnderWay(*f.screen) && f.view->fieldData().snapshot().values.size() > 5;
            },
            [&] {
                queueWindowSystemClick(child<QWidget>(*f.screen, "Text2"));
                queueWindowSystemKey(f.screen, Qt::Key_7, QStringLiteral("7"));
                deliverQueuedInput();
                whileRunning = text(*f.screen, "Text2");
                queueWindowSystemKey(f.screen, Qt::Key_Escape);
            });
        press(*f.view, "Command2");
        QCOMPARE(whileRunning, QStringLiteral("3"));
        QVERIFY2(text(*f.screen, "Text2").contains(QLatin1Char('7')),
                 qPrintable(text(*f.screen, "Text2")));
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(child<QProgressBar>(*f.screen, "ProgressBar1")->format(), kInterruptedText);
        QCOMPARE(background(*f.screen), normalColour());
        const FieldSnapshot field = f.view->fieldData().snapshot();
        QVERIFY(field.state == RunState::Interrupted && field.lattice);
        QVERIFY(field.values.size() > 5 && field.values.size() < field.lattice->nodes.size());
        const QStringList lines = f.view->copiedText().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), static_cast<qsizetype>(field.values.size() + 1));
        const RunSnapshot point = f.view->data().snapshot();
        QVERIFY(point.state == RunState::Completed && point.plan && point.plan->nodes.size() == 1 &&
                point.estimates.size() == 1 && point.estimates.front().has_value() &&
                point.estimates.front()->walks == 2000);

        type(*f.screen, "Text4", "tante");
        press(*f.view, "Command2");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QVERIFY(t.messages.messages.front().text.contains(QStringLiteral("N prove")));
        QCOMPARE(text(*f.screen, "Text4"), QStringLiteral("tante"));
        QCOMPARE(text(*f.screen, "Text6"), QStringLiteral("1000"));
        QCOMPARE(f.view->fieldData().snapshot().values.size(), field.values.size());
    }
};

QTEST_MAIN(FieldViewTest)
#include "field_view_test.moc"
