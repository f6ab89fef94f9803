// Input during a calculation: Esc stops it and the rest is kept and handed to the screen
// afterwards, even when the calculation ends in an error; and the long fill of a grid runs in the
// background like the walks.
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

#include "form5.hpp"
#include "progress_text.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "section_file.hpp"
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
        typeInputs(*screen, {"1", "1", "60", "60", "90", "90", "30", "4000"});
        chooseDatum(*screen, 3);
        QTimer::singleShot(600, screen.get(),
                           [&] { queueWindowSystemKey(screen.get(), Qt::Key_Escape); });
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(barText(*screen), kInterruptedText);
        QCOMPARE(background(*screen), normalColour());
        QCOMPARE(text(*screen, "Text4"), QStringLiteral("4000"));
        const QStringList lines = fileLines(t.context.resultPath);
        const std::size_t nodes = nodeLines(lines).size();
        QVERIFY2(nodes >= 1 && nodes < 61, qPrintable(lines.join('\n')));
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
        // 1e307: the sum of the 32766 values overflows, after all the walks.
        typeInputs(screen, {"708", "1.5707963", "100", "100", "200", "200", "50", "50", "32766"});
        chooseDatum(screen, 2);
        QTimer::singleShot(200, &screen, [&] {
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
        QTimer::singleShot(0, &screen, [&] { duringTheFill = barText(screen); });
        press(screen, "Command1");
        QVERIFY2(duringTheFill.startsWith(QStringLiteral("Griglia: ")), qPrintable(duringTheFill));
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0"));
    }
};

QTEST_MAIN(HeldInputTest)
#include "held_input_test.moc"
