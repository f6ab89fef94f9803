// Screen positions are given in twips (1440 to the inch) and converted with the screen's logical
// resolution.
#pragma once

#include <QRect>
#include <QSize>

namespace nurlo {

// pixels = twips * dpi / 1440, rounded to the nearest pixel.
int twipsToPixels(int twips, double dpi);

// The logical resolution of the primary screen, in dots per inch.
double screenDpi();

QRect twipsRect(int left, int top, int width, int height, double dpi = screenDpi());
QSize twipsSize(int width, int height, double dpi = screenDpi());

}  // namespace nurlo
