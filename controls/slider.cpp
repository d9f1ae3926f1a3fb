#include "controls/slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "controls/bevel.h"
#include "controls/slider_parts.h"

namespace {
constexpr int ThumbLength = 10;
}

VXDWSlider::VXDWSlider(QWidget* parent) : QWidget(parent) {}

VXScaleKind VXDWSlider::Kind() const {
    switch (scale) {
    case scLogarithmic:
        return VXScaleKind::Log10;
    case scOctave:
        return VXScaleKind::Log2;
    default:
        return VXScaleKind::Linear;
    }
}

double VXDWSlider::Value() const {
    return VXScaleValue(position, min, max, Kind());
}

void VXDWSlider::SetValue(double v) {
    position = VXScalePosition(v, min, max, Kind());
    update();
}

void VXDWSlider::SetMin(double v) {
    const double value = Value();
    min = v;
    SetValue(value);
}

void VXDWSlider::SetMax(double v) {
    const double value = Value();
    max = v;
    SetValue(value);
}

void VXDWSlider::SetFrequency(double f) {
    frequency = f;
    update();
}

void VXDWSlider::SetTickStyle(VXTickStyle style) {
    tickStyle = style;
    thumbNormal = thumbPressed = {};
    update();
}

void VXDWSlider::SetScale(VXDWSliderScale s) {
    scale = s;
    update();
}

void VXDWSlider::SetOrientation(VXDWSliderOrientation o) {
    orientation = o;
    thumbNormal = thumbPressed = {};
    updateGeometry();
    update();
}

void VXDWSlider::SetEndTicks(bool on) {
    endTicks = on;
    update();
}

void VXDWSlider::AddTick(double value) {
    ticks.insert(ticks.begin(), value);
    update();
}

void VXDWSlider::ClearTicks() {
    ticks.clear();
    update();
}

QSize VXDWSlider::sizeHint() const {
    return Vertical() ? QSize(20, 140) : QSize(140, 20);
}

int VXDWSlider::Across() const {
    const int across = Vertical() ? width() : height();
    return tickStyle == tsNone ? across : across - VXSliderTickSpace;
}

int VXDWSlider::ThumbOffset(double p) const {
    const int travel = std::max(0, Length() - 11);
    const double along = Vertical() ? 1.0 - p : p;
    return static_cast<int>(std::lround(along * travel));
}

QRect VXDWSlider::ThumbRect() const {
    const int at = ThumbOffset(position);
    const int across = std::max(2, Across() - 2);
    return Vertical() ? QRect(1, at, across, ThumbLength) : QRect(at, 1, ThumbLength, across);
}

void VXDWSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const int length = Length();
    const int half = ThumbLength / 2;
    VXDrawGroove(p, Vertical(), half, std::max(half, length - 1 - half), Across(), pal);

    if (tickStyle != tsNone) {
        std::vector<int> pixels;
        std::vector<int> ends;
        auto at = [&](double pos) { return ThumbOffset(pos) + half; };
        auto add = [&](double v) {
            if (v >= std::min(min, max) && v <= std::max(min, max))
                pixels.push_back(at(VXScalePosition(v, min, max, Kind())));
        };
        if (endTicks) {
            ends.push_back(at(0.0));
            ends.push_back(at(1.0));
        }
        if (tickStyle == tsAuto)
            VXForEachAutoTick(min, max, frequency, add);
        else
            std::for_each(ticks.begin(), ticks.end(), add);
        VXDrawTicks(p, Vertical(), size(), pixels, ends, pal);
    }

    const QRect thumb = ThumbRect();
    const qreal ratio = VXPixelRatio(this);
    if (thumbNormal.isNull() || thumbNormal.devicePixelRatio() != ratio ||
        thumbNormal.deviceIndependentSize().toSize() != thumb.size()) {
        thumbNormal = VXRenderThumb(thumb.size(), ratio, Vertical(), false, pal);
        thumbPressed = VXRenderThumb(thumb.size(), ratio, Vertical(), true, pal);
    }
    p.drawPixmap(thumb.topLeft(), pressed ? thumbPressed : thumbNormal);
}

void VXDWSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    thumbNormal = thumbPressed = {};
}

void VXDWSlider::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        thumbNormal = thumbPressed = {};
        update();
    }
}

void VXDWSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    lastMouse = event->position().toPoint();
    pressed = true;
    trackClick = !ThumbRect().contains(lastMouse);
    update();
}

void VXDWSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    const int d = Vertical() ? lastMouse.y() - point.y() : point.x() - lastMouse.x();
    lastMouse = point;
    if (d != 0)
        trackClick = false;
    const double speed = (event->modifiers() & Qt::ShiftModifier) ? 0.1 : 1.0;
    const int oldPixel = ThumbOffset(position);
    const double travel = std::max(1, Length() - 11);
    position = std::clamp(position + speed / travel * d, 0.0, 1.0);
    emit OnChange(Value());
    if (ThumbOffset(position) != oldPixel)
        update();
}

void VXDWSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed = false;
    if (trackClick) {
        // The thumb's middle comes to the pointer. Only a click does this:
        // a press that moves drags the thumb from where it is.
        trackClick = false;
        const QPoint point = event->position().toPoint();
        const int along = Vertical() ? point.y() : point.x();
        const double travel = std::max(1, Length() - 11);
        const double p = std::clamp((along - ThumbLength / 2) / travel, 0.0, 1.0);
        position = Vertical() ? 1.0 - p : p;
        emit OnChange(Value());
    }
    update();
}
