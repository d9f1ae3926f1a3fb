#include "controls/slider_parts.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "controls/bevel.h"

QPixmap VXRenderThumb(QSize size, qreal ratio, bool vertical, bool pressed, const QPalette& pal) {
    QPixmap pixmap = VXMakePixmap(size, ratio);
    QPainter p(&pixmap);
    const QRect r(QPoint(0, 0), size);
    p.fillRect(r, pressed ? pal.color(QPalette::Midlight) : pal.color(QPalette::Button));
    if (pressed)
        VXDrawEdge(p, r, pal.color(QPalette::Shadow), pal.color(QPalette::Light));
    else
        VXDrawRaised(p, r, pal);
    // An etched grip across the middle of the thumb.
    const int inset = 3;
    if (vertical && size.height() >= 6 && size.width() > 2 * inset) {
        const int y = size.height() / 2 - 1;
        p.fillRect(QRect(inset, y, size.width() - 2 * inset, 1), pal.color(QPalette::Dark));
        p.fillRect(QRect(inset, y + 1, size.width() - 2 * inset, 1), pal.color(QPalette::Light));
    } else if (!vertical && size.width() >= 6 && size.height() > 2 * inset) {
        const int x = size.width() / 2 - 1;
        p.fillRect(QRect(x, inset, 1, size.height() - 2 * inset), pal.color(QPalette::Dark));
        p.fillRect(QRect(x + 1, inset, 1, size.height() - 2 * inset), pal.color(QPalette::Light));
    }
    return pixmap;
}

void VXDrawGroove(QPainter& p, bool vertical, int from, int to, int across, const QPalette& pal) {
    const int thickness = 4;
    const int offset = (across - thickness) / 2;
    const QRect r = vertical ? QRect(offset, from, thickness, to - from + 1)
                             : QRect(from, offset, to - from + 1, thickness);
    p.fillRect(r, pal.color(QPalette::Mid));
    VXDrawEdge(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Light));
    VXDrawEdge(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Shadow),
               pal.color(QPalette::Midlight));
}

void VXDrawTicks(QPainter& p, bool vertical, const QSize& control, const std::vector<int>& pixels,
                 const std::vector<int>& endPixels, const QPalette& pal) {
    const QColor ink = pal.color(QPalette::WindowText);
    const int edge = vertical ? control.width() : control.height();
    std::vector<int> drawn;
    auto mark = [&](int at, int length) {
        if (std::find(drawn.begin(), drawn.end(), at) != drawn.end())
            return;
        drawn.push_back(at);
        const int start = edge - 1 - length;
        if (vertical)
            p.fillRect(QRect(start, at, length, 1), ink);
        else
            p.fillRect(QRect(at, start, 1, length), ink);
    };
    for (int at : endPixels)
        mark(at, 4);
    for (int at : pixels)
        mark(at, 3);
}
