#include "form5.hpp"

namespace nurlo {

Form5::Form5(ScreenContext& context) : ComputingScreen(5, 10845, 8610, context) {
    const QLabel* lengthXLabel =
        addLabel("Label1", QStringLiteral("Dimensioni x"), {1200, 480, 1095, 375});
    lengthX_ = addField("Text1", lengthXLabel, {2760, 480, 2000, 375});
    const QLabel* lengthYLabel =
        addLabel("Label9", QStringLiteral("Dimensioni y"), {1200, 1080, 1215, 375});
    lengthY_ = addField("Text8", lengthYLabel, {2760, 1080, 2000, 375});
    addLabel("Label2", QStringLiteral("Dato al bordo"), {1200, 1680, 1215, 255});
    QComboBox* datum = addDatumList(DomainFamily::LShaped, {2760, 1680});
    const QLabel* xLabel =
        addLabel("Label3", QStringLiteral("Ascissa partenza (nel sistema discretizzato)"),
                 {1200, 2880, 1575, 495});
    startX_ = addField("Text2", xLabel, {2760, 3000, 2000, 280});
    const QLabel* yLabel =
        addLabel("Label4", QStringLiteral("Ordinata partenza (nel sistema discretizzato)"),
                 {1200, 3480, 1575, 495});
    startY_ = addField("Text3", yLabel, {2760, 3480, 2000, 280});
    const QLabel* walksLabel =
        addLabel("Label5", QStringLiteral("N prove"), {1200, 4200, 1335, 375});
    walks_ = addField("Text4", walksLabel, {2760, 4200, 2000, 375});
    const QLabel* divisionsXLabel =
        addLabel("Label7", QStringLiteral("N° suddivisioni x"), {5040, 480, 1215, 495});
    divisionsX_ = addField("Text6", divisionsXLabel, {6720, 480, 2000, 495});
    const QLabel* divisionsYLabel =
        addLabel("Label8", QStringLiteral("N° suddivisioni y"), {5040, 1200, 1215, 495});
    divisionsY_ = addField("Text7", divisionsYLabel, {6720, 1200, 2000, 495});
    const QLabel* aLabel =
        addLabel("Label10", QStringLiteral("Parametro a (nel sistema discretizzato)"),
                 {5040, 1920, 1575, 495});
    cornerA_ = addField("Text9", aLabel, {6720, 1800, 2000, 495});
    const QLabel* bLabel =
        addLabel("Label11", QStringLiteral("Parametro b (nel sistema discretizzato)"),
                 {5040, 2640, 1575, 495});
    cornerB_ = addField("Text10", bLabel, {6720, 2520, 2000, 495});
    addLabel("Label6", QStringLiteral("Risultato"), {5040, 3840, 975, 735});
    result_ = addResultField("Text5", {6720, 3840, 2000, 855});
    QPushButton* calculate = addCalculateButton({1920, 4920});
    QPushButton* back = addBackButton({6000, 4920});
    addFastWalksAndProgress();
    // "Calcola!" first, then the fields in the order a click reads them.
    setFocusOrder({calculate, cornerA_, cornerB_, lengthX_, lengthY_, startX_, startY_, walks_,
                   divisionsX_, divisionsY_, datum, result_, back});
}

void Form5::calculate(Calculation& click) {
    const LDomainReading in =
        readLDomain({cornerA_, cornerB_, lengthX_, lengthY_, walks_, divisionsX_, divisionsY_},
                    {startX_, startY_});
    if (!fillGrid(in.problem)) {
        // The screen has not turned red yet, so it stays in the normal colour.
        return;
    }
    setBusyColour();
    if (click.wholeField()) {
        click.estimateField(in.walks);
    } else {
        const Node start{in.own[0], in.own[1]};
        showEstimate(result_, click.estimate(start, in.walks));
    }
    setNormalColour();
}

}  // namespace nurlo
