#include "form1.hpp"

#include <QCloseEvent>
#include <QLabel>
#include <array>

#include "caption_button.hpp"
#include "program_look.hpp"
#include "twips.hpp"

namespace nurlo {

namespace {

struct MenuButton {
    const char* name;
    const char* caption;
    TwipsRect place;
    int formNumber;  // 0 for "Esci"
};

// In focus order.
constexpr std::array<MenuButton, 7> kButtons = {{
    {"Command1", "In un punto", {120, 1800, 1815, 615}, 2},
    {"Command2", "Esci", {5160, 4320, 3375, 1215}, 0},
    {"Command3", "Lungo una sezione parallela x", {2400, 1800, 2500, 615}, 3},
    {"Command4", "In un punto", {120, 3120, 1815, 615}, 5},
    {"Command5", "Lungo una sezione parallela x", {2400, 3120, 2500, 615}, 6},
    {"Command6", "Lungo una sezione parallela y", {5200, 1800, 2500, 615}, 4},
    {"Command7", "Lungo una sezione parallela y", {5200, 3120, 2500, 615}, 7},
}};

}  // namespace

Form1::Form1() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(objectName());
    const double dpi = screenDpi();
    resize(twipsSize(8775, 6015, dpi));

    auto addLabel = [&](const char* name, const QString& caption, const QRect& rect,
                        const QFont& font) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setGeometry(rect);
        label->setFont(font);
    };
    addLabel("Label1", QStringLiteral("Nurlo"), twipsRect({3725, 360, 1455, 495}, dpi),
             titleFont());
    addLabel("Label2", QStringLiteral("QUADRATO"), twipsRect({240, 1200, 3495, 255}, dpi),
             headingFont());
    addLabel("Label3", QStringLiteral("L"), twipsRect({120, 2640, 3495, 255}, dpi), headingFont());

    QWidget* previous = nullptr;
    for (const MenuButton& spec : kButtons) {
        auto* button = new CaptionButton(QString::fromUtf8(spec.caption), this);
        button->setObjectName(QString::fromLatin1(spec.name));
        button->setGeometry(twipsRect(spec.place, dpi));
        const int formNumber = spec.formNumber;
        if (formNumber == 0) {
            connect(button, &QPushButton::clicked, this, &Form1::exitRequested);
        } else {
            connect(button, &QPushButton::clicked, this,
                    [this, formNumber] { emit openScreen(formNumber); });
        }
        if (previous == nullptr) {
            button->setFocus();
        } else {
            setTabOrder(previous, button);
        }
        previous = button;
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the menu window ends the program, as "Esci" does.
    event->ignore();
    emit exitRequested();
}

}  // namespace nurlo
