// The program's own wiring of the view: "Grafico…" opens the screen's view, which then follows
// the screen's clicks; a click gives the same estimate with the view open as without it, and a
// closed view hears of no more clicks.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "program.hpp"
#include "run_view.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "while_running.hpp"
#include "window_system_input.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

// Room for any grid, which keeps only its outer lines, but not for the exact solve of a large one.
std::size_t fourMegabytes() { return std::size_t{4} << 20; }

}  // namespace

class ViewWiringTest : public QObject {
    Q_OBJECT

private slots:
    // On Form2: the same seeded click with and without the view open gives the same estimate to
    // the last digit shown; the open view holds that estimate, every walk's end, the first
    // walks' traces and the exact discrete value, which the estimate meets within 5 standard
    // errors. Closed, the view records nothing more and the click is the same again.
    void aPointClickIsTheSameWithTheViewOpenAndTheViewFollowsIt() {
        for (const bool jumps : {false, true}) {
            TestContext t;
            Program program(t.context, createScreen);
            program.start();
            press(*program.menu(), "Command1");
            ComputingScreen* screen = program.screen(2);
            typeAll(*screen, {{"Text1", "1"},
                              {"Text6", "40"},
                              {"Text2", "13"},
                              {"Text3", "17"},
                              {"Text4", "3000"}});
            chooseDatum(*screen, 1);
            child<QCheckBox>(*screen, "Check1")->setChecked(jumps);
            auto* button = child<QPushButton>(*screen, "Command3");
            QCOMPARE(button->shortcut(), QKeySequence(QStringLiteral("Alt+G")));

            t.context.source = SeededSource(77);
            press(*screen, "Command1");
            const QString without = text(*screen, "Text5");
            const QString withoutError = child<QLineEdit>(*screen, "Text5")->toolTip();
            QVERIFY(program.view(2) == nullptr);

            press(*screen, "Command3");
            RunView* view = program.view(2);
            QVERIFY(view != nullptr);
            QVERIFY(view->isVisible());
            QCOMPARE(view->windowTitle(), QStringLiteral("Grafico Form2"));
            QVERIFY(program.screen(2)->isVisible());
            t.context.source = SeededSource(77);
            press(*screen, "Command1");
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

            // Pressed again, "Grafico…" keeps the one view.
            press(*screen, "Command3");
            QCOMPARE(program.view(2), view);

            view->close();
            QVERIFY(!view->isVisible());
            const std::uint64_t version = view->data().version();
            t.context.source = SeededSource(77);
            press(*screen, "Command1");
            QCOMPARE(text(*screen, "Text5"), without);
            QCOMPARE(view->data().version(), version);
        }
    }

    // On Form6 the view has every node's estimate, in node order, and the exact values along the
    // line; a view of one screen hears nothing of another's clicks.
    void aSectionClickFillsItsViewAndOnlyIts() {
        TestContext t;
        Program program(t.context, createScreen);
        program.start();
        press(*program.menu(), "Command5");
        ComputingScreen* form6 = program.screen(6);
        QVERIFY(form6 != nullptr);
        typeAll(*form6, {{"Text9", "6"},
                         {"Text10", "4"},
                         {"Text1", "3"},
                         {"Text8", "2"},
                         {"Text3", "2"},
                         {"Text4", "500"},
                         {"Text6", "12"},
                         {"Text7", "8"}});
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
            QVERIFY(rows[k].estimate.has_value());
            QVERIFY(rows[k].exact.has_value());
            QVERIFY(rows[k].function.has_value());
            if (rows[k].estimate->standardError > 0.0) {
                QVERIFY(std::fabs(rows[k].estimate->value - *rows[k].exact) <=
                        5.0 * rows[k].estimate->standardError);
            }
        }
        QCOMPARE(view->copiedText().count('\n'), 14);

        press(*form6, "Command2");
        press(*program.menu(), "Command1");
        ComputingScreen* form2 = program.screen(2);
        typeAll(*form2,
                {{"Text1", "1"}, {"Text6", "8"}, {"Text2", "3"}, {"Text3", "3"}, {"Text4", "100"}});
        chooseDatum(*form2, 1);
        const std::uint64_t version = view->data().version();
        press(*form2, "Command1");
        QCOMPARE(view->data().version(), version);
    }

    // Where the memory does not hold the exact solve, the view says so and shows the rest; the
    // click itself completes as ever.
    void aGridTooLargeForTheExactSolveIsSaidSo() {
        RecordingMessages messages;
        WalkPool pool{2};
        QTemporaryDir folder;
        ScreenContext context{messages, SeededSource(3),
                              std::filesystem::path(folder.path().toStdString()) / "risultato.m",
                              pool, fourMegabytes};
        Program program(context, createScreen);
        program.start();
        press(*program.menu(), "Command1");
        ComputingScreen* screen = program.screen(2);
        typeAll(*screen, {{"Text1", "1"},
                          {"Text6", "2000"},
                          {"Text2", "700"},
                          {"Text3", "900"},
                          {"Text4", "300"}});
        chooseDatum(*screen, 1);
        child<QCheckBox>(*screen, "Check1")->setChecked(true);
        press(*screen, "Command3");
        press(*screen, "Command1");
        QVERIFY(!text(*screen, "Text5").isEmpty());
        QVERIFY(messages.messages.empty());
        RunView* view = program.view(2);
        const RunSnapshot data = view->data().snapshot();
        QCOMPARE(data.state, RunState::Completed);
        QCOMPARE(data.exactState, ExactState::TooLarge);
        QCOMPARE(data.endedWalks, std::int64_t{300});
        view->refresh();
        QVERIFY(child<QPlainTextEdit>(*view, "Text1")
                    ->toPlainText()
                    .contains(QString::fromUtf8(kExactTooLargeText)));
    }

    // Closing the view is always allowed: closed by the window system (its close button,
    // Alt+F4) while the walks run, it goes at once, not when the click ends, and the click goes
    // on. The walks, from the middle of a 600-step square, are under way before the close and
    // far from their end: the test's own Esc ends them.
    void theViewClosesAtOnceDuringARun() {
        TestContext t;
        Program program(t.context, createScreen);
        program.start();
        press(*program.menu(), "Command1");
        ComputingScreen* screen = program.screen(2);
        typeAll(*screen, {{"Text1", "1"},
                          {"Text6", "600"},
                          {"Text2", "300"},
                          {"Text3", "300"},
                          {"Text4", "32767"}});
        chooseDatum(*screen, 1);
        press(*screen, "Command3");
        RunView* view = program.view(2);
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
                // The lattice walks of a 600-step square take many seconds: Esc ends them.
                queueWindowSystemKey(screen, Qt::Key_Escape);
            });
        press(*screen, "Command1");
        QVERIFY(hiddenDuringTheRun);
        QVERIFY(runningAfterTheClose);
        QVERIFY(!view->isVisible());
        QVERIFY(t.messages.messages.empty());
        // The rest of that click still reached the view, harmlessly; the next one does not.
        QCOMPARE(view->data().snapshot().state, RunState::Interrupted);
        const std::uint64_t version = view->data().version();
        typeAll(*screen, {{"Text6", "20"}, {"Text2", "10"}, {"Text3", "10"}, {"Text4", "10"}});
        press(*screen, "Command1");
        QCOMPARE(view->data().version(), version);
    }
};

QTEST_MAIN(ViewWiringTest)
#include "view_wiring_test.moc"
