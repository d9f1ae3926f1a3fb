#include "forms/patterned_scroll_box.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

class TPatternedContent : public QWidget {
public:
    TPatternedContent(TPatternedScrollBox* box) : box(box) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        if (box->Tile().isNull())
            p.fillRect(event->rect(), palette().color(QPalette::Window));
        else
            box->PaintTiles(p, event->rect());
    }

private:
    TPatternedScrollBox* box;
};

} // namespace

TPatternedScrollBox::TPatternedScrollBox(QWidget* parent) : QScrollArea(parent) {
    setWidget(new TPatternedContent(this));
    widget()->setObjectName("ScrollBoxContent");
    widget()->setAutoFillBackground(false);
    setWidgetResizable(false);
    horizontalScrollBar()->setSingleStep(10);
    verticalScrollBar()->setSingleStep(10);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

void TPatternedScrollBox::SetTile(const QPixmap& pixmap) {
    tile = pixmap;
    widget()->update();
}

void TPatternedScrollBox::SetTileShiftPercent(float percent) {
    tileShiftPercent = percent;
    widget()->update();
}

int TPatternedScrollBox::HorzPosition() const {
    return horizontalScrollBar()->value();
}
int TPatternedScrollBox::VertPosition() const {
    return verticalScrollBar()->value();
}

void TPatternedScrollBox::UpdateExtent() {
    QRect bounds(0, 0, 0, 0);
    for (QObject* o : widget()->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w != nullptr && !w->isHidden())
            bounds = bounds.united(w->geometry());
    }
    const QSize view = viewport()->size();
    const QSize size(std::max(view.width(), bounds.right() + 1),
                     std::max(view.height(), bounds.bottom() + 1));
    if (widget()->size() != size)
        widget()->resize(size);
}

void TPatternedScrollBox::MakeVisible(QWidget* child) {
    UpdateExtent();
    ensureWidgetVisible(child, 0, 0);
}

void TPatternedScrollBox::PaintTiles(QPainter& p, const QRect& area) const {
    const int tw = tile.width();
    const int th = tile.height();
    if (tw <= 0 || th <= 0)
        return;
    const int shift = static_cast<int>(static_cast<float>(tw) * tileShiftPercent / 100.0f);
    int row = std::max(0, area.top() / th);
    for (int y = row * th; y <= area.bottom(); y += th, ++row) {
        int x0 = (row * shift) % tw;
        if (x0 > 0)
            x0 -= tw;
        const int first = x0 + std::max(0, (area.left() - x0) / tw) * tw;
        for (int x = first; x <= area.right(); x += tw)
            p.drawPixmap(x, y, tile);
    }
}

void TPatternedScrollBox::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    UpdateExtent();
}

QPixmap MakePropertiesPaneTile(const QPalette& palette) {
    // One brick with its mortar lines: a quiet texture in the window colour
    // that tells the pane apart from the windows lying on it.
    QPixmap tile(48, 20);
    const QColor base = palette.color(QPalette::Window).darker(112);
    tile.fill(base);
    QPainter p(&tile);
    p.fillRect(0, 0, 48, 1, base.lighter(108));
    p.fillRect(0, 0, 1, 20, base.lighter(108));
    p.fillRect(0, 19, 48, 1, base.darker(110));
    p.fillRect(47, 0, 1, 20, base.darker(110));
    return tile;
}
