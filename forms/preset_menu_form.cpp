#include "forms/preset_menu_form.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "controls/bevel.h"

TPresetMenuForm::TPresetMenuForm(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setObjectName("PresetMenuForm");
    setMouseTracking(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    const QFontMetrics fm(font());
    cellWidth = fm.horizontalAdvance(QStringLiteral("99  "));
    cellHeight = static_cast<int>(fm.height() * 1.5);
    setFixedSize(cellWidth * 5 + 6, cellHeight * 4 + 6);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("PresetPopupMenu");
    RecallItem = PopupMenu->addAction(QStringLiteral("Recall"));
    PopupMenu->setDefaultAction(RecallItem);
    PopupMenu->addSeparator();
    StoreItem = PopupMenu->addAction(QStringLiteral("Store"));
    ClearItem = PopupMenu->addAction(QStringLiteral("Clear"));
    const auto choose = [this](Result r) {
        result = r;
        hide();
    };
    connect(RecallItem, &QAction::triggered, this, [choose] { choose(Recall); });
    connect(StoreItem, &QAction::triggered, this, [choose] { choose(Store); });
    connect(ClearItem, &QAction::triggered, this, [choose] { choose(Clear); });
}

TPresetMenuForm& TPresetMenuForm::Instance() {
    static TPresetMenuForm* menu = new TPresetMenuForm();
    return *menu;
}

bool TPresetMenuForm::Choose(int x, int y) {
    QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect s = screen->geometry();
        x = std::min(x, s.right() + 1 - width());
        y = std::min(y, s.bottom() + 1 - height());
        x = std::max(x, s.left());
        y = std::max(y, s.top());
    }
    x = std::max(x, 0);
    y = std::max(y, 0);
    move(x, y);
    result = None;
    hotSlot = -1;
    pressed = false;
    running = true;
    show();
    activateWindow();
    QEventLoop loop;
    connect(this, &TPresetMenuForm::destroyed, &loop, &QEventLoop::quit);
    // The loop ends in hideEvent.
    setProperty("loop", QVariant::fromValue(static_cast<void*>(&loop)));
    emit Opened();
    if (isVisible())
        loop.exec();
    running = false;
    setProperty("loop", QVariant());
    return result != None;
}

int TPresetMenuForm::SlotAt(int x, int y) const {
    if (!(x > 3 && x < width() - 3 && y > 3 && y < height() - 3))
        return -1;
    const int slot = ((y - 3) / cellHeight) * 5 + (x - 3) / cellWidth + 1;
    return slot >= 1 && slot <= 20 ? slot : -1;
}

QRect TPresetMenuForm::CellRect(int slot) const {
    return {((slot - 1) % 5) * cellWidth + 3, ((slot - 1) / 5) * cellHeight + 3, cellWidth,
            cellHeight};
}

void TPresetMenuForm::SetHotSlot(int slot) {
    if (slot == hotSlot)
        return;
    if (hotSlot >= 1)
        update(CellRect(hotSlot));
    hotSlot = slot;
    if (hotSlot >= 1)
        update(CellRect(hotSlot));
    setToolTip(SlotToolTip(hotSlot));
}

QString TPresetMenuForm::SlotToolTip(int slot) const {
    if (slot < 1 || slot > 20)
        return {};
    if (slotStored[static_cast<size_t>(slot - 1)])
        return QStringLiteral("Slot %1: click to recall it; right-click to store over it or to "
                              "clear it.")
            .arg(slot);
    return QStringLiteral("Slot %1 is empty: right-click to store the settings in it.").arg(slot);
}

void TPresetMenuForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QRect r = rect();
    p.fillRect(r, pal.color(QPalette::Button));
    p.fillRect(1, 1, r.width() - 2, 1, pal.color(QPalette::Light));
    p.fillRect(1, 1, 1, r.height() - 2, pal.color(QPalette::Light));
    p.fillRect(1, r.height() - 2, r.width() - 2, 1, pal.color(QPalette::Mid));
    p.fillRect(r.width() - 2, 1, 1, r.height() - 2, pal.color(QPalette::Mid));
    p.fillRect(0, r.height() - 1, r.width(), 1, pal.color(QPalette::Shadow));
    p.fillRect(r.width() - 1, 0, 1, r.height(), pal.color(QPalette::Shadow));
    for (int slot = 1; slot <= 20; ++slot) {
        const QRect cell = CellRect(slot);
        const QString text = QString::number(slot);
        const bool stored = slotStored[static_cast<size_t>(slot - 1)];
        if (slot == hotSlot) {
            p.fillRect(cell, pal.color(QPalette::Highlight));
            p.setPen(stored ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Mid));
            p.drawText(cell, Qt::AlignCenter, text);
        } else if (stored) {
            p.setPen(pal.color(QPalette::ButtonText));
            p.drawText(cell, Qt::AlignCenter, text);
        } else {
            // Empty slots are drawn embossed, as disabled text.
            p.setPen(pal.color(QPalette::Light));
            p.drawText(cell.translated(1, 1), Qt::AlignCenter, text);
            p.setPen(pal.color(QPalette::Mid));
            p.drawText(cell, Qt::AlignCenter, text);
        }
    }
}

void TPresetMenuForm::mouseMoveEvent(QMouseEvent* event) {
    SetHotSlot(SlotAt(event->position().toPoint().x(), event->position().toPoint().y()));
}

void TPresetMenuForm::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!rect().contains(at)) {
        // A click outside a popup closes it.
        hide();
        return;
    }
    SetHotSlot(SlotAt(at.x(), at.y()));
    if (event->button() == Qt::RightButton && hotSlot >= 1) {
        const bool stored = slotStored[static_cast<size_t>(hotSlot - 1)];
        RecallItem->setEnabled(stored);
        ClearItem->setEnabled(stored);
        StoreItem->setEnabled(true);
        const int slot = hotSlot;
        PopupMenu->exec(event->globalPosition().toPoint());
        hotSlot = slot;
        return;
    }
    pressed = event->button() == Qt::LeftButton;
}

void TPresetMenuForm::mouseReleaseEvent(QMouseEvent* event) {
    // The release of the press that opened the menu is not a choice.
    if (event->button() != Qt::LeftButton || !pressed)
        return;
    pressed = false;
    const QPoint at = event->position().toPoint();
    SetHotSlot(SlotAt(at.x(), at.y()));
    if (hotSlot >= 1 && slotStored[static_cast<size_t>(hotSlot - 1)])
        result = Recall;
    hide();
}

void TPresetMenuForm::leaveEvent(QEvent*) {
    if (!PopupMenu->isVisible())
        SetHotSlot(-1);
}

void TPresetMenuForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (auto* loop = static_cast<QEventLoop*>(property("loop").value<void*>()))
        loop->quit();
}
