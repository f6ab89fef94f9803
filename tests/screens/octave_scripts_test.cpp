// The L-domain section scripts run for real: the x-section and y-section screens write
// risultato.m for each datum, for a line that crosses the whole domain and for one that ends on
// the inner corner's segment, and GNU Octave runs each script in a fresh session, as a person
// does by typing "risultato" in the file's folder. Octave must end without error, its z2 must
// hold exactly the estimates of the file's "z2(k)=...;" lines, and the exact solution z must
// agree with the estimates at the two end nodes, which lie on the border. Each figure is printed
// to risultato.png beside its script in the build folder, for a person to look at.
//
// NURLO_OCTAVE_CLI is the octave-cli program and NURLO_OCTAVE_FOLDER the folder for the scripts.
#include <QProcess>
#include <QtTest>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "boundary_datum.hpp"
#include "computing_screen.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "section_file.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

// The commands after the script: print the figure, then z2 and the ends of z to full precision.
const QString kAfterScript = QStringLiteral(
    "print('-dpng','risultato.png');"
    "printf('z2 %.17g\\n',z2);"
    "printf('zfirst %.17g\\nzlast %.17g\\n',z(1),z(end));");

struct OctaveRun {
    int exitCode = -1;
    QString output;
    QString errors;
};

// Octave in `folder`, with no window and no history, running the script risultato.m there.
OctaveRun runOctave(const std::filesystem::path& folder) {
    QProcess octave;
    octave.setWorkingDirectory(QString::fromStdString(folder.string()));
    octave.start(QStringLiteral(NURLO_OCTAVE_CLI),
                 {"--no-gui", "--no-history", "--no-window-system", "--eval",
                  "warning('off','Octave:gnuplot-graphics');"
                  "set(0,'defaultfigurevisible','off');"
                  "risultato;" +
                      kAfterScript});
    OctaveRun run;
    if (!octave.waitForFinished(120000)) {
        octave.kill();
        octave.waitForFinished();
        run.errors = QStringLiteral("octave-cli did not finish: ") + octave.errorString();
        return run;
    }
    run.exitCode = octave.exitStatus() == QProcess::NormalExit ? octave.exitCode() : -1;
    run.output = QString::fromUtf8(octave.readAllStandardOutput());
    run.errors = QString::fromUtf8(octave.readAllStandardError());
    return run;
}

// The values Octave printed after `label`, in order.
std::vector<double> printed(const QString& output, const QString& label) {
    std::vector<double> values;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 2 && parts[0] == label) {
            bool ok = false;
            const double value = parts[1].toDouble(&ok);
            values.push_back(ok ? value : std::nan(""));
        }
    }
    return values;
}

std::filesystem::path caseFolder(const QString& name) {
    const std::filesystem::path folder =
        std::filesystem::path(NURLO_OCTAVE_FOLDER) / name.toStdString();
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / "risultato.m");
    std::filesystem::remove(folder / "risultato.png");
    return folder;
}

// Writes the script of `form` for `datum` into `folder` with the screen itself. Lx = Ly = 1 in 6
// steps, inner corner (corner, 3) on Form6 and (3, corner) on Form7, 200 walks per node;
// `section` is the fixed index of the line.
bool writeScript(const std::filesystem::path& folder, int form, int datum, int section,
                 int corner = 3) {
    TestContext t(31);
    t.context.resultPath = folder / "risultato.m";
    const auto screen = createScreen(form, t.context);
    typeAll(*screen, {{"Text1", "1"},
                      {"Text8", "1"},
                      {"Text6", "6"},
                      {"Text7", "6"},
                      {"Text9", QString::number(form == 6 ? corner : 3)},
                      {"Text10", QString::number(form == 6 ? 3 : corner)},
                      {"Text3", QString::number(section)},
                      {"Text4", "200"}});
    chooseDatum(*screen, datum);
    press(*screen, "Command1");
    for (const RecordedMessage& message : t.messages.messages) {
        qWarning("message: %s", qPrintable(message.text));
    }
    return t.messages.messages.empty();
}

bool near(double a, double b) { return std::fabs(a - b) <= 1e-9 * (1.0 + std::fabs(b)); }

}  // namespace

class OctaveScriptsTest : public QObject {
    Q_OBJECT

private slots:
    void everyScriptRunsInOctave_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("datum");
        QTest::addColumn<int>("section");
        const char* names[] = {"nullo", "seno", "expxsiny", "xy", "x2-y2", "x3-3xy2"};
        for (const int form : {6, 7}) {
            for (int datum = 0; datum < 6; ++datum) {
                // Index 2 runs below (or left of) the corner at 3 across the whole domain; index
                // 4 runs past it and ends on the corner's segment at node 3.
                for (const int section : {2, 4}) {
                    QTest::addRow("form%d-%s-%s", form, names[datum],
                                  section == 2 ? "whole" : "to-corner")
                        << form << datum << section;
                }
            }
        }
    }
    void everyScriptRunsInOctave() {
        QFETCH(int, form);
        QFETCH(int, datum);
        QFETCH(int, section);
        const std::filesystem::path folder =
            caseFolder(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(writeScript(folder, form, datum, section));
        const QStringList lines = fileLines(folder / "risultato.m");
        const std::vector<NodeLine> nodes = nodeLines(lines);
        QCOMPARE(nodes.size(), std::size_t(section == 2 ? 7 : 4));

        const OctaveRun run = runOctave(folder);
        const QString report = QStringLiteral("script:\n%1\noctave said:\n%2%3")
                                   .arg(lines.join('\n'), run.output, run.errors);
        QVERIFY2(run.exitCode == 0, qPrintable(report));
        QVERIFY2(std::filesystem::file_size(folder / "risultato.png") > 0, qPrintable(report));

        const std::vector<double> z2 = printed(run.output, "z2");
        QVERIFY2(z2.size() == nodes.size(), qPrintable(report));
        for (std::size_t k = 0; k < nodes.size(); ++k) {
            QVERIFY2(nodes[k].index == int(k) + 1, qPrintable(report));
            // The same double: the file's text reads back as the estimate it was written from.
            QVERIFY2(z2[k] == nodes[k].estimate, qPrintable(report));
        }

        const std::vector<double> zFirst = printed(run.output, "zfirst");
        const std::vector<double> zLast = printed(run.output, "zlast");
        QVERIFY2(zFirst.size() == 1 && zLast.size() == 1, qPrintable(report));
        if (static_cast<BoundaryDatum>(datum) == BoundaryDatum::Seno) {
            // No closed form along the line: nothing is drawn for it.
            QVERIFY2(std::isnan(zFirst[0]) && std::isnan(zLast[0]), qPrintable(report));
        } else {
            QVERIFY2(near(zFirst[0], z2.front()) && near(zLast[0], z2.back()), qPrintable(report));
        }
    }

    // Scripts run one after the other in one session, as a person reruns the screen: a longer
    // line, a shorter one, and one without nodes (a negative corner). Each plots its own
    // estimates only.
    void scriptsRunAgainInOneSession() {
        const QString name = QStringLiteral("one-session");
        const std::filesystem::path longer = caseFolder(name + "-long");
        const std::filesystem::path shorter = caseFolder(name + "-short");
        const std::filesystem::path empty = caseFolder(name + "-empty");
        const int xy = int(BoundaryDatum::XY);
        QVERIFY(writeScript(longer, 6, xy, 2));
        QVERIFY(writeScript(shorter, 6, xy, 4));
        QVERIFY(writeScript(empty, 6, xy, 4, -1));
        QVERIFY(nodeLines(fileLines(empty / "risultato.m")).empty());

        QString commands = QStringLiteral(
            "warning('off','Octave:gnuplot-graphics');set(0,'defaultfigurevisible','off');");
        for (const auto& folder : {longer, shorter, empty}) {
            commands += QStringLiteral("run('%1');printf('nodes %d\\n',numel(z2));close all;")
                            .arg(QString::fromStdString((folder / "risultato.m").string()));
        }
        QProcess octave;
        octave.start(QStringLiteral(NURLO_OCTAVE_CLI),
                     {"--no-gui", "--no-history", "--no-window-system", "--eval", commands});
        QVERIFY(octave.waitForFinished(120000));
        const QString said = QString::fromUtf8(octave.readAllStandardOutput()) +
                             QString::fromUtf8(octave.readAllStandardError());
        QVERIFY2(octave.exitStatus() == QProcess::NormalExit && octave.exitCode() == 0,
                 qPrintable(said));
        const std::vector<double> nodes = printed(said, "nodes");
        QVERIFY2(nodes == std::vector<double>({7.0, 4.0, 0.0}), qPrintable(said));
    }

    // The check itself catches a script that Octave cannot run: a syntax error, and a power of
    // the vector y that is not taken element by element.
    void brokenScriptsFail_data() {
        QTest::addColumn<QString>("brokenLine");
        QTest::newRow("broken-syntax") << "z=(x^2-y.^2;";
        QTest::newRow("broken-power") << "z=x^2-y^2;";
    }
    void brokenScriptsFail() {
        QFETCH(QString, brokenLine);
        const std::filesystem::path folder =
            caseFolder(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(writeScript(folder, 7, int(BoundaryDatum::X2MinusY2), 2));
        QStringList lines = fileLines(folder / "risultato.m");
        QCOMPARE(lines[2], QStringLiteral("z=x^2-y.^2;"));
        lines[2] = brokenLine;
        std::ofstream(folder / "risultato.m") << lines.join('\n').toStdString() << '\n';

        const OctaveRun run = runOctave(folder);
        QVERIFY2(run.exitCode > 0, qPrintable(run.output + run.errors));
    }
};

QTEST_MAIN(OctaveScriptsTest)
#include "octave_scripts_test.moc"
