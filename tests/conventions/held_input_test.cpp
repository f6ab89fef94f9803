// Input during a calculation: Esc stops it and the rest is kept and handed to the screen
// afterwards, even when the calculation ends in an error; and the long fill of a grid runs in the
// background like the walks.
#include <QCheckBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTimer>
#include <QtTest>

#include "form2.hpp"
#include "form5.hpp"
#include "progress_text.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "section_file.hpp"
#include "while_running.hpp"
#include "window_system_input.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

QString barText(const QWidget& screen) {
    return child<QProgressBar>(screen, "ProgressBar1")->format();
}

// The texts typed into the fields, in order: on the L-domain screens Lx, Ly, nx, ny, a, b, then
// the start (x0, y0) or the section index, and N.
void typeInputs(const QWidget& screen, const QStringList& texts) {
    QStringList fields = {"Text1", "Text8", "Text6", "Text7", "Text9", "Text10", "Text3", "Text4"};
    if (texts.size() == 9) {
        fields.insert(6, "Text2");
    }
    for (qsizetype k = 0; k < texts.size(); ++k) {
        type(screen, fields[k].toLatin1().constData(), texts[k]);
    }
}

// Where a click ticks the check box: its indicator.
QPoint indicatorOf(QCheckBox* box) {
    QStyleOptionButton option;
    option.initFrom(box);
    return box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
}

// The report as a person meets it: a real modal message box, which ends itself a moment later as
// if the person pressed OK. A modal box takes the keyboard while it is open.
class ModalMessages final : public Messages {
public:
    void inform(QWidget*, const QString&) override {}
    void reportError(QWidget* parent, const QString& text) override {
        texts << text;
        QMessageBox box(QMessageBox::Critical, kProgramTitle, text, QMessageBox::Ok, parent);
        QTimer::singleShot(300, &box, &QMessageBox::accept);
        box.exec();
    }
    QStringList texts;
};

}  // namespace

class HeldInputTest : public QObject {
    Q_OBJECT

private slots:
    // Esc ends a click without a message: the fields keep their text, the colour is normal, the
    // bar says "Interrotto", and the file keeps the lines already written.
    void escapeStopsASectionAndKeepsItsLines() {
        TestContext t;
        const auto screen = createScreen(6, t.context);
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
        typeInputs(*screen, {"1", "1", "200", "200", "300", "300", "100", "32767"});
        chooseDatum(*screen, 4);
        whenTrue(
            screen.get(), [&] { return !nodeLines(fileLines(t.context.resultPath)).empty(); },
            [&] { queueWindowSystemKey(screen.get(), Qt::Key_Escape); });
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(barText(*screen), kInterruptedText);
        QCOMPARE(background(*screen), normalColour());
        QCOMPARE(text(*screen, "Text4"), QStringLiteral("32767"));
        const QStringList lines = fileLines(t.context.resultPath);
        const std::size_t nodes = nodeLines(lines).size();
        QVERIFY2(nodes >= 1 && nodes < 201, qPrintable(lines.join('\n')));
        QCOMPARE(lines.size(), 4 + qsizetype(nodes));  // the header and the node lines only
    }

    // What the person does while a calculation runs that ends in an error reaches the screen
    // after the report, not the modal report box: a click on a field and a key typed there.
    void inputDuringACalculationThatFailsIsNotLost() {
        ModalMessages messages;
        TestContext t;
        ScreenContext context{messages, SeededSource(3), t.context.resultPath, t.pool,
                              plentyOfMemory};
        Form5 screen(context);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        // Walks from the middle end now and then on the right side, where exp(x) sin(y) is near
        // 1e307: their sum overflows once all the walks (seconds of them) have ended.
        typeInputs(screen, {"708", "1.5707963", "300", "300", "600", "600", "150", "150", "32766"});
        chooseDatum(screen, 2);
        whenTrue(
            &screen, [&] { return background(screen) == busyColour(); },
            [&] {
                queueWindowSystemClick(child<QWidget>(screen, "Text1"));
                queueWindowSystemKey(&screen, Qt::Key_5, QStringLiteral("5"));
            });
        press(screen, "Command1");
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts.front().contains("virgola mobile"), qPrintable(messages.texts[0]));
        QCOMPARE(barText(screen), kFailedText);
        QVERIFY2(text(screen, "Text1").contains(QLatin1Char('5')),
                 qPrintable(text(screen, "Text1")));
    }

    // A click on the check box's indicator and one on a field, held, land where they were aimed
    // (not both at the last one's place); the screen's close (Alt+F4) is carried out after them.
    void heldClicksAndClosesAreCarriedOutAfterTheRun() {
        TestContext t;
        Form2 screen(t.context);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        // 32767 walks from the middle of a 1000-step square take minutes: the test's Esc ends them.
        typeAll(screen, {{"Text1", "1"},
                         {"Text2", "500"},
                         {"Text3", "500"},
                         {"Text4", "32767"},
                         {"Text6", "1000"}});
        chooseDatum(screen, 1);
        auto* check = child<QCheckBox>(screen, "Check1");
        QSignalSpy backs(&screen, &ComputingScreen::backToMenu);
        bool screenHeld = false;
        whenTrue(
            &screen, [&] { return walksUnderWay(screen); },
            [&] {
                queueWindowSystemClick(check, indicatorOf(check));
                queueWindowSystemClick(child<QWidget>(screen, "Text2"));
                queueWindowSystemClose(&screen);
                deliverQueuedInput();
                screenHeld = !check->isChecked() && backs.isEmpty();
                queueWindowSystemKey(&screen, Qt::Key_Escape);
            });
        press(screen, "Command1");
        QVERIFY(screenHeld);
        QVERIFY(check->isChecked());
        QCOMPARE(screen.focusWidget(), child<QWidget>(screen, "Text2"));
        QCOMPARE(backs.count(), 1);
        QCOMPARE(barText(screen), kInterruptedText);
    }

    // A grid is refused up front when the memory gauge says it does not fit; one that fits is
    // filled off the interface thread while the window shows the fill's progress.
    void theGridIsCheckedAgainstTheMemoryAndFilledWhileTheWindowStaysAlive() {
        static std::size_t gauge = 0;
        static std::size_t (*const available)() = [] { return gauge; };
        RecordingMessages messages;
        TestContext t;
        ScreenContext context{messages, SeededSource(3), t.context.resultPath, t.pool, *available};
        Form5 screen(context);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        typeInputs(screen, {"1", "1", "4000", "4000", "9000", "9000", "0", "7", "1"});
        chooseDatum(screen, 3);
        gauge = std::size_t{100} << 10;  // the outer lines of 4001 x 4001 nodes take 128 kB
        press(screen, "Command1");
        checkSingleErrorReport(messages, "Memoria insufficiente", {});

        gauge = std::size_t{1} << 40;
        QString duringTheFill;
        // The first turn of the event loop after the click is the one of the fill.
        QTimer::singleShot(0, &screen, [&] { duringTheFill = barText(screen); });
        press(screen, "Command1");
        QVERIFY2(duringTheFill.startsWith(QStringLiteral("Griglia: ")), qPrintable(duringTheFill));
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0"));
    }
};

QTEST_MAIN(HeldInputTest)
#include "held_input_test.moc"
