// While the fill and the walks of a long calculation run, the screen stays painted in the busy
// colour with the busy cursor and a progress bar, input waits until the calculation has ended
// (and is not lost when it ends in an error), and Esc stops it.
#include <QtGui/qpa/qwindowsysteminterface.h>

#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "form2.hpp"
#include "form5.hpp"
#include "progress_text.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "section_file.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

// Counts the paints of a widget that happen while its background is the busy colour.
class BusyPaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget != nullptr &&
            widget->palette().color(QPalette::Window) == busyColour()) {
            ++paints;
        }
        return false;
    }
};

// A click as the window system delivers it: queued with the window system's events, not sent.
void queueWindowSystemClick(QWidget* target) {
    QWindow* window = target->window()->windowHandle();
    const QPointF local = target->mapTo(target->window(), target->rect().center());
    const QPointF global = target->mapToGlobal(target->rect().center());
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}

// A key as the window system delivers it, to the window of `target`.
void queueWindowSystemKey(QWidget* target, Qt::Key key, const QString& text = {}) {
    QWindow* window = target->window()->windowHandle();
    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, QEvent::KeyPress, key, Qt::NoModifier, text);
    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, QEvent::KeyRelease, key, Qt::NoModifier, text);
}

QString barText(const QWidget& screen) {
    auto* bar = child<QProgressBar>(screen, "ProgressBar1");
    return bar->format();
}

// The report as a person meets it: a real modal message box, which ends itself a moment later as
// if the person pressed OK. A modal box takes the keyboard while it is open.
class ModalMessages final : public Messages {
public:
    void inform(QWidget* parent, const QString& text) override { show(parent, text); }
    void reportError(QWidget* parent, const QString& text) override { show(parent, text); }
    QStringList texts;

private:
    void show(QWidget* parent, const QString& text) {
        texts << text;
        QMessageBox box(QMessageBox::Critical, kProgramTitle, text, QMessageBox::Ok, parent);
        QTimer::singleShot(300, &box, &QMessageBox::accept);
        box.exec();
    }
};

}  // namespace

class BusyTest : public QObject {
    Q_OBJECT

private slots:
    void theScreenStaysPaintedAndHoldsClicksBackUntilTheEnd() {
        TestContext t;
        Form2 screen(t.context);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        // From the centre of a 150-step square, 20000 walks take some hundred million steps.
        typeAll(screen, {{"Text1", "1"},
                         {"Text2", "75"},
                         {"Text3", "75"},
                         {"Text4", "20000"},
                         {"Text6", "150"}});
        chooseDatum(screen, 1);

        BusyPaintCounter counter;
        screen.installEventFilter(&counter);
        bool checkedWhileBusy = false;
        QColor shownWhileBusy;
        bool busyCursor = false;
        QTimer::singleShot(0, &screen, [&] {
            checkedWhileBusy = text(screen, "Text5").isEmpty();
            shownWhileBusy = screen.grab().toImage().pixelColor(2, 2);
            busyCursor = QApplication::overrideCursor() != nullptr &&
                         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            screen.update();
            queueWindowSystemClick(child<QWidget>(screen, "Command2"));
        });
        QString resultWhenBackWasHandled = QStringLiteral("<not handled>");
        connect(&screen, &ComputingScreen::backToMenu, this,
                [&] { resultWhenBackWasHandled = text(screen, "Text5"); });

        press(screen, "Command1");
        const QString result = text(screen, "Text5");

        QVERIFY2(checkedWhileBusy, "the timer ran after the calculation, not during it");
        QCOMPARE(shownWhileBusy, busyColour());
        QVERIFY(busyCursor);
        QVERIFY2(counter.paints > 0, "no paint while the screen was busy");
        QVERIFY(!result.isEmpty());
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        // The click waited for the end of the calculation and is handled now.
        QTRY_COMPARE(resultWhenBackWasHandled, result);
        QCOMPARE(background(screen), normalColour());
    }

    void anErrorInTheWalksIsReportedAfterThem() {
        TestContext t;
        Form2 screen(t.context);
        typeAll(screen,
                {{"Text1", "1"}, {"Text2", "9"}, {"Text3", "2"}, {"Text4", "10"}, {"Text6", "4"}});
        chooseDatum(screen, 1);
        press(screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QVERIFY(t.messages.messages.front().text.contains("Indice non compreso"));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(background(screen), normalColour());
    }

    // While the walks run the bar shows the share done (and, after a second, the time left: see
    // the progress text's own test); at the end it says the click is complete.
    void theProgressBarFollowsTheWalks() {
        TestContext t;
        Form2 screen(t.context);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        typeAll(screen, {{"Text1", "1"},
                         {"Text2", "100"},
                         {"Text3", "100"},
                         {"Text4", "15000"},
                         {"Text6", "200"}});
        chooseDatum(screen, 1);
        QStringList seen;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] { seen << barText(screen); });
        sampler.start(300);
        press(screen, "Command1");
        sampler.stop();
        QVERIFY(t.messages.messages.empty());
        QVERIFY2(seen.size() >= 2, qPrintable(seen.join(" | ")));
        const QRegularExpression running(QStringLiteral("^\\d+ %( — circa \\d+ (s|min))?$"));
        for (const QString& text : seen) {
            QVERIFY2(running.match(text).hasMatch(), qPrintable(text));
        }
        QCOMPARE(barText(screen), kCompletedText);
        QCOMPARE(child<QProgressBar>(screen, "ProgressBar1")->value(), 100);
    }

    // Esc ends a point screen's click at once, without a message: the result keeps its text,
    // the colour is normal again, every field keeps its text, the bar says "Interrotto".
    void escapeStopsAPointCalculation() {
        TestContext t;
        Form2 screen(t.context);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        const std::map<std::string, QString> fields = {{"Text1", "1"},
                                                       {"Text2", "100"},
                                                       {"Text3", "100"},
                                                       {"Text4", "32000"},
                                                       {"Text6", "200"}};
        typeAll(screen, fields);
        chooseDatum(screen, 1);
        child<QLineEdit>(screen, "Text5")->setText("earlier");
        QTimer::singleShot(300, &screen, [&] { queueWindowSystemKey(&screen, Qt::Key_Escape); });
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("earlier"));
        QCOMPARE(background(screen), normalColour());
        QCOMPARE(barText(screen), kInterruptedText);
        for (const auto& [name, typed] : fields) {
            QCOMPARE(text(screen, name.c_str()), typed);
        }
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // On a section screen the file keeps the lines already written, without the closing lines,
    // and is closed: the next click writes it anew.
    void escapeStopsASectionAndKeepsItsLines() {
        TestContext t;
        const auto screen = createScreen(6, t.context);
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
        typeAll(*screen, {{"Text1", "1"},
                          {"Text8", "1"},
                          {"Text6", "60"},
                          {"Text7", "60"},
                          {"Text9", "90"},
                          {"Text10", "90"},
                          {"Text3", "30"},
                          {"Text4", "4000"}});
        chooseDatum(*screen, 3);
        QTimer::singleShot(600, screen.get(),
                           [&] { queueWindowSystemKey(screen.get(), Qt::Key_Escape); });
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(barText(*screen), kInterruptedText);
        const QStringList lines = fileLines(t.context.resultPath);
        const std::size_t nodes = nodeLines(lines).size();
        QVERIFY2(nodes >= 1 && nodes < 61, qPrintable(lines.join('\n')));
        QCOMPARE(lines.size(), 4 + qsizetype(nodes));
        QVERIFY(!lines.contains(QStringLiteral("ylabel ('Vincita')")));

        type(*screen, "Text4", "2");
        press(*screen, "Command1");
        QCOMPARE(fileLines(t.context.resultPath).size(), 4 + 61 + 6);
        QCOMPARE(barText(*screen), kCompletedText);
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
        typeAll(screen, {{"Text1", "708"},
                         {"Text8", "1.5707963"},
                         {"Text6", "100"},
                         {"Text7", "100"},
                         {"Text9", "200"},
                         {"Text10", "200"},
                         {"Text2", "50"},
                         {"Text3", "50"},
                         {"Text4", "32766"}});
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
        QCOMPARE(screen.focusWidget(), child<QWidget>(screen, "Text1"));
    }

    // A large grid is filled off the interface thread: meanwhile the window is alive, with the
    // busy cursor and the fill's progress.
    void theFillRunsWhileTheWindowStaysAlive() {
        TestContext t;
        Form5 screen(t.context);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        typeAll(screen, {{"Text1", "1"},
                         {"Text8", "1"},
                         {"Text6", "4000"},
                         {"Text7", "4000"},
                         {"Text9", "9000"},
                         {"Text10", "9000"},
                         {"Text2", "0"},
                         {"Text3", "7"},
                         {"Text4", "1"}});
        chooseDatum(screen, 3);
        QString duringTheFill;
        bool busyCursor = false;
        QTimer::singleShot(0, &screen, [&] {
            duringTheFill = barText(screen);
            busyCursor = QApplication::overrideCursor() != nullptr;
        });
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QVERIFY2(duringTheFill.startsWith(QStringLiteral("Griglia: ")), qPrintable(duringTheFill));
        QVERIFY(busyCursor);
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0"));
    }

    // A grid larger than the memory the context reports available is refused up front.
    void aGridBeyondTheAvailableMemoryIsRefused() {
        static std::size_t (*const fourMebibytes)() = [] { return std::size_t{4} << 20; };
        RecordingMessages messages;
        TestContext t;
        ScreenContext context{messages, SeededSource(3), t.context.resultPath, t.pool,
                              *fourMebibytes};
        Form2 screen(context);
        typeAll(
            screen,
            {{"Text1", "1"}, {"Text2", "0"}, {"Text3", "1"}, {"Text4", "5"}, {"Text6", "1000"}});
        chooseDatum(screen, 1);
        press(screen, "Command1");
        checkSingleErrorReport(messages, "Memoria insufficiente", {});
        type(screen, "Text6", "500");
        press(screen, "Command1");
        QCOMPARE(messages.messages.size(), std::size_t{1});
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0"));
    }
};

QTEST_MAIN(BusyTest)
#include "busy_test.moc"
