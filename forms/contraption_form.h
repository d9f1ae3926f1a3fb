#pragma once

// The common window of a contraption: a header bar with the instance name,
// the preset button, help and close buttons, and below it the controls of
// the type, which a derived window adds to Client(). Windows lie in the
// properties pane and are placed on a 10-pixel grid in its content
// coordinates; dragging the header moves them in steps of 10 pixels. A
// press on any control inside (or a wheel turn or key that works it) marks
// the document modified and forgets the current preset.

#include <QFrame>
#include <QLabel>
#include <functional>

#include "framework/contraption_window.h"

class QTimer;
class QToolButton;
class TContraptionForm;
class TQuorlingContraption;

// The preset button of the header: raised while the mouse is over it; a
// press opens the preset menu.
class TPresetPanel : public QLabel {
    Q_OBJECT
public:
    explicit TPresetPanel(TContraptionForm* form, QWidget* parent);
    bool raised = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TContraptionForm* form;
};

class TContraptionForm : public QFrame, public TContraptionWindow {
    Q_OBJECT
public:
    static constexpr int HeaderHeight = 17;
    static constexpr int FrameWidth = 2;

    // Opens the help viewer at a context number; the application sets it.
    static std::function<void(int helpContext)> ShowHelp;

    // A window for `contraption` with a client area of the given size.
    TContraptionForm(TQuorlingContraption* contraption, const QString& caption, int helpContext,
                     int clientWidth, int clientHeight);
    ~TContraptionForm() override;

    TQuorlingContraption* contraption;
    const int helpContext;

    QWidget* ODHeaderPanel;
    QLabel* ODFormLabel;
    QWidget* ODHeaderControlsPanel;
    TPresetPanel* ODPresetPanel;
    QToolButton* ODHelpButton;
    QToolButton* ODCloseButton;
    QTimer* ODTimer;

    // The area below the frame that holds the header and the controls;
    // control positions are given in it.
    QWidget* Client() const { return client; }
    void SetClientSize(int width, int height);

    // TContraptionWindow
    void RefreshControls() override;
    void SetCaption(const std::string& caption) override;
    void ShowIn(TPatternedScrollBox* scrollBox) override;
    void GetContentPosition(int& left, int& top) const override;

    // Places the window with its top left corner at (left, top) in content
    // coordinates and the given size, adjusted to the 10-pixel grid: the
    // position rounded down and kept non-negative, the size rounded up.
    void SetBounds(int left, int top, int width, int height);

    // Closes the window: keeps its position in the contraption's state and
    // frees it.
    void CloseForm();

    // The preset button was pressed: runs the preset menu.
    void PresetPanelMouseDown();
    // Shows "--" or the current preset's number on the preset button.
    void UpdatePresetCaption();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool IsHeaderPart(QObject* o) const;
    // The user works a control of the window: a click, or the wheel or a
    // key that can change it without one.
    static bool TouchesControl(QObject* watched, QEvent* event);
    void WatchControls(QWidget* parent);

    QWidget* client;
    TPatternedScrollBox* box = nullptr;
    // Header drag: the last mouse position (global) and the distance not yet
    // moved.
    QPoint lastMouse;
    QPoint accumulated;
    bool dragging = false;
    bool closing = false;
};
