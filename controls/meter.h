#pragma once

// A segmented level meter of up to 16 channels. Each segment stands for a
// factor of two (about 6 dB): the top segment lights at full scale, the one
// below it at half, and so on; the colours run from dark green over bright
// green and yellow to red.

#include <QColor>
#include <QRect>
#include <QWidget>
#include <array>
#include <vector>

enum VXDWMeterOrientation { trHorizontal, trVertical };

class VXDWMeter : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxChannels = 16;
    static constexpr int MaxSegments = 16;

    explicit VXDWMeter(QWidget* parent = nullptr);

    float Values(int channel) const;
    // Channels outside 0 ... ChannelCount - 1 are ignored. Repaints only the
    // segments that changed.
    void SetValues(int channel, float value);
    void ClearValues();
    VXDWMeterOrientation Orientation() const { return orientation; }
    void SetOrientation(VXDWMeterOrientation o);
    // Kept in 1 ... 16.
    int SegmentCount() const { return segmentCount; }
    void SetSegmentCount(int n);
    // Kept in 1 ... 16.
    int ChannelCount() const { return channelCount; }
    void SetChannelCount(int n);

    // How many segments of the channel are lit.
    int LitSegments(int channel) const;
    // The place of a segment and its colour.
    QRect SegmentRect(int channel, int segment) const;
    QColor SegmentColor(int segment) const { return colors[segment]; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Layout();
    void Apply(int channel, float value, bool draw);

    VXDWMeterOrientation orientation = trVertical;
    int segmentCount = 10;
    int channelCount = 1;
    std::array<float, MaxChannels> values{};
    std::array<int, MaxChannels> lit{};
    std::array<QColor, MaxSegments> colors;
    QRect firstSegment;
    // Pixels from one segment to the next and from one channel to the next.
    QPoint segmentStep;
    QPoint channelStep;
    int mask = 0;
};
