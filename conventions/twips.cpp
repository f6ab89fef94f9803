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

QRect twipsRect(const TwipsRect& place, double dpi) {
    return QRect(twipsToPixels(place.left, dpi), twipsToPixels(place.top, dpi),
                 twipsToPixels(place.width, dpi), twipsToPixels(place.height, dpi));
}

QSize twipsSize(int width, int height, double dpi) {
    return QSize(twipsToPixels(width, dpi), twipsToPixels(height, dpi));
}

}  // namespace nurlo
