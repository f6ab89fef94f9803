// Every caption of every window fits its box with the program's own font, as the designed face's
// captions did: wrapped at the box's width the way the control draws it, the caption takes no more
// whole lines than the box's height holds, and no word of it is wider than the box. The fonts are
// real, found through fontconfig, so a face that is missing or wider than the chosen one fails
// here.
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>
#include <QtTest>
#include <cmath>
#include <memory>
#include <vector>

#include "caption_button.hpp"
#include "form1.hpp"
#include "program_look.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"
#include "twips.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

const QString kInterfaceFace = QStringLiteral("Carlito");

// Where a control draws its caption, and whether it wraps it there.
struct CaptionArea {
    QRect rect;
    bool wraps = true;
};

CaptionArea captionArea(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        // A label wraps across its whole width (the menu's single-line labels are held to the
        // same rule: a word wider than the box is cut either way).
        const int margin = label->margin();
        return {label->contentsRect().adjusted(margin, margin, -margin, -margin), true};
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(&control)) {
        // The text sits right of the indicator, on one line.
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        return {box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box), false};
    }
    // The program's buttons are neither flat, nor default, nor with a menu.
    const auto& button = static_cast<const QPushButton&>(control);
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    return {button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button),
            qobject_cast<const CaptionButton*>(&button) != nullptr};
}

QString captionOf(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        return label->text();
    }
    return static_cast<const QAbstractButton&>(control).text();
}

struct Fit {
    int linesNeeded = 0;
    int linesHeld = 0;
    qreal widestLine = 0;
    int width = 0;

    bool fits() const { return linesNeeded <= linesHeld && widestLine <= width; }
};

// Lays `text` out in `area` with Qt's text engine, in `font` on `device`: the lines it takes,
// wrapped at word boundaries at the area's width (or on one line for a control that does not
// wrap), against the whole lines of the font's line spacing the area's height holds.
Fit measure(const QString& text, const QFont& font, QPaintDevice* device, const CaptionArea& area) {
    Fit fit;
    fit.width = area.rect.width();
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(area.wraps ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        if (area.wraps) {
            line.setLineWidth(fit.width);
        }
        ++fit.linesNeeded;
        fit.widestLine = std::max(fit.widestLine, line.naturalTextWidth());
    }
    layout.endLayout();
    const qreal lineSpacing = QFontMetricsF(font, device).lineSpacing();
    fit.linesHeld = std::max(1, static_cast<int>(std::floor(area.rect.height() / lineSpacing)));
    return fit;
}

std::unique_ptr<QWidget> createWindow(int form, TestContext& t) {
    if (form == 1) {
        return std::make_unique<Form1>();
    }
    return createScreen(form, t.context);
}

// Every label, push button and check box of the window, in creation order.
std::vector<QWidget*> captionedControls(const QWidget& window) {
    std::vector<QWidget*> controls;
    for (QWidget* widget : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<QLabel*>(widget) != nullptr ||
            qobject_cast<QPushButton*>(widget) != nullptr ||
            qobject_cast<QCheckBox*>(widget) != nullptr) {
            controls.push_back(widget);
        }
    }
    return controls;
}

}  // namespace

class CaptionsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { applyProgramFont(*qApp); }

    // The face in use is the chosen one, not a fallback fontconfig found for a missing package,
    // at the size the program asks for on the resolution the twips are converted with.
    void theInterfaceFaceIsInUse() {
        const double dpi = screenDpi();
        QCOMPARE(QFontInfo(QApplication::font()).pointSizeF(), 8.25);
        QVERIFY(QFontInfo(headingFont()).bold());
        TestContext t;
        const auto screen = createScreen(2, t.context);
        const auto* label = child<QLabel>(*screen, "Label3");
        QCOMPARE(label->logicalDpiY(), qRound(dpi));
        QCOMPARE(QFontInfo(label->font()).family(), kInterfaceFace);
        QCOMPARE(QFontInfo(label->font()).pixelSize(), qRound(8.25 * dpi / 72.0));
        const QFont calculate = child<QPushButton>(*screen, "Command1")->font();
        QCOMPARE(QFontInfo(calculate).family(), kInterfaceFace);
        QVERIFY(QFontInfo(calculate).bold());
        QCOMPARE(calculate.pointSizeF(), 13.5);

        Form1 menu;
        QCOMPARE(QFontInfo(child<QLabel>(menu, "Label2")->font()).family(), kInterfaceFace);
        QCOMPARE(QFontInfo(child<QLabel>(menu, "Label1")->font()).family(),
                 QStringLiteral("Cherry Bomb"));
    }

    void everyCaptionFitsItsBox_data() {
        QTest::addColumn<int>("form");
        for (int form = 1; form <= 7; ++form) {
            QTest::newRow(qPrintable(QStringLiteral("Form%1").arg(form))) << form;
        }
    }
    void everyCaptionFitsItsBox() {
        QFETCH(int, form);
        TestContext t;
        const auto window = createWindow(form, t);
        const std::vector<QWidget*> controls = captionedControls(*window);
        QStringList overflowing;
        QStringList measured;
        for (QWidget* control : controls) {
            const QString caption = captionOf(*control);
            const Fit fit = measure(caption, control->font(), control, captionArea(*control));
            measured << control->objectName();
            if (!fit.fits()) {
                overflowing << QStringLiteral("%1 \"%2\": %3 lines of %4 held, widest %5 of %6 px")
                                   .arg(control->objectName(), caption)
                                   .arg(fit.linesNeeded)
                                   .arg(fit.linesHeld)
                                   .arg(fit.widestLine)
                                   .arg(fit.width);
            }
            // A label that fits shows no tooltip of its caption; one is only for a caption cut off.
            if (const auto* label = qobject_cast<QLabel*>(control);
                label != nullptr && fit.fits()) {
                QVERIFY2(label->toolTip().isEmpty(), qPrintable(control->objectName()));
            }
        }
        QVERIFY2(overflowing.isEmpty(), qPrintable(overflowing.join(QStringLiteral("; "))));

        // Every kind of captioned control was measured.
        QVERIFY(measured.contains(QStringLiteral("Label1")));
        QVERIFY(measured.contains(QStringLiteral("Command1")));
        QVERIFY(measured.contains(QStringLiteral("Command2")));
        if (form != 1) {
            QVERIFY(measured.contains(QStringLiteral("Check1")));
        }
    }

    // A caption that cannot fit, here in a face twice the size, keeps its whole text as the
    // label's tooltip.
    void aCaptionCutOffKeepsItsTooltip() {
        const QFont programFont = QApplication::font();
        const auto restore = qScopeGuard([&] { QApplication::setFont(programFont); });
        QFont large = programFont;
        large.setPointSizeF(2 * programFont.pointSizeF());
        QApplication::setFont(large);
        TestContext t;
        const auto screen = createScreen(5, t.context);
        for (const char* name : {"Label3", "Label4", "Label10", "Label11"}) {
            auto* label = child<QLabel>(*screen, name);
            const Fit fit = measure(label->text(), label->font(), label, captionArea(*label));
            QVERIFY2(!fit.fits(), name);
            QCOMPARE(label->toolTip(), label->text());
        }
    }
};

QTEST_MAIN(CaptionsTest)
#include "captions_test.moc"
