#pragma once

// A rotary knob. Its setting is a position 0 ... 1 drawn as a pointer that
// sweeps 270 degrees clockwise from the lower left (0) over the top (0.5) to
// the lower right (1); dragging up 100 pixels sweeps the whole range.

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <vector>

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

    QSize sizeHint() const override { return {35, 35}; }

signals:
    void OnChange(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    VXScaleKind Kind() const;
    double ValueAt(double p) const;
    void RenderFace();
    void DrawPointer(QPainter& p) const;

    double min = 0.0;
    double max = 1.0;
    double position = 0.0;
    double frequency = 1.0;
    VXTickStyle tickStyle = tsNone;
    VXDWKnobScale scale = ksLinear;
    std::vector<double> ticks;
    QPoint lastMouse;
    // The face and the ticks, drawn once per size, palette and tick change.
    QPixmap face;
};
