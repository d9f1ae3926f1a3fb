#include "controls/bevel.h"

#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <cmath>

void VXDrawEdge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

void VXDrawRaised(QPainter& p, const QRect& r, const QPalette& pal) {
    VXDrawEdge(p, r, pal.color(QPalette::Midlight), pal.color(QPalette::Shadow));
    VXDrawEdge(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Light), pal.color(QPalette::Dark));
}

void VXDrawSunken(QPainter& p, const QRect& r, const QPalette& pal) {
    VXDrawEdge(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Light));
    VXDrawEdge(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Shadow),
               pal.color(QPalette::Midlight));
}

qreal VXPixelRatio(const QWidget* w) {
    return w->devicePixelRatioF();
}

static QSize DeviceSize(QSize size, qreal ratio) {
    return QSize(std::max(1, static_cast<int>(std::ceil(size.width() * ratio))),
                 std::max(1, static_cast<int>(std::ceil(size.height() * ratio))));
}

QImage VXMakeImage(QSize size, qreal ratio) {
    QImage image(DeviceSize(size, ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

QPixmap VXMakePixmap(QSize size, qreal ratio) {
    QPixmap pixmap(DeviceSize(size, ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}
