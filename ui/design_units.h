// The dialogs are designed in twips, 1/1440 inch. On screen a twip follows the logical
// density, so a design keeps its size in inches and grows with the desktop's scaling.
#pragma once

#include <QRect>

class QPaintDevice;

namespace orbel {

constexpr int kTwipsPerInch = 1440;

// A control's place in the design, in twips inside its window's client area.
struct TwipsRect {
    int left, top, width, height;
};

// `twips` in whole pixels at `dotsPerInch`, rounded to the nearest.
int TwipsToPixels(int twips, int dotsPerInch);
// On `device`, at its horizontal logical density.
int TwipsToPixels(int twips, const QPaintDevice& device);
// On `device`: across at its horizontal density, down at its vertical one.
QRect TwipsToPixels(const TwipsRect& place, const QPaintDevice& device);

}  // namespace orbel
