#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "framework/preset.h"
#include "test_processors.h"

namespace {

class MGPresetTest : public ::testing::Test {
protected:
    MGPresetTest() { ring.InitPropertyInfo(); }

    std::string Text(const MGPreset& p) {
        std::ostringstream os;
        os << p;
        return os.str();
    }

    TestRing ring;
    MGPreset preset{&ring.propertyList};
};

TEST_F(MGPresetTest, StoresAndRecallsASnapshot) {
    EXPECT_FALSE(preset.HasValues());
    EXPECT_EQ(Text(preset), "{  }");
    preset.Recall(); // empty: nothing happens
    EXPECT_EQ(ring.frequency.Value(), 440.0);

    preset.Store();
    ASSERT_TRUE(preset.HasValues());
    EXPECT_EQ(Text(preset), "{ 440, 0 }");

    ring.frequency.SetValue(880.0);
    ring.am.SetValue(true);
    ring.frequency.TestAndClearChanged();
    ring.am.TestAndClearChanged();
    preset.Recall();
    EXPECT_EQ(ring.frequency.Value(), 440.0);
    EXPECT_FALSE(ring.am.Value());
    EXPECT_TRUE(ring.frequency.TestAndClearChanged()) << "the processor sees the recall";
    EXPECT_TRUE(ring.am.TestAndClearChanged());

    // Storing again reuses the slot's values.
    ring.frequency.SetValue(100.0);
    preset.Store();
    EXPECT_EQ(Text(preset), "{ 100, 0 }");

    preset.Clear();
    EXPECT_FALSE(preset.HasValues());
}

TEST_F(MGPresetTest, ReadsWhatItWrites) {
    ring.frequency.SetValue(261.626);
    ring.am.SetValue(true);
    preset.Store();
    const std::string text = Text(preset);
    EXPECT_EQ(text, "{ 261.626, 1 }");

    TestRing other;
    other.InitPropertyInfo();
    MGPreset copy(&other.propertyList);
    std::istringstream is(text);
    is >> copy;
    EXPECT_FALSE(is.fail());
    EXPECT_EQ(Text(copy), text);
    EXPECT_EQ(other.frequency.Value(), 440.0) << "reading a preset leaves the live values alone";
}

TEST_F(MGPresetTest, ReadingFillsMissingValuesFromTheLiveProperties) {
    const struct {
        const char* what;
        const char* input;
        bool ok;
        const char* text; // the slot afterwards
    } cases[] = {
        {"empty slot", "{  } x", true, "{  }"},
        {"one of two values", "{ 330 } x", true, "{ 330, 0 }"},
        {"extra values", "{ 330, 1, 7, 8 } x", true, "{ 330, 1 }"},
        {"missing brace", "330, 1 }", false, "{  }"},
        {"bad separator", "{ 330 ; 1 }", false, "{ 330, 0 }"},
    };
    for (const auto& tc : cases) {
        MGPreset p(&ring.propertyList);
        std::istringstream is(tc.input);
        is >> p;
        EXPECT_EQ(!is.fail(), tc.ok) << tc.what;
        EXPECT_EQ(Text(p), tc.text) << tc.what;
        if (tc.ok) {
            std::string rest;
            is >> rest;
            EXPECT_EQ(rest, "x") << tc.what;
        }
    }
}

TEST_F(MGPresetTest, ReadingAnEmptySlotClearsIt) {
    preset.Store();
    std::istringstream is("{  }");
    is >> preset;
    EXPECT_FALSE(preset.HasValues());
}

} // namespace
