// Every caption of every window fits its box with the program's own font, as the designed face's
// captions did: wrapped at the box's width the way the control draws it, it takes no more whole
// lines than the box's height holds. The fonts are real, found through fontconfig, so a face that
// is missing or wider than the chosen one fails here.
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

#include "caption_button.hpp"
#include "form1.hpp"
#include "program_look.hpp"
#include "screen_factory.hpp"
#include "screen_fixture.hpp"

using namespace nurlo;
using namespace nurlo::test;

namespace {

// Where a control draws its caption, and whether it wraps it there.
std::pair<QRect, bool> captionArea(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        return {label->contentsRect(), true};
    }
    const auto& button = static_cast<const QAbstractButton&>(control);
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    if (qobject_cast<const QCheckBox*>(&button) != nullptr) {
        // The text sits right of the indicator, on one line.
        return {button.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &button),
                false};
    }
    return {button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button),
            qobject_cast<const CaptionButton*>(&button) != nullptr};
}

}  // namespace

class CaptionsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { applyProgramFont(*qApp); }

    void everyCaptionFitsItsBox_data() {
        QTest::addColumn<int>("form");
        for (int form = 1; form <= 7; ++form) {
            QTest::addRow("Form%d", form) << form;
        }
    }
    void everyCaptionFitsItsBox() {
        QFETCH(int, form);
        TestContext t;
        const std::unique_ptr<QWidget> window =
            form == 1 ? std::unique_ptr<QWidget>(std::make_unique<Form1>())
                      : createScreen(form, t.context);
        // The chosen face, not a fallback for a missing package.
        QCOMPARE(QFontInfo(window->font()).family(), QStringLiteral("Carlito"));
        QStringList overflowing;
        for (const QWidget* control : window->findChildren<QWidget*>()) {
            const auto* label = qobject_cast<const QLabel*>(control);
            const auto* button = qobject_cast<const QAbstractButton*>(control);
            if (label == nullptr && button == nullptr) {
                continue;
            }
            const QString caption = label != nullptr ? label->text() : button->text();
            const auto [area, wraps] = captionArea(*control);
            const QFontMetrics metrics(control->font(), const_cast<QWidget*>(control));
            const QRect needed = metrics.boundingRect(QRect(0, 0, area.width(), 100000),
                                                      wraps ? Qt::TextWordWrap : 0, caption);
            const int lines = needed.height() / metrics.lineSpacing();
            const int held = std::max(1, area.height() / metrics.lineSpacing());
            if (lines > held || needed.width() > area.width()) {
                overflowing << QStringLiteral("%1 \"%2\": %3 lines of %4 held")
                                   .arg(control->objectName(), caption)
                                   .arg(lines)
                                   .arg(held);
            }
        }
        QVERIFY2(overflowing.isEmpty(), qPrintable(overflowing.join(QStringLiteral("; "))));
    }
};

QTEST_MAIN(CaptionsTest)
#include "captions_test.moc"
