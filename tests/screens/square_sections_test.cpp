// The square's section screens, worked through their controls with a seeded source: the file
// they write, the order of a click's steps and the colour at each of them.
#include <QtTest>
#include <cmath>
#include <fstream>
#include <memory>

#include "boundary_datum.hpp"
#include "computing_screen.hpp"
#include "grid_memory.hpp"
#include "grid_problem.hpp"
#include "harmonic.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "section_file.hpp"
#include "twips.hpp"
#include "walk.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

// The x-section screen walks the nodes (k, s), the y-section screen the nodes (s, k).
Node sectionNodeOf(int form, int s, int k) {
    return form == 3 ? Node{static_cast<Int16>(k), static_cast<Int16>(s)}
                     : Node{static_cast<Int16>(s), static_cast<Int16>(k)};
}

QString sectionCaption(int form) {
    return form == 3 ? QStringLiteral("Ordinata sezione (nel sistema discretizzato)")
                     : QStringLiteral("Ascissa sezione (nel sistema discretizzato)");
}

// Side, section index, walks and subdivisions as typed; a datum chosen.
void typeInputs(const QWidget& screen, const QString& side, const QString& s, const QString& walks,
                const QString& n, int datum) {
    typeAll(screen, {{"Text1", side}, {"Text3", s}, {"Text4", walks}, {"Text6", n}});
    chooseDatum(screen, datum);
}

void writeFile(const std::filesystem::path& path, const char* text) { std::ofstream(path) << text; }

// The lines of the file as numbers; a line that is not a number fails the test.
std::vector<double> numbers(const QStringList& lines) {
    std::vector<double> values;
    for (const QString& line : lines) {
        bool ok = false;
        values.push_back(line.toDouble(&ok));
        if (!ok) {
            qWarning("not a number: %s", qPrintable(line));
            return {};
        }
    }
    return values;
}

}  // namespace

class SquareSectionsTest : public QObject {
    Q_OBJECT

private:
    static void addFormColumn() {
        QTest::addColumn<int>("form");
        QTest::newRow("Form3") << 3;
        QTest::newRow("Form4") << 4;
    }

private slots:
    // Form4 is Form3 with every control 120 twips lower and the note 360 lower.
    void layoutAndCaptions_data() { addFormColumn(); }
    void layoutAndCaptions() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        const double dpi = screenDpi();
        const int d = form == 3 ? 0 : 120;
        QCOMPARE(screen->windowTitle(), QStringLiteral("Form%1").arg(form));
        QCOMPARE(screen->width(), form == 3 ? twipsToPixels(9015, dpi) : twipsToPixels(8835, dpi));
        struct Place {
            const char* name;
            QRect rect;
        };
        const Place places[] = {
            {"Label1", twipsRect({400, 360 + d, 1095, 375}, dpi)},
            {"Text1", twipsRect({2000, 360 + d, 2000, 375}, dpi)},
            {"Label2", twipsRect({400, 960 + d, 1215, 255}, dpi)},
            {"Combo1", twipsRect({2000, 960 + d, 2000, 315}, dpi)},
            {"Label4", twipsRect({400, 1920 + d, 1575, 495}, dpi)},
            {"Text3", twipsRect({2000, 1920 + d, 2000, 375}, dpi)},
            {"Label5", twipsRect({400, 2640 + d, 1335, 375}, dpi)},
            {"Text4", twipsRect({2000, 2640 + d, 2000, 375}, dpi)},
            {"Label7", twipsRect({4560, 360 + d, 1215, 495}, dpi)},
            {"Text6", twipsRect({6000, 360 + d, 2000, 495}, dpi)},
            {"Command1", twipsRect({1200, 3720 + d, 3735, 1095}, dpi)},
            {"Command2", twipsRect({5280, 3720 + d, 2655, 1095}, dpi)},
            {"Label3", twipsRect({480, form == 3 ? 4920 : 5280, 7815, 615}, dpi)},
        };
        for (const Place& place : places) {
            QVERIFY2(child<QWidget>(*screen, place.name)->geometry() == place.rect, place.name);
        }
        QCOMPARE(child<QLabel>(*screen, "Label1")->text(), QStringLiteral("Dimensioni"));
        QCOMPARE(child<QLabel>(*screen, "Label2")->text(), QStringLiteral("Dato al bordo"));
        QCOMPARE(child<QLabel>(*screen, "Label4")->text(), sectionCaption(form));
        QCOMPARE(child<QLabel>(*screen, "Label5")->text(), QStringLiteral("N prove"));
        QCOMPARE(child<QLabel>(*screen, "Label7")->text(), QStringLiteral("N° suddivisioni"));
        QCOMPARE(child<QLabel>(*screen, "Label3")->text(),
                 QStringLiteral("Nota: il programma scrive il risultato nel file di testo che si "
                                "trova nella cartella in cui il programma è in esecuzione, di "
                                "nome risultato.m"));
        auto* calculate = child<QPushButton>(*screen, "Command1");
        QCOMPARE(calculate->text(), QStringLiteral("Calcola!"));
        QVERIFY(calculate->font().bold());
        QCOMPARE(calculate->font().pointSizeF(), 13.5);
        QCOMPARE(child<QPushButton>(*screen, "Command2")->text(), QStringLiteral("Torna al menù"));
        auto* datum = child<QComboBox>(*screen, "Combo1");
        QCOMPARE(datum->count(), 2);
        QCOMPARE(datum->itemText(0), QStringLiteral("Nullo"));
        QCOMPARE(datum->itemText(1), QStringLiteral("Seno"));
        QCOMPARE(datum->currentIndex(), -1);
        for (const char* field : {"Text1", "Text3", "Text4", "Text6"}) {
            QVERIFY(text(*screen, field).isEmpty());
        }
        QVERIFY(screen->findChild<QLineEdit*>(QStringLiteral("Text5")) == nullptr);
    }

    // "Calcola!" first, then the fields in the order a click reads them.
    void focusOrder_data() { addFormColumn(); }
    void focusOrder() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        QStringList order;
        QWidget* widget = child<QWidget>(*screen, "Command1");
        for (int k = 0; k < 10; ++k) {
            order << widget->objectName();
            do {
                widget = widget->nextInFocusChain();
            } while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
        }
        QCOMPARE(order, QStringList({"Command1", "Text1", "Text3", "Text4", "Text6", "Combo1",
                                     "Command2", "Command3", "Check1", "Command1"}));
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
        QCOMPARE(screen->focusWidget(), child<QWidget>(*screen, "Command1"));
    }

    void nothingOnTheBorderGivesFiveZeros_data() { addFormColumn(); }
    void nothingOnTheBorderGivesFiveZeros() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        typeInputs(*screen, "1", "2", "100", "4", 0);
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.empty());
        QCOMPARE(fileLines(t.context.resultPath), QStringList({"0", "0", "0", "0", "0"}));
        QCOMPARE(background(*screen), normalColour());
    }

    // A node on the border stops every walk at once: its line is the mean of N copies of its
    // value. Between the two ends the lines are estimates of the discrete harmonic values, checked
    // within 5 standard errors (values in [-1, 1], so the standard error is at most 1 / sqrt(N);
    // seed 2024).
    void everyNodeOfTheSectionInOrder_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("side");
        QTest::addColumn<int>("s");
        QTest::newRow("Form3 through the middle") << 3 << "1" << 2;
        QTest::newRow("Form4 through the middle") << 4 << "1" << 2;
        QTest::newRow("Form4 next to the left side") << 4 << "1" << 1;
        QTest::newRow("Form3 on the bottom side") << 3 << "1" << 0;
        QTest::newRow("Form3 on the top side") << 3 << "1" << 4;
        QTest::newRow("Form4 on the left side") << 4 << "1" << 0;
        QTest::newRow("Form3 bottom side, negative side length") << 3 << "-1" << 0;
        QTest::newRow("Form4 negative side length") << 4 << "-1" << 3;
    }
    void everyNodeOfTheSectionInOrder() {
        QFETCH(int, form);
        QFETCH(QString, side);
        QFETCH(int, s);
        constexpr int n = 4;
        constexpr int walks = 20000;
        TestContext t(2024);
        const auto screen = createScreen(form, t.context);
        typeInputs(*screen, side, QString::number(s), QString::number(walks), "4", 1);
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.empty());

        BoundaryGrid grid(n, n, kTestGridMemory);
        fillBoundary(grid,
                     gridProblem(grid, BoundaryDatum::Seno, side.toDouble(), side.toDouble()));
        const WalkDomain domain = WalkDomain::square(n);
        const HarmonicSolution exact(
            n, n,
            [&](int i, int j) {
                return domain.stops({Int16(i), Int16(j)});
            },
            [&](int i, int j) { return grid.at(i, j); });

        const QStringList lines = fileLines(t.context.resultPath);
        QCOMPARE(lines.size(), n + 1);
        const std::vector<double> values = numbers(lines);
        QCOMPARE(values.size(), std::size_t{n + 1});
        const double bound = 5.0 / std::sqrt(double{walks});
        for (int k = 0; k <= n; ++k) {
            const Node node = sectionNodeOf(form, s, k);
            const double value = values[static_cast<std::size_t>(k)];
            const QString where = QStringLiteral("line %1, node (%2, %3): %4")
                                      .arg(k + 1)
                                      .arg(node.x)
                                      .arg(node.y)
                                      .arg(lines[k]);
            if (domain.stops(node)) {
                QVERIFY2(std::fabs(value - meanOfCopies(grid.at(node.x, node.y), walks)) <= 1e-12,
                         qPrintable(where));
            } else {
                QVERIFY2(std::fabs(value - exact.at(node.x, node.y)) <= bound, qPrintable(where));
            }
            if (value < 0) {
                QVERIFY2(lines[k].startsWith('-'), qPrintable(where));
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
        writeFile(t.context.resultPath, "9\n9\n");
        press(*screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QVERIFY(t.messages.messages.back().text.contains("\"Dimensioni\""));
        QCOMPARE(fileLines(t.context.resultPath), QStringList());

        t.context.resultPath =
            t.context.resultPath.parent_path() / "no-such-folder" / "risultato.m";
        press(*screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{2});
        const RecordedMessage& report = t.messages.messages.back();
        QVERIFY2(report.text.contains("Errore di file"), qPrintable(report.text));
        QVERIFY2(!report.text.contains("Campo"), qPrintable(report.text));
        QCOMPARE(report.background, normalColour());
    }

    // No datum: the message while the screen is busy, an empty file, the normal colour after.
    void missingDatumLeavesAnEmptyFile_data() { addFormColumn(); }
    void missingDatumLeavesAnEmptyFile() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        typeInputs(*screen, "1", "2", "10", "4", 1);
        press(*screen, "Command1");
        QCOMPARE(fileLines(t.context.resultPath).size(), 5);

        chooseDatum(*screen, -1);
        press(*screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        const RecordedMessage& message = t.messages.messages.front();
        QCOMPARE(message.kind, RecordedMessage::Kind::Information);
        QCOMPARE(message.text, QStringLiteral("Seleziona un dato al bordo!"));
        QCOMPARE(message.background, busyColour());
        QVERIFY(std::filesystem::exists(t.context.resultPath));
        QCOMPARE(fileLines(t.context.resultPath), QStringList());
        QCOMPARE(background(*screen), normalColour());

        chooseDatum(*screen, 0);
        type(*screen, "Text6", "2");
        press(*screen, "Command1");
        QCOMPARE(t.messages.messages.size(), std::size_t{1});
        QCOMPARE(fileLines(t.context.resultPath), QStringList({"0", "0", "0"}));
    }

    // Each case: the field changed from a valid set, its text, the caption the report must name
    // (empty for none) and the error's text. Every report comes while the screen is busy, the file
    // is left empty, and the screen is in the normal colour afterwards.
    void runTimeErrorsLeaveAnEmptyFile_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("error");
        for (const int form : {3, 4}) {
            QTest::addRow("Form%d: empty length", form) << form << "Text1"
                                                        << ""
                                                        << "Dimensioni"
                                                        << "Tipo non corrispondente";
            QTest::addRow("Form%d: section index in words", form)
                << form << "Text3"
                << "due" << sectionCaption(form) << "Tipo non corrispondente";
            QTest::addRow("Form%d: N too large", form) << form << "Text4"
                                                       << "40000"
                                                       << "N prove"
                                                       << "Overflow";
            QTest::addRow("Form%d: subdivisions with a letter", form) << form << "Text6"
                                                                      << "4x"
                                                                      << "N° suddivisioni"
                                                                      << "Tipo non corrispondente";
            QTest::addRow("Form%d: no walks", form) << form << "Text4"
                                                    << "0"
                                                    << ""
                                                    << "virgola mobile";
            QTest::addRow("Form%d: section past the far side", form) << form << "Text3"
                                                                     << "5"
                                                                     << ""
                                                                     << "Indice non compreso";
            QTest::addRow("Form%d: negative section", form) << form << "Text3"
                                                            << "-1"
                                                            << ""
                                                            << "Indice non compreso";
            QTest::addRow("Form%d: negative subdivisions", form) << form << "Text6"
                                                                 << "-1"
                                                                 << ""
                                                                 << "Indice non compreso";
            QTest::addRow("Form%d: no steps with the sine", form) << form << "Text6"
                                                                  << "0"
                                                                  << ""
                                                                  << "virgola mobile";
        }
    }
    void runTimeErrorsLeaveAnEmptyFile() {
        QFETCH(int, form);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, caption);
        QFETCH(QString, error);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        typeInputs(*screen, "1", "2", "100", "4", 1);
        type(*screen, field.toLatin1().constData(), typed);
        press(*screen, "Command1");

        checkSingleErrorReport(t.messages, error, caption);
        if (QTest::currentTestFailed()) {
            return;
        }
        const RecordedMessage& report = t.messages.messages.front();
        QCOMPARE(report.background, busyColour());
        QCOMPARE(background(*screen), normalColour());
        QVERIFY(std::filesystem::exists(t.context.resultPath));
        QCOMPARE(fileLines(t.context.resultPath), QStringList());
        QCOMPARE(text(*screen, field.toLatin1().constData()), typed);
    }

    // Read order: Text1, Text3, Text4, Text6.
    void theFirstFieldThatFailsIsTheOneReported_data() { addFormColumn(); }
    void theFirstFieldThatFailsIsTheOneReported() {
        QFETCH(int, form);
        TestContext t;
        const auto screen = createScreen(form, t.context);
        typeAll(*screen, {{"Text1", "1"}, {"Text3", "x"}, {"Text4", "y"}, {"Text6", "z"}});
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.back().text.contains("\"" + sectionCaption(form) + "\""));
        type(*screen, "Text3", "1");
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.back().text.contains("\"N prove\""));
        type(*screen, "Text4", "1");
        press(*screen, "Command1");
        QVERIFY(t.messages.messages.back().text.contains("\"N° suddivisioni\""));
    }

    // A second calculation over fewer nodes leaves no line of the first.
    void eachCalculationRewritesTheFile() {
        TestContext t;
        const auto screen = createScreen(3, t.context);
        typeInputs(*screen, "1", "0", "10", "8", 1);
        press(*screen, "Command1");
        QCOMPARE(fileLines(t.context.resultPath).size(), 9);
        typeInputs(*screen, "1", "0", "10", "2", 0);
        press(*screen, "Command1");
        QCOMPARE(fileLines(t.context.resultPath), QStringList({"0", "0", "0"}));
        QVERIFY(t.messages.messages.empty());
    }
};

QTEST_MAIN(SquareSectionsTest)
#include "square_sections_test.moc"
