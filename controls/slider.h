#pragma once

// A slider with one thumb. Position 1 is at the top of a vertical slider and
// at the right of a horizontal one; dragging moves the thumb pixel for pixel,
// or ten times slower with Shift held. A click on the track away from the
// thumb moves the thumb there.

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <vector>

#include "controls/value_scale.h"

enum VXDWSliderScale { scLinear, scLogarithmic, scOctave };
enum VXDWSliderOrientation { soHorizontal, soVertical };

class VXDWSlider : public QWidget {
    Q_OBJECT
public:
    explicit VXDWSlider(QWidget* parent = nullptr);

    double Min() const { return min; }
    double Max() const { return max; }
    // Changing a bound keeps the value; its position moves.
    void SetMin(double v);
    void SetMax(double v);
    double Value() const;
    // Above Max goes to position 1, below Min to 0; raises no signal.
    void SetValue(double v);
    double Position() const { return position; }
    double Frequency() const { return frequency; }
    void SetFrequency(double f);
    VXTickStyle TickStyle() const { return tickStyle; }
    void SetTickStyle(VXTickStyle style);
    VXDWSliderScale Scale() const { return scale; }
    void SetScale(VXDWSliderScale s);
    VXDWSliderOrientation Orientation() const { return orientation; }
    void SetOrientation(VXDWSliderOrientation o);
    bool EndTicks() const { return endTicks; }
    void SetEndTicks(bool on);
    void AddTick(double value);
    void ClearTicks();

    // The thumb's place in control pixels.
    QRect ThumbRect() const;

    QSize sizeHint() const override;

signals:
    void OnChange(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    VXScaleKind Kind() const;
    bool Vertical() const { return orientation == soVertical; }
    int Length() const { return Vertical() ? height() : width(); }
    int Across() const;
    // The along-pixel where the thumb starts for position p.
    int ThumbOffset(double p) const;

    double min = 0.0;
    double max = 1.0;
    double position = 0.0;
    double frequency = 1.0;
    VXTickStyle tickStyle = tsNone;
    VXDWSliderScale scale = scLinear;
    VXDWSliderOrientation orientation = soVertical;
    bool endTicks = true;
    std::vector<double> ticks;
    QPoint lastMouse;
    bool pressed = false;
    // A press on the track that has not moved yet.
    bool trackClick = false;
    // Rebuilt when the size, orientation or palette changes.
    QPixmap thumbNormal;
    QPixmap thumbPressed;
};
