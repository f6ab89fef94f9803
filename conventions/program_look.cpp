#include "program_look.hpp"

#include <QApplication>

namespace nurlo {

void applyProgramFont(QApplication& application) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    application.setFont(font);
}

QFont headingFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}

QFont titleFont() {
    QFont font(QStringLiteral("Cherry Bomb"));
    font.setStyleHint(QFont::Decorative);
    font.setPointSizeF(15.75);
    font.setBold(false);
    return font;
}

}  // namespace nurlo
