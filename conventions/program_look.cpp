#include "program_look.hpp"

#include <QApplication>

namespace nurlo {

void applyProgramFont(QApplication& application) {
    // Carlito is narrow enough for the longest captions to wrap in their boxes as they were laid
    // out for ("Ordinata partenza (nel / sistema discretizzato)" in 1575 twips), where the wider
    // common sans faces (DejaVu Sans, Liberation Sans) need a third line that the box does not
    // hold. It is asked for by name, so that every machine with the package lays the captions
    // out alike; the style hint picks some sans face where the package is missing.
    QFont font(QStringLiteral("Carlito"));
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
