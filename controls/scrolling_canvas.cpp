#include "controls/scrolling_canvas.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

VXScrollingCanvas::VXScrollingCanvas(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { ScrollBarAction(0, action); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { ScrollBarAction(1, action); });
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, [this] { ContentChanged(); });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] { ContentChanged(); });
}

VXScrollingCanvas::~VXScrollingCanvas() = default;

void VXScrollingCanvas::SetBorderStyle(VXBorderStyle style) {
    borderStyle = style;
    if (style == bsSingle)
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
    else
        setFrameStyle(QFrame::NoFrame);
}

int VXScrollingCanvas::ClientWidth() const {
    return viewport()->width();
}

int VXScrollingCanvas::ClientHeight() const {
    return viewport()->height();
}

void VXScrollingCanvas::SetExtent(int left, int top, int right, int bottom) {
    const QSize full = maximumViewportSize();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    bool needH = left < 0 || right > full.width();
    bool needV = top < 0 || bottom > full.height();
    if (needH && !needV)
        needV = bottom > full.height() - barHeight;
    else if (needV && !needH)
        needH = right > full.width() - barWidth;
    const int cw = full.width() - (needV ? barWidth : 0);
    const int ch = full.height() - (needH ? barHeight : 0);
    contentLeft = std::min(left, 0);
    contentTop = std::min(top, 0);
    contentRight = std::max(right, cw);
    contentBottom = std::max(bottom, ch);
    ++updatingBars;
    setHorizontalScrollBarPolicy(needH ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(needV ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    --updatingBars;
    UpdateScrollBars();
}

void VXScrollingCanvas::UpdateScrollBars() {
    ++updatingBars;
    struct Axis {
        QScrollBar* bar;
        const VXScrollingCanvasScrollBar* settings;
        int client, extent, offset;
    };
    for (const Axis& a :
         {Axis{horizontalScrollBar(), &horzSettings, ClientWidth(), ContentWidth(), contentLeft},
          Axis{verticalScrollBar(), &vertSettings, ClientHeight(), ContentHeight(), contentTop}}) {
        a.bar->setRange(0, std::max(0, a.extent - a.client));
        a.bar->setPageStep(std::max(1, a.client));
        a.bar->setSingleStep(std::max(1, a.settings->Increment));
        a.bar->setTracking(a.settings->Tracking);
        a.bar->setValue(-a.offset);
    }
    --updatingBars;
}

void VXScrollingCanvas::ScrollBarAction(int kind, int action) {
    if (updatingBars)
        return;
    const bool horizontal = kind == 0;
    const int client = horizontal ? ClientWidth() : ClientHeight();
    const int extent = horizontal ? ContentWidth() : ContentHeight();
    const int offset = horizontal ? contentLeft : contentTop;
    const int increment = horizontal ? horzSettings.Increment : vertSettings.Increment;
    int value;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        value = offset + increment;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        value = offset - increment;
        break;
    case QAbstractSlider::SliderPageStepSub:
        value = offset + client;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        value = offset - client;
        break;
    case QAbstractSlider::SliderToMinimum:
        value = 0;
        break;
    case QAbstractSlider::SliderToMaximum:
        value = client - extent;
        break;
    default:
        // Thumb moves and the wheel arrive as value changes (scrollContentsBy).
        return;
    }
    ScrollTo(kind, value);
    ContentChanged();
}

void VXScrollingCanvas::scrollContentsBy(int, int) {
    if (updatingBars)
        return;
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    if (-contentLeft != h->value())
        ScrollTo(0, -h->value());
    if (-contentTop != v->value())
        ScrollTo(1, -v->value());
    if (!h->isSliderDown() && !v->isSliderDown())
        ContentChanged();
}

void VXScrollingCanvas::ScrollTo(int kind, int value) {
    const bool horizontal = kind == 0;
    const int client = horizontal ? ClientWidth() : ClientHeight();
    const int extent = horizontal ? ContentWidth() : ContentHeight();
    const int offset = horizontal ? contentLeft : contentTop;
    value = std::clamp(value, std::min(client - extent, 0), 0);
    if (value != offset) {
        if (horizontal)
            ScrollContent(value - offset, 0);
        else
            ScrollContent(0, value - offset);
    }
    // The bar shows what the content did, whether or not it moved.
    UpdateScrollBars();
}

void VXScrollingCanvas::wheelEvent(QWheelEvent* event) {
    double dx = 0.0;
    double dy = 0.0;
    if (!event->pixelDelta().isNull()) {
        dx = event->pixelDelta().x();
        dy = event->pixelDelta().y();
    } else {
        const double perNotch = QApplication::wheelScrollLines() * WheelLine / 120.0;
        dx = event->angleDelta().x() * perNotch;
        dy = event->angleDelta().y() * perNotch;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && dx == 0.0)
        std::swap(dx, dy);
    dx += wheelRestX;
    dy += wheelRestY;
    const int x = static_cast<int>(std::trunc(dx));
    const int y = static_cast<int>(std::trunc(dy));
    wheelRestX = dx - x;
    wheelRestY = dy - y;
    // Positive deltas turn the wheel away from the user: the view goes up
    // or left, so the content moves down or right.
    if (x != 0)
        ScrollTo(0, contentLeft + x);
    if (y != 0)
        ScrollTo(1, contentTop + y);
    if (x != 0 || y != 0)
        ContentChanged();
    event->accept();
}

void VXScrollingCanvas::AdjustToClient() {
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    int dx = 0;
    int dy = 0;
    if (ContentWidth() > cw) {
        if (contentRight < cw)
            dx = cw - contentRight;
    } else if (contentLeft < 0) {
        dx = -contentLeft;
    }
    if (ContentHeight() > ch) {
        if (contentBottom < ch)
            dy = ch - contentBottom;
    } else if (contentTop < 0) {
        dy = -contentTop;
    }
    if (dx != 0 || dy != 0)
        ScrollContent(dx, dy);
    ContentChanged();
}

void VXScrollingCanvas::PaintContent(QPainter&) {}

void VXScrollingCanvas::ScrollContent(int, int) {}

void VXScrollingCanvas::ContentChanged() {}

void VXScrollingCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), viewport()->palette().color(QPalette::Base));
    PaintContent(painter);
}

void VXScrollingCanvas::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    // Showing or hiding a bar inside SetExtent resizes the client area too;
    // SetExtent has already allowed for it.
    if (updatingBars)
        return;
    AdjustToClient();
}
