#include "controls/value_readout.h"

#include <QPalette>
#include <cmath>

namespace {
constexpr int BriefMs = 1200;
}

VXValueReadout::VXValueReadout(QWidget* control)
    : QLabel(control, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      control(control) {
    setObjectName("ValueReadout");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(1);
    hideTimer.setSingleShot(true);
    hideTimer.setInterval(BriefMs);
    connect(&hideTimer, &QTimer::timeout, this, &VXValueReadout::HideValue);
}

QString VXValueReadout::DefaultFormat(double value) {
    const double size = std::abs(value);
    const int decimals = size >= 100.0 ? 0 : size >= 10.0 ? 1 : 2;
    return QString::number(value, 'f', decimals);
}

QString VXValueReadout::Format(double value) const {
    return formatter ? formatter(value) : DefaultFormat(value);
}

void VXValueReadout::ShowValue(double value, bool briefly) {
    if (!control->isVisible())
        return;
    setText(Format(value));
    adjustSize();
    Place();
    if (briefly)
        hideTimer.start();
    else
        hideTimer.stop();
    if (!isVisible())
        show();
}

void VXValueReadout::HideValue() {
    hideTimer.stop();
    hide();
}

void VXValueReadout::Place() {
    // To the right of the control, centred on it: the labels of the
    // windows sit above or below their knobs.
    const QPoint at = control->mapToGlobal(QPoint(control->width() + 2, control->height() / 2));
    move(at.x(), at.y() - height() / 2);
}
