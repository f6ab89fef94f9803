// While the walks of a long calculation run, the screen stays painted in the busy colour with the
// busy cursor, and a click on "Torna al menù" waits until the calculation has ended.
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "form2.hpp"
#include "screen_fixture.hpp"
#include "window_system_input.hpp"

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
};

QTEST_MAIN(BusyTest)
#include "busy_test.moc"
