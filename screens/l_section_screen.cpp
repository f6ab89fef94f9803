#include "l_section_screen.hpp"

namespace nurlo {

LSectionScreen::LSectionScreen(const LSectionDesign& design, ScreenContext& context)
    : ComputingScreen(design.formNumber, design.widthTwips, design.heightTwips, context),
      axis_(design.axis) {
    lengthX_ = field("Text1", label("Label1", "Dimensioni x", design.lengthXLabel), design.lengthX);
    lengthY_ = field("Text8", label("Label9", "Dimensioni y", design.lengthYLabel), design.lengthY);
    label("Label2", "Dato al bordo", design.datumLabel);
    QComboBox* datum = addDatumList(DomainFamily::LShaped, design.datum.left, design.datum.top);
    section_ =
        field("Text3", label("Label4", design.sectionCaption, design.sectionLabel), design.section);
    walks_ = field("Text4", label("Label5", "N prove", design.walksLabel), design.walks);
    divisionsX_ = field("Text6", label("Label7", "N° suddivisioni x", design.divisionsXLabel),
                        design.divisionsX);
    divisionsY_ = field("Text7", label("Label8", "N° suddivisioni y", design.divisionsYLabel),
                        design.divisionsY);
    cornerA_ = field(
        "Text9", label("Label10", "Parametro a (nel sistema discretizzato)", design.cornerALabel),
        design.cornerA);
    cornerB_ = field(
        "Text10", label("Label11", "Parametro b (nel sistema discretizzato)", design.cornerBLabel),
        design.cornerB);
    QPushButton* calculate =
        addCalculateButton(design.calculateButton.left, design.calculateButton.top);
    QPushButton* back = addBackButton(design.backButton.left, design.backButton.top);
    addResultNote(design.note.left, design.note.top);
    addFastWalksAndProgress();
    setFocusOrder({calculate, cornerA_, cornerB_, lengthX_, lengthY_, section_, walks_, divisionsX_,
                   divisionsY_, datum, back});
}

QLabel* LSectionScreen::label(const char* name, const char* caption, const TwipsRect& place) {
    return addLabel(name, QString::fromUtf8(caption), place.left, place.top, place.width,
                    place.height);
}

QLineEdit* LSectionScreen::field(const char* name, const QLabel* label, const TwipsRect& place) {
    return addField(name, label, place.left, place.top, place.width, place.height);
}

void LSectionScreen::calculate() {
    ResultScript script(context().resultPath);
    const Int16 a = readCount(cornerA_);
    const Int16 b = readCount(cornerB_);
    const double lx = readLength(lengthX_);
    const double ly = readLength(lengthY_);
    const Int16 fixed = readCount(section_);
    const Int16 walks = readCount(walks_);
    const Int16 nx = readCount(divisionsX_);
    const Int16 ny = readCount(divisionsY_);
    // The fields alone decide the line: one off the grid, or too long to number, is refused
    // before a grid is made for it.
    const LSection section = planLSection(
        {.axis = axis_, .lx = lx, .ly = ly, .nx = nx, .ny = ny, .a = a, .b = b, .fixed = fixed});
    const std::optional<FilledGrid> filled = newFilledGrid(nx, ny, lx, ly);
    if (!filled) {
        script.close();
        return;
    }
    setBusyColour();
    writeSectionHeader(script, section, filled->datum);
    const WalkDomain domain = WalkDomain::lShaped(nx, ny, a, b);
    estimateEach(*filled, domain, walks, section.lastNode + 1, [&](const EstimateAt& estimateAt) {
        writeSectionNodes(script, section, [&](Node node) { return estimateAt(node).value; });
    });
    writeSectionClosing(script, section);
    setNormalColour();
    script.close();
}

}  // namespace nurlo
