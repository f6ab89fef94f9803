#include "form1.hpp"

#include <QCloseEvent>
#include <QLabel>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "caption_button.hpp"
#include "program_look.hpp"
#include "screen_factory.hpp"
#include "twips.hpp"

namespace nurlo {

namespace {

struct MenuButton {
    const char* name;
    QString caption;
    TwipsRect place;
    int number;  // the screen it opens; 0 for "Esci"
};

// A screen's button: in the row of its domain, in the column of the point or of its line's axis.
MenuButton screenButton(const ScreenRow& row) {
    const int top = row.domain == DomainFamily::Square ? 1800 : 3120;
    if (row.isPoint()) {
        return {row.menuButton, QStringLiteral("In un punto"), {120, top, 1815, 615}, row.number};
    }
    const bool alongX = *row.section == SectionAxis::X;
    return {row.menuButton,
            alongX ? QStringLiteral("Lungo una sezione parallela x")
                   : QStringLiteral("Lungo una sezione parallela y"),
            {alongX ? 2400 : 5200, top, 2500, 615},
            row.number};
}

// "Esci" and the screens' buttons, in focus order: by the number in their names.
std::vector<MenuButton> menuButtons() {
    std::vector<MenuButton> buttons = {
        {"Command2", QStringLiteral("Esci"), {5160, 4320, 3375, 1215}, 0}};
    for (const ScreenRow& row : screenTable()) {
        buttons.push_back(screenButton(row));
    }
    const auto order = [](const MenuButton& button) {
        return std::stoi(std::string(button.name + std::strlen("Command")));
    };
    std::sort(buttons.begin(), buttons.end(),
              [&](const MenuButton& a, const MenuButton& b) { return order(a) < order(b); });
    return buttons;
}

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
    for (const MenuButton& spec : menuButtons()) {
        auto* button = new CaptionButton(spec.caption, this);
        button->setObjectName(QString::fromLatin1(spec.name));
        button->setGeometry(twipsRect(spec.place, dpi));
        const int number = spec.number;
        if (number == 0) {
            connect(button, &QPushButton::clicked, this, &Form1::exitRequested);
        } else {
            connect(button, &QPushButton::clicked, this,
                    [this, number] { emit openScreen(number); });
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
