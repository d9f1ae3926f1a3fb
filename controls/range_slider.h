#pragma once

// A slider with two thumbs that edit a range. Dragging shifts the range;
// with Shift only the upper end moves, with Alt only the lower end, with
// both the range widens or narrows symmetrically; Ctrl makes every move ten
// times slower. The ends never cross and the range keeps its width when a
// shift meets the end of the track.

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <vector>

#include "controls/value_scale.h"

enum VXDWRangeSliderScale { rscLinear, rscLogarithmic, rscOctave };
enum VXDWRangeSliderOrientation { rsHorizontal, rsVertical };

class VXDWRangeSlider : public QWidget {
    Q_OBJECT
public:
    explicit VXDWRangeSlider(QWidget* parent = nullptr);

    double Min() const { return min; }
    double Max() const { return max; }
    // Changing a bound keeps both values; their positions move.
    void SetMin(double v);
    void SetMax(double v);
    double Value0() const;
    double Value1() const;
    // Raise no signal. An end set past the other one takes the other along,
    // so that the lower end never lies above the upper one.
    void SetValue0(double v);
    void SetValue1(double v);
    double Position0() const { return position0; }
    double Position1() const { return position1; }
    double Frequency() const { return frequency; }
    void SetFrequency(double f);
    VXTickStyle TickStyle() const { return tickStyle; }
    void SetTickStyle(VXTickStyle style);
    VXDWRangeSliderScale Scale() const { return scale; }
    void SetScale(VXDWRangeSliderScale s);
    VXDWRangeSliderOrientation Orientation() const { return orientation; }
    void SetOrientation(VXDWRangeSliderOrientation o);
    bool EndTicks() const { return endTicks; }
    void SetEndTicks(bool on);
    void AddTick(double value);
    void ClearTicks();

    // The thumbs' places in control pixels.
    QRect LowerThumbRect() const;
    QRect UpperThumbRect() const;

    QSize sizeHint() const override;

signals:
    void OnChange(double value0, double value1);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    VXScaleKind Kind() const;
    bool Vertical() const { return orientation == rsVertical; }
    int Length() const { return Vertical() ? height() : width(); }
    int Across() const;
    int Offset(double p) const;
    void SetPressedFrom(Qt::KeyboardModifiers modifiers);

    double min = 0.0;
    double max = 1.0;
    double position0 = 0.0;
    double position1 = 1.0;
    double frequency = 1.0;
    VXTickStyle tickStyle = tsNone;
    VXDWRangeSliderScale scale = rscLinear;
    VXDWRangeSliderOrientation orientation = rsVertical;
    bool endTicks = true;
    std::vector<double> ticks;
    QPoint lastMouse;
    bool dragging = false;
    bool lowerPressed = false;
    bool upperPressed = false;
    QPixmap thumbNormal;
    QPixmap thumbPressed;
};
