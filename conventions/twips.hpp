// Screen positions are given in twips (1440 to the inch) and converted with the screen's logical
// resolution.
#pragma once

#include <QRect>
#include <QSize>

namespace nurlo {

// A control's place in twips: its top left corner, width and height.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    constexpr int right() const { return left + width; }  // just beyond the last twip
    constexpr int bottom() const { return top + height; }
    // Whether the two share some area; an empty rectangle shares none.
    constexpr bool overlaps(const TwipsRect& other) const {
        return left < other.right() && other.left < right() && top < other.bottom() &&
               other.top < bottom();
    }
};

// The top left corner of a control of fixed size, in twips.
struct TwipsPoint {
    int left = 0;
    int top = 0;
};

// pixels = twips * dpi / 1440, rounded to the nearest pixel.
int twipsToPixels(int twips, double dpi);

// The logical resolution of the primary screen, in dots per inch.
double screenDpi();

QRect twipsRect(const TwipsRect& place, double dpi = screenDpi());
QSize twipsSize(int width, int height, double dpi = screenDpi());

}  // namespace nurlo
