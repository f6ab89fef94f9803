#include "twips.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace nurlo {

int twipsToPixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

double screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

QRect twipsRect(int left, int top, int width, int height, double dpi) {
    return QRect(twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi),
                 twipsToPixels(height, dpi));
}

QSize twipsSize(int width, int height, double dpi) {
    return QSize(twipsToPixels(width, dpi), twipsToPixels(height, dpi));
}

}  // namespace nurlo
