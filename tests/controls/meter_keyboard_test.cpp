#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <vector>

#include "controls/meter.h"
#include "controls/piano_keyboard.h"
#include "controls/piano_notes.h"
#include "events.h"

namespace {

// ---------------------------------------------------------------------------
// Meter

TEST(MeterTest, EachSegmentStandsForAFactorOfTwo) {
    struct Case {
        int segments;
        float value;
        int lit;
    };
    const Case cases[] = {
        {13, 1.0f, 13}, {13, 0.001f, 3}, {13, 0.0002f, 0}, {13, 7.0f, 13},
        {10, 0.5f, 8},  {10, 0.25f, 7},  {10, 0.0019f, 0}, {10, 0.002f, 1},
        {10, -0.5f, 0}, {1, 0.99f, 0},   {1, 1.0f, 1},     {16, 1.0f / 16384, 1},
    };
    for (const Case& c : cases) {
        VXDWMeter meter;
        meter.resize(22, 132);
        meter.SetChannelCount(2);
        meter.SetSegmentCount(c.segments);
        meter.SetValues(1, c.value);
        EXPECT_EQ(meter.LitSegments(1), c.lit) << c.segments << " segments at " << c.value;
        EXPECT_EQ(meter.LitSegments(0), 0);
        EXPECT_EQ(meter.Values(1), c.value);
    }
}

TEST(MeterTest, CountsAreKeptInRangeAndOtherChannelsIgnored) {
    VXDWMeter meter;
    meter.SetSegmentCount(20);
    EXPECT_EQ(meter.SegmentCount(), 16);
    meter.SetSegmentCount(0);
    EXPECT_EQ(meter.SegmentCount(), 1);
    meter.SetChannelCount(17);
    EXPECT_EQ(meter.ChannelCount(), 16);
    meter.SetChannelCount(-1);
    EXPECT_EQ(meter.ChannelCount(), 1);
    meter.SetValues(1, 1.0f);
    meter.SetValues(-1, 1.0f);
    EXPECT_EQ(meter.LitSegments(1), 0);
    EXPECT_EQ(meter.Values(1), 0.0f);
}

TEST(MeterTest, SegmentColours) {
    struct Case {
        int segments;
        int darkGreen, brightGreen, yellow, red;
    };
    const Case cases[] = {{10, 4, 3, 2, 1}, {13, 5, 4, 3, 1}, {2, 1, 0, 0, 1}};
    for (const Case& c : cases) {
        VXDWMeter meter;
        meter.SetSegmentCount(c.segments);
        std::map<QRgb, int> counts;
        for (int s = 0; s < c.segments; ++s)
            ++counts[meter.SegmentColor(s).rgb()];
        EXPECT_EQ(counts[qRgb(0, 128, 0)], c.darkGreen) << c.segments;
        EXPECT_EQ(counts[qRgb(0, 255, 0)], c.brightGreen) << c.segments;
        EXPECT_EQ(counts[qRgb(255, 255, 0)], c.yellow) << c.segments;
        EXPECT_EQ(counts[qRgb(255, 0, 0)], c.red) << c.segments;
        EXPECT_EQ(meter.SegmentColor(c.segments - 1), QColor(255, 0, 0));
    }
}

TEST(MeterTest, LayOutAndPaint) {
    VXDWMeter meter;
    meter.resize(22, 134); // sw = 18 / 2 = 9, sh = 130 / 13 = 10
    meter.show();
    meter.SetChannelCount(2);
    meter.SetSegmentCount(13);
    EXPECT_EQ(meter.SegmentRect(0, 0), QRect(QPoint(2, 121), QPoint(9, 129)));
    EXPECT_EQ(meter.SegmentRect(1, 2), QRect(QPoint(11, 101), QPoint(18, 109)));

    meter.SetValues(0, 1.0f);
    meter.SetValues(1, 0.001f);
    QImage picture = meter.grab().toImage();
    auto at = [&](int channel, int segment) {
        return picture.pixelColor(meter.SegmentRect(channel, segment).center());
    };
    const QColor face = meter.palette().color(QPalette::Button);
    EXPECT_EQ(at(0, 12), QColor(255, 0, 0));
    EXPECT_EQ(at(0, 0), QColor(0, 128, 0));
    EXPECT_EQ(at(1, 2), QColor(0, 128, 0));
    EXPECT_EQ(at(1, 3), face);

    // Horizontal: segments run to the right, channels downwards.
    meter.SetOrientation(trHorizontal);
    meter.resize(134, 22);
    EXPECT_EQ(meter.SegmentRect(0, 0), QRect(QPoint(3, 2), QPoint(11, 9)));
    EXPECT_EQ(meter.SegmentRect(1, 1), QRect(QPoint(13, 11), QPoint(21, 18)));
    EXPECT_EQ(meter.LitSegments(0), 13);

    // Disabled, only the frame is drawn; cleared, nothing is lit.
    meter.setEnabled(false);
    picture = meter.grab().toImage();
    EXPECT_EQ(at(0, 12), face);
    meter.setEnabled(true);
    meter.ClearValues();
    EXPECT_EQ(meter.LitSegments(0), 0);
    picture = meter.grab().toImage();
    EXPECT_EQ(at(0, 0), face);
}

// ---------------------------------------------------------------------------
// Keyboard

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        keyboard.resize(400, 65);
        keyboard.show();
        QObject::connect(&keyboard, &VXPianoKeyboard::OnChange, [this] { ++changes; });
    }
    // The middle of a white key's lower half, and of a black key.
    QPoint White(int key) const {
        static const int index[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
        const int w = keyboard.WhiteKeyWidth();
        const int x = w * (index[key % 12] + 7 * (key / 12)) - keyboard.ScrollOffset() + w / 2;
        return {x, 55};
    }
    QPoint Black(int key) const {
        const int x = keyboard.KeyEdge(key % 12) + 7 * keyboard.WhiteKeyWidth() * (key / 12) -
                      keyboard.ScrollOffset() + keyboard.BlackKeyWidth() / 2;
        return {x, 10};
    }
    void ClickKey(QPoint at) {
        SendMouse(&keyboard, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        SendMouse(&keyboard, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    std::vector<int> Selected() const {
        std::vector<int> keys;
        for (int i = 0; i < keyboard.SelectedKeysCount(); ++i)
            keys.push_back(keyboard.SelectedKeys(i));
        return keys;
    }

    VXPianoKeyboard keyboard;
    int changes = 0;
};

TEST_F(KeyboardTest, Geometry) {
    EXPECT_EQ(keyboard.WhiteKeyWidth(), 10);
    EXPECT_EQ(keyboard.BlackKeyWidth(), 7);
    EXPECT_EQ(keyboard.BlackKeyHeight(), 37);
    const int edges[12] = {0, 6, 10, 18, 20, 30, 36, 40, 47, 50, 58, 60};
    for (int note = 0; note < 12; ++note)
        EXPECT_EQ(keyboard.KeyEdge(note), edges[note]) << note;

    keyboard.resize(400, 44); // w = 7, bw = floor(5.25) = 5
    EXPECT_EQ(keyboard.WhiteKeyWidth(), 7);
    EXPECT_EQ(keyboard.BlackKeyWidth(), 5);
    keyboard.resize(400, 50); // w = 8, bw = 6, made odd
    EXPECT_EQ(keyboard.BlackKeyWidth(), 7);
}

TEST_F(KeyboardTest, AutoSizeFitsTheWidthToWholeWhiteKeys) {
    struct Case {
        int bottom, range, keptRange, width;
    };
    const Case cases[] = {
        {12, 65, 65, 38 * 10 + 3},  // the top key 77 is an f
        {12, 66, 65, 38 * 10 + 3},  // 78 is an f#: back to the f
        {60, 100, 67, 39 * 10 + 3}, // no key above 127
    };
    for (const Case& c : cases) {
        keyboard.SetBottomKey(c.bottom);
        keyboard.SetKeyRange(c.range);
        keyboard.SetAutoSize(true);
        EXPECT_EQ(keyboard.KeyRange(), c.keptRange) << c.bottom << "+" << c.range;
        EXPECT_EQ(keyboard.width(), c.width) << c.bottom << "+" << c.range;
        keyboard.SetAutoSize(false);
    }
}

TEST_F(KeyboardTest, BottomKeyScrollsAndHitTest) {
    keyboard.SetBottomKey(23); // a b: the first key shown
    EXPECT_EQ(keyboard.ScrollOffset(), 10 * (6 + 7));
    EXPECT_EQ(keyboard.HitTest(5, 55), 23);
    EXPECT_EQ(keyboard.HitTest(15, 55), 24);
    keyboard.SetBottomKey(0); // ignored
    EXPECT_EQ(keyboard.BottomKey(), 23);

    keyboard.SetBottomKey(12);
    struct Case {
        int x, y, key;
    };
    const Case cases[] = {
        {1, 55, 0},  // the frame
        {2, 55, 12}, // c
        {9, 55, 12},  {10, 55, 14},  {6, 36, 13},  {13, 36, 13}, {14, 36, 14}, {6, 37, 12},
        {17, 10, 14}, {18, 10, 15},  {36, 10, 18}, {47, 10, 20}, {57, 10, 21}, {58, 10, 22},
        {75, 10, 24}, {396, 55, 79}, {397, 55, 0}, // the last 4 pixels are the frame's
    };
    for (const Case& c : cases)
        EXPECT_EQ(keyboard.HitTest(c.x, c.y), c.key) << c.x << "," << c.y;
}

TEST_F(KeyboardTest, SingleModeKeepsOneKey) {
    keyboard.SetBottomKey(12);
    EXPECT_EQ(Selected(), std::vector<int>{12}); // key 1 went, 12 came
    ClickKey(White(16));
    EXPECT_EQ(keyboard.SelectedKey(), 16);
    ClickKey(Black(18));
    EXPECT_EQ(Selected(), std::vector<int>{18});
    EXPECT_EQ(changes, 2);

    // Dragging picks the key under the pointer.
    SendMouse(&keyboard, QEvent::MouseButtonPress, White(19), Qt::LeftButton, Qt::LeftButton);
    SendMouse(&keyboard, QEvent::MouseMove, White(21), Qt::NoButton, Qt::LeftButton);
    SendMouse(&keyboard, QEvent::MouseMove, White(21) + QPoint(1, 0), Qt::NoButton, Qt::LeftButton);
    SendMouse(&keyboard, QEvent::MouseButtonRelease, White(21), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Selected(), std::vector<int>{21});
    EXPECT_EQ(changes, 4);

    // A miss does nothing at all.
    ClickKey({1, 30});
    EXPECT_EQ(changes, 4);
    // Scrolling past the selected key deselects it and selects the bottom key.
    keyboard.SetBottomKey(24);
    EXPECT_EQ(Selected(), std::vector<int>{24});
}

TEST_F(KeyboardTest, MultipleModeToggles) {
    keyboard.SetBottomKey(12);
    keyboard.SetInputMode(kbMultiple);
    ClickKey(White(16));
    ClickKey(White(19));
    ClickKey(Black(13));
    EXPECT_EQ(Selected(), (std::vector<int>{12, 13, 16, 19}));
    EXPECT_EQ(keyboard.SelectedKey(), 0);
    // Setting one key is refused while several are selected.
    keyboard.SetSelectedKey(30);
    EXPECT_EQ(keyboard.SelectedKeysCount(), 4);
    // Clicking twice leaves a key unselected.
    ClickKey(White(16));
    EXPECT_EQ(Selected(), (std::vector<int>{12, 13, 19}));
    EXPECT_EQ(keyboard.SelectedKeys(3), 0);
    EXPECT_EQ(changes, 4);
    // Scrolling up deselects every key below the new bottom.
    keyboard.SetBottomKey(14);
    EXPECT_EQ(Selected(), std::vector<int>{19});
}

TEST_F(KeyboardTest, MomentaryModeHoldsTheKeyWhileTheButtonIsDown) {
    keyboard.SetBottomKey(12);
    keyboard.SetInputMode(kbMomentary);
    keyboard.SetSelectedKey(0); // nothing valid: only the old key goes
    ASSERT_EQ(keyboard.SelectedKeysCount(), 0);
    SendMouse(&keyboard, QEvent::MouseButtonPress, White(14), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(Selected(), std::vector<int>{14});
    SendMouse(&keyboard, QEvent::MouseMove, White(16), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(Selected(), std::vector<int>{16});
    SendMouse(&keyboard, QEvent::MouseButtonRelease, White(16), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(changes, 3);
}

// ---------------------------------------------------------------------------
// Note chooser

// Runs `act` on the chooser once it is showing.
int Choose(int x, int y, int current, const std::function<void(TPianoNotes*)>& act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* notes = qobject_cast<TPianoNotes*>(w);
            if (notes && notes->isVisible()) {
                act(notes);
                return;
            }
        }
        ADD_FAILURE() << "the chooser is not showing";
    });
    return ChooseNote(x, y, current, 48, 24);
}

TEST(ChooseNoteTest, ClickingAKeyChoosesIt) {
    const int chosen = Choose(300, 300, 60, [](TPianoNotes* notes) {
        EXPECT_EQ(notes->windowTitle(), "Select A Note...");
        EXPECT_EQ(notes->Panel2->text(), "c5");
        EXPECT_EQ(notes->Keyboard->height(), 65);
        EXPECT_EQ(notes->width(), notes->Keyboard->width() + 7);
        EXPECT_EQ(notes->Button1->width(), notes->Keyboard->width() - 42);
        EXPECT_EQ(notes->Button1->text(), "Cancel");
        // The e above: the third white key from c4 (key 48).
        QTest::mouseClick(notes->Keyboard, Qt::LeftButton, {}, QPoint(2 * 10 + 5 + 1, 55));
    });
    EXPECT_EQ(chosen, 52);
}

TEST(ChooseNoteTest, CancelGivesMinusOne) {
    EXPECT_EQ(Choose(300, 300, 60, [](TPianoNotes* notes) { notes->Button1->click(); }), -1);
    EXPECT_EQ(
        Choose(300, 300, 60, [](TPianoNotes* notes) { QTest::keyClick(notes, Qt::Key_Escape); }),
        -1);
}

TEST(ChooseNoteTest, StaysOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QRect placed;
    Choose(screen.right() - 5, screen.bottom() - 5, 60, [&](TPianoNotes* notes) {
        placed = notes->frameGeometry();
        notes->Button1->click();
    });
    EXPECT_LE(placed.right(), screen.right());
    EXPECT_LE(placed.bottom(), screen.bottom());
    EXPECT_GT(placed.left(), screen.right() - 2 * placed.width());

    Choose(3, 3, 60, [&](TPianoNotes* notes) {
        placed = notes->frameGeometry();
        notes->Button1->click();
    });
    EXPECT_GE(placed.left(), screen.left());
    EXPECT_GE(placed.top(), screen.top());
}

TEST(NoteNameTest, Names) {
    EXPECT_EQ(VXNoteName(36), "c3");
    EXPECT_EQ(VXNoteName(60), "c5");
    EXPECT_EQ(VXNoteName(69), "a5");
    EXPECT_EQ(VXNoteName(127), "g10");
    EXPECT_EQ(VXNoteName(13), "c#1");
}

} // namespace
