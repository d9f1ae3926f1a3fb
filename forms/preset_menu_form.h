#pragma once

// The grid of the twenty preset slots that a contraption window's preset
// button opens: five columns and four rows, numbered row by row. A click on
// a stored slot recalls it; a right click offers "Recall", "Store" and
// "Clear". One instance serves every window; Choose shows it and returns
// when it is hidden again.

#include <QWidget>
#include <array>

class QAction;
class QMenu;

class TPresetMenuForm : public QWidget {
    Q_OBJECT
public:
    enum Result { None = 0, Recall = 1, Store = 2, Clear = 3 };

    explicit TPresetMenuForm(QWidget* parent = nullptr);

    // The program's menu, made on first use.
    static TPresetMenuForm& Instance();

    int cellWidth = 0;
    int cellHeight = 0;
    // The slot 1..20 under the mouse, or -1.
    int hotSlot = -1;
    // Whether slot k + 1 holds a preset; filled by the caller.
    std::array<bool, 20> slotStored{};
    int result = None;
    QMenu* PopupMenu;
    QAction* RecallItem;
    QAction* StoreItem;
    QAction* ClearItem;

    // Shows the menu with its top left corner at the screen point (x, y),
    // pulled inside the screen, and waits until it closes. True when a
    // choice was made (result, hotSlot).
    bool Choose(int x, int y);

    // The slot under a point of the menu, or -1.
    int SlotAt(int x, int y) const;
    QRect CellRect(int slot) const;
    // What a click and a right click do on the slot (the hot slot's text is
    // the menu's tooltip).
    QString SlotToolTip(int slot) const;

signals:
    // The menu is open and waits for the user (tests drive it from here).
    void Opened();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetHotSlot(int slot);
    bool running = false;
    bool pressed = false;
};
