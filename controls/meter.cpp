#include "controls/meter.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <bit>
#include <cmath>

#include "controls/bevel.h"

VXDWMeter::VXDWMeter(QWidget* parent) : QWidget(parent) {
    Layout();
}

QSize VXDWMeter::sizeHint() const {
    return orientation == trVertical ? QSize(4 + 8 * channelCount, 4 + 6 * segmentCount)
                                     : QSize(4 + 6 * segmentCount, 4 + 8 * channelCount);
}

float VXDWMeter::Values(int channel) const {
    return channel >= 0 && channel < channelCount ? values[channel] : 0.0f;
}

int VXDWMeter::LitSegments(int channel) const {
    return channel >= 0 && channel < channelCount ? lit[channel] : 0;
}

void VXDWMeter::SetValues(int channel, float value) {
    if (channel < 0 || channel >= channelCount)
        return;
    Apply(channel, value, true);
}

void VXDWMeter::ClearValues() {
    values.fill(0.0f);
    lit.fill(0);
    update();
}

void VXDWMeter::SetOrientation(VXDWMeterOrientation o) {
    orientation = o;
    Layout();
    updateGeometry();
    update();
}

void VXDWMeter::SetSegmentCount(int n) {
    segmentCount = std::clamp(n, 1, MaxSegments);
    Layout();
    update();
}

void VXDWMeter::SetChannelCount(int n) {
    channelCount = std::clamp(n, 1, MaxChannels);
    Layout();
    update();
}

void VXDWMeter::Layout() {
    const int n = segmentCount;
    mask = (1 << (n - 1)) - 1;
    const int m = n - 1;
    const int greens = static_cast<int>(std::floor(m * 0.4444444444444444 + 0.5));
    const int brights = static_cast<int>(std::floor(m * 0.3333333333333333 + 0.5));
    const int yellows = static_cast<int>(std::floor(m * 0.2777777777777778 + 1.0));
    for (int i = 0; i < n; ++i) {
        if (i < greens)
            colors[i] = QColor(0, 128, 0);
        else if (i < greens + brights)
            colors[i] = QColor(0, 255, 0);
        else if (i < greens + brights + yellows)
            colors[i] = QColor(255, 255, 0);
        else
            colors[i] = QColor(255, 0, 0);
    }
    colors[0] = QColor(0, 128, 0);
    colors[n - 1] = QColor(255, 0, 0);

    const int w = width();
    const int h = height();
    if (orientation == trVertical) {
        const int sw = (w - 4) / channelCount;
        const int sh = (h - 4) / n;
        firstSegment = QRect(QPoint(2, h - sh - 3), QPoint(sw + 1 - 1, h - 4 - 1));
        segmentStep = QPoint(0, -sh);
        channelStep = QPoint(sw, 0);
    } else {
        const int sw = (w - 4) / n;
        const int sh = (h - 4) / channelCount;
        firstSegment = QRect(QPoint(3, 2), QPoint(sw + 2 - 1, sh + 1 - 1));
        segmentStep = QPoint(sw, 0);
        channelStep = QPoint(0, sh);
    }
    for (int c = 0; c < channelCount; ++c)
        Apply(c, values[c], false);
}

QRect VXDWMeter::SegmentRect(int channel, int segment) const {
    return firstSegment.translated(channelStep * channel + segmentStep * segment);
}

void VXDWMeter::Apply(int channel, float value, bool draw) {
    int count = 0;
    if (value >= 1.0f) {
        count = segmentCount;
    } else if (value > 0.0f) {
        const auto scaled = static_cast<unsigned>(std::floor(static_cast<double>(value) * mask));
        count = static_cast<int>(std::bit_width(scaled));
    }
    const int old = lit[channel];
    values[channel] = value;
    lit[channel] = count;
    if (draw && count != old) {
        const int from = std::max(0, std::min(old, count) - 1);
        const int to = std::max(old, count) - 1;
        update(SegmentRect(channel, from).united(SegmentRect(channel, to)));
    }
}

void VXDWMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect().adjusted(1, 1, -1, -1), pal.color(QPalette::Button));
    VXDrawEdge(p, rect(), pal.color(QPalette::Dark), pal.color(QPalette::Light));
    if (!isEnabled())
        return;
    for (int c = 0; c < channelCount; ++c)
        for (int s = 0; s < lit[c]; ++s)
            p.fillRect(SegmentRect(c, s), colors[s]);
}

void VXDWMeter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

void VXDWMeter::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        update();
}
