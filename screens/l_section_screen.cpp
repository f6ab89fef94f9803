#include "l_section_screen.hpp"

namespace nurlo {

LSectionScreen::LSectionScreen(const LSectionDesign& design, ScreenContext& context)
    : ComputingScreen(design.formNumber, design.widthTwips, design.heightTwips, context),
      axis_(design.axis) {
    lengthX_ =
        addField("Text1", label("Label1", "Dimensioni x", design.lengthXLabel), design.lengthX);
    lengthY_ =
        addField("Text8", label("Label9", "Dimensioni y", design.lengthYLabel), design.lengthY);
    label("Label2", "Dato al bordo", design.datumLabel);
    QComboBox* datum = addDatumList(DomainFamily::LShaped, design.datum);
    section_ = addField("Text3", label("Label4", design.sectionCaption, design.sectionLabel),
                        design.section);
    walks_ = addField("Text4", label("Label5", "N prove", design.walksLabel), design.walks);
    divisionsX_ = addField("Text6", label("Label7", "N° suddivisioni x", design.divisionsXLabel),
                           design.divisionsX);
    divisionsY_ = addField("Text7", label("Label8", "N° suddivisioni y", design.divisionsYLabel),
                           design.divisionsY);
    cornerA_ = addField(
        "Text9", label("Label10", "Parametro a (nel sistema discretizzato)", design.cornerALabel),
        design.cornerA);
    cornerB_ = addField(
        "Text10", label("Label11", "Parametro b (nel sistema discretizzato)", design.cornerBLabel),
        design.cornerB);
    QPushButton* calculate = addCalculateButton(design.calculateButton);
    QPushButton* back = addBackButton(design.backButton);
    addResultNote(design.note);
    addFastWalksAndProgress();
    setFocusOrder({calculate, cornerA_, cornerB_, lengthX_, lengthY_, section_, walks_, divisionsX_,
                   divisionsY_, datum, back});
}

QLabel* LSectionScreen::label(const char* name, const char* caption, const TwipsRect& place) {
    return addLabel(name, QString::fromUtf8(caption), place);
}

void LSectionScreen::calculate(Calculation& click) {
    ResultScript script(context().resultPath);
    const LDomainReading in = readLDomain(
        {cornerA_, cornerB_, lengthX_, lengthY_, walks_, divisionsX_, divisionsY_}, {section_});
    // The fields alone decide the line: one off the grid, or too long to number, is refused
    // before a grid is made for it.
    const LSection section = planLSection(in.problem, axis_, in.own[0]);
    if (!fillGrid(in.problem)) {
        script.close();
        return;
    }
    setBusyColour();
    writeSectionHeader(script, section, click.problem().datum);
    const EstimateAt estimateAt = click.walksAt(in.walks, section.nodes(), axis_);
    click.inBackground([&] {
        writeSectionNodes(script, section, [&](Node node) { return estimateAt(node).value; });
    });
    writeSectionClosing(script, section);
    setNormalColour();
    script.close();
}

}  // namespace nurlo
