#pragma once

// A control whose scroll bars follow the extent of its content.
//
// The content is kept in client coordinates: scrolling does not translate a
// painter, it asks the derived class to move its content (ScrollContent), and
// the extent (contentLeft ... contentRight, contentTop ... contentBottom)
// always covers the client area, so minus contentLeft is the horizontal
// scroll position.

#include <QAbstractScrollArea>

class VXScrollingCanvas;

// The settings of one of the canvas's scroll bars.
class VXScrollingCanvasScrollBar {
public:
    VXScrollingCanvasScrollBar(VXScrollingCanvas* canvas, int kind) : canvas(canvas), kind(kind) {}

    VXScrollingCanvas* canvas;
    // Pixels per line step.
    int Increment = 8;
    // 0 horizontal, 1 vertical.
    int kind;
    int Margin = 0;
    // Scroll while the thumb is dragged, not only when it is released.
    bool Tracking = false;
};

class VXScrollingCanvas : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum VXBorderStyle { bsNone, bsSingle };

    explicit VXScrollingCanvas(QWidget* parent = nullptr);
    ~VXScrollingCanvas() override;

    int contentTop = 0;
    int contentLeft = 0;
    int contentBottom = 0;
    int contentRight = 0;
    int ContentWidth() const { return contentRight - contentLeft; }
    int ContentHeight() const { return contentBottom - contentTop; }

    VXScrollingCanvasScrollBar* HorzScrollBar() { return &horzSettings; }
    VXScrollingCanvasScrollBar* VertScrollBar() { return &vertSettings; }

    VXBorderStyle BorderStyle() const { return borderStyle; }
    void SetBorderStyle(VXBorderStyle style);

    // The client area: the control without its border and scroll bars.
    int ClientWidth() const;
    int ClientHeight() const;

    // Pixels per wheel line; a notch scrolls the desktop's number of lines.
    static constexpr int WheelLine = 20;

    // Stores the extent, widened to cover the client area, and shows the
    // scroll bars it needs.
    void SetExtent(int left, int top, int right, int bottom);

protected:
    // Keeps the content anchored after the client area changed size.
    virtual void AdjustToClient();
    virtual void PaintContent(QPainter& painter);
    // The view moved: the content is to move by (dx, dy) client pixels.
    virtual void ScrollContent(int dx, int dy);
    // A scroll gesture or a resize has ended.
    virtual void ContentChanged();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // A touchpad scrolls by its own pixel distance; Shift turns an up-down
    // wheel into a sideways one.
    void wheelEvent(QWheelEvent* event) override;

private:
    void ScrollBarAction(int kind, int action);
    void ScrollTo(int kind, int value);
    void UpdateScrollBars();

    VXScrollingCanvasScrollBar horzSettings{this, 0};
    VXScrollingCanvasScrollBar vertSettings{this, 1};
    VXBorderStyle borderStyle = bsNone;
    // Set while the canvas itself changes the bars, whose signals then are
    // not scroll requests from the user.
    int updatingBars = 0;
    // Parts of a pixel left over from wheels finer than a notch.
    double wheelRestX = 0.0;
    double wheelRestY = 0.0;
};
