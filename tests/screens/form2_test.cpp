// The square's point screen, worked through its controls with a seeded source.
#include <QtTest>
#include <cmath>

#include "computing_screen.hpp"
#include "form2.hpp"
#include "screen_fixture.hpp"
#include "twips.hpp"

using namespace nurlo;
using namespace nurlo::test;

class Form2Test : public QObject {
    Q_OBJECT

private:
    // Side 1, 4 steps, start (2, 2), N = 100, "Seno".
    static void fillValidFields(const QWidget& screen) {
        typeAll(screen,
                {{"Text1", "1"}, {"Text2", "2"}, {"Text3", "2"}, {"Text4", "100"}, {"Text6", "4"}});
        chooseDatum(screen, 1);
    }

private slots:
    void layoutAndCaptions() {
        TestContext t;
        Form2 screen(t.context);
        const double dpi = screenDpi();
        QCOMPARE(screen.windowTitle(), QStringLiteral("Form2"));
        QCOMPARE(screen.width(), twipsSize(8070, 5355, dpi).width());
        QCOMPARE(child<QWidget>(screen, "Text6")->geometry(),
                 twipsRect({5880, 240, 1935, 495}, dpi));
        QCOMPARE(child<QWidget>(screen, "Text2")->geometry(),
                 twipsRect({2000, 1320, 2000, 285}, dpi));
        QCOMPARE(child<QWidget>(screen, "Text5")->geometry(),
                 twipsRect({5880, 2160, 1935, 855}, dpi));
        QCOMPARE(child<QWidget>(screen, "Command1")->geometry(),
                 twipsRect({1080, 3600, 3735, 1095}, dpi));
        QCOMPARE(child<QWidget>(screen, "Combo1")->geometry(),
                 twipsRect({2000, 840, 2000, 315}, dpi));
        QCOMPARE(child<QLabel>(screen, "Label7")->text(), QStringLiteral("N° suddivisioni"));
        QCOMPARE(child<QLabel>(screen, "Label4")->text(),
                 QStringLiteral("Ordinata partenza (nel sistema discretizzato)"));
        QCOMPARE(child<QPushButton>(screen, "Command2")->text(), QStringLiteral("Torna al menù"));
        // A caption cut by its box shows whole as the tooltip; one that fits has none.
        QCOMPARE(child<QLabel>(screen, "Label3")->toolTip(),
                 QStringLiteral("Ascissa partenza (nel sistema discretizzato)"));
        QVERIFY(child<QLabel>(screen, "Label1")->toolTip().isEmpty());
        auto* calculate = child<QPushButton>(screen, "Command1");
        QCOMPARE(calculate->text(), QStringLiteral("Calcola!"));
        QVERIFY(calculate->font().bold());
        QCOMPARE(calculate->font().pointSizeF(), 13.5);
        auto* datum = child<QComboBox>(screen, "Combo1");
        QCOMPARE(datum->count(), 2);
        QCOMPARE(datum->itemText(0), QStringLiteral("Nullo"));
        QCOMPARE(datum->itemText(1), QStringLiteral("Seno"));
        QCOMPARE(datum->currentIndex(), -1);
        for (const char* field : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"}) {
            QVERIFY(text(screen, field).isEmpty());
        }
    }

    void focusOrder() {
        TestContext t;
        Form2 screen(t.context);
        QStringList order;
        QWidget* widget = child<QWidget>(screen, "Command1");
        for (int k = 0; k < 12; ++k) {
            order << widget->objectName();
            do {
                widget = widget->nextInFocusChain();
            } while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
        }
        QCOMPARE(order,
                 QStringList({"Command1", "Text1", "Text2", "Text3", "Text4", "Combo1", "Text5",
                              "Command2", "Text6", "Command3", "Check1", "Command1"}));
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QCOMPARE(screen.focusWidget(), child<QWidget>(screen, "Command1"));
    }

    void estimateAgreesWithTheDiscreteHarmonicValue() {
        // The discrete harmonic value at (2, 2) of the 4 x 4 square with the sine border is
        // 0.2134234660; the seeded estimate with N = 30000 lies within 5 standard errors.
        TestContext t(2718);
        Form2 screen(t.context);
        fillValidFields(screen);
        type(screen, "Text4", "30000");
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        const double estimate = text(screen, "Text5").toDouble();
        const QString tip = child<QWidget>(screen, "Text5")->toolTip();
        QVERIFY2(tip.startsWith("errore standard ") && tip.endsWith("(N = 30000)"),
                 qPrintable(tip));
        const double standardError = tip.section(' ', 2, 2).toDouble();
        QVERIFY(standardError > 0.0);
        QVERIFY2(
            std::fabs(estimate - 0.2134234660) <= 5 * standardError,
            qPrintable(
                QStringLiteral("estimate %1, standard error %2").arg(estimate).arg(standardError)));
        QCOMPARE(background(screen), normalColour());
    }

    void borderStartsShowTheirBorderValue_data() {
        QTest::addColumn<QString>("x0");
        QTest::addColumn<QString>("y0");
        QTest::addColumn<int>("datum");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bottom row, sine") << "2"
                                          << "0" << 1 << "0.999999682931835";
        QTest::newRow("top row, sine") << "2"
                                       << "4" << 1 << "0";
        QTest::newRow("right side x0 = n") << "4"
                                           << "1" << 1 << "0";
        QTest::newRow("left side") << "0"
                                   << "3" << 1 << "0";
        QTest::newRow("interior, nothing") << "1"
                                           << "3" << 0 << "0";
    }
    void borderStartsShowTheirBorderValue() {
        QFETCH(QString, x0);
        QFETCH(QString, y0);
        QFETCH(int, datum);
        QFETCH(QString, shown);
        TestContext t;
        Form2 screen(t.context);
        fillValidFields(screen);
        typeAll(screen, {{"Text2", x0}, {"Text3", y0}, {"Text4", "250"}});
        chooseDatum(screen, datum);
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5"), shown);
    }

    void missingDatumKeepsTheResultAndEndsInTheNormalColour() {
        TestContext t;
        Form2 screen(t.context);
        fillValidFields(screen);
        type(screen, "Text2", "0");
        press(screen, "Command1");
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0"));

        chooseDatum(screen, -1);
        press(screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        const RecordedMessage& message = t.messages.messages.front();
        QCOMPARE(message.kind, RecordedMessage::Kind::Information);
        QCOMPARE(message.text, QStringLiteral("Seleziona un dato al bordo!"));
        QCOMPARE(message.background, busyColour());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("0"));
        QCOMPARE(background(screen), normalColour());

        // Choosing a datum and clicking again completes the calculation.
        chooseDatum(screen, 1);
        press(screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QCOMPARE(background(screen), normalColour());
    }

    // Each case: the fields as typed, the field the report must name (empty for none) and the
    // error's Italian text that the report must contain.
    void runTimeErrorsAreReportedAndTheProgramGoesOn_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty length") << "Text1"
                                      << ""
                                      << "Dimensioni"
                                      << "Tipo non corrispondente";
        QTest::newRow("text start abscissa") << "Text2"
                                             << "due"
                                             << "Ascissa partenza (nel sistema discretizzato)"
                                             << "Tipo non corrispondente";
        QTest::newRow("length beyond a double") << "Text1"
                                                << "1e400"
                                                << "Dimensioni"
                                                << "numero troppo grande";
        QTest::newRow("N too large") << "Text4"
                                     << "40000"
                                     << "N prove"
                                     << "Overflow";
        QTest::newRow("subdivisions with a letter") << "Text6"
                                                    << "4x"
                                                    << "N° suddivisioni"
                                                    << "Tipo non corrispondente";
        QTest::newRow("no walks") << "Text4"
                                  << "0"
                                  << ""
                                  << "virgola mobile";
        QTest::newRow("start off the grid") << "Text2"
                                            << "5"
                                            << ""
                                            << "Indice non compreso";
        QTest::newRow("negative subdivisions") << "Text6"
                                               << "-1"
                                               << ""
                                               << "Indice non compreso";
        QTest::newRow("no steps with the sine") << "Text6"
                                                << "0"
                                                << ""
                                                << "virgola mobile";
    }
    void runTimeErrorsAreReportedAndTheProgramGoesOn() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, caption);
        QFETCH(QString, error);
        TestContext t;
        Form2 screen(t.context);
        fillValidFields(screen);
        type(screen, "Text5", "");
        child<QLineEdit>(screen, "Text5")->setText("earlier");
        type(screen, field.toLatin1().constData(), typed);
        press(screen, "Command1");

        checkSingleErrorReport(t.messages, error, caption);
        if (QTest::currentTestFailed()) {
            return;
        }
        const RecordedMessage& report = t.messages.messages.front();
        // Red from before the first field was read; normal again once the report is dismissed.
        QCOMPARE(report.background, busyColour());
        QCOMPARE(background(screen), normalColour());
        QCOMPARE(text(screen, "Text5"), QStringLiteral("earlier"));
        QCOMPARE(text(screen, field.toLatin1().constData()), typed);
    }

    void theFirstFieldThatFailsIsTheOneReported() {
        // Read order: Text1, Text2, Text3, Text4, Text6.
        TestContext t;
        Form2 screen(t.context);
        typeAll(screen,
                {{"Text1", "1"}, {"Text2", "x"}, {"Text3", "y"}, {"Text4", "z"}, {"Text6", "w"}});
        press(screen, "Command1");
        QVERIFY(t.messages.messages.back().text.contains(
            "\"Ascissa partenza (nel sistema discretizzato)\""));
        type(screen, "Text2", "1");
        press(screen, "Command1");
        QVERIFY(t.messages.messages.back().text.contains(
            "\"Ordinata partenza (nel sistema discretizzato)\""));
        type(screen, "Text3", "1");
        press(screen, "Command1");
        QVERIFY(t.messages.messages.back().text.contains("\"N prove\""));
        type(screen, "Text4", "1");
        press(screen, "Command1");
        QVERIFY(t.messages.messages.back().text.contains("\"N° suddivisioni\""));
    }

    // A negative N runs no walk: the estimate is 0 and its standard error 0, never NaN.
    void aNegativeWalkCountShowsNoStandardError() {
        TestContext t;
        Form2 screen(t.context);
        fillValidFields(screen);
        for (const QString walks : {"-5", "-32768"}) {
            type(screen, "Text4", walks);
            press(screen, "Command1");
            QCOMPARE(text(screen, "Text5") + " " + child<QWidget>(screen, "Text5")->toolTip(),
                     "0 errore standard 0 (N = " + walks + ")");
        }
        QVERIFY(t.messages.messages.empty());
    }

    void theLargestWalkCountCompletes() {
        TestContext t;
        Form2 screen(t.context);
        fillValidFields(screen);
        typeAll(screen, {{"Text2", "1"}, {"Text3", "0"}, {"Text4", "32767"}});
        press(screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(text(screen, "Text5").left(12), QStringLiteral("0.7068251811"));
    }
};

QTEST_MAIN(Form2Test)
#include "form2_test.moc"
