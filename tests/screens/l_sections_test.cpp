// The L-shaped domain's section screens, worked through their controls with a seeded source: the
// script they write for each datum and each extent of the line, the order of a click's steps and
// the colour at each of them.
#include <QtTest>
#include <cmath>
#include <fstream>

#include "boundary_datum.hpp"
#include "computing_screen.hpp"
#include "grid_memory.hpp"
#include "grid_problem.hpp"
#include "l_section_screen.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "section_file.hpp"
#include "twips.hpp"
#include "walk.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

QString sectionCaption(int form) {
    return form == 6 ? QStringLiteral("Ordinata partenza (nel sistema discretizzato)")
                     : QStringLiteral("Ascissa partenza (nel sistema discretizzato)");
}

// The eight fields in the order a click reads them, with their captions.
QList<QPair<const char*, QString>> readOrder(int form) {
    return {{"Text9", QStringLiteral("Parametro a (nel sistema discretizzato)")},
            {"Text10", QStringLiteral("Parametro b (nel sistema discretizzato)")},
            {"Text1", QStringLiteral("Dimensioni x")},
            {"Text8", QStringLiteral("Dimensioni y")},
            {"Text3", sectionCaption(form)},
            {"Text4", QStringLiteral("N prove")},
            {"Text6", QStringLiteral("N° suddivisioni x")},
            {"Text7", QStringLiteral("N° suddivisioni y")}};
}

// One calculation's inputs, as typed.
struct Inputs {
    QString lx, ly, nx, ny, a, b, section, walks;
};

// Lx = 3 in 6 steps, Ly = 2 in 4 steps (the same step 0.5 on both axes), inner corner (3, 2).
const Inputs kDomain = {"3", "2", "6", "4", "3", "2", "1", "50"};

void typeInputs(const QWidget& screen, const Inputs& in, int datum) {
    typeAll(screen, {{"Text1", in.lx},
                     {"Text8", in.ly},
                     {"Text6", in.nx},
                     {"Text7", in.ny},
                     {"Text9", in.a},
                     {"Text10", in.b},
                     {"Text3", in.section},
                     {"Text4", in.walks}});
    chooseDatum(screen, datum);
}

// The six closing lines of a script whose nodes are `step` apart up to `end`.
QStringList closingLines(int form, const QString& step, const QString& end) {
    const bool x = form == 6;
    return {QStringLiteral("%1=0:%2:%3;").arg(x ? "x2" : "y2", step, end),
            x ? "plot(x,z)" : "plot(y,z)",
            "hold on",
            x ? "plot (x2,z2,'.')" : "plot (y2,z2,'.')",
            x ? "xlabel ('Ascissa di partenza')" : "xlabel ('Ordinata di partenza')",
            "ylabel ('Vincita')"};
}

// Line 3 of the script, by datum.
QString exactSolutionLine(int form, int datum) {
    const bool x = form == 6;
    switch (datum) {
        case 0:
            return x ? "z=zeros(size(x));" : "z=zeros(size(y));";
        case 1:
            return x ? "z=NaN(size(x));" : "z=NaN(size(y));";
        case 2:
            return "z=exp(x).*sin(y);";
        case 3:
            return "z=x*y;";
        case 4:
            return x ? "z=x.^2-y^2;" : "z=x^2-y.^2;";
        default:
            return x ? "z=x.^3-3*x*y^2;" : "z=x^3-3*x*y.^2;";
    }
}

// The text of `field` in `in`.
QString validText(const Inputs& in, const QString& field) {
    const QPair<const char*, QString> fields[] = {
        {"Text1", in.lx}, {"Text8", in.ly}, {"Text6", in.nx},      {"Text7", in.ny},
        {"Text9", in.a},  {"Text10", in.b}, {"Text3", in.section}, {"Text4", in.walks}};
    for (const auto& [name, text] : fields) {
        if (field == QLatin1String(name)) {
            return text;
        }
    }
    return {};
}

void writeFile(const std::filesystem::path& path, const char* text) { std::ofstream(path) << text; }

}  // namespace

class LSectionsTest : public QObject {
    Q_OBJECT

private:
    static void addFormColumn() {
        QTest::addColumn<int>("form");
        QTest::newRow("Form6") << 6;
        QTest::newRow("Form7") << 7;
    }

private slots:
    void layoutAndCaptions_data() { addFormColumn(); }
    void layoutAndCaptions() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        const double dpi = screenDpi();
        const LSectionDesign& design = form == 6 ? kForm6Design : kForm7Design;
        QCOMPARE(screen->windowTitle(), QStringLiteral("Form%1").arg(form));
        QCOMPARE(screen->width(), twipsToPixels(design.widthTwips, dpi));
        // Every control stands where the screen's design puts it, each field beside its label.
        const auto rect = [&](const TwipsRect& r) { return twipsRect(r, dpi); };
        const auto at = [&](const TwipsPoint& p, int width, int height) {
            return twipsRect({p.left, p.top, width, height}, dpi);
        };
        const QPair<const char*, QRect> places[] = {
            {"Label1", rect(design.lengthXLabel)},
            {"Text1", rect(design.lengthX)},
            {"Label9", rect(design.lengthYLabel)},
            {"Text8", rect(design.lengthY)},
            {"Label2", rect(design.datumLabel)},
            {"Combo1", at(design.datum, 2000, 315)},
            {"Label4", rect(design.sectionLabel)},
            {"Text3", rect(design.section)},
            {"Label5", rect(design.walksLabel)},
            {"Text4", rect(design.walks)},
            {"Label7", rect(design.divisionsXLabel)},
            {"Text6", rect(design.divisionsX)},
            {"Label8", rect(design.divisionsYLabel)},
            {"Text7", rect(design.divisionsY)},
            {"Label10", rect(design.cornerALabel)},
            {"Text9", rect(design.cornerA)},
            {"Label11", rect(design.cornerBLabel)},
            {"Text10", rect(design.cornerB)},
            {"Command1", at(design.calculateButton, 3735, 1095)},
            {"Command2", at(design.backButton, 2655, 1095)},
            {"Label3", at(design.note, 7815, 615)},
        };
        for (const auto& [name, place] : places) {
            QVERIFY2(child<QWidget>(*screen, name)->geometry() == place, name);
        }
        const QPair<const char*, QString> captions[] = {
            {"Label1", "Dimensioni x"},
            {"Label9", "Dimensioni y"},
            {"Label2", "Dato al bordo"},
            {"Label4", sectionCaption(form)},
            {"Label5", "N prove"},
            {"Label7", "N° suddivisioni x"},
            {"Label8", "N° suddivisioni y"},
            {"Label10", "Parametro a (nel sistema discretizzato)"},
            {"Label11", "Parametro b (nel sistema discretizzato)"},
            {"Label3",
             "Nota: il programma scrive il risultato nel file di testo che si trova nella "
             "cartella in cui il programma è in esecuzione, di nome risultato.m"},
        };
        for (const auto& [name, caption] : captions) {
            QCOMPARE(child<QLabel>(*screen, name)->text(), caption);
        }
        auto* calculate = child<QPushButton>(*screen, "Command1");
        QCOMPARE(calculate->text(), QStringLiteral("Calcola!"));
        QVERIFY(calculate->font().bold());
        QCOMPARE(calculate->font().pointSizeF(), 13.5);
        QCOMPARE(child<QPushButton>(*screen, "Command2")->text(), QStringLiteral("Torna al menù"));
        auto* datum = child<QComboBox>(*screen, "Combo1");
        QCOMPARE(datum->count(), int(kBoundaryData.size()));
        for (const BoundaryDatumRow& row : kBoundaryData) {
            QCOMPARE(datum->itemText(int(row.datum)), QString::fromUtf8(row.listText.data()));
        }
        QCOMPARE(datum->itemText(5), QStringLiteral("x^3-3xy^2"));
        QCOMPARE(datum->currentIndex(), -1);
        for (const auto& [name, caption] : readOrder(form)) {
            QVERIFY(text(*screen, name).isEmpty());
        }
    }

    // "Calcola!" first, then the fields in the order a click reads them.
    void focusOrder_data() { addFormColumn(); }
    void focusOrder() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        QStringList order;
        QWidget* widget = child<QWidget>(*screen, "Command1");
        for (int k = 0; k < 14; ++k) {
            order << widget->objectName();
            do {
                widget = widget->nextInFocusChain();
            } while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
        }
        QCOMPARE(order, QStringList({"Command1", "Text9", "Text10", "Text1", "Text8", "Text3",
                                     "Text4", "Text6", "Text7", "Combo1", "Command2", "Command3",
                                     "Check1", "Command1"}));
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
        QCOMPARE(screen->focusWidget(), child<QWidget>(*screen, "Command1"));
    }

    // The extent of the line, the values of the header and closing lines, and the estimates: on
    // the two end nodes, which lie on the border, the mean of N copies of their value; between
    // them, within 5 standard errors of x^2 - y^2, which with the same step on both axes is the
    // discrete harmonic function for its own border values (end values within [-4, 9], so the
    // standard error is at most 6.5 / sqrt(N); seed 77).
    void theLineAndItsScript_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("lastNode");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("fixedCoordinate");
        // Form6: the line at ordinate j runs to x = nx below the corner (j < b), else to x = a.
        QTest::newRow("Form6 j < b") << 6 << "3"
                                     << "2" << 1 << 6 << "3"
                                     << "0.5";
        QTest::newRow("Form6 j > b") << 6 << "3"
                                     << "2" << 3 << 3 << "1.5"
                                     << "1.5";
        QTest::newRow("Form6 j = b, to the corner") << 6 << "3"
                                                    << "2" << 2 << 3 << "1.5"
                                                    << "1";
        QTest::newRow("Form6 top side") << 6 << "3"
                                        << "2" << 4 << 3 << "1.5"
                                        << "2";
        QTest::newRow("Form6 bottom side") << 6 << "3"
                                           << "2" << 0 << 6 << "3"
                                           << "0";
        QTest::newRow("Form6 b > ny, nothing cut") << 6 << "3"
                                                   << "5" << 3 << 6 << "3"
                                                   << "1.5";
        QTest::newRow("Form6 a = nx") << 6 << "6"
                                      << "2" << 3 << 6 << "3"
                                      << "1.5";
        QTest::newRow("Form6 a = 0") << 6 << "0"
                                     << "2" << 3 << 0 << "0"
                                     << "1.5";
        // Form7: the line at abscissa i runs to y = ny left of the corner (i < a), else to y = b.
        QTest::newRow("Form7 i < a") << 7 << "3"
                                     << "2" << 1 << 4 << "2"
                                     << "0.5";
        QTest::newRow("Form7 i > a") << 7 << "3"
                                     << "2" << 5 << 2 << "1"
                                     << "2.5";
        QTest::newRow("Form7 i = a, to the corner") << 7 << "3"
                                                    << "2" << 3 << 2 << "1"
                                                    << "1.5";
        QTest::newRow("Form7 right side") << 7 << "3"
                                          << "2" << 6 << 2 << "1"
                                          << "3";
        QTest::newRow("Form7 left side") << 7 << "3"
                                         << "2" << 0 << 4 << "2"
                                         << "0";
        QTest::newRow("Form7 a > nx, nothing cut") << 7 << "7"
                                                   << "2" << 5 << 4 << "2"
                                                   << "2.5";
        QTest::newRow("Form7 b = ny") << 7 << "3"
                                      << "4" << 5 << 4 << "2"
                                      << "2.5";
        QTest::newRow("Form7 b = 0") << 7 << "3"
                                     << "0" << 5 << 0 << "0"
                                     << "2.5";
    }
    void theLineAndItsScript() {
        QFETCH(int, form);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, section);
        QFETCH(int, lastNode);
        QFETCH(QString, end);
        QFETCH(QString, fixedCoordinate);
        constexpr int walks = 30000;
        TestContext t(77);
        const auto screen = createScreen(form, t.context);
        Inputs in = kDomain;
        in.a = a;
        in.b = b;
        in.section = QString::number(section);
        in.walks = QString::number(walks);
        typeInputs(*screen, in, 4);
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(background(*screen), normalColour());

        const bool six = form == 6;
        const QStringList lines = fileLines(t.context.resultPath);
        const int nodes = lastNode + 1;
        QCOMPARE(lines.size(), 4 + nodes + 6);
        QCOMPARE(lines[0], QStringLiteral("%1=0:0.05:%2;").arg(six ? "x" : "y", end));
        QCOMPARE(lines[1], QStringLiteral("%1=%2;").arg(six ? "y" : "x", fixedCoordinate));
        QCOMPARE(lines[2], exactSolutionLine(form, 4));
        QCOMPARE(lines[3], QStringLiteral("z2=[];"));
        QCOMPARE(lines.mid(4 + nodes), closingLines(form, "0.5", end));

        const WalkDomain domain = WalkDomain::lShaped(6, 4, Int16(a.toInt()), Int16(b.toInt()));
        const std::vector<NodeLine> estimates = nodeLines(lines);
        QCOMPARE(estimates.size(), std::size_t(nodes));
        const double bound = 5.0 * 6.5 / std::sqrt(double{walks});
        for (int k = 0; k <= lastNode; ++k) {
            const NodeLine& line = estimates[std::size_t(k)];
            const Node node = six ? Node{Int16(k), Int16(section)} : Node{Int16(section), Int16(k)};
            const double x = node.x * 0.5;
            const double y = node.y * 0.5;
            const double exact = x * x - y * y;
            const QString where =
                QStringLiteral("node (%1, %2): %3").arg(node.x).arg(node.y).arg(lines[4 + k]);
            QVERIFY2(line.index == k + 1, qPrintable(where));
            if (k == 0 || k == lastNode) {
                QVERIFY2(domain.stops(node), qPrintable(where));
            }
            if (domain.stops(node)) {
                QVERIFY2(std::fabs(line.estimate - meanOfCopies(exact, walks)) <= 1e-12,
                         qPrintable(where));
            } else {
                QVERIFY2(std::fabs(line.estimate - exact) <= bound, qPrintable(where));
            }
        }
    }

    // Every datum: line 3 defines z along the line, and the six closing lines follow the nodes.
    // On the bottom side (Form6) or the left side (Form7) every node is on the border.
    void everyDatumHasItsExactSolutionAndClosingLines_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("datum");
        for (const int form : {6, 7}) {
            for (const BoundaryDatumRow& row : kBoundaryData) {
                QTest::addRow("Form%d %s", form, row.listText.data()) << form << int(row.datum);
            }
        }
    }
    void everyDatumHasItsExactSolutionAndClosingLines() {
        QFETCH(int, form);
        QFETCH(int, datum);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        Inputs in = kDomain;
        in.section = "0";
        typeInputs(*screen, in, datum);
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        const QStringList lines = fileLines(t.context.resultPath);
        const int nodes = form == 6 ? 7 : 5;
        QCOMPARE(lines.size(), 4 + nodes + 6);
        QCOMPARE(lines[2], exactSolutionLine(form, datum));
        QCOMPARE(lines.mid(4 + nodes), closingLines(form, "0.5", form == 6 ? "3" : "2"));

        BoundaryGrid grid(6, 4, kTestGridMemory);
        fillBoundary(grid, gridProblem(grid, static_cast<BoundaryDatum>(datum), 3.0, 2.0));
        const std::vector<NodeLine> estimates = nodeLines(lines);
        QCOMPARE(estimates.size(), std::size_t(nodes));
        for (int k = 0; k < nodes; ++k) {
            const double value = form == 6 ? grid.at(k, 0) : grid.at(0, k);
            QVERIFY2(std::fabs(estimates[std::size_t(k)].estimate - meanOfCopies(value, 50)) <=
                         1e-12 * (1.0 + std::fabs(value)),
                     qPrintable(lines[4 + k]));
            if (datum == 0) {
                QCOMPARE(lines[4 + k], QStringLiteral("z2(%1)=0;").arg(k + 1));
            }
        }
    }

    // The file is opened before anything else: an earlier file is emptied even when the first
    // field read fails, and a file that cannot be opened is reported before any field is read.
    void theFileIsOpenedFirst_data() { addFormColumn(); }
    void theFileIsOpenedFirst() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        writeFile(t.context.resultPath, "z2(1)=9;\n");
        press(*screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QVERIFY(t.messages.messages.back().text.contains(
            "\"Parametro a (nel sistema discretizzato)\""));
        QCOMPARE(fileLines(t.context.resultPath), QStringList());

        t.context.resultPath =
            t.context.resultPath.parent_path() / "no-such-folder" / "risultato.m";
        press(*screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{2});
        const RecordedMessage& report = t.messages.messages.back();
        QVERIFY2(report.text.contains("Errore di file"), qPrintable(report.text));
        QVERIFY2(!report.text.contains("Campo"), qPrintable(report.text));
    }

    // Read order: a, b, Lx, Ly, the section index, N, nx, ny; each failure reported while the
    // screen is in the normal colour, which it only leaves after the fill.
    void theFirstFieldThatFailsIsTheOneReported_data() { addFormColumn(); }
    void theFirstFieldThatFailsIsTheOneReported() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        const auto order = readOrder(form);
        for (const auto& [name, caption] : order) {
            type(*screen, name, "?");
        }
        for (const auto& [name, caption] : order) {
            press(*screen, "Command1");
            const RecordedMessage& report = t.messages.messages.back();
            QVERIFY2(report.text.contains("\"" + caption + "\""), qPrintable(report.text));
            QVERIFY2(report.text.contains("Tipo non corrispondente"), qPrintable(report.text));
            QCOMPARE(report.background, normalColour());
            QCOMPARE(fileLines(t.context.resultPath), QStringList());
            type(*screen, name, "1");
        }
        QCOMPARE(t.messages.messages.size(), std::size_t(order.size()));
    }

    // No datum: the message while the screen is in the normal colour, which it keeps, and an
    // empty file in place of the last calculation's.
    void missingDatumLeavesAnEmptyFile_data() { addFormColumn(); }
    void missingDatumLeavesAnEmptyFile() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        typeInputs(*screen, kDomain, 3);
        press(*screen, "Command1");
        QVERIFY(fileLines(t.context.resultPath).size() > 9);

        chooseDatum(*screen, -1);
        press(*screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        const RecordedMessage& message = t.messages.messages.front();
        QCOMPARE(message.kind, RecordedMessage::Kind::Information);
        QCOMPARE(message.text, QStringLiteral("Seleziona un dato al bordo!"));
        QCOMPARE(message.background, normalColour());
        QVERIFY(std::filesystem::exists(t.context.resultPath));
        QCOMPARE(fileLines(t.context.resultPath), QStringList());
        QCOMPARE(background(*screen), normalColour());
    }

    // Each case: fields changed from the valid set, the error's text, whether the screen was busy
    // when it was reported, and how many lines the file holds afterwards: the lines written before
    // the error, none when it comes before line 1.
    void runTimeErrorsKeepTheLinesWritten_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("datum");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("lines");
        for (const int form : {6, 7}) {
            QTest::addRow("Form%d: no walks", form) << form << "Text4"
                                                    << "0" << 3 << "virgola mobile" << true << 4;
            QTest::addRow("Form%d: N too large", form) << form << "Text4"
                                                       << "32768" << 3 << "Overflow" << false << 0;
            QTest::addRow("Form%d: nx = 0 with nothing on the border", form)
                << form << "Text6"
                << "0" << 0 << "virgola mobile" << false << 0;
            QTest::addRow("Form%d: ny = 0 with nothing on the border", form)
                << form << "Text7"
                << "0" << 0 << "virgola mobile" << false << 0;
            QTest::addRow("Form%d: exponential too large for a double", form)
                << form << "Text1"
                << "1000" << 2 << "virgola mobile" << false << 0;
            QTest::addRow("Form%d: negative subdivisions", form)
                << form << "Text7"
                << "-1" << 3 << "Indice non compreso" << false << 0;
            QTest::addRow("Form%d: negative section index", form)
                << form << "Text3"
                << "-1" << 3 << "Indice non compreso" << false << 0;
        }
        // A line off the grid is refused before any walk and before line 1.
        QTest::newRow("Form6: j = ny + 1") << 6 << "Text3"
                                           << "5" << 3 << "Indice non compreso" << false << 0;
        QTest::newRow("Form6: j >= b with a > nx")
            << 6 << "Text9"
            << "7" << 3 << "Indice non compreso" << false << 0;
        QTest::newRow("Form7: i = nx + 1") << 7 << "Text3"
                                           << "7" << 3 << "Indice non compreso" << false << 0;
        QTest::newRow("Form7: i >= a with b > ny")
            << 7 << "Text10"
            << "5" << 3 << "Indice non compreso" << false << 0;
    }
    void runTimeErrorsKeepTheLinesWritten() {
        QFETCH(int, form);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, datum);
        QFETCH(QString, error);
        QFETCH(bool, busy);
        QFETCH(int, lines);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        Inputs in = kDomain;
        in.section = "3";  // at or past the corner on both screens: the line ends at it
        typeInputs(*screen, in, datum);
        type(*screen, field.toLatin1().constData(), typed);
        press(*screen, "Command1");

        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        const RecordedMessage& report = t.messages.messages.front();
        QCOMPARE(report.kind, RecordedMessage::Kind::ErrorReport);
        QVERIFY2(report.text.contains(error), qPrintable(report.text));
        QCOMPARE(report.background, busy ? busyColour() : normalColour());
        QCOMPARE(background(*screen), normalColour());
        const QStringList written = fileLines(t.context.resultPath);
        QCOMPARE(written.size(), lines);
        if (lines == 4) {
            QCOMPARE(written[2], exactSolutionLine(form, datum));
        }

        // The program goes on: the next click with valid fields completes.
        type(*screen, field.toLatin1().constData(), validText(in, field));
        press(*screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QCOMPARE(fileLines(t.context.resultPath).size(), 4 + (form == 6 ? 4 : 3) + 6);
    }

    // A line across 32768 nodes would number its last node 32768, beyond 16 bits: it is refused
    // with the overflow error before any walk and before line 1, not after all the walks.
    void aLineWhoseLastNodeIndexOverflowsIsRefusedAtOnce_data() { addFormColumn(); }
    void aLineWhoseLastNodeIndexOverflowsIsRefusedAtOnce() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        Inputs in = kDomain;
        (form == 6 ? in.nx : in.ny) = "32767";
        (form == 6 ? in.b : in.a) = "9";  // past the section index: the line runs to the far side
        typeInputs(*screen, in, 4);
        press(*screen, "Command1");
        checkSingleErrorReport(t.messages, "Overflow", {});
        QVERIFY(fileLines(t.context.resultPath).isEmpty());
    }

    // A line off the grid, or whose last node would be numbered 32768, is refused from the fields
    // alone, even with no datum: before the grid is asked for, which the gauge here refuses. The
    // cases in Form6's terms; Form7 has a with b and nx with ny exchanged.
    void aLineTheFieldsRefuseNeedsNoGrid_data() { addFormColumn(); }
    void aLineTheFieldsRefuseNeedsNoGrid() {
        QFETCH(int, form);
        static std::size_t (*const noMemory)() = [] { return std::size_t{0}; };
        const std::tuple<Inputs, int, const char*> cases[] = {
            {{"1", "1", "32767", "32767", "3", "2", "-1", "5"}, 3, "Indice non compreso"},
            {{"1", "1", "32767", "32767", "3", "2", "-1", "5"}, -1, "Indice non compreso"},
            {{"1", "1", "32766", "32767", "32767", "0", "5", "5"}, 3, "Indice non compreso"},
            {{"1", "1", "32767", "32767", "3", "9", "5", "5"}, 3, "Overflow"},
        };
        for (auto [in, datum, error] : cases) {
            if (form == 7) {
                std::swap(in.nx, in.ny);
                std::swap(in.a, in.b);
            }
            TestContext t(3, *noMemory);
            const auto screen = createScreen(form, t.context);
            typeInputs(*screen, in, datum);
            press(*screen, "Command1");
            checkSingleErrorReport(t.messages, error, {});
            QVERIFY2(fileLines(t.context.resultPath).isEmpty(), error);
        }
    }

    // A corner with a negative index leaves the line from the corner's row on without nodes: the
    // script has its header and closing lines only, and no walk runs.
    void aNegativeCornerLeavesNoNodes_data() { addFormColumn(); }
    void aNegativeCornerLeavesNoNodes() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        Inputs in = kDomain;
        (form == 6 ? in.a : in.b) = "-1";
        (form == 6 ? in.b : in.a) = "1";
        in.section = "2";
        typeInputs(*screen, in, 4);
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        const QStringList lines = fileLines(t.context.resultPath);
        QCOMPARE(lines.size(), 4 + 6);
        QCOMPARE(lines[0],
                 form == 6 ? QStringLiteral("x=0:0.05:-0.5;") : QStringLiteral("y=0:0.05:-0.5;"));
        QVERIFY(nodeLines(lines).empty());
    }
};

QTEST_MAIN(LSectionsTest)
#include "l_sections_test.moc"
