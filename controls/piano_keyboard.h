#pragma once

// A piano keyboard on which the user selects keys with the mouse.
//
// Keys are numbered 1 ... 127 in semitones; key 12k is a c. The keyboard is
// laid out from key 0 on and scrolled so that the bottom key's white key
// (the key itself, or the white key just below a black one) is at the left.
// kbMomentary holds a key while the button is down, kbSingle keeps one key
// selected, kbMultiple toggles keys.

#include <QWidget>
#include <array>
#include <vector>

enum VXDWKeyboardMode { kbMomentary, kbSingle, kbMultiple };

class VXPianoKeyboard : public QWidget {
    Q_OBJECT
public:
    explicit VXPianoKeyboard(QWidget* parent = nullptr);

    int SelectedKeysCount() const { return static_cast<int>(selectedKeys.size()); }
    // The selected keys in ascending order; 0 for an index out of range.
    int SelectedKeys(int i) const;
    // The selected key when exactly one is, else 0.
    int SelectedKey() const;
    // Does nothing while more than one key is selected.
    void SetSelectedKey(int key);
    int BottomKey() const { return bottomKey; }
    // 1 ... 127; other values are ignored.
    void SetBottomKey(int key);
    int KeyRange() const { return keyRange; }
    void SetKeyRange(int range);
    VXDWKeyboardMode InputMode() const { return inputMode; }
    void SetInputMode(VXDWKeyboardMode mode) { inputMode = mode; }
    bool AutoSize() const { return autoSize; }
    void SetAutoSize(bool on);

    // The key under (x, y) in control pixels, or 0.
    int HitTest(int x, int y) const;

    // The lay-out, for whoever draws beside the keyboard.
    int WhiteKeyWidth() const { return w; }
    int BlackKeyWidth() const { return bw; }
    int BlackKeyHeight() const { return bh; }
    int ScrollOffset() const { return scrollOffset; }
    // The left edge of a key of the octave (0 ... 11) inside the octave.
    int KeyEdge(int note) const { return edges[note]; }

    QSize sizeHint() const override;

signals:
    // A mouse action changed the selection.
    void OnChange();
    void OnMouseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Relayout();
    void ApplyBottomKey(int key);
    void Select(int key);
    void Deselect(int key);
    void ClearSelection();
    QRect BlackKeyRect(int key) const;
    int WhiteKeyLeft(int key) const;

    std::array<bool, 128> selected{};
    std::vector<int> selectedKeys;
    int bottomKey = 1;
    int keyRange = 64;
    VXDWKeyboardMode inputMode = kbSingle;
    bool autoSize = false;
    int w = 1;
    int bw = 1;
    int bh = 1;
    std::array<int, 12> edges{};
    int scrollOffset = 0;
    bool relayingOut = false;
};
