#include "controls/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 16;

QPixmap Draw(const QString& name, bool disabled) {
    QPixmap pm(kSize * 2, kSize * 2);
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = disabled ? QColor(160, 160, 160) : QColor(30, 30, 30);
    const QColor green = disabled ? QColor(170, 170, 170) : QColor(20, 140, 40);
    const QColor red = disabled ? QColor(170, 170, 170) : QColor(200, 30, 30);
    const QColor paper = disabled ? QColor(235, 235, 235) : QColor(255, 255, 255);
    const QColor blue = disabled ? QColor(170, 170, 170) : QColor(40, 90, 170);
    p.setPen(Qt::NoPen);
    if (name == "PLAY") {
        QPainterPath path;
        path.moveTo(4, 2.5);
        path.lineTo(13, 8);
        path.lineTo(4, 13.5);
        path.closeSubpath();
        p.fillPath(path, green);
    } else if (name == "PAUSE") {
        p.fillRect(QRectF(4, 3, 3, 10), ink);
        p.fillRect(QRectF(9, 3, 3, 10), ink);
    } else if (name == "STOP") {
        p.fillRect(QRectF(4, 4, 8, 8), ink);
    } else if (name == "RECORD") {
        p.setBrush(red);
        p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    } else if (name == "REC_PAUSED") {
        p.setBrush(red.lighter(150));
        p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
        p.fillRect(QRectF(6, 5.5, 1.5, 5), ink);
        p.fillRect(QRectF(8.5, 5.5, 1.5, 5), ink);
    } else if (name == "NEW" || name == "OPEN" || name == "SAVE" || name == "COPY" ||
               name == "PASTE") {
        p.setPen(QPen(ink, 1.0));
        if (name == "NEW") {
            p.setBrush(paper);
            p.drawRect(QRectF(3.5, 1.5, 9, 13));
        } else if (name == "OPEN") {
            p.setBrush(QColor(disabled ? 220 : 240, disabled ? 220 : 200, disabled ? 220 : 90));
            p.drawRect(QRectF(1.5, 4.5, 13, 9));
            p.drawRect(QRectF(1.5, 3.0, 5, 1.5));
        } else if (name == "SAVE") {
            p.setBrush(blue);
            p.drawRect(QRectF(2.5, 2.5, 11, 11));
            p.setBrush(paper);
            p.drawRect(QRectF(4.5, 2.5, 7, 4));
            p.fillRect(QRectF(5, 9, 6, 4), paper);
        } else if (name == "COPY") {
            p.setBrush(paper);
            p.drawRect(QRectF(2.5, 1.5, 7, 9));
            p.drawRect(QRectF(6.5, 5.5, 7, 9));
        } else {
            p.setBrush(QColor(disabled ? 200 : 170, disabled ? 200 : 120, disabled ? 200 : 60));
            p.drawRect(QRectF(2.5, 2.5, 11, 12));
            p.setBrush(paper);
            p.drawRect(QRectF(5.5, 5.5, 7, 8));
        }
    } else if (name == "CUT") {
        p.setPen(QPen(ink, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(5, 2), QPointF(10, 10));
        p.drawLine(QPointF(11, 2), QPointF(6, 10));
        p.drawEllipse(QRectF(2.5, 10, 4, 4));
        p.drawEllipse(QRectF(9.5, 10, 4, 4));
    } else if (name == "UNDO") {
        p.setPen(QPen(ink, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 4, 9, 9), 90 * 16, -250 * 16);
        QPainterPath head;
        head.moveTo(2, 6);
        head.lineTo(7, 3);
        head.lineTo(7, 9);
        head.closeSubpath();
        p.fillPath(head, ink);
    } else if (name == "DACS") {
        // A loudspeaker with its sound.
        QPainterPath body;
        body.moveTo(2, 6);
        body.lineTo(5, 6);
        body.lineTo(9, 2.5);
        body.lineTo(9, 13.5);
        body.lineTo(5, 10);
        body.lineTo(2, 10);
        body.closeSubpath();
        p.fillPath(body, ink);
        p.setPen(QPen(green, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(7, 5, 6, 6), -60 * 16, 120 * 16);
        p.drawArc(QRectF(6, 3, 9, 10), -60 * 16, 120 * 16);
    } else if (name == "ADCS") {
        // A microphone.
        p.setBrush(ink);
        p.drawRoundedRect(QRectF(6, 1.5, 4, 8), 2, 2);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 4, 8, 8), 180 * 16, 180 * 16);
        p.drawLine(QPointF(8, 12), QPointF(8, 14));
        p.drawLine(QPointF(5.5, 14.5), QPointF(10.5, 14.5));
    } else {
        return {};
    }
    return pm;
}

} // namespace

QIcon Glyph(const QString& name) {
    const QPixmap normal = Draw(name, false);
    if (normal.isNull())
        return {};
    QIcon icon(normal);
    icon.addPixmap(Draw(name, true), QIcon::Disabled);
    return icon;
}
