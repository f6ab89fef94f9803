// The menu and the moves between windows, worked through the buttons as a person does.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include "program.hpp"
#include "run_view.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "section_file.hpp"
#include "twips.hpp"
#include "while_running.hpp"
#include "window_system_input.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

int visibleWindows() {
    int count = 0;
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        count += widget->isVisible() ? 1 : 0;
    }
    return count;
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void menuLayout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Command1") << "Command1"
                                  << "In un punto" << QRect(120, 1800, 1815, 615);
        QTest::newRow("Command3") << "Command3"
                                  << "Lungo una sezione parallela x"
                                  << QRect(2400, 1800, 2500, 615);
        QTest::newRow("Command6") << "Command6"
                                  << "Lungo una sezione parallela y"
                                  << QRect(5200, 1800, 2500, 615);
        QTest::newRow("Command4") << "Command4"
                                  << "In un punto" << QRect(120, 3120, 1815, 615);
        QTest::newRow("Command5") << "Command5"
                                  << "Lungo una sezione parallela x"
                                  << QRect(2400, 3120, 2500, 615);
        QTest::newRow("Command7") << "Command7"
                                  << "Lungo una sezione parallela y"
                                  << QRect(5200, 3120, 2500, 615);
        QTest::newRow("Command2") << "Command2"
                                  << "Esci" << QRect(5160, 4320, 3375, 1215);
        QTest::newRow("Label1") << "Label1"
                                << "Nurlo" << QRect(3725, 360, 1455, 495);
        QTest::newRow("Label2") << "Label2"
                                << "QUADRATO" << QRect(240, 1200, 3495, 255);
        QTest::newRow("Label3") << "Label3"
                                << "L" << QRect(120, 2640, 3495, 255);
    }
    void menuLayout() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        Form1 menu;
        QCOMPARE(menu.windowTitle(), QStringLiteral("Form1"));
        QCOMPARE(menu.size(), twipsSize(8775, 6015));
        QWidget* control = child<QWidget>(menu, name.toLatin1().constData());
        QCOMPARE(control->geometry(),
                 twipsRect({twips.x(), twips.y(), twips.width(), twips.height()}));
        const QString shown = qobject_cast<QLabel*>(control) != nullptr
                                  ? qobject_cast<QLabel*>(control)->text()
                                  : qobject_cast<QPushButton*>(control)->text();
        QCOMPARE(shown, caption);
    }

    void menuFonts() {
        Form1 menu;
        const QFont title = child<QLabel>(menu, "Label1")->font();
        QCOMPARE(title.pointSizeF(), 15.75);
        QVERIFY(!title.bold());
        QCOMPARE(QFontInfo(title).family(), QStringLiteral("Cherry Bomb"));
        for (const char* heading : {"Label2", "Label3"}) {
            QVERIFY(child<QLabel>(menu, heading)->font().bold());
            QCOMPARE(child<QLabel>(menu, heading)->font().pointSizeF(), 8.25);
        }
    }

    void menuFocusOrder() {
        Form1 menu;
        QStringList order;
        QWidget* widget = child<QWidget>(menu, "Command1");
        for (int k = 0; k < 7; ++k) {
            order << widget->objectName();
            do {
                widget = widget->nextInFocusChain();
            } while (widget->focusPolicy() == Qt::NoFocus);
        }
        QCOMPARE(order, QStringList({"Command1", "Command2", "Command3", "Command4", "Command5",
                                     "Command6", "Command7"}));
    }

    void twipsFollowTheScreenResolution() {
        QCOMPARE(twipsToPixels(1440, 96.0), 96);
        QCOMPARE(twipsToPixels(8775, 96.0), 585);
        QCOMPARE(twipsToPixels(15, 96.0), 1);
        QCOMPARE(twipsToPixels(1440, 120.0), 120);
        QCOMPARE(twipsToPixels(255, 144.0), 26);  // 25.5 rounds up
    }

    void eachMenuButtonOpensItsScreenCreatedOnFirstUse_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("form");
        QTest::newRow("square point") << "Command1" << 2;
        QTest::newRow("square x section") << "Command3" << 3;
        QTest::newRow("square y section") << "Command6" << 4;
        QTest::newRow("L point") << "Command4" << 5;
        QTest::newRow("L x section") << "Command5" << 6;
        QTest::newRow("L y section") << "Command7" << 7;
    }
    void eachMenuButtonOpensItsScreenCreatedOnFirstUse() {
        QFETCH(QString, button);
        QFETCH(int, form);
        TestContext t;
        Program program(t.context, createScreen);
        program.start();
        QVERIFY(program.menu()->isVisible());
        for (int k = 2; k <= 7; ++k) {
            QVERIFY(program.screen(k) == nullptr);
        }
        press(*program.menu(), button.toLatin1().constData());
        ComputingScreen* screen = program.screen(form);
        QVERIFY(screen != nullptr);
        QCOMPARE(screen->windowTitle(), QStringLiteral("Form%1").arg(form));
        QVERIFY(screen->isVisible());
        QVERIFY(!program.menu()->isVisible());
        QCOMPARE(visibleWindows(), 1);
        for (int k = 2; k <= 7; ++k) {
            QCOMPARE(program.screen(k) != nullptr, k == form);
        }
        press(*screen, "Command2");
        QVERIFY(!screen->isVisible());
        QVERIFY(program.menu()->isVisible());
        QCOMPARE(visibleWindows(), 1);
    }

    // The table of screens drives the menu: every row has its button, in its domain's row of the
    // menu and captioned for a point or its line's axis, which opens its screen titled from the
    // table; the screen's view is a point or a section view as the row says. The menu has no
    // other button but "Esci", and a number the table lacks is refused.
    void theTableOfScreensDrivesTheMenu() {
        TestContext t;
        Program program(t.context, createScreen);
        program.start();
        Form1& menu = *program.menu();
        QCOMPARE(menu.findChildren<QPushButton*>().size(),
                 static_cast<qsizetype>(screenTable().size()) + 1);
        const int squareHeading = child<QLabel>(menu, "Label2")->y();
        const int lHeading = child<QLabel>(menu, "Label3")->y();
        for (const ScreenRow& row : screenTable()) {
            const QString title = QString::fromUtf8(row.title);
            const auto* button = child<QPushButton>(menu, row.menuButton);
            const bool onSquare = row.domain == DomainFamily::Square;
            QVERIFY2(onSquare ? button->y() > squareHeading && button->y() < lHeading
                              : button->y() > lHeading,
                     qPrintable(title));
            QCOMPARE(button->text(), row.isPoint() ? QStringLiteral("In un punto")
                                     : *row.section == SectionAxis::X
                                         ? QStringLiteral("Lungo una sezione parallela x")
                                         : QStringLiteral("Lungo una sezione parallela y"));
            press(menu, row.menuButton);
            ComputingScreen* screen = program.screen(row.number);
            QVERIFY2(screen != nullptr && screen->isVisible() && !menu.isVisible(),
                     qPrintable(title));
            QCOMPARE(screen->windowTitle(), title);
            if (!row.isPoint()) {  // its note on risultato.m tells the file's full path
                QCOMPARE(child<QLabel>(*screen, "Label3")->toolTip(),
                         QString::fromStdString(t.context.resultPath.string()));
            }
            press(*screen, "Command3");  // "Grafico…"
            RunView* view = program.view(row.number);
            QVERIFY(view != nullptr);
            QCOMPARE(view->windowTitle(), QStringLiteral("Grafico ") + title);
            QCOMPARE(view->isPointView(), row.isPoint());
            view->close();
            press(*screen, "Command2");
            QVERIFY(menu.isVisible() && !screen->isVisible());
        }
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, program.openScreen(8));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, program.screen(1));
    }

    // Each screen keeps its designed client area, grown only where the row of the progress bar
    // (under "Torna al menù", 1215 twips below the top of "Calcola!") would cover the note on
    // risultato.m and goes below it instead. No control covers another, and all are inside.
    void computingScreenSizesAndTheProgressRow_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QSize>("designed");
        QTest::addColumn<bool>("belowTheNote");
        QTest::newRow("Form2") << 2 << QSize(8070, 5355) << false;
        QTest::newRow("Form3") << 3 << QSize(9015, 5715) << true;
        QTest::newRow("Form4") << 4 << QSize(8835, 6075) << true;
        QTest::newRow("Form5") << 5 << QSize(10845, 8610) << false;
        QTest::newRow("Form6") << 6 << QSize(8370, 6840) << true;
        QTest::newRow("Form7") << 7 << QSize(8610, 6765) << true;
    }
    void computingScreenSizesAndTheProgressRow() {
        QFETCH(int, form);
        QFETCH(QSize, designed);
        QFETCH(bool, belowTheNote);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        QCOMPARE(screen->windowTitle(), QStringLiteral("Form%1").arg(form));
        const QSize size = twipsSize(designed.width(), designed.height());
        QCOMPARE(screen->width(), size.width());
        // "Grafico…" goes under "Salti esatti"; the window grows just enough to hold it.
        const QRect check = child<QWidget>(*screen, "Check1")->geometry();
        const QRect view = child<QWidget>(*screen, "Command3")->geometry();
        QVERIFY(view.left() == check.left() && view.top() > check.bottom());
        const int needed = view.bottom() + 1 + twipsToPixels(180, screenDpi());
        QVERIFY(qAbs(screen->height() - qMax(size.height(), needed)) <= 1);
        const QRect back = child<QWidget>(*screen, "Command2")->geometry();
        const QRect bar = child<QProgressBar>(*screen, "ProgressBar1")->geometry();
        QCOMPARE(QRect(bar.left(), 0, bar.width(), bar.height()),
                 QRect(back.left(), 0, back.width(), twipsToPixels(285, screenDpi())));
        if (!belowTheNote) {
            const int row =
                child<QWidget>(*screen, "Command1")->y() + twipsToPixels(1215, screenDpi());
            QVERIFY(qAbs(bar.top() - row) <= 1);
        }
        QVERIFY(!child<QCheckBox>(*screen, "Check1")->isChecked());
        // The row added under the designed controls covers none of them and fits the window.
        const QList<QWidget*> controls = screen->findChildren<QWidget*>(
            QRegularExpression("^(Label|Text|Command|Combo|Check|ProgressBar)[0-9]+$"));
        for (const char* name : {"Check1", "ProgressBar1", "Command3"}) {
            const QRect added = child<QWidget>(*screen, name)->geometry();
            QVERIFY2(screen->rect().contains(added), name);
            for (const QWidget* other : controls) {
                QVERIFY2(other->objectName() == name || !added.intersects(other->geometry()),
                         qPrintable(name + (" covers " + other->objectName())));
            }
        }
    }

    void aScreenOpenedAgainKeepsItsContents() {
        TestContext t;
        Program program(t.context, createScreen);
        program.start();
        press(*program.menu(), "Command1");
        ComputingScreen* screen = program.screen(2);
        typeAll(*screen,
                {{"Text1", "1"}, {"Text2", "2"}, {"Text3", "0"}, {"Text4", "10"}, {"Text6", "4"}});
        chooseDatum(*screen, 1);
        press(*screen, "Command1");
        const QString result = text(*screen, "Text5");
        QVERIFY(!result.isEmpty());
        child<QCheckBox>(*screen, "Check1")->setChecked(true);
        press(*screen, "Command2");

        // The second-row "In un punto" is another screen.
        press(*program.menu(), "Command4");
        QVERIFY(program.screen(5) != screen);
        QVERIFY(text(*program.screen(5), "Text1").isEmpty());
        press(*program.screen(5), "Command2");

        press(*program.menu(), "Command1");
        QCOMPARE(program.screen(2), screen);
        QCOMPARE(text(*screen, "Text1"), QStringLiteral("1"));
        QCOMPARE(text(*screen, "Text4"), QStringLiteral("10"));
        QCOMPARE(text(*screen, "Text5"), result);
        QCOMPARE(child<QComboBox>(*screen, "Combo1")->currentIndex(), 1);
        QVERIFY(child<QCheckBox>(*screen, "Check1")->isChecked());
    }

    void closeButtons() {
        TestContext t;
        Program program(t.context, createScreen);
        QSignalSpy exits(&program, &Program::exitRequested);
        program.start();
        press(*program.menu(), "Command5");
        ComputingScreen* screen = program.screen(6);
        // A computing screen's close button returns to the menu.
        QVERIFY(!screen->close());
        QVERIFY(!screen->isVisible());
        QVERIFY(program.menu()->isVisible());
        QCOMPARE(exits.count(), 0);
        // The menu's close button ends the program, as "Esci" does.
        program.menu()->close();
        QCOMPARE(exits.count(), 1);
        press(*program.menu(), "Command2");
        QCOMPARE(exits.count(), 2);
    }

    // A close of the (hidden) menu during a run ends the program only after the run, which
    // writes all 41 node lines of risultato.m; the close comes with the first of them.
    void theMenuClosedDuringARunEndsTheProgramAfterIt() {
        TestContext t;
        Program program(t.context, createScreen);
        QSignalSpy exits(&program, &Program::exitRequested);
        program.start();
        program.openScreen(6);
        ComputingScreen* screen = program.screen(6);
        typeAll(*screen, {{"Text1", "1"},
                          {"Text8", "1"},
                          {"Text6", "40"},
                          {"Text7", "40"},
                          {"Text9", "90"},
                          {"Text10", "90"},
                          {"Text3", "20"},
                          {"Text4", "32767"}});
        chooseDatum(*screen, 4);
        int exitsAfterTheClose = -1;
        std::size_t linesAfterTheClose = 41;
        whenTrue(
            screen, [&] { return !nodeLines(fileLines(t.context.resultPath)).empty(); },
            [&] {
                queueWindowSystemClose(program.menu());
                deliverQueuedInput();
                exitsAfterTheClose = int(exits.count());
                linesAfterTheClose = nodeLines(fileLines(t.context.resultPath)).size();
            });
        press(*screen, "Command1");
        QCOMPARE(exitsAfterTheClose, 0);
        QVERIFY2(linesAfterTheClose < 41, "the close came after the run, not during it");
        QCOMPARE(exits.count(), 1);
        QCOMPARE(fileLines(t.context.resultPath).size(), 4 + 41 + 6);
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
