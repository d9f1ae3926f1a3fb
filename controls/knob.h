#pragma once

// A rotary knob. Its setting is a position 0 ... 1 drawn as a pointer that
// sweeps 270 degrees clockwise from the lower left (0) over the top (0.5) to
// the lower right (1); dragging up 100 pixels sweeps the whole range.
//
// The wheel and the keys turn it by steps of the sweep, so that every knob
// takes the same number of notches from end to end whatever its range: a
// wheel notch or an arrow key is a fiftieth, Page Up and Page Down a tenth,
// and Shift makes either ten times finer; Home and End go to the ends.
// While the knob is hovered or worked, its value shows beside it.

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <vector>

#include "controls/value_readout.h"
#include "controls/value_scale.h"

enum VXDWKnobScale { ksLinear, ksLogarithmic };

class VXDWKnob : public QWidget {
    Q_OBJECT
public:
    explicit VXDWKnob(QWidget* parent = nullptr);

    double Min() const { return min; }
    double Max() const { return max; }
    // Changing a bound keeps the value; its position moves.
    void SetMin(double v);
    void SetMax(double v);
    double Value() const;
    // Above Max goes to position 1, below Min to 0. Raises OnChange with the
    // value asked for when the position changed.
    void SetValue(double v);
    double Position() const { return position; }
    double Frequency() const { return frequency; }
    void SetFrequency(double f);
    VXTickStyle TickStyle() const { return tickStyle; }
    void SetTickStyle(VXTickStyle style);
    VXDWKnobScale Scale() const { return scale; }
    void SetScale(VXDWKnobScale s);
    void AddTick(double value);
    void ClearTicks();

    // The square face, inset when there are ticks.
    QRect FaceRect() const;

    // Position steps of the wheel and the keys (see above).
    static constexpr double Step = 1.0 / 50.0;
    static constexpr double PageStep = 1.0 / 10.0;
    static constexpr double FineFactor = 0.1;

    // The text beside the knob; the window may give its own formatter.
    VXValueReadout* Readout() const { return readout; }
    void SetFormatter(VXValueReadout::Formatter f) { readout->SetFormatter(std::move(f)); }

    QSize sizeHint() const override { return {35, 35}; }

signals:
    void OnChange(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    VXScaleKind Kind() const;
    double ValueAt(double p) const;
    void RenderFace();
    void DrawPointer(QPainter& p) const;
    // Moves to position p as a drag does: redraws, shows the value and
    // reports it, when the position changed.
    void TurnTo(double p);
    void ShowReadout();

    double min = 0.0;
    double max = 1.0;
    double position = 0.0;
    double frequency = 1.0;
    VXTickStyle tickStyle = tsNone;
    VXDWKnobScale scale = ksLinear;
    std::vector<double> ticks;
    QPoint lastMouse;
    bool dragging = false;
    bool hovered = false;
    VXValueReadout* readout;
    // The face and the ticks, drawn once per size, palette and tick change.
    QPixmap face;
};
