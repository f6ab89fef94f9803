// The program's own wiring of the view: "Grafico…" opens the screen's view, which follows that
// screen's clicks and no other's, leaves the click's result unchanged and hears nothing closed.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "program_fixture.hpp"
#include "run_view.hpp"
#include "while_running.hpp"
#include "window_system_input.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

// Room for any grid, which keeps only its outer lines, but not for the exact solve of a large one.
std::size_t fourMegabytes() { return std::size_t{4} << 20; }

// Form2: the first datum on the unit square of n steps, `walks` walks from (x, y).
void typePoint(const QWidget& screen, const char* n, const char* x, const char* y,
               const char* walks) {
    typeAll(screen, {{"Text1", "1"}, {"Text6", n}, {"Text2", x}, {"Text3", y}, {"Text4", walks}});
    chooseDatum(screen, 1);
}

}  // namespace

class ViewWiringTest : public QObject {
    Q_OBJECT

private slots:
    // The same seeded click gives the same estimate, to the last digit shown, with the view open
    // as without it; the open view holds that estimate, every walk's end, the first walks' traces
    // and the exact value within 5 standard errors. Closed, it records nothing more.
    void aPointClickIsTheSameWithTheViewOpenAndTheViewFollowsIt() {
        for (const bool jumps : {false, true}) {
            TestContext t;
            OpenedScreen opened(t.context, "Command1", 2);
            Program& program = opened.program;
            ComputingScreen* screen = opened.screen;
            typePoint(*screen, "40", "13", "17", "3000");
            child<QCheckBox>(*screen, "Check1")->setChecked(jumps);
            QCOMPARE(child<QPushButton>(*screen, "Command3")->shortcut(),
                     QKeySequence(QStringLiteral("Alt+G")));
            const auto seededClick = [&] {
                t.context.source = SeededSource(77);
                press(*screen, "Command1");
            };

            seededClick();
            const QString without = text(*screen, "Text5");
            const QString withoutError = child<QLineEdit>(*screen, "Text5")->toolTip();
            QVERIFY(program.view(2) == nullptr);

            press(*screen, "Command3");
            RunView* view = program.view(2);
            QVERIFY(view != nullptr && view->isVisible() && screen->isVisible());
            QCOMPARE(view->windowTitle(), QStringLiteral("Grafico Form2"));
            seededClick();
            QCOMPARE(text(*screen, "Text5"), without);
            QCOMPARE(child<QLineEdit>(*screen, "Text5")->toolTip(), withoutError);

            const RunSnapshot data = view->data().snapshot();
            QCOMPARE(data.state, RunState::Completed);
            QVERIFY(data.estimates.front().has_value());
            const Estimate estimate = *data.estimates.front();
            QCOMPARE(QString::number(estimate.value, 'g', 15), without);
            QCOMPARE(data.endedWalks, std::int64_t{3000});
            QCOMPARE(data.traces.size(), std::size_t{3});
            QCOMPARE(data.plan->walk, jumps ? WalkKind::Jump : WalkKind::Lattice);
            QCOMPARE(data.exactState, ExactState::Computed);
            const double exact = *data.exactAt({13, 17});
            QVERIFY2(std::fabs(estimate.value - exact) <= 5.0 * estimate.standardError,
                     qPrintable(QStringLiteral("%1 vs %2").arg(estimate.value).arg(exact)));
            QVERIFY(view->copiedText().startsWith(QStringLiteral(
                "x0\ty0\tstima\terrore standard\tprove\tesatto discreto\tfunzione\n13\t17\t")));

            press(*screen, "Command3");
            QCOMPARE(program.view(2), view);

            view->close();
            QVERIFY(!view->isVisible());
            const std::uint64_t version = view->data().version();
            seededClick();
            QCOMPARE(text(*screen, "Text5"), without);
            QCOMPARE(view->data().version(), version);
        }
    }

    // On Form6 the view has every node's estimate in node order with the exact values along the
    // line; it hears nothing of another screen's clicks.
    void aSectionClickFillsItsViewAndOnlyIts() {
        TestContext t;
        OpenedScreen opened(t.context, "Command5", 6);
        Program& program = opened.program;
        ComputingScreen* form6 = opened.screen;
        QVERIFY(form6 != nullptr);
        typeAll(*form6, {{"Text9", "6"}, {"Text10", "4"}, {"Text1", "3"}, {"Text8", "2"}});
        typeAll(*form6, {{"Text3", "2"}, {"Text4", "500"}, {"Text6", "12"}, {"Text7", "8"}});
        chooseDatum(*form6, 2);
        press(*form6, "Command3");
        RunView* view = program.view(6);
        QVERIFY(view != nullptr);
        QVERIFY(!view->isPointView());
        press(*form6, "Command1");
        const RunSnapshot data = view->data().snapshot();
        QCOMPARE(data.state, RunState::Completed);
        const std::vector<SectionRow> rows = sectionRows(data);
        QCOMPARE(rows.size(), std::size_t{13});
        for (std::size_t k = 0; k < rows.size(); ++k) {
            QCOMPARE(rows[k].index, static_cast<Int16>(k));
            QVERIFY(rows[k].estimate && rows[k].exact && rows[k].function);
            if (rows[k].estimate->standardError > 0.0) {
                QVERIFY(std::fabs(rows[k].estimate->value - *rows[k].exact) <=
                        5.0 * rows[k].estimate->standardError);
            }
        }
        QCOMPARE(view->copiedText().count('\n'), 14);

        press(*form6, "Command2");
        press(*program.menu(), "Command1");
        typePoint(*program.screen(2), "8", "3", "3", "100");
        const std::uint64_t version = view->data().version();
        press(*program.screen(2), "Command1");
        QCOMPARE(view->data().version(), version);
    }

    // Where the memory does not hold the exact solve the view says so; the click completes.
    void aGridTooLargeForTheExactSolveIsSaidSo() {
        TestContext t(3, fourMegabytes);
        OpenedScreen opened(t.context, "Command1", 2);
        ComputingScreen* screen = opened.screen;
        typePoint(*screen, "2000", "700", "900", "300");
        child<QCheckBox>(*screen, "Check1")->setChecked(true);
        press(*screen, "Command3");
        press(*screen, "Command1");
        QVERIFY(!text(*screen, "Text5").isEmpty());
        QVERIFY(t.messages.messages.empty());
        RunView* view = opened.program.view(2);
        const RunSnapshot data = view->data().snapshot();
        QCOMPARE(data.state, RunState::Completed);
        QCOMPARE(data.exactState, ExactState::TooLarge);
        QCOMPARE(data.endedWalks, std::int64_t{300});
        view->refresh();
        QVERIFY(child<QPlainTextEdit>(*view, "Text1")
                    ->toPlainText()
                    .contains(QString::fromUtf8(kExactTooLargeText)));
    }

    // Closed by the window system while the walks run, the view goes at once and the click goes
    // on. The lattice walks from the middle of a 600-step square take many seconds: the test's
    // own Esc ends them.
    void theViewClosesAtOnceDuringARun() {
        TestContext t;
        OpenedScreen opened(t.context, "Command1", 2);
        ComputingScreen* screen = opened.screen;
        typePoint(*screen, "600", "300", "300", "32767");
        press(*screen, "Command3");
        RunView* view = opened.program.view(2);
        QVERIFY(view != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        bool hiddenDuringTheRun = false;
        bool runningAfterTheClose = false;
        whenTrue(
            screen, [&] { return walksUnderWay(*screen); },
            [&] {
                queueWindowSystemClose(view);
                deliverQueuedInput();
                hiddenDuringTheRun = !view->isVisible();
                runningAfterTheClose = background(*screen) == busyColour();
                queueWindowSystemKey(screen, Qt::Key_Escape);
            });
        press(*screen, "Command1");
        QVERIFY(hiddenDuringTheRun);
        QVERIFY(runningAfterTheClose);
        QVERIFY(!view->isVisible());
        QVERIFY(t.messages.messages.empty());
        // The rest of that click still reached the view; the next one does not.
        QCOMPARE(view->data().snapshot().state, RunState::Interrupted);
        const std::uint64_t version = view->data().version();
        typeAll(*screen, {{"Text6", "20"}, {"Text2", "10"}, {"Text3", "10"}, {"Text4", "10"}});
        press(*screen, "Command1");
        QCOMPARE(view->data().version(), version);
    }
};

QTEST_MAIN(ViewWiringTest)
#include "view_wiring_test.moc"
