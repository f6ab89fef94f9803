#include "l_section_screen.hpp"

#include "section_plan.hpp"

namespace nurlo {

LSectionScreen::LSectionScreen(const LSectionDesign& design, ScreenContext& context)
    : ComputingScreen(design.formNumber, design.widthTwips, design.heightTwips, context),
      axis_(design.axis) {
    lengthX_ = field("Text1", label("Label1", "Dimensioni x", design.label1), design.text1);
    lengthY_ = field("Text8", label("Label9", "Dimensioni y", design.label9), design.text8);
    label("Label2", "Dato al bordo", design.label2);
    QComboBox* datum = addDatumList(DomainFamily::LShaped, design.combo1.left, design.combo1.top);
    section_ = field("Text3", label("Label4", design.sectionCaption, design.label4), design.text3);
    walks_ = field("Text4", label("Label5", "N prove", design.label5), design.text4);
    divisionsX_ = field("Text6", label("Label7", "N° suddivisioni x", design.label7), design.text6);
    divisionsY_ = field("Text7", label("Label8", "N° suddivisioni y", design.label8), design.text7);
    cornerA_ =
        field("Text9", label("Label10", "Parametro a (nel sistema discretizzato)", design.label10),
              design.text9);
    cornerB_ =
        field("Text10", label("Label11", "Parametro b (nel sistema discretizzato)", design.label11),
              design.text10);
    QPushButton* calculate = addCalculateButton(design.command1.left, design.command1.top);
    QPushButton* back = addBackButton(design.command2.left, design.command2.top);
    addResultNote(design.label3.left, design.label3.top);
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
    BoundaryGrid grid(nx, ny);
    const std::optional<BoundaryDatum> datum = selectedDatum();
    if (!datum) {
        showMissingDatum();
        script.close();
        return;
    }
    fillBoundary(grid, *datum, lx, ly);
    setBusyColour();
    const LSection section = planLSection({axis_, lx, ly, nx, ny, a, b, fixed});
    writeSectionHeader(script, axis_, section.fineStep, section.end, section.fixedCoordinate,
                       *datum);
    const WalkDomain domain = WalkDomain::lShaped(nx, ny, a, b);
    writeSectionNodes(script, section,
                      [&](Node node) { return estimate(grid, domain, node, walks).value; });
    writeSectionClosing(script, axis_, section.step, section.end);
    setNormalColour();
    script.close();
}

}  // namespace nurlo
