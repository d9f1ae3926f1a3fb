#include "controls/range_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "controls/bevel.h"
#include "controls/slider_parts.h"

namespace {
// Two thumbs of 7 pixels share the 14 pixels the track leaves free; at equal
// positions they meet.
constexpr int ThumbLength = 7;
} // namespace

VXDWRangeSlider::VXDWRangeSlider(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
}

VXScaleKind VXDWRangeSlider::Kind() const {
    switch (scale) {
    case rscLogarithmic:
        return VXScaleKind::Log10;
    case rscOctave:
        return VXScaleKind::Log2;
    default:
        return VXScaleKind::Linear;
    }
}

double VXDWRangeSlider::Value0() const {
    return VXScaleValue(position0, min, max, Kind());
}

double VXDWRangeSlider::Value1() const {
    return VXScaleValue(position1, min, max, Kind());
}

void VXDWRangeSlider::SetValue0(double v) {
    position0 = VXScalePosition(v, min, max, Kind());
    position1 = std::max(position1, position0);
    update();
}

void VXDWRangeSlider::SetValue1(double v) {
    position1 = VXScalePosition(v, min, max, Kind());
    position0 = std::min(position0, position1);
    update();
}

void VXDWRangeSlider::SetMin(double v) {
    const double v0 = Value0(), v1 = Value1();
    min = v;
    SetValue0(v0);
    SetValue1(v1);
}

void VXDWRangeSlider::SetMax(double v) {
    const double v0 = Value0(), v1 = Value1();
    max = v;
    SetValue0(v0);
    SetValue1(v1);
}

void VXDWRangeSlider::SetFrequency(double f) {
    frequency = f;
    update();
}

void VXDWRangeSlider::SetTickStyle(VXTickStyle style) {
    tickStyle = style;
    thumbNormal = thumbPressed = {};
    update();
}

void VXDWRangeSlider::SetScale(VXDWRangeSliderScale s) {
    scale = s;
    update();
}

void VXDWRangeSlider::SetOrientation(VXDWRangeSliderOrientation o) {
    orientation = o;
    thumbNormal = thumbPressed = {};
    updateGeometry();
    update();
}

void VXDWRangeSlider::SetEndTicks(bool on) {
    endTicks = on;
    update();
}

void VXDWRangeSlider::AddTick(double value) {
    ticks.insert(ticks.begin(), value);
    update();
}

void VXDWRangeSlider::ClearTicks() {
    ticks.clear();
    update();
}

QSize VXDWRangeSlider::sizeHint() const {
    return Vertical() ? QSize(20, 140) : QSize(140, 20);
}

int VXDWRangeSlider::Across() const {
    const int across = Vertical() ? width() : height();
    return tickStyle == tsNone ? across : across - VXSliderTickSpace;
}

// The along-pixel where the two thumbs would meet for position p.
int VXDWRangeSlider::Offset(double p) const {
    const int travel = std::max(0, Length() - 2 * ThumbLength);
    const double along = Vertical() ? 1.0 - p : p;
    return static_cast<int>(std::lround(along * travel)) + ThumbLength;
}

QRect VXDWRangeSlider::LowerThumbRect() const {
    const int across = std::max(2, Across() - 2);
    const int at = Offset(position0);
    return Vertical() ? QRect(1, at, across, ThumbLength)
                      : QRect(at - ThumbLength, 1, ThumbLength, across);
}

QRect VXDWRangeSlider::UpperThumbRect() const {
    const int across = std::max(2, Across() - 2);
    const int at = Offset(position1);
    return Vertical() ? QRect(1, at - ThumbLength, across, ThumbLength)
                      : QRect(at, 1, ThumbLength, across);
}

void VXDWRangeSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const bool vertical = Vertical();
    const int length = Length();
    VXDrawGroove(p, vertical, ThumbLength, std::max(ThumbLength, length - 1 - ThumbLength),
                 Across(), pal);

    // The chosen range inside the groove.
    const int a = Offset(position0), b = Offset(position1);
    const int lo = std::min(a, b), hi = std::max(a, b);
    const int inner = (Across() - 4) / 2 + 1;
    if (hi > lo) {
        const QRect range = vertical ? QRect(inner, lo, 2, hi - lo) : QRect(lo, inner, hi - lo, 2);
        p.fillRect(range, pal.color(QPalette::Highlight));
    }

    if (tickStyle != tsNone) {
        std::vector<int> pixels;
        std::vector<int> ends;
        auto add = [&](double v) {
            if (v >= std::min(min, max) && v <= std::max(min, max))
                pixels.push_back(Offset(VXScalePosition(v, min, max, Kind())));
        };
        if (endTicks) {
            ends.push_back(Offset(0.0));
            ends.push_back(Offset(1.0));
        }
        if (tickStyle == tsAuto)
            VXForEachAutoTick(min, max, frequency, add);
        else
            std::for_each(ticks.begin(), ticks.end(), add);
        VXDrawTicks(p, vertical, size(), pixels, ends, pal);
    }

    const QRect lower = LowerThumbRect();
    const QRect upper = UpperThumbRect();
    const qreal ratio = VXPixelRatio(this);
    if (thumbNormal.isNull() || thumbNormal.devicePixelRatio() != ratio ||
        thumbNormal.deviceIndependentSize().toSize() != lower.size()) {
        thumbNormal = VXRenderThumb(lower.size(), ratio, vertical, false, pal);
        thumbPressed = VXRenderThumb(lower.size(), ratio, vertical, true, pal);
    }
    p.drawPixmap(lower.topLeft(), dragging && lowerPressed ? thumbPressed : thumbNormal);
    p.drawPixmap(upper.topLeft(), dragging && upperPressed ? thumbPressed : thumbNormal);
}

void VXDWRangeSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    thumbNormal = thumbPressed = {};
}

void VXDWRangeSlider::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        thumbNormal = thumbPressed = {};
        update();
    }
}

void VXDWRangeSlider::SetPressedFrom(Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool alt = modifiers & Qt::AltModifier;
    lowerPressed = alt || !shift;
    upperPressed = shift || !alt;
    update();
}

void VXDWRangeSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    lastMouse = event->position().toPoint();
    dragging = true;
    SetPressedFrom(event->modifiers());
    setFocus(Qt::MouseFocusReason);
}

void VXDWRangeSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    const int pixels = Vertical() ? lastMouse.y() - point.y() : point.x() - lastMouse.x();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const double d = ((mods & Qt::ControlModifier) ? 0.1 : 1.0) /
                     std::max(1, Length() - 2 * ThumbLength) * pixels;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;

    double d0, d1;
    if (shift && alt) {
        d0 = -d;
        d1 = d;
    } else if (shift) {
        d0 = 0.0;
        d1 = d;
    } else if (alt) {
        d0 = d;
        d1 = 0.0;
    } else {
        d0 = d1 = d;
    }
    // At the bottom end a shift keeps its width and a symmetric change stays
    // symmetric; likewise at the top end.
    if (position0 + d0 < 0.0) {
        d0 = -position0;
        if (d1 != 0.0)
            d1 = d1 < 0.0 ? d0 : -d0;
    }
    if (position1 + d1 > 1.0) {
        d1 = 1.0 - position1;
        if (d0 != 0.0)
            d0 = d0 > 0.0 ? d1 : -d1;
        else if (position1 + d1 < position0)
            d1 = position0 - position1;
    }
    if (position1 + d1 < position0 + d0) {
        if (d0 != 0.0 && d1 != 0.0) {
            d0 = (position1 - position0) * 0.5;
            d1 = -(position1 - position0) * 0.5;
        } else if (d0 != 0.0) {
            d0 = position1 - position0;
        } else {
            d1 = position0 - position1;
        }
    }
    position0 = std::max(0.0, position0 + d0);
    position1 = std::min(1.0, position1 + d1);
    lastMouse = point;
    SetPressedFrom(mods);
    emit OnChange(Value0(), Value1());
}

void VXDWRangeSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    dragging = false;
    update();
}

static Qt::KeyboardModifiers WithKey(const QKeyEvent* event, bool down) {
    Qt::KeyboardModifiers mods = event->modifiers();
    Qt::KeyboardModifier key = Qt::NoModifier;
    if (event->key() == Qt::Key_Shift)
        key = Qt::ShiftModifier;
    else if (event->key() == Qt::Key_Alt)
        key = Qt::AltModifier;
    if (key != Qt::NoModifier)
        mods.setFlag(key, down);
    return mods;
}

void VXDWRangeSlider::keyPressEvent(QKeyEvent* event) {
    if (dragging && (event->key() == Qt::Key_Shift || event->key() == Qt::Key_Alt))
        SetPressedFrom(WithKey(event, true));
    else
        QWidget::keyPressEvent(event);
}

void VXDWRangeSlider::keyReleaseEvent(QKeyEvent* event) {
    if (dragging && (event->key() == Qt::Key_Shift || event->key() == Qt::Key_Alt))
        SetPressedFrom(WithKey(event, false));
    else
        QWidget::keyReleaseEvent(event);
}
