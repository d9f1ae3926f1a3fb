#include "controls/knob.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "controls/bevel.h"

VXDWKnob::VXDWKnob(QWidget* parent) : QWidget(parent), readout(new VXValueReadout(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    // A click or a wheel turn gives the knob the keys, so that the arrows
    // can carry on from there.
    setFocusPolicy(Qt::WheelFocus);
}

VXScaleKind VXDWKnob::Kind() const {
    return scale == ksLogarithmic ? VXScaleKind::Log10 : VXScaleKind::Linear;
}

double VXDWKnob::ValueAt(double p) const {
    return VXScaleValue(p, min, max, Kind());
}

double VXDWKnob::Value() const {
    return ValueAt(position);
}

void VXDWKnob::SetValue(double v) {
    const double p = VXScalePosition(v, min, max, Kind());
    const bool changed = p != position;
    position = p;
    update();
    if (changed)
        emit OnChange(v);
}

void VXDWKnob::SetMin(double v) {
    const double value = Value();
    min = v;
    face = {};
    SetValue(value);
}

void VXDWKnob::SetMax(double v) {
    const double value = Value();
    max = v;
    face = {};
    SetValue(value);
}

void VXDWKnob::SetFrequency(double f) {
    frequency = f;
    face = {};
    update();
}

void VXDWKnob::SetTickStyle(VXTickStyle style) {
    tickStyle = style;
    face = {};
    update();
}

void VXDWKnob::SetScale(VXDWKnobScale s) {
    scale = s;
    update();
}

void VXDWKnob::AddTick(double value) {
    ticks.insert(ticks.begin(), value);
    face = {};
    update();
}

void VXDWKnob::ClearTicks() {
    ticks.clear();
    face = {};
    update();
}

QRect VXDWKnob::FaceRect() const {
    const int side = std::min(width(), height());
    QRect r((width() - side) / 2, (height() - side) / 2, side, side);
    if (tickStyle != tsNone)
        r.adjust(7, 7, -7, -7);
    return r;
}

namespace {

// The point at angle theta on a circle around c: theta 0 straight down,
// growing clockwise (pi/2 at the left, pi at the top).
QPointF AtAngle(QPointF c, double radius, double theta) {
    return {c.x() - radius * std::sin(theta), c.y() + radius * std::cos(theta)};
}

double AngleOf(double p) {
    return (p * 1.5 + 0.25) * std::numbers::pi;
}

} // namespace

void VXDWKnob::RenderFace() {
    face = VXMakePixmap(size(), VXPixelRatio(this));
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QRectF r = QRectF(FaceRect());
    if (r.width() < 4)
        return;
    const QPointF c = r.center();
    const double radius = r.width() / 2.0;

    if (tickStyle != tsNone) {
        p.setPen(QPen(pal.color(QPalette::WindowText), 1.0, Qt::SolidLine, Qt::FlatCap));
        auto tick = [&](double v) {
            if (!(max != min))
                return;
            const double t = AngleOf(std::clamp((v - min) / (max - min), 0.0, 1.0));
            p.drawLine(AtAngle(c, radius + 1.5, t), AtAngle(c, radius + 5.5, t));
        };
        if (tickStyle == tsAuto)
            VXForEachAutoTick(min, max, frequency, tick);
        else
            std::for_each(ticks.begin(), ticks.end(), tick);
    }

    // Two rings lit from the top left around the face: the halves meet on
    // the diagonal from the top right to the bottom left.
    auto ring = [&](const QRectF& box, const QColor& lit, const QColor& unlit) {
        p.setPen(Qt::NoPen);
        p.setBrush(lit);
        p.drawPie(box, 45 * 16, 180 * 16);
        p.setBrush(unlit);
        p.drawPie(box, 225 * 16, 180 * 16);
    };
    ring(r, pal.color(QPalette::Midlight), pal.color(QPalette::Shadow));
    ring(r.adjusted(1, 1, -1, -1), pal.color(QPalette::Light), pal.color(QPalette::Dark));
    p.setBrush(pal.color(QPalette::Button));
    p.drawEllipse(r.adjusted(2, 2, -2, -2));
}

void VXDWKnob::DrawPointer(QPainter& p) const {
    const QRectF r = QRectF(FaceRect());
    const double radius = r.width() / 2.0 - 2.0;
    if (radius < 3)
        return;
    const QPointF c = r.center();
    const double theta = AngleOf(position);
    const double length = std::max(5.0, radius * 0.55);
    const double half = length * 0.5;
    const QPointF tip = AtAngle(c, radius - 1.5, theta);
    const QPointF base = AtAngle(c, radius - 1.5 - length, theta);
    // Perpendicular to the pointer's direction.
    const QPointF across(std::cos(theta) * half, std::sin(theta) * half);
    const QPointF corners[3] = {tip, base + across, base - across};

    const QPalette& pal = palette();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(pal.color(QPalette::Shadow));
    p.drawPolygon(corners, 3);
    // Each edge catches the light when it faces the top left.
    for (int i = 0; i < 3; ++i) {
        const QPointF a = corners[i];
        const QPointF b = corners[(i + 1) % 3];
        const QPointF mid = (a + b) / 2.0;
        const QPointF centroid = (corners[0] + corners[1] + corners[2]) / 3.0;
        const QPointF outward = mid - centroid;
        const bool lit = outward.x() + outward.y() < 0;
        p.setPen(QPen(lit ? pal.color(QPalette::Light) : pal.color(QPalette::Dark), 1.0));
        p.drawLine(a, b);
    }
}

void VXDWKnob::paintEvent(QPaintEvent*) {
    if (face.isNull() || face.devicePixelRatio() != VXPixelRatio(this))
        RenderFace();
    QPainter p(this);
    p.drawPixmap(0, 0, face);
    DrawPointer(p);
    if (hasFocus()) {
        // Drawn by the knob itself: some styles draw no focus frame after a
        // click, and the arrows work then too.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(palette().color(QPalette::Highlight), 1.0, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void VXDWKnob::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    face = {};
}

void VXDWKnob::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        face = {};
        update();
    }
}

void VXDWKnob::mousePressEvent(QMouseEvent* event) {
    lastMouse = event->position().toPoint();
    dragging = true;
    ShowReadout();
}

void VXDWKnob::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)))
        return;
    const QPoint point = event->position().toPoint();
    position = std::clamp(position + (point.y() - lastMouse.y()) * -0.01, 0.0, 1.0);
    lastMouse = point;
    update();
    ShowReadout();
    emit OnChange(Value());
}

void VXDWKnob::mouseReleaseEvent(QMouseEvent* event) {
    if (event->buttons() & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton))
        return;
    dragging = false;
    if (!hovered || !rect().contains(event->position().toPoint()))
        readout->HideValue();
}

void VXDWKnob::TurnTo(double p) {
    p = std::clamp(p, 0.0, 1.0);
    if (p == position)
        return;
    position = p;
    update();
    ShowReadout();
    emit OnChange(Value());
}

void VXDWKnob::ShowReadout() {
    readout->ShowValue(Value(), !dragging && !hovered);
}

void VXDWKnob::wheelEvent(QWheelEvent* event) {
    // Some desktops turn a wheel held with Shift into a sideways one.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    const double fine = (event->modifiers() & Qt::ShiftModifier) ? FineFactor : 1.0;
    // Eighths of a degree, 120 to a notch; finer wheels and touchpads send
    // parts of a notch and turn the knob by parts of a step.
    TurnTo(position + delta / 120.0 * Step * fine);
    // Taken even at an end, or the pane behind would scroll instead.
    event->accept();
}

void VXDWKnob::keyPressEvent(QKeyEvent* event) {
    const double fine = (event->modifiers() & Qt::ShiftModifier) ? FineFactor : 1.0;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        TurnTo(position + Step * fine);
        break;
    case Qt::Key_Down:
    case Qt::Key_Left:
        TurnTo(position - Step * fine);
        break;
    case Qt::Key_PageUp:
        TurnTo(position + PageStep * fine);
        break;
    case Qt::Key_PageDown:
        TurnTo(position - PageStep * fine);
        break;
    case Qt::Key_Home:
        TurnTo(0.0);
        break;
    case Qt::Key_End:
        TurnTo(1.0);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void VXDWKnob::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hovered = true;
    readout->ShowValue(Value());
}

void VXDWKnob::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hovered = false;
    if (!dragging)
        readout->HideValue();
}

void VXDWKnob::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void VXDWKnob::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void VXDWKnob::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    dragging = false;
    hovered = false;
    readout->HideValue();
}
