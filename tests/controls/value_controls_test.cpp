#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "controls/knob.h"
#include "controls/range_slider.h"
#include "controls/slider.h"
#include "events.h"

namespace {

// Records the values a control reports.
struct Reports {
    std::vector<double> values;
    std::vector<std::pair<double, double>> ranges;
};

TEST(KnobTest, DraggingUpOnePixelMovesOneHundredth) {
    struct Case {
        VXDWKnobScale scale;
        double min, max, value, position, reported;
    };
    const double logP =
        (std::log10(3014.0) - std::log10(50.0)) / (std::log10(18000.0) - std::log10(50.0));
    const Case cases[] = {
        {ksLinear, 20, 1500, 440, 420.0 / 1480.0, 454.8},
        {ksLogarithmic, 50, 18000, 3014, logP,
         std::pow(10.0,
                  std::log10(50.0) + (std::log10(18000.0) - std::log10(50.0)) * (logP + 0.01))},
    };
    for (const Case& c : cases) {
        VXDWKnob knob;
        knob.resize(35, 35);
        knob.SetScale(c.scale);
        knob.SetMin(c.min);
        knob.SetMax(c.max);
        knob.SetValue(c.value);
        EXPECT_NEAR(knob.Position(), c.position, 1e-12);
        Reports r;
        QObject::connect(&knob, &VXDWKnob::OnChange, [&](double v) { r.values.push_back(v); });
        Drag(&knob, {17, 17}, {17, 16});
        ASSERT_EQ(r.values.size(), 1u);
        EXPECT_NEAR(r.values[0], c.reported, 1e-9);
        EXPECT_NEAR(knob.Value(), c.reported, 1e-9);
    }
    EXPECT_NEAR(logP, 0.696, 0.001);
    EXPECT_NEAR(cases[1].reported, 3197, 1.0);
}

TEST(KnobTest, DragIsClampedAndDownIsLess) {
    VXDWKnob knob;
    knob.resize(35, 35);
    knob.SetValue(0.5);
    Drag(&knob, {17, 17}, {17, 37});
    EXPECT_NEAR(knob.Value(), 0.3, 1e-12);
    Drag(&knob, {17, 30}, {17, -170});
    EXPECT_EQ(knob.Position(), 1.0);
    Drag(&knob, {17, 0}, {17, 300});
    EXPECT_EQ(knob.Position(), 0.0);
}

TEST(KnobTest, SettingAValueReportsTheValueAskedFor) {
    VXDWKnob knob;
    knob.SetMin(0.1);
    knob.SetValue(0.5);
    Reports r;
    QObject::connect(&knob, &VXDWKnob::OnChange, [&](double v) { r.values.push_back(v); });
    knob.SetValue(0);
    EXPECT_EQ(knob.Position(), 0.0);
    EXPECT_NEAR(knob.Value(), 0.1, 1e-12);
    ASSERT_EQ(r.values, std::vector<double>{0.0});
    // The position did not change: nothing is reported.
    knob.SetValue(-3);
    EXPECT_EQ(r.values.size(), 1u);
    knob.SetValue(7);
    EXPECT_EQ(knob.Position(), 1.0);
    EXPECT_EQ(r.values.back(), 7.0);
}

TEST(SliderTest, LogarithmicAndOctaveScalesAgree) {
    for (VXDWSliderScale scale : {scLogarithmic, scOctave}) {
        VXDWSlider slider;
        slider.SetScale(scale);
        slider.SetMin(20);
        slider.SetMax(1000);
        slider.SetValue(std::sqrt(20.0 * 1000.0));
        EXPECT_NEAR(slider.Position(), 0.5, 1e-12);
        EXPECT_NEAR(slider.Value(), 141.42, 0.005);
    }
}

TEST(SliderTest, ChangingABoundKeepsTheValue) {
    VXDWSlider slider;
    slider.SetValue(0.6);
    slider.SetMax(2);
    EXPECT_NEAR(slider.Value(), 0.6, 1e-12);
    EXPECT_NEAR(slider.Position(), 0.3, 1e-12);

    VXDWRangeSlider range;
    range.SetValue0(0.2);
    range.SetValue1(0.6);
    range.SetMax(2);
    EXPECT_NEAR(range.Value0(), 0.2, 1e-12);
    EXPECT_NEAR(range.Value1(), 0.6, 1e-12);
    EXPECT_NEAR(range.Position1(), 0.3, 1e-12);
}

TEST(SliderTest, DragFollowsThePointerAndShiftIsTenTimesSlower) {
    struct Case {
        VXDWSliderOrientation orientation;
        QPoint from, to;
        Qt::KeyboardModifiers modifiers;
        double value;
        int thumbShift;
    };
    // The track is 111 - 11 = 100 pixels long.
    const Case cases[] = {
        {soVertical, {10, 60}, {10, 30}, {}, 0.3, -30},
        {soVertical, {10, 60}, {10, 90}, {}, 0.0, 0},
        {soVertical, {10, 60}, {10, 30}, Qt::ShiftModifier, 0.03, -3},
        {soHorizontal, {60, 10}, {85, 10}, {}, 0.25, 25},
        {soHorizontal, {60, 10}, {40, 10}, Qt::ShiftModifier, 0.0, 0},
    };
    for (const Case& c : cases) {
        VXDWSlider slider;
        slider.SetOrientation(c.orientation);
        slider.resize(c.orientation == soVertical ? QSize(20, 111) : QSize(111, 20));
        const QRect before = slider.ThumbRect();
        Reports r;
        QObject::connect(&slider, &VXDWSlider::OnChange, [&](double v) { r.values.push_back(v); });
        Drag(&slider, c.from, c.to, c.modifiers);
        EXPECT_NEAR(slider.Value(), c.value, 1e-12);
        ASSERT_EQ(r.values.size(), 1u);
        EXPECT_NEAR(r.values[0], c.value, 1e-12);
        const QRect after = slider.ThumbRect();
        EXPECT_EQ(c.orientation == soVertical ? after.top() - before.top()
                                              : after.left() - before.left(),
                  c.thumbShift);
    }
}

TEST(SliderTest, SettingTheValueRaisesNoSignal) {
    VXDWSlider slider;
    int reports = 0;
    QObject::connect(&slider, &VXDWSlider::OnChange, [&](double) { ++reports; });
    slider.SetValue(0.4);
    slider.SetMax(3);
    EXPECT_EQ(reports, 0);
}

TEST(RangeSliderTest, DragCases) {
    struct Case {
        const char* what;
        double low, high;
        Qt::KeyboardModifiers modifiers;
        int up; // pixels the pointer moves up
        double newLow, newHigh;
    };
    const Qt::KeyboardModifiers both = Qt::ShiftModifier | Qt::AltModifier;
    // The track is 114 - 14 = 100 pixels long.
    const Case cases[] = {
        {"narrowing past the middle meets there", 0.2, 0.4, both, -15, 0.3, 0.3},
        {"a shift keeps its width at the bottom", 0.1, 0.3, {}, -20, 0.0, 0.2},
        {"a shift keeps its width at the top", 0.6, 0.9, {}, 20, 0.7, 1.0},
        {"widening stays symmetric at the bottom", 0.1, 0.3, both, 15, 0.0, 0.4},
        {"widening stays symmetric at the top", 0.7, 0.9, both, 15, 0.6, 1.0},
        {"Shift moves the upper end", 0.5, 0.7, Qt::ShiftModifier, 10, 0.5, 0.8},
        {"Alt moves the lower end", 0.5, 0.7, Qt::AltModifier, -10, 0.4, 0.7},
        {"the lower end stops at the upper", 0.4, 0.6, Qt::AltModifier, 30, 0.6, 0.6},
        {"the upper end stops at the lower", 0.4, 0.6, Qt::ShiftModifier, -30, 0.4, 0.4},
        {"the upper end stops at 1", 0.4, 0.6, Qt::ShiftModifier, 80, 0.4, 1.0},
        {"Ctrl is ten times slower", 0.5, 0.7, Qt::ControlModifier, 10, 0.51, 0.71},
    };
    for (const Case& c : cases) {
        VXDWRangeSlider slider;
        slider.resize(20, 114);
        slider.SetValue1(c.high);
        slider.SetValue0(c.low);
        Reports r;
        QObject::connect(&slider, &VXDWRangeSlider::OnChange,
                         [&](double v0, double v1) { r.ranges.emplace_back(v0, v1); });
        Drag(&slider, {10, 57}, {10, 57 - c.up}, c.modifiers);
        EXPECT_NEAR(slider.Value0(), c.newLow, 1e-9) << c.what;
        EXPECT_NEAR(slider.Value1(), c.newHigh, 1e-9) << c.what;
        EXPECT_LE(slider.Position0(), slider.Position1()) << c.what;
        ASSERT_EQ(r.ranges.size(), 1u) << c.what;
        EXPECT_NEAR(r.ranges[0].first, c.newLow, 1e-9) << c.what;
        EXPECT_NEAR(r.ranges[0].second, c.newHigh, 1e-9) << c.what;
    }
}

TEST(RangeSliderTest, HorizontalDragAndThumbPlaces) {
    VXDWRangeSlider slider;
    slider.SetOrientation(rsHorizontal);
    slider.resize(114, 20);
    slider.SetValue1(0.5);
    slider.SetValue0(0.5);
    // At equal positions the thumbs meet.
    EXPECT_EQ(slider.LowerThumbRect().right() + 1, slider.UpperThumbRect().left());
    Drag(&slider, {57, 10}, {77, 10});
    EXPECT_NEAR(slider.Value0(), 0.7, 1e-9);
    EXPECT_NEAR(slider.Value1(), 0.7, 1e-9);
    EXPECT_EQ(slider.UpperThumbRect().left(), 7 + 70);
}

TEST(RangeSliderTest, SettingAnEndPastTheOtherTakesItAlong) {
    VXDWRangeSlider slider;
    slider.SetValue1(0.4);
    slider.SetValue0(0.6);
    EXPECT_NEAR(slider.Value0(), 0.6, 1e-12);
    EXPECT_NEAR(slider.Value1(), 0.6, 1e-12);
    slider.SetValue1(0.1);
    EXPECT_NEAR(slider.Value0(), 0.1, 1e-12);
}

} // namespace
