// The program's own wiring of the view: "Grafico…" opens the screen's view, which follows that
// screen's clicks and no other's, and hears nothing once closed.
#include <QCheckBox>
#include <QtTest>

#include "program_fixture.hpp"
#include "run_view.hpp"
#include "section_file.hpp"
#include "while_running.hpp"
#include "window_system_input.hpp"

using namespace nurlo;
using namespace nurlo::test;

// Room for a grid that keeps only its outer lines, not for the exact solve (at least 1 MiB).
static std::size_t halfAMebibyte() { return std::size_t{1} << 19; }

class ViewWiringTest : public QObject {
    Q_OBJECT

private slots:
    // "Grafico…" (again: the same view) opens the screen's own view, which its click alone fills:
    // plan, first node's walks, every estimate within 5 standard errors of the exact value.
    void everyScreenFeedsItsOwnView() {
        const std::map<std::string, QString> square = {
            {"Text1", "1"}, {"Text6", "8"}, {"Text2", "3"}, {"Text3", "3"}, {"Text4", "200"}};
        const std::map<std::string, QString> lShaped = {
            {"Text9", "6"}, {"Text10", "4"}, {"Text1", "3"}, {"Text8", "2"},  {"Text6", "12"},
            {"Text7", "8"}, {"Text2", "3"},  {"Text3", "2"}, {"Text4", "300"}};
        // Form, its menu button, datum, "Salti esatti", the section's axis, the estimates.
        const std::tuple<int, const char*, int, bool, std::optional<SectionAxis>, std::size_t>
            screens[] = {{2, "Command1", 1, false, {}, 1},
                         {3, "Command3", 1, true, SectionAxis::X, 9},
                         {4, "Command6", 1, false, SectionAxis::Y, 9},
                         {5, "Command4", 4, true, {}, 1},
                         {6, "Command5", 2, false, SectionAxis::X, 13},
                         {7, "Command7", 3, true, SectionAxis::Y, 9}};
        TestContext t;
        Program program(t.context, createScreen);
        program.start();
        for (const auto& [form, menuButton, datum, jumps, axis, nodes] : screens) {
            press(*program.menu(), menuButton);
            ComputingScreen* screen = program.screen(form);
            for (const auto& [name, typed] : form < 5 ? square : lShaped) {
                if (screen->findChild<QLineEdit*>(QString::fromStdString(name)) != nullptr) {
                    type(*screen, name.c_str(), typed);
                }
            }
            chooseDatum(*screen, datum);
            child<QCheckBox>(*screen, "Check1")->setChecked(jumps);
            press(*screen, "Command1");  // with no view of its own: it reaches none
            press(*screen, "Command3");
            RunView* view = program.view(form);
            QVERIFY(view != nullptr && view->isVisible());
            QCOMPARE(view->windowTitle(), QStringLiteral("Grafico Form%1").arg(form));
            // A section view says where the screen writes its file, in full.
            const auto* resultPath = view->findChild<QLabel*>(QStringLiteral("Label1"));
            QCOMPARE(resultPath->isVisibleTo(view), axis.has_value());
            QVERIFY(!axis || resultPath->text().endsWith(
                                 QString::fromStdString(t.context.resultPath.string())));
            press(*screen, "Command1");
            press(*screen, "Command3");
            QCOMPARE(program.view(form), view);
            press(*screen, "Command2");
            QVERIFY(program.menu()->isVisible() && !screen->isVisible());
        }

        // Each view still holds its own screen's click, whatever the later screens did.
        for (const auto& [form, menuButton, datum, jumps, axis, nodes] : screens) {
            // The exact solve runs beside the walks, and may end after the click.
            QTRY_COMPARE(program.view(form)->data().snapshot().exactState, ExactState::Computed);
            const RunSnapshot data = program.view(form)->data().snapshot();
            const QString where = QStringLiteral("Form%1").arg(form);
            // A point view records its walks; a section view, which draws none, records nothing.
            const std::int64_t ended = axis ? 0 : (form < 5 ? 200 : 300);
            QVERIFY2(data.state == RunState::Completed && data.exactState == ExactState::Computed &&
                         data.plan && data.plan->problem.datum == BoundaryDatum(datum) &&
                         data.plan->axis == axis && data.endedWalks == ended &&
                         data.plan->walk == (jumps ? WalkKind::Jump : WalkKind::Lattice),
                     qPrintable(where));
            QCOMPARE(data.estimates.size(), nodes);
            for (std::size_t k = 0; k < nodes; ++k) {
                const std::optional<double> exact = data.exactAt(data.plan->nodes.at(k));
                const Estimate e = data.estimates[k].value_or(Estimate{});
                QVERIFY2(data.estimates[k] && exact &&
                             (e.standardError == 0.0 ||
                              std::fabs(e.value - *exact) <= 5.0 * e.standardError),
                         qPrintable(where + QStringLiteral(" node %1").arg(k)));
            }
        }
    }

    // Closed by the window system during the walks (ended by the test's Esc), the view goes at
    // once, the click goes on and the next does not reach it; the gauge refused the exact solve.
    void theViewClosesAtOnceDuringARun() {
        TestContext t(3, halfAMebibyte);
        OpenedScreen opened(t.context, "Command1", 2);
        ComputingScreen* screen = opened.screen;
        typeAll(*screen, {{"Text1", "1"}, {"Text6", "600"}, {"Text2", "300"}, {"Text3", "300"}});
        type(*screen, "Text4", "32767");
        chooseDatum(*screen, 1);
        press(*screen, "Command3");
        RunView* view = opened.program.view(2);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        bool hiddenWhileRunning = false;
        whenTrue(
            screen, [&] { return walksUnderWay(*screen); },
            [&] {
                queueWindowSystemClose(view);
                deliverQueuedInput();
                hiddenWhileRunning = !view->isVisible() && background(*screen) == busyColour();
                queueWindowSystemKey(screen, Qt::Key_Escape);
            });
        press(*screen, "Command1");
        QVERIFY(hiddenWhileRunning && t.messages.messages.empty());
        QCOMPARE(view->data().snapshot().state, RunState::Interrupted);
        QTRY_COMPARE(view->data().snapshot().exactState, ExactState::TooLarge);
        const std::uint64_t version = view->data().version();
        typeAll(*screen, {{"Text6", "20"}, {"Text2", "10"}, {"Text3", "10"}, {"Text4", "10"}});
        press(*screen, "Command1");
        QCOMPARE(view->data().version(), version);
    }
};

QTEST_MAIN(ViewWiringTest)
#include "view_wiring_test.moc"
