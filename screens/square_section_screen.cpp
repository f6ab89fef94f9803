#include "square_section_screen.hpp"

namespace nurlo {

SquareSectionScreen::SquareSectionScreen(const SquareSectionDesign& design, ScreenContext& context)
    : ComputingScreen(design.formNumber, design.widthTwips, design.heightTwips, context),
      axis_(design.axis) {
    const int d = design.controlsShift;
    const QLabel* sideLabel =
        addLabel("Label1", QStringLiteral("Dimensioni"), {400, 360 + d, 1095, 375});
    side_ = addField("Text1", sideLabel, {2000, 360 + d, 2000, 375});
    addLabel("Label2", QStringLiteral("Dato al bordo"), {400, 960 + d, 1215, 255});
    QComboBox* datum = addDatumList(DomainFamily::Square, {2000, 960 + d});
    const QLabel* sectionLabel =
        addLabel("Label4", QString::fromUtf8(design.sectionCaption), {400, 1920 + d, 1575, 495});
    section_ = addField("Text3", sectionLabel, {2000, 1920 + d, 2000, 375});
    const QLabel* walksLabel =
        addLabel("Label5", QStringLiteral("N prove"), {400, 2640 + d, 1335, 375});
    walks_ = addField("Text4", walksLabel, {2000, 2640 + d, 2000, 375});
    const QLabel* divisionsLabel =
        addLabel("Label7", QStringLiteral("N° suddivisioni"), {4560, 360 + d, 1215, 495});
    divisions_ = addField("Text6", divisionsLabel, {6000, 360 + d, 2000, 495});
    QPushButton* calculate = addCalculateButton({1200, 3720 + d});
    QPushButton* back = addBackButton({5280, 3720 + d});
    addResultNote({480, 4920 + design.noteShift});
    addFastWalksAndProgress();
    setFocusOrder({calculate, side_, section_, walks_, divisions_, datum, back});
}

void SquareSectionScreen::calculate(Calculation& click) {
    ResultScript script(context().resultPath);
    setBusyColour();
    const double side = readLength(side_);
    const Int16 s = readCount(section_);
    const Int16 walks = readCount(walks_);
    const Int16 n = readCount(divisions_);
    if (!fillGrid(Problem::square(n, side))) {
        setNormalColour();
        script.close();
        return;
    }
    const EstimateAt estimateAt = click.walksAt(walks, squareSectionNodes(axis_, s, n), axis_);
    click.inBackground([&] {
        writeSquareSection(script, axis_, s, n, [&](Node node) { return estimateAt(node).value; });
    });
    setNormalColour();
    script.close();
}

}  // namespace nurlo
