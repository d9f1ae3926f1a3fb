#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "contraptions/mixing/crossfader.h"
#include "test_patch.h"

namespace {

// Inlets 0-3 (A left, A right, B left, B right) carry these levels.
constexpr float kIn[4] = {0.25f, 0.5f, 0.125f, -0.75f};
constexpr double kSettled = 1e-4;

class CrossfaderTest : public ::testing::Test {
protected:
    TestPatch patch;
    ODCrossfader& fader = patch.Add<ODCrossfader>();

    CrossfaderTest() { patch.Listen(fader); }

    void Feed(const std::vector<int>& inlets) {
        for (int k : inlets)
            patch.Connect(patch.Source(MGSignal(kIn[k])), 0, fader, k);
    }
    // Long enough for the smoothers to arrive. In single precision a 5 Hz
    // smoother stops short of its target by a few parts in 10^5, where its
    // step rounds away: hence the tolerance of the comparisons below.
    void Settle() { patch.Run(200); }
    float Left() const { return Out(fader, 0)[MGBlockSize - 1]; }
    float Right() const { return Out(fader, 1)[MGBlockSize - 1]; }
};

TEST_F(CrossfaderTest, FadesFromAToB) {
    Feed({0, 1, 2, 3});
    const struct {
        double fade;
        float left, right;
    } cases[] = {
        {0.0, 0.25f, 0.5f},    {0.25, 0.25f + 0.5f * 0.125f, 0.5f - 0.5f * 0.75f},
        {0.5, 0.375f, -0.25f}, {0.75, 0.5f * 0.25f + 0.125f, 0.5f * 0.5f - 0.75f},
        {1.0, 0.125f, -0.75f},
    };
    for (const auto& c : cases) {
        fader.fade.SetValue(c.fade);
        Settle();
        EXPECT_NEAR(Left(), c.left, kSettled) << "fade " << c.fade;
        EXPECT_NEAR(Right(), c.right, kSettled) << "fade " << c.fade;
    }
}

TEST_F(CrossfaderTest, TrimsAndMasterScaleTheirInputs) {
    Feed({0, 1, 2, 3});
    fader.fade.SetValue(0.5);
    fader.trimA.SetValue(1.5);
    fader.trimB.SetValue(0.0);
    fader.masterGain.SetValue(0.5);
    Settle();
    EXPECT_NEAR(Left(), 0.25f * 0.75f, kSettled);
    EXPECT_NEAR(Right(), 0.5f * 0.75f, kSettled);
}

TEST(Crossfader, TakesASingleInletOfAnInputForBothSides) {
    const struct {
        const char* what;
        std::vector<int> connected;
        float left, right;
    } cases[] = {
        {"A right only", {1}, 0.5f, 0.5f},
        {"A left only", {0}, 0.25f, 0.25f},
        {"B left only", {2}, 0.125f, 0.125f},
        {"A right and B right", {1, 3}, 0.5f - 0.75f, 0.5f - 0.75f},
        {"nothing", {}, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        TestPatch patch;
        ODCrossfader& fader = patch.Add<ODCrossfader>();
        patch.Listen(fader);
        for (int k : c.connected)
            patch.Connect(patch.Source(MGSignal(kIn[k])), 0, fader, k);
        fader.fade.SetValue(0.5);
        patch.Run(200);
        EXPECT_NEAR(Out(fader, 0)[0], c.left, kSettled) << c.what;
        EXPECT_NEAR(Out(fader, 1)[0], c.right, kSettled) << c.what;
    }
}

TEST_F(CrossfaderTest, FadesInWithEachSmootherRunningOnFromLeftToRight) {
    patch.Connect(patch.Source(MGSignal(1.0f)), 0, fader, 0);
    patch.Run();
    MGSmoother reference(MGSampleRate, 0.0f, MGSmoother::kCutoff5Hz);
    reference.SetTarget(1.0f);
    for (int i = 0; i < MGBlockSize; ++i)
        ASSERT_FLOAT_EQ(Out(fader, 0)[i], reference.Step()) << "left " << i;
    for (int i = 0; i < MGBlockSize; ++i)
        ASSERT_FLOAT_EQ(Out(fader, 1)[i], reference.Step()) << "right " << i;
    EXPECT_LT(Out(fader, 0)[0], 0.001f) << "a fade-in, not a step";
}

TEST_F(CrossfaderTest, AFadedOutGainBecomesExactlyZero) {
    Feed({0, 1, 2, 3});
    Settle();
    fader.masterGain.SetValue(0.0);
    patch.Run(100); // about half a second
    EXPECT_EQ(fader.smootherA.value, 0.0f);
    EXPECT_EQ(fader.smootherB.value, 0.0f);
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < MGBlockSize; ++i)
            ASSERT_EQ(Out(fader, k)[i], 0.0f) << k << " " << i;
}

TEST_F(CrossfaderTest, HoldsGainsAndFadeFromADocumentToWhatTheyCanSensiblyBe) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    Feed({0, 1, 2, 3});
    const struct {
        double master, trimA, trimB, fade;
        float left, right;
    } cases[] = {
        {1.0, 1e308, 1.0, 0.0, 4 * 0.25f, 4 * 0.5f},
        {kInf, 1.0, 1.0, 0.0, 4 * 0.25f, 4 * 0.5f},
        {kNaN, kNaN, 1.0, 0.0, 0.25f, 0.5f},
        {1.0, -1e308, 1.0, 0.5, 0.125f, -0.75f},
        {1.0, 1.0, 1.0, kNaN, 0.25f, 0.5f},
        {1.0, 1.0, 1.0, 1e308, 0.125f, -0.75f},
        {1.0, 1.0, 1.0, -kInf, 0.25f, 0.5f},
    };
    for (const auto& c : cases) {
        fader.masterGain.SetValue(c.master);
        fader.trimA.SetValue(c.trimA);
        fader.trimB.SetValue(c.trimB);
        fader.fade.SetValue(c.fade);
        Settle();
        EXPECT_NEAR(Left(), c.left, 4 * kSettled)
            << c.master << " " << c.trimA << " " << c.trimB << " " << c.fade;
        EXPECT_NEAR(Right(), c.right, 4 * kSettled)
            << c.master << " " << c.trimA << " " << c.trimB << " " << c.fade;
    }
}

} // namespace
