#include "form2.hpp"

namespace nurlo {

Form2::Form2(ScreenContext& context) : ComputingScreen(2, 8070, 5355, context) {
    const QLabel* sideLabel =
        addLabel("Label1", QStringLiteral("Dimensioni"), {300, 240, 1095, 375});
    side_ = addField("Text1", sideLabel, {2000, 240, 2000, 375});
    const QLabel* divisionsLabel =
        addLabel("Label7", QStringLiteral("N° suddivisioni"), {4440, 240, 1215, 495});
    divisions_ = addField("Text6", divisionsLabel, {5880, 240, 1935, 495});
    addLabel("Label2", QStringLiteral("Dato al bordo"), {300, 840, 1215, 255});
    QComboBox* datum = addDatumList(DomainFamily::Square, {2000, 840});
    const QLabel* xLabel =
        addLabel("Label3", QStringLiteral("Ascissa partenza (nel sistema discretizzato)"),
                 {300, 1200, 1575, 495});
    startX_ = addField("Text2", xLabel, {2000, 1320, 2000, 285});
    const QLabel* yLabel =
        addLabel("Label4", QStringLiteral("Ordinata partenza (nel sistema discretizzato)"),
                 {300, 1800, 1575, 495});
    startY_ = addField("Text3", yLabel, {2000, 1800, 2000, 285});
    addLabel("Label6", QStringLiteral("Risultato"), {4440, 2160, 975, 735});
    result_ = addResultField("Text5", {5880, 2160, 1935, 855});
    const QLabel* walksLabel =
        addLabel("Label5", QStringLiteral("N prove"), {300, 2520, 1335, 375});
    walks_ = addField("Text4", walksLabel, {2000, 2520, 2000, 375});
    QPushButton* calculate = addCalculateButton({1080, 3600});
    QPushButton* back = addBackButton({5160, 3600});
    addFastWalksAndProgress();
    setFocusOrder({calculate, side_, startX_, startY_, walks_, datum, result_, back, divisions_});
}

void Form2::calculate(Calculation& click) {
    setBusyColour();
    const double side = readLength(side_);
    const Int16 x0 = readCount(startX_);
    const Int16 y0 = readCount(startY_);
    const Int16 walks = readCount(walks_);
    const Int16 n = readCount(divisions_);
    if (!fillGrid(Problem::square(n, side))) {
        setNormalColour();
        return;
    }
    if (click.wholeField()) {
        click.estimateField(walks);
    } else {
        showEstimate(result_, click.estimate({x0, y0}, walks));
    }
    setNormalColour();
}

}  // namespace nurlo
