#pragma once

// Drawing shared by the slider and the range slider. "Along" is the axis the
// thumbs travel on; "across" the other one. Ticks take the last 5 pixels
// across (right of a vertical slider, below a horizontal one).

#include <QPixmap>
#include <QRect>
#include <vector>

class QPainter;
class QPalette;

constexpr int VXSliderTickSpace = 5;

// A raised thumb picture of `size` logical pixels; pressed thumbs are drawn
// sunk and darker. The grip runs across the thumb.
QPixmap VXRenderThumb(QSize size, qreal ratio, bool vertical, bool pressed, const QPalette& pal);

// The sunken groove from `from` to `to` (inclusive, along) centred in a
// band of `across` pixels.
void VXDrawGroove(QPainter& p, bool vertical, int from, int to, int across, const QPalette& pal);

// Tick marks at the given along-pixels; `endPixels` are one pixel longer.
// A mark landing on a pixel already marked is not drawn again.
void VXDrawTicks(QPainter& p, bool vertical, const QSize& control, const std::vector<int>& pixels,
                 const std::vector<int>& endPixels, const QPalette& pal);
