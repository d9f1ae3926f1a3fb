#pragma once

// A small label that floats beside a control and shows its value while the
// user works it: hovering, dragging, turning the wheel or pressing keys.
// It never takes the focus or the mouse, so the control keeps both.

#include <QLabel>
#include <QTimer>
#include <functional>

class VXValueReadout : public QLabel {
    Q_OBJECT
public:
    using Formatter = std::function<QString(double value)>;

    // Belongs to `control` and is placed beside it.
    explicit VXValueReadout(QWidget* control);

    // The text for a value: the window's formatter when it gave one, else
    // the number with as many decimals as its size calls for.
    void SetFormatter(Formatter f) { formatter = std::move(f); }
    QString Format(double value) const;
    static QString DefaultFormat(double value);

    // Shows `value` beside the control until Hide; with `briefly`, hides
    // itself after a moment (a wheel notch or a key gives no end signal).
    void ShowValue(double value, bool briefly = false);
    void HideValue();

private:
    void Place();

    QWidget* control;
    Formatter formatter;
    QTimer hideTimer;
};
