// The L-shaped domain's point screen, worked through its controls with a seeded source.
#include <QCheckBox>
#include <QtTest>
#include <cmath>

#include "computing_screen.hpp"
#include "form2.hpp"
#include "form5.hpp"
#include "harmonic.hpp"
#include "screen_fixture.hpp"
#include "twips.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

// The nine fields of the screen, in the order a click reads them, with their captions.
struct FieldCaption {
    const char* name;
    const char* caption;
};
const FieldCaption kReadOrder[] = {
    {"Text9", "Parametro a (nel sistema discretizzato)"},
    {"Text10", "Parametro b (nel sistema discretizzato)"},
    {"Text1", "Dimensioni x"},
    {"Text8", "Dimensioni y"},
    {"Text2", "Ascissa partenza (nel sistema discretizzato)"},
    {"Text3", "Ordinata partenza (nel sistema discretizzato)"},
    {"Text4", "N prove"},
    {"Text6", "N° suddivisioni x"},
    {"Text7", "N° suddivisioni y"},
};

// One calculation's inputs, as typed into the screen.
struct Inputs {
    QString lx, ly, nx, ny, a, b, x0, y0, walks;
};

void typeInputs(const QWidget& screen, const Inputs& in) {
    typeAll(screen, {{"Text1", in.lx},
                     {"Text8", in.ly},
                     {"Text6", in.nx},
                     {"Text7", in.ny},
                     {"Text9", in.a},
                     {"Text10", in.b},
                     {"Text2", in.x0},
                     {"Text3", in.y0},
                     {"Text4", in.walks}});
}

// The estimate shown in Text5 and the standard error its tooltip gives.
struct Shown {
    double estimate;
    double standardError;
};

Shown shownEstimate(const QWidget& screen, int walks) {
    const QString tip = child<QWidget>(screen, "Text5")->toolTip();
    if (!tip.startsWith(QStringLiteral("errore standard ")) ||
        !tip.endsWith(QStringLiteral("(N = %1)").arg(walks))) {
        qFatal("unexpected tooltip: %s", qPrintable(tip));
    }
    return {text(screen, "Text5").toDouble(), tip.section(' ', 2, 2).toDouble()};
}

// The discrete harmonic value at (x0, y0) of the L-shaped domain (a >= nx gives the rectangle)
// whose border nodes hold `value`, worked out without any walk.
double harmonicValue(int nx, int ny, int a, int b, int x0, int y0,
                     const std::function<double(int, int)>& value) {
    const auto border = [=](int i, int j) {
        return i == 0 || i == nx || j == 0 || j == ny || (i == a && j >= b) || (j == b && i >= a);
    };
    return HarmonicSolution(nx, ny, border, value).at(x0, y0);
}

// "Seno" with length lx: sin(x * 3.14) along the bottom row between its corners, 0 elsewhere.
std::function<double(int, int)> sineBorder(int nx, double lx) {
    return [=](int i, int j) {
        return j == 0 && i > 0 && i < nx ? std::sin(i * lx / nx * 3.14) : 0.0;
    };
}

}  // namespace

Q_DECLARE_METATYPE(Inputs)

class Form5Test : public QObject {
    Q_OBJECT

private:
    // "x^2-y^2" on a 4 x 4 grid of side 2, corner (2, 2), start (1, 1), N = 200.
    static void fillValidFields(const QWidget& screen) {
        typeInputs(screen, {"2", "2", "4", "4", "2", "2", "1", "1", "200"});
        chooseDatum(screen, 4);
    }

private slots:
    void layoutAndCaptions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Label1") << "Label1"
                                << "Dimensioni x" << QRect(1200, 480, 1095, 375);
        QTest::newRow("Text8") << "Text8"
                               << "" << QRect(2760, 1080, 2000, 375);
        QTest::newRow("Combo1") << "Combo1"
                                << "" << QRect(2760, 1680, 2000, 315);
        QTest::newRow("Label3") << "Label3"
                                << "Ascissa partenza (nel sistema discretizzato)"
                                << QRect(1200, 2880, 1575, 495);
        QTest::newRow("Text2") << "Text2"
                               << "" << QRect(2760, 3000, 2000, 280);
        QTest::newRow("Label8") << "Label8"
                                << "N° suddivisioni y" << QRect(5040, 1200, 1215, 495);
        QTest::newRow("Label10") << "Label10"
                                 << "Parametro a (nel sistema discretizzato)"
                                 << QRect(5040, 1920, 1575, 495);
        QTest::newRow("Text9") << "Text9"
                               << "" << QRect(6720, 1800, 2000, 495);
        QTest::newRow("Label11") << "Label11"
                                 << "Parametro b (nel sistema discretizzato)"
                                 << QRect(5040, 2640, 1575, 495);
        QTest::newRow("Text10") << "Text10"
                                << "" << QRect(6720, 2520, 2000, 495);
        QTest::newRow("Label6") << "Label6"
                                << "Risultato" << QRect(5040, 3840, 975, 735);
        QTest::newRow("Text5") << "Text5"
                               << "" << QRect(6720, 3840, 2000, 855);
        QTest::newRow("Command1") << "Command1"
                                  << "Calcola!" << QRect(1920, 4920, 3735, 1095);
        QTest::newRow("Command2") << "Command2"
                                  << "Torna al menù" << QRect(6000, 4920, 2655, 1095);
    }
    void layoutAndCaptions() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        TestContext t;
        Form5 screen(t.context);
        const double dpi = screenDpi();
        QCOMPARE(screen.objectName(), QStringLiteral("Form5"));
        QCOMPARE(screen.windowTitle(), QStringLiteral("Form5"));
        QCOMPARE(screen.size(), twipsSize(10845, 8610, dpi));
        auto* widget = child<QWidget>(screen, name.toLatin1().constData());
        QCOMPARE(widget->geometry(),
                 twipsRect({twips.left(), twips.top(), twips.width(), twips.height()}, dpi));
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            QCOMPARE(label->text(), caption);
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            QCOMPARE(button->text(), caption);
        } else if (auto* field = qobject_cast<QLineEdit*>(widget)) {
            QVERIFY(field->text().isEmpty());
        }
    }

    void datumListAndCalculateButton() {
        TestContext t;
        Form5 screen(t.context);
        auto* datum = child<QComboBox>(screen, "Combo1");
        QCOMPARE(datum->count(), 6);
        const QStringList entries = {"Nullo", "Seno", "ExpXSiny", "x*y", "x^2-y^2", "x^3-3xy^2"};
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(datum->itemText(k), entries[k]);
        }
        QCOMPARE(datum->currentIndex(), -1);
        auto* calculate = child<QPushButton>(screen, "Command1");
        QVERIFY(calculate->font().bold());
        QCOMPARE(calculate->font().pointSizeF(), 13.5);
        QVERIFY(child<QLineEdit>(screen, "Text5")->isReadOnly());
    }

    void focusOrder() {
        TestContext t;
        Form5 screen(t.context);
        QStringList order;
        QWidget* widget = child<QWidget>(screen, "Command1");
        for (int k = 0; k < 15; ++k) {
            order << widget->objectName();
            do {
                widget = widget->nextInFocusChain();
            } while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
        }
        QCOMPARE(order, QStringList({"Command1", "Text9", "Text10", "Text1", "Text8", "Text2",
                                     "Text3", "Text4", "Text6", "Text7", "Combo1", "Text5",
                                     "Command2", "Command3", "Check1"}));
        QCOMPARE(widget->objectName(), QStringLiteral("Command1"));
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QCOMPARE(screen.focusWidget(), child<QWidget>(screen, "Command1"));
    }

    void theFirstFieldThatFailsIsTheOneReported() {
        // Every field holds text that is not a number; mending them one at a time in the order of
        // reading moves the report on to the next field, always in the normal colour.
        TestContext t;
        Form5 screen(t.context);
        for (const FieldCaption& field : kReadOrder) {
            type(screen, field.name, "?");
        }
        chooseDatum(screen, 3);
        child<QLineEdit>(screen, "Text5")->setText("earlier");
        for (const FieldCaption& field : kReadOrder) {
            press(screen, "Command1");
            const RecordedMessage& report = t.messages.messages.back();
            QCOMPARE(report.kind, RecordedMessage::Kind::ErrorReport);
            QVERIFY2(report.text.contains("Tipo non corrispondente"), qPrintable(report.text));
            QVERIFY2(report.text.contains(QStringLiteral("\"%1\"").arg(field.caption)),
                     qPrintable(report.text));
            QCOMPARE(report.background, normalColour());
            QCOMPARE(text(screen, "Text5"), QStringLiteral("earlier"));
            type(screen, field.name, "1");
        }
        QCOMPARE(t.messages.messages.size(), std::size_t{9});
        // All nine mended: a 1 x 1 grid whose nodes are all border, start (1, 1) = X * Y = 1.
        press(screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{9});
        QCOMPARE(text(screen, "Text5"), QStringLiteral("1"));
    }

    void theGridIsCreatedBeforeTheDatumIsLookedAt() {
        // A negative count with no datum chosen: the grid fails before the missing-datum check.
        TestContext t;
        Form5 screen(t.context);
        fillValidFields(screen);
        chooseDatum(screen, -1);
        type(screen, "Text7", "-1");
        press(screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QCOMPARE(t.messages.messages.front().kind, RecordedMessage::Kind::ErrorReport);
        QVERIFY(t.messages.messages.front().text.contains("Indice non compreso"));
    }

    void missingDatumKeepsTheResultAndTheNormalColour() {
        TestContext t;
        Form5 screen(t.context);
        fillValidFields(screen);
        typeAll(screen, {{"Text2", "4"}, {"Text3", "1"}});
        press(screen, "Command1");
        QCOMPARE(text(screen, "Text5"), QStringLiteral("3.75"));

        chooseDatum(screen, -1);
        press(screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        const RecordedMessage& message = t.messages.messages.front();
        QCOMPARE(message.kind, RecordedMessage::Kind::Information);
        QCOMPARE(message.text, QStringLiteral("Seleziona un dato al bordo!"));
        QCOMPARE(message.background, normalColour());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("3.75"));
        QCOMPARE(background(screen), normalColour());

        // Choosing a datum and clicking again completes the calculation.
        chooseDatum(screen, 3);
        press(screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QCOMPARE(text(screen, "Text5"), QStringLiteral("1"));
        QCOMPARE(background(screen), normalColour());
    }

    // Each case: one field retyped, the caption the report must name (empty for none), the
    // error's Italian text, and whether the screen was red when the error came (only once the
    // fill is done and the walks are under way).
    void runTimeErrorsAreReportedAndTheProgramGoesOn_data() {
        QTest::addColumn<int>("datum");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("red");
        QTest::newRow("empty corner a") << 4 << "Text9"
                                        << ""
                                        << "Parametro a (nel sistema discretizzato)"
                                        << "Tipo non corrispondente" << false;
        QTest::newRow("corner b too large") << 4 << "Text10"
                                            << "40000"
                                            << "Parametro b (nel sistema discretizzato)"
                                            << "Overflow" << false;
        QTest::newRow("length y not a number") << 4 << "Text8"
                                               << "due"
                                               << "Dimensioni y"
                                               << "Tipo non corrispondente" << false;
        QTest::newRow("no walks") << 4 << "Text4"
                                  << "0"
                                  << ""
                                  << "virgola mobile" << true;
        QTest::newRow("start off the grid, x") << 4 << "Text2"
                                               << "5"
                                               << ""
                                               << "Indice non compreso" << true;
        QTest::newRow("start off the grid, y") << 4 << "Text3"
                                               << "-1"
                                               << ""
                                               << "Indice non compreso" << true;
        QTest::newRow("negative count") << 4 << "Text6"
                                        << "-1"
                                        << ""
                                        << "Indice non compreso" << false;
        QTest::newRow("zero count, ExpXSiny") << 2 << "Text7"
                                              << "0"
                                              << ""
                                              << "virgola mobile" << false;
        QTest::newRow("exp too large") << 2 << "Text1"
                                       << "1000"
                                       << ""
                                       << "virgola mobile" << false;
    }
    void runTimeErrorsAreReportedAndTheProgramGoesOn() {
        QFETCH(int, datum);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, caption);
        QFETCH(QString, error);
        QFETCH(bool, red);
        TestContext t;
        Form5 screen(t.context);
        fillValidFields(screen);
        chooseDatum(screen, datum);
        child<QLineEdit>(screen, "Text5")->setText("earlier");
        type(screen, field.toLatin1().constData(), typed);
        press(screen, "Command1");

        checkSingleErrorReport(t.messages, error, caption);
        if (QTest::currentTestFailed()) {
            return;
        }
        const RecordedMessage& report = t.messages.messages.front();
        QCOMPARE(report.background, red ? busyColour() : normalColour());
        QCOMPARE(background(screen), normalColour());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("earlier"));
        QCOMPARE(text(screen, field.toLatin1().constData()), typed);
        QCOMPARE(text(screen, "Text1"), field == "Text1" ? typed : QStringLiteral("2"));
        QCOMPARE(child<QComboBox>(screen, "Combo1")->currentIndex(), datum);
    }

    // Starts on the rectangle's border or on the inner corner's segments: every walk stops at
    // once and the screen shows that node's grid value, to the last digit whatever N is.
    void borderStartsShowTheirGridValue_data() {
        QTest::addColumn<int>("datum");
        QTest::addColumn<Inputs>("inputs");
        QTest::addColumn<QString>("shown");
        // lx, ly, nx, ny, a, b, x0, y0, N
        QTest::newRow("x^2-y^2, right side")
            << 4 << Inputs{"2", "2", "2", "2", "2", "2", "2", "1", "500"} << "3";
        QTest::newRow("x^2-y^2, corner column")
            << 4 << Inputs{"2", "2", "4", "4", "1", "2", "1", "3", "500"} << "-2";
        QTest::newRow("Nullo, corner row")
            << 0 << Inputs{"2", "2", "4", "4", "1", "2", "3", "2", "500"} << "0";
        QTest::newRow("Seno, bottom row")
            << 1 << Inputs{"1", "3", "4", "6", "2", "3", "2", "0", "30000"} << "0.999999682931835";
        QTest::newRow("Seno, corner column")
            << 1 << Inputs{"1", "3", "4", "6", "2", "3", "2", "5", "500"} << "0";
        QTest::newRow("Seno, top row")
            << 1 << Inputs{"1", "3", "4", "6", "2", "3", "1", "6", "500"} << "0";
        QTest::newRow("ExpXSiny, inner corner")
            << 2 << Inputs{"2", "2", "2", "2", "1", "1", "1", "1", "30000"} << "2.28735528717884";
        QTest::newRow("ExpXSiny, outer corner")
            << 2 << Inputs{"2", "2", "2", "2", "1", "1", "2", "2", "30000"} << "6.71884969742825";
        QTest::newRow("x*y, corner column")
            << 3 << Inputs{"3", "5", "6", "10", "2", "4", "2", "7", "500"} << "3.5";
        QTest::newRow("x^3-3xy^2, corner row")
            << 5 << Inputs{"4", "4", "4", "4", "1", "2", "3", "2", "500"} << "-9";
        QTest::newRow("x^3-3xy^2, inner corner")
            << 5 << Inputs{"2", "2", "2", "2", "1", "1", "1", "1", "500"} << "-2";
        QTest::newRow("corner row reaching x = 0")
            << 4 << Inputs{"4", "4", "4", "4", "0", "2", "3", "2", "500"} << "5";
        QTest::newRow("one walk") << 4 << Inputs{"2", "2", "2", "2", "2", "2", "0", "1", "1"}
                                  << "-1";
    }
    void borderStartsShowTheirGridValue() {
        QFETCH(int, datum);
        QFETCH(Inputs, inputs);
        QFETCH(QString, shown);
        TestContext t;
        Form5 screen(t.context);
        typeInputs(screen, inputs);
        chooseDatum(screen, datum);
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5"), shown);
        QCOMPARE(shownEstimate(screen, inputs.walks.toInt()).standardError, 0.0);
        QCOMPARE(background(screen), normalColour());
    }

    // Interior starts of the L-shaped domain: the seeded estimate lies within 5 standard errors
    // of the discrete harmonic value. For the three polynomial data that value is the function
    // itself at the node's point; for the other two it is worked out by relaxation.
    void interiorEstimatesAgreeWithTheDiscreteHarmonicValue_data() {
        QTest::addColumn<int>("datum");
        QTest::addColumn<Inputs>("inputs");
        QTest::addColumn<double>("exact");  // NaN: by relaxation
        QTest::newRow("x*y, unequal steps")
            << 3 << Inputs{"3", "2", "6", "8", "3", "4", "2", "3", "30000"} << 0.75;
        QTest::newRow("x*y, upper arm")
            << 3 << Inputs{"3", "2", "6", "8", "3", "4", "1", "6", "30000"} << 0.75;
        QTest::newRow("x^2-y^2") << 4 << Inputs{"2", "2", "8", "8", "4", "4", "2", "5", "30000"}
                                 << -1.3125;
        QTest::newRow("x^3-3xy^2")
            << 5 << Inputs{"2", "1.5", "8", "6", "5", "3", "3", "2", "30000"} << -0.140625;
        QTest::newRow("Seno") << 1 << Inputs{"1", "1", "6", "6", "3", "3", "2", "2", "30000"}
                              << std::nan("");
        QTest::newRow("ExpXSiny") << 2 << Inputs{"2", "2", "6", "6", "2", "4", "4", "2", "30000"}
                                  << std::nan("");
    }
    void interiorEstimatesAgreeWithTheDiscreteHarmonicValue() {
        QFETCH(int, datum);
        QFETCH(Inputs, inputs);
        QFETCH(double, exact);
        const int nx = inputs.nx.toInt();
        const int ny = inputs.ny.toInt();
        const double lx = inputs.lx.toDouble();
        const double ly = inputs.ly.toDouble();
        if (std::isnan(exact)) {
            std::function<double(int, int)> value = sineBorder(nx, lx);
            if (datum == 2) {
                value = [=](int i, int j) { return std::exp(i * lx / nx) * std::sin(j * ly / ny); };
            }
            exact = harmonicValue(nx, ny, inputs.a.toInt(), inputs.b.toInt(), inputs.x0.toInt(),
                                  inputs.y0.toInt(), value);
        }
        TestContext t(2718);
        Form5 screen(t.context);
        typeInputs(screen, inputs);
        chooseDatum(screen, datum);
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        const Shown shown = shownEstimate(screen, 30000);
        QVERIFY(shown.standardError > 0.0);
        QVERIFY2(std::fabs(shown.estimate - exact) <= 5 * shown.standardError,
                 qPrintable(QStringLiteral("estimate %1, exact %2, standard error %3")
                                .arg(shown.estimate)
                                .arg(exact)
                                .arg(shown.standardError)));
        QCOMPARE(background(screen), normalColour());
    }

    // Ticked, "Salti esatti" runs the walks as jumps: on an L of 2000 x 2000 steps, "x*y" (its
    // own discrete harmonic function) from a node in the upper arm, 32767 walks agree with
    // X Y = 0.25 * 0.75 within 5 standard errors.
    void fastWalksOnALargeLAgreeWithTheExactDiscreteValue() {
        TestContext t(2024);
        Form5 screen(t.context);
        typeInputs(screen, {"1", "1", "2000", "2000", "1000", "1000", "500", "1500", "32767"});
        chooseDatum(screen, 3);
        child<QCheckBox>(screen, "Check1")->setChecked(true);
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        const Shown shown = shownEstimate(screen, 32767);
        QVERIFY(shown.standardError > 0.0);
        QVERIFY2(std::fabs(shown.estimate - 0.1875) <= 5 * shown.standardError,
                 qPrintable(QStringLiteral("estimate %1, standard error %2")
                                .arg(shown.estimate)
                                .arg(shown.standardError)));
    }

    void aStartInsideTheRemovedBlockStaysThere() {
        // The block x > 2, y > 2 of the 8 x 8 grid is bounded by nodes that hold 0 for "Seno":
        // every walk from (5, 5) ends on one of them.
        TestContext t(99);
        Form5 screen(t.context);
        typeInputs(screen, {"1", "1", "8", "8", "2", "2", "5", "5", "2000"});
        chooseDatum(screen, 1);
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0"));

        // With "x*y" the block's walks estimate X * Y = 0.625 * 0.625 there.
        chooseDatum(screen, 3);
        type(screen, "Text4", "30000");
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        const Shown shown = shownEstimate(screen, 30000);
        QVERIFY(shown.standardError > 0.0);
        QVERIFY(std::fabs(shown.estimate - 0.390625) <= 5 * shown.standardError);
    }

    void aCornerBeyondTheGridGivesTheRectangle() {
        // a >= nx or b >= ny cuts nothing: the same seed gives the same walks as the square screen
        // and an estimate of the rectangle's harmonic value.
        const auto estimateWith = [](const QString& a, const QString& b) {
            TestContext t(31);
            Form5 screen(t.context);
            typeInputs(screen, {"1", "1", "4", "4", a, b, "2", "2", "5000"});
            chooseDatum(screen, 1);
            press(screen, "Command1");
            return t.messages.messages.empty() ? text(screen, "Text5") : QString("error");
        };
        TestContext t(31);
        Form2 square(t.context);
        typeAll(
            square,
            {{"Text1", "1"}, {"Text2", "2"}, {"Text3", "2"}, {"Text4", "5000"}, {"Text6", "4"}});
        chooseDatum(square, 1);
        press(square, "Command1");
        const QString onTheSquare = text(square, "Text5");
        QCOMPARE(estimateWith("4", "2"), onTheSquare);
        QCOMPARE(estimateWith("30000", "1"), onTheSquare);
        QCOMPARE(estimateWith("1", "4"), onTheSquare);
        // A corner inside the grid cuts: (2, 2) is then the inner corner, a border node holding 0.
        QCOMPARE(estimateWith("2", "2"), QStringLiteral("0"));
        const Shown shown = shownEstimate(square, 5000);
        const double exact = harmonicValue(4, 4, 4, 4, 2, 2, sineBorder(4, 1.0));
        QVERIFY(shown.standardError > 0.0);
        QVERIFY(std::fabs(shown.estimate - exact) <= 5 * shown.standardError);
    }

    void xTimesYOnALargeGrid() {
        // nx * ny = 40000 is beyond 16 bits; the fill still works.
        TestContext t;
        Form5 screen(t.context);
        typeInputs(screen, {"1", "1", "200", "200", "100", "100", "200", "100", "100"});
        chooseDatum(screen, 3);
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0.5"));
        typeAll(screen, {{"Text2", "100"}, {"Text3", "150"}});
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0.375"));
    }

    void theLargestWalkCountCompletes() {
        TestContext t;
        Form5 screen(t.context);
        typeInputs(screen, {"2", "2", "2", "2", "2", "2", "2", "1", "32767"});
        chooseDatum(screen, 4);
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("3"));
        QCOMPARE(child<QWidget>(screen, "Text5")->toolTip(),
                 QStringLiteral("errore standard 0 (N = 32767)"));
    }

    void aNegativeWalkCountGivesZero() {
        TestContext t;
        Form5 screen(t.context);
        fillValidFields(screen);
        type(screen, "Text4", "-5");
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0"));
        QCOMPARE(background(screen), normalColour());
    }
};

QTEST_MAIN(Form5Test)
#include "form5_test.moc"
