#include "ui/design_units.h"

#include <QPaintDevice>
#include <QtMath>

namespace orbel {

int TwipsToPixels(int twips, int dotsPerInch) {
    return qRound(static_cast<double>(twips) * dotsPerInch / kTwipsPerInch);
}

int TwipsToPixels(int twips, const QPaintDevice& device) {
    return TwipsToPixels(twips, device.logicalDpiX());
}

QRect TwipsToPixels(const TwipsRect& place, const QPaintDevice& device) {
    const int across = device.logicalDpiX();
    const int down = device.logicalDpiY();
    return {TwipsToPixels(place.left, across), TwipsToPixels(place.top, down),
            TwipsToPixels(place.width, across), TwipsToPixels(place.height, down)};
}

}  // namespace orbel
