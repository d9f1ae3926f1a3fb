#pragma once

// The properties pane: a scroll box that holds the contraption windows.
// The windows are children of its content widget and are placed in content
// coordinates (client position + scroll position), which is what the
// windows' states keep. The content grows to hold every window and never
// shrinks below the visible area. The background may be tiled with a
// picture laid like bricks, each row shifted by TileShiftPercent of the
// tile's width, anchored to the scrolled content.

#include <QPixmap>
#include <QScrollArea>

class TPatternedScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TPatternedScrollBox(QWidget* parent = nullptr);

    QPixmap Tile() const { return tile; }
    void SetTile(const QPixmap& pixmap);
    float TileShiftPercent() const { return tileShiftPercent; }
    void SetTileShiftPercent(float percent);

    // The widget the contraption windows live in.
    QWidget* Content() const { return widget(); }
    int HorzPosition() const;
    int VertPosition() const;

    // Sizes the content to hold every window; called when one moves or
    // changes size.
    void UpdateExtent();
    // Scrolls so that `child` (a window in the content) is in view.
    void MakeVisible(QWidget* child);

    // The tile's origin for each row, in content coordinates, drawn into
    // `painter` over `area`; shared with the content widget.
    void PaintTiles(QPainter& painter, const QRect& area) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap tile;
    float tileShiftPercent = 23.0f;
};

// A brick-like tile in the palette's window colour, for the main window's
// pane.
QPixmap MakePropertiesPaneTile(const QPalette& palette);
