#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "controls/knob.h"
#include "controls/range_slider.h"
#include "controls/slider.h"
#include "controls/value_readout.h"
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

TEST(KnobTest, WheelAndKeysTurnItByStepsOfTheSweep) {
    // Each case starts at the middle of a 20 ... 1500 knob and makes one
    // gesture; the result is a change of position.
    struct Case {
        const char* what;
        QPoint wheel; // angle delta; none for a key
        int key;
        Qt::KeyboardModifiers modifiers;
        double moved;
    };
    const Case cases[] = {
        {"a notch up", {0, 120}, 0, {}, 0.02},
        {"a notch down", {0, -120}, 0, {}, -0.02},
        {"half a notch of a fine wheel", {0, 60}, 0, {}, 0.01},
        {"a notch with Shift is finer", {0, 120}, 0, Qt::ShiftModifier, 0.002},
        {"a sideways notch, as some desktops send Shift", {120, 0}, 0, Qt::ShiftModifier, 0.002},
        {"Up", {}, Qt::Key_Up, {}, 0.02},
        {"Right", {}, Qt::Key_Right, {}, 0.02},
        {"Down", {}, Qt::Key_Down, {}, -0.02},
        {"Left", {}, Qt::Key_Left, {}, -0.02},
        {"Shift+Up", {}, Qt::Key_Up, Qt::ShiftModifier, 0.002},
        {"Page Up", {}, Qt::Key_PageUp, {}, 0.1},
        {"Page Down", {}, Qt::Key_PageDown, {}, -0.1},
        {"Shift+Page Down", {}, Qt::Key_PageDown, Qt::ShiftModifier, -0.01},
        {"Home", {}, Qt::Key_Home, {}, -0.5},
        {"End", {}, Qt::Key_End, {}, 0.5},
    };
    for (const Case& c : cases) {
        VXDWKnob knob;
        knob.resize(35, 35);
        knob.SetMin(20);
        knob.SetMax(1500);
        knob.SetValue(760);
        Reports r;
        QObject::connect(&knob, &VXDWKnob::OnChange, [&](double v) { r.values.push_back(v); });
        if (c.key != 0)
            QTest::keyClick(&knob, static_cast<Qt::Key>(c.key), c.modifiers);
        else
            SendWheel(&knob, {17, 17}, c.wheel, {}, c.modifiers);
        EXPECT_NEAR(knob.Position(), 0.5 + c.moved, 1e-12) << c.what;
        // Reported as a drag reports: once, with the knob's new value.
        ASSERT_EQ(r.values.size(), 1u) << c.what;
        EXPECT_DOUBLE_EQ(r.values[0], knob.Value()) << c.what;
    }
}

TEST(KnobTest, WheelAndKeysStopAtTheEndsWithoutReports) {
    VXDWKnob knob;
    knob.resize(35, 35);
    knob.SetValue(0.99);
    Reports r;
    QObject::connect(&knob, &VXDWKnob::OnChange, [&](double v) { r.values.push_back(v); });
    SendWheel(&knob, {17, 17}, {0, 240});
    EXPECT_EQ(knob.Position(), 1.0);
    SendWheel(&knob, {17, 17}, {0, 120});
    QTest::keyClick(&knob, Qt::Key_Up);
    QTest::keyClick(&knob, Qt::Key_End);
    EXPECT_EQ(r.values, std::vector<double>{1.0});
}

TEST(KnobTest, TheKnobTakesTheWheelEvenAtAnEnd) {
    // A wheel event left untaken goes on to the pane behind, which would
    // scroll away under the pointer.
    VXDWKnob knob;
    knob.resize(35, 35);
    knob.SetValue(1.0);
    QWheelEvent e(QPointF(17, 17), QPointF(17, 17), {}, {0, 120}, Qt::NoButton, {},
                  Qt::NoScrollPhase, false);
    e.ignore();
    QApplication::sendEvent(&knob, &e);
    EXPECT_TRUE(e.isAccepted());
}

TEST(KnobTest, TheValueShowsBesideTheKnobWhileItIsWorked) {
    QWidget window;
    window.resize(200, 100);
    auto* knob = new VXDWKnob(&window);
    knob->setGeometry(20, 20, 35, 35);
    knob->SetMin(20);
    knob->SetMax(1500);
    knob->SetValue(440);
    window.show();
    VXValueReadout* readout = knob->Readout();
    EXPECT_FALSE(readout->isVisible());

    // Hovering shows the value, leaving hides it.
    QEnterEvent enter(QPointF(17, 17), QPointF(17, 17), knob->mapToGlobal(QPointF(17, 17)));
    QApplication::sendEvent(knob, &enter);
    EXPECT_TRUE(readout->isVisible());
    EXPECT_EQ(readout->text(), "440");
    EXPECT_GE(readout->x(), knob->mapToGlobal(QPoint(knob->width(), 0)).x());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(knob, &leave);
    EXPECT_FALSE(readout->isVisible());

    // A drag shows it, follows the value, and keeps it while the pointer is
    // away from the knob; the release there hides it.
    SendMouse(knob, QEvent::MouseButtonPress, {17, 17}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(knob, QEvent::MouseMove, {17, -33}, Qt::NoButton, Qt::LeftButton);
    QApplication::sendEvent(knob, &leave);
    EXPECT_TRUE(readout->isVisible());
    EXPECT_EQ(readout->text(), VXValueReadout::DefaultFormat(knob->Value()));
    SendMouse(knob, QEvent::MouseButtonRelease, {17, -33}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(readout->isVisible());

    // The window's own text, and a brief showing for a wheel turn.
    knob->SetFormatter([](double v) { return QString::number(v, 'f', 1) + " Hz"; });
    SendWheel(knob, {17, 17}, {0, -120});
    EXPECT_TRUE(readout->isVisible());
    EXPECT_EQ(readout->text(), QString::number(knob->Value(), 'f', 1) + " Hz");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !readout->isVisible(); }, 3000));
    readout->grab().save("/tmp/knob_readout.png");

    // The knob that has the keys shows it.
    QApplication::setActiveWindow(&window);
    knob->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(knob->hasFocus());
    window.grab().save("/tmp/knob_focused.png");
}

TEST(KnobTest, DefaultReadoutShowsAsManyDecimalsAsTheSizeCallsFor) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0.0, "0.00"},   {0.456, "0.46"}, {1.5, "1.50"},   {14.25, "14.3"},
                 {-7.0, "-7.00"}, {440.0, "440"},  {3197.3, "3197"}};
    for (const auto& c : cases)
        EXPECT_EQ(VXValueReadout::DefaultFormat(c.value), c.text) << c.value;
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

TEST(SliderTest, AClickOnTheTrackMovesTheThumbThere) {
    struct Case {
        const char* what;
        VXDWSliderOrientation orientation;
        QPoint press, release;
        std::vector<double> reports;
    };
    // The track is 111 - 11 = 100 pixels long; the thumb starts at 0.5,
    // pixels 50 ... 59 along. A click at 80 puts the thumb's middle there:
    // its start at 75, position 0.75.
    const Case cases[] = {
        {"horizontal, right of the thumb", soHorizontal, {80, 10}, {80, 10}, {0.75}},
        {"horizontal, left of the thumb", soHorizontal, {25, 10}, {25, 10}, {0.2}},
        {"horizontal, past the end", soHorizontal, {110, 10}, {110, 10}, {1.0}},
        {"vertical, above the thumb", soVertical, {10, 30}, {10, 30}, {0.75}},
        // On the thumb a click moves nothing; from the track or the thumb a
        // press that moves drags as ever.
        {"on the thumb", soHorizontal, {52, 10}, {52, 10}, {}},
        {"a drag from the track", soHorizontal, {80, 10}, {90, 10}, {0.6}},
        {"a drag from the thumb", soVertical, {10, 55}, {10, 45}, {0.6}},
    };
    for (const Case& c : cases) {
        VXDWSlider slider;
        slider.SetOrientation(c.orientation);
        slider.resize(c.orientation == soVertical ? QSize(20, 111) : QSize(111, 20));
        slider.SetValue(0.5);
        Reports r;
        QObject::connect(&slider, &VXDWSlider::OnChange, [&](double v) { r.values.push_back(v); });
        SendMouse(&slider, QEvent::MouseButtonPress, c.press, Qt::LeftButton, Qt::LeftButton);
        if (c.release != c.press)
            SendMouse(&slider, QEvent::MouseMove, c.release, Qt::NoButton, Qt::LeftButton);
        SendMouse(&slider, QEvent::MouseButtonRelease, c.release, Qt::LeftButton, Qt::NoButton);
        ASSERT_EQ(r.values.size(), c.reports.size()) << c.what;
        for (size_t i = 0; i < c.reports.size(); ++i)
            EXPECT_NEAR(r.values[i], c.reports[i], 1e-12) << c.what;
        EXPECT_NEAR(slider.Value(), c.reports.empty() ? 0.5 : c.reports.back(), 1e-12) << c.what;
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
