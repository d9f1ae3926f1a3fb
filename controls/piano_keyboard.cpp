#include "controls/piano_keyboard.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "controls/bevel.h"

namespace {

constexpr bool IsBlack(int note) {
    return note == 1 || note == 3 || note == 6 || note == 8 || note == 10;
}

// The ordinal (0 ... 6) of the white key at or below the note.
constexpr int WhiteIndex(int note) {
    constexpr int index[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
    return index[note];
}

// The note (0 ... 11) of the white key at or below the note.
constexpr int WhiteAtOrBelow(int note) {
    return IsBlack(note) ? note - 1 : note;
}

constexpr int WhiteNotes[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int BlackNotes[5] = {1, 3, 6, 8, 10};

} // namespace

VXPianoKeyboard::VXPianoKeyboard(QWidget* parent) : QWidget(parent) {
    Select(1);
    resize(sizeHint());
    Relayout();
}

QSize VXPianoKeyboard::sizeHint() const {
    return {383, 65};
}

int VXPianoKeyboard::SelectedKeys(int i) const {
    return i >= 0 && i < SelectedKeysCount() ? selectedKeys[i] : 0;
}

int VXPianoKeyboard::SelectedKey() const {
    return selectedKeys.size() == 1 ? selectedKeys.front() : 0;
}

void VXPianoKeyboard::SetSelectedKey(int key) {
    if (selectedKeys.size() > 1)
        return;
    if (!selectedKeys.empty())
        Deselect(selectedKeys.front());
    Select(key);
}

void VXPianoKeyboard::Select(int key) {
    if (key < 1 || key > 127 || selected[key])
        return;
    selected[key] = true;
    selectedKeys.insert(std::lower_bound(selectedKeys.begin(), selectedKeys.end(), key), key);
    update();
}

void VXPianoKeyboard::Deselect(int key) {
    if (key < 1 || key > 127 || !selected[key])
        return;
    selected[key] = false;
    selectedKeys.erase(std::find(selectedKeys.begin(), selectedKeys.end(), key));
    update();
}

void VXPianoKeyboard::ClearSelection() {
    while (!selectedKeys.empty())
        Deselect(selectedKeys.back());
}

void VXPianoKeyboard::SetBottomKey(int key) {
    if (key < 1 || key > 127)
        return;
    if (autoSize) {
        bottomKey = key;
        Relayout();
    } else {
        ApplyBottomKey(key);
    }
}

void VXPianoKeyboard::ApplyBottomKey(int key) {
    if (key < 1 || key > 127)
        return;
    bottomKey = key;
    scrollOffset = w * (WhiteIndex(key % 12) + 7 * (key / 12));
    while (!selectedKeys.empty() && selectedKeys.front() < key) {
        // From the highest selected key below the bottom down.
        auto it = std::lower_bound(selectedKeys.begin(), selectedKeys.end(), key);
        Deselect(*(it - 1));
    }
    if (inputMode == kbSingle && selectedKeys.empty())
        Select(key);
    update();
}

void VXPianoKeyboard::SetKeyRange(int range) {
    keyRange = range;
    if (autoSize)
        Relayout();
    update();
}

void VXPianoKeyboard::SetAutoSize(bool on) {
    autoSize = on;
    Relayout();
}

void VXPianoKeyboard::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void VXPianoKeyboard::Relayout() {
    if (relayingOut)
        return;
    relayingOut = true;
    const int h = height();
    w = std::max(1, static_cast<int>((h - 2) * 0.173));
    bw = static_cast<int>(w * 0.75);
    if (bw % 2 == 0)
        bw += 1;
    bh = static_cast<int>((h - 2) * 0.6);
    if (autoSize) {
        const int t = bottomKey + keyRange;
        const int u = std::min(128, WhiteAtOrBelow(t % 12) + 12 * (t / 12) + 1);
        keyRange = u - bottomKey - 1;
        resize((u - bottomKey) * 7 / 12 * w + 3, h);
    }
    const int hb = bw / 2;
    edges = {0,     w - hb - 1, w,     2 * w - hb + 1, 2 * w, 3 * w, 4 * w - hb - 1,
             4 * w, 5 * w - hb, 5 * w, 6 * w - hb + 1, 6 * w};
    ApplyBottomKey(bottomKey);
    relayingOut = false;
    update();
}

int VXPianoKeyboard::WhiteKeyLeft(int key) const {
    return w * (WhiteIndex(key % 12) + 7 * (key / 12)) - scrollOffset + 1;
}

QRect VXPianoKeyboard::BlackKeyRect(int key) const {
    const int left = edges[key % 12] + (key / 12) * 7 * w - scrollOffset + 1;
    return QRect(left, 1, bw, bh - 1);
}

int VXPianoKeyboard::HitTest(int x, int y) const {
    if (x <= 1 || x > width() - 4)
        return 0;
    x += scrollOffset;
    const int i = x / w;
    if (i >= 127)
        return 0;
    const int octave = i / 7;
    int key = 0;
    if (y < bh) {
        for (int b : BlackNotes) {
            const int within = x - 7 * w * octave;
            if (edges[b] <= within && within <= edges[b] + bw) {
                key = 12 * octave + b;
                break;
            }
        }
    }
    if (key == 0)
        key = 12 * octave + WhiteNotes[i % 7];
    return key <= 127 ? key : 0;
}

void VXPianoKeyboard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const int width = this->width();
    const int height = this->height();
    const int top = std::min(127, bottomKey + keyRange);
    p.fillRect(rect(), pal.color(QPalette::Button));

    // A black bottom key still sits on the white key below it, so that one
    // is drawn too (at the left edge, where the scroll offset puts it).
    const int firstWhite = 12 * (bottomKey / 12) + WhiteAtOrBelow(bottomKey % 12);
    for (int key = firstWhite; key <= top; ++key) {
        if (IsBlack(key % 12))
            continue;
        const int x = WhiteKeyLeft(key);
        if (x >= width)
            break;
        const QRect r(x, 1, w + 1, height - 1);
        p.fillRect(r, selected[key] ? pal.color(QPalette::Highlight) : QColor(Qt::white));
        VXDrawEdge(p, r, Qt::black, Qt::black);
    }
    for (int key = bottomKey; key <= top; ++key) {
        if (!IsBlack(key % 12))
            continue;
        const QRect r = BlackKeyRect(key);
        if (r.left() >= width)
            break;
        p.fillRect(r, selected[key] ? pal.color(QPalette::Highlight) : QColor(Qt::black));
        VXDrawEdge(p, r, Qt::black, Qt::black);
    }

    const QRect frame = rect();
    VXDrawEdge(p, frame, pal.color(QPalette::Dark), pal.color(QPalette::Light));
    p.fillRect(QRect(1, height - 2, width - 2, 1), pal.color(QPalette::Button));
    p.fillRect(QRect(width - 2, 1, 1, height - 2), pal.color(QPalette::Button));
}

void VXPianoKeyboard::mousePressEvent(QMouseEvent* event) {
    const QPoint pt = event->position().toPoint();
    const int key = HitTest(pt.x(), pt.y());
    if (key == 0)
        return;
    switch (inputMode) {
    case kbMomentary:
        Select(key);
        break;
    case kbSingle:
        ClearSelection();
        Select(key);
        break;
    case kbMultiple:
        if (selected[key])
            Deselect(key);
        else
            Select(key);
        break;
    }
    emit OnChange();
}

void VXPianoKeyboard::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton || inputMode == kbMultiple)
        return;
    const QPoint pt = event->position().toPoint();
    const int key = HitTest(pt.x(), pt.y());
    if (key < 1 || key > 127 || selected[key] || selectedKeys.size() > 1)
        return;
    ClearSelection();
    Select(key);
    emit OnChange();
}

void VXPianoKeyboard::mouseReleaseEvent(QMouseEvent*) {
    if (inputMode == kbMomentary && !selectedKeys.empty()) {
        Deselect(selectedKeys.front());
        emit OnChange();
    }
    emit OnMouseUp();
}
