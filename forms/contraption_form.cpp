#include "forms/contraption_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>

#include "forms/patterned_scroll_box.h"
#include "forms/preset_menu_form.h"
#include "controls/bevel.h"
#include "framework/contraption.h"
#include "framework/contraption_engine.h"
#include "framework/message_box.h"

std::function<void(int)> TContraptionForm::ShowHelp;

namespace {

// Floors to the grid, toward zero as the window system's integer division
// does for the non-negative positions that reach it.
int Grid(int v) {
    return (v / 10) * 10;
}
int GridUp(int v) {
    return ((v + 9) / 10) * 10;
}

QToolButton* HeaderButton(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setGeometry(x, y, 13, 12);
    b->setFocusPolicy(Qt::NoFocus);
    QFont f = b->font();
    f.setPixelSize(10);
    f.setBold(true);
    b->setFont(f);
    b->setStyleSheet(QStringLiteral("QToolButton { padding: 0px; margin: 0px; }"));
    return b;
}

} // namespace

TPresetPanel::TPresetPanel(TContraptionForm* form, QWidget* parent) : QLabel(parent), form(form) {
    setObjectName("ODPresetPanel");
    setText(QStringLiteral("--"));
    setAlignment(Qt::AlignCenter);
    // The menu's gestures are not to be guessed: say them.
    setToolTip(QStringLiteral("Presets: the slot last stored or recalled, \"--\" after a change.\n"
                              "Click to open the slots. There, click a stored slot to recall it;\n"
                              "right-click any slot to store into it or to clear it."));
}

void TPresetPanel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (raised) {
        QPainter p(this);
        VXDrawEdge(p, rect(), palette().color(QPalette::Light), palette().color(QPalette::Dark));
    }
}

void TPresetPanel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    raised = true;
    update();
    form->ODTimer->start();
}

void TPresetPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        form->PresetPanelMouseDown();
}

TContraptionForm::TContraptionForm(TQuorlingContraption* c, const QString& caption, int help,
                                   int clientWidth, int clientHeight)
    : QFrame(nullptr), contraption(c), helpContext(help) {
    if (contraption == nullptr)
        ShowMessage("A contraption form has been created without an associated contraption.",
                    "Bug Report Time!", TMessageIcon::Warning);
    setWindowTitle(caption);
    setAutoFillBackground(true);
    // The controls are laid out to the pixel for a small dialog font.
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    client = new QWidget(this);
    client->setObjectName("ClientArea");

    ODHeaderPanel = new QWidget(client);
    ODHeaderPanel->setObjectName("ODHeaderPanel");
    ODHeaderPanel->setAutoFillBackground(true);
    QPalette hp = ODHeaderPanel->palette();
    hp.setColor(QPalette::Window, hp.color(QPalette::Window).darker(108));
    ODHeaderPanel->setPalette(hp);

    ODFormLabel = new QLabel(QStringLiteral("Ondrafel"), ODHeaderPanel);
    ODFormLabel->setObjectName("ODFormLabel");
    QFont lf = ODFormLabel->font();
    lf.setBold(true);
    lf.setItalic(true);
    ODFormLabel->setFont(lf);
    ODFormLabel->move(4, 1);

    ODHeaderControlsPanel = new QWidget(ODHeaderPanel);
    ODHeaderControlsPanel->setObjectName("ODHeaderControlsPanel");
    ODPresetPanel = new TPresetPanel(this, ODHeaderControlsPanel);
    ODPresetPanel->setGeometry(17, 1, 21, 13);
    ODHelpButton = HeaderButton(ODHeaderControlsPanel, "ODHelpButton", QStringLiteral("?"), 42, 2);
    ODHelpButton->setToolTip(QStringLiteral("Help"));
    ODCloseButton =
        HeaderButton(ODHeaderControlsPanel, "ODCloseButton", QString(QChar(0x00D7)), 57, 2);
    ODCloseButton->setToolTip(QStringLiteral("Close"));
    connect(ODHelpButton, &QToolButton::clicked, this, [this] {
        if (ShowHelp)
            ShowHelp(helpContext);
    });
    connect(ODCloseButton, &QToolButton::clicked, this, &TContraptionForm::CloseForm);

    ODTimer = new QTimer(this);
    ODTimer->setObjectName("ODTimer");
    ODTimer->setInterval(100);
    connect(ODTimer, &QTimer::timeout, this, [this] {
        // The bevel goes once the mouse has left the button.
        if (!ODPresetPanel->rect().contains(ODPresetPanel->mapFromGlobal(QCursor::pos())) &&
            !ODPresetPanel->underMouse()) {
            ODPresetPanel->raised = false;
            ODPresetPanel->update();
            ODTimer->stop();
        }
    });

    for (QWidget* w : {static_cast<QWidget*>(ODHeaderPanel), static_cast<QWidget*>(ODFormLabel),
                       ODHeaderControlsPanel})
        w->installEventFilter(this);
    SetClientSize(clientWidth, clientHeight);
}

TContraptionForm::~TContraptionForm() = default;

void TContraptionForm::SetClientSize(int width, int height) {
    const int w = GridUp(width + 2 * FrameWidth);
    const int h = GridUp(height + 2 * FrameWidth);
    resize(w, h);
    client->setGeometry(FrameWidth, FrameWidth, w - 2 * FrameWidth, h - 2 * FrameWidth);
    ODHeaderPanel->setGeometry(0, 0, client->width(), HeaderHeight);
    ODHeaderControlsPanel->setGeometry(client->width() - 72, 0, 72, HeaderHeight - 1);
    ODFormLabel->resize(std::max(10, client->width() - 76), HeaderHeight - 2);
}

void TContraptionForm::RefreshControls() {
    UpdatePresetCaption();
}

void TContraptionForm::UpdatePresetCaption() {
    const int preset = contraption != nullptr ? contraption->currentPreset : -1;
    ODPresetPanel->setText(preset < 0 ? QStringLiteral("--") : QString::number(preset + 1));
}

void TContraptionForm::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
    ODFormLabel->setText(QString::fromStdString(caption));
}

void TContraptionForm::ShowIn(TPatternedScrollBox* scrollBox) {
    if (scrollBox != nullptr && parentWidget() != scrollBox->Content()) {
        box = scrollBox;
        setParent(scrollBox->Content());
    }
    if (contraption != nullptr) {
        ODFormLabel->setText(QString::fromStdString(contraption->name));
        if (!isVisible())
            SetBounds(contraption->formState->left, contraption->formState->top, width(), height());
    }
    WatchControls(client);
    show();
    raise();
    if (box != nullptr)
        box->MakeVisible(this);
}

void TContraptionForm::GetContentPosition(int& left, int& top) const {
    left = x();
    top = y();
}

void TContraptionForm::SetBounds(int left, int top, int width, int height) {
    setGeometry(Grid(std::max(left, 0)), Grid(std::max(top, 0)), GridUp(width), GridUp(height));
    if (box != nullptr)
        box->UpdateExtent();
    if (contraption != nullptr)
        contraption->SetModified(true);
}

void TContraptionForm::CloseForm() {
    if (closing)
        return;
    closing = true;
    if (contraption != nullptr) {
        contraption->formState->left = x();
        contraption->formState->top = y();
        contraption->formState->FormClosed();
    }
    hide();
    deleteLater();
}

void TContraptionForm::closeEvent(QCloseEvent* event) {
    event->ignore();
    CloseForm();
}

void TContraptionForm::PresetPanelMouseDown() {
    if (contraption == nullptr)
        return;
    ODTimer->stop();
    TPresetMenuForm& menu = TPresetMenuForm::Instance();
    for (int k = 0; k < 20; ++k)
        menu.slotStored[static_cast<size_t>(k)] = contraption->HasPreset(k);
    const QPoint at = ODPresetPanel->mapToGlobal(QPoint(-1, ODPresetPanel->height()));
    if (menu.Choose(at.x(), at.y()) && menu.hotSlot >= 1) {
        const int k = menu.hotSlot - 1;
        switch (menu.result) {
        case TPresetMenuForm::Recall:
            contraption->RecallPreset(k);
            RefreshControls();
            break;
        case TPresetMenuForm::Store:
            contraption->StorePreset(k);
            break;
        case TPresetMenuForm::Clear:
            contraption->ClearPreset(k);
            break;
        default:
            break;
        }
        // Stored and cleared slots are saved with the document, so they
        // must not be lost by closing without the save prompt.
        if (contraption->engine != nullptr)
            contraption->engine->SetContraptionsModified(true);
    }
    UpdatePresetCaption();
    ODTimer->start();
}

void TContraptionForm::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    VXDrawRaised(p, rect(), palette());
    // The bevel line at the bottom of the header.
    const int y = FrameWidth + HeaderHeight - 1;
    p.fillRect(FrameWidth, y - 1, width() - 2 * FrameWidth, 1, palette().color(QPalette::Mid));
    p.fillRect(FrameWidth, y, width() - 2 * FrameWidth, 1, palette().color(QPalette::Light));
}

void TContraptionForm::mousePressEvent(QMouseEvent* event) {
    raise();
    QFrame::mousePressEvent(event);
}

bool TContraptionForm::IsHeaderPart(QObject* o) const {
    return o == ODHeaderPanel || o == ODFormLabel || o == ODHeaderControlsPanel;
}

void TContraptionForm::WatchControls(QWidget* parent) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w == nullptr || IsHeaderPart(w) || w->parentWidget() == ODHeaderControlsPanel)
            continue;
        w->installEventFilter(this);
        WatchControls(w);
    }
}

bool TContraptionForm::TouchesControl(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::Wheel: {
        // Only controls that take the wheel change a setting with it; over
        // a label it scrolls the pane.
        auto* w = qobject_cast<QWidget*>(watched);
        return w != nullptr && w->isEnabled() &&
               (w->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus;
    }
    case QEvent::KeyPress: {
        // Keys reach a control without a click once the focus has moved
        // there with Tab; moving on is not a change.
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key != Qt::Key_Tab && key != Qt::Key_Backtab && key != Qt::Key_Shift &&
               key != Qt::Key_Control && key != Qt::Key_Alt && key != Qt::Key_Meta &&
               key != Qt::Key_Escape;
    }
    default:
        return false;
    }
}

bool TContraptionForm::eventFilter(QObject* watched, QEvent* event) {
    if (IsHeaderPart(watched)) {
        auto* me = static_cast<QMouseEvent*>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (me->button() == Qt::LeftButton) {
                raise();
                lastMouse = me->globalPosition().toPoint();
                accumulated = {};
                dragging = true;
                return true;
            }
            break;
        case QEvent::MouseMove:
            if (dragging && (me->buttons() & Qt::LeftButton)) {
                const QPoint now = me->globalPosition().toPoint();
                accumulated += now - lastMouse;
                lastMouse = now;
                if (std::abs(accumulated.x()) > 9 || std::abs(accumulated.y()) > 9) {
                    const QPoint step((accumulated.x() / 10) * 10, (accumulated.y() / 10) * 10);
                    accumulated -= step;
                    SetBounds(x() + step.x(), y() + step.y(), width(), height());
                }
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (me->button() == Qt::LeftButton && dragging) {
                dragging = false;
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }
    if (TouchesControl(watched, event)) {
        if (contraption != nullptr)
            contraption->SetModified(true);
        UpdatePresetCaption();
        raise();
    }
    return false;
}
