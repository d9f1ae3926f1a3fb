#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "contraptions/generators/testgen.h"
#include "test_patch.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

class TestSignalGeneratorTest : public ::testing::Test {
protected:
    TestPatch patch;
    ODTestSignalGenerator& gen = patch.Add<ODTestSignalGenerator>();

    TestSignalGeneratorTest() { patch.Listen(gen); }
    const MGSignal& Output() const { return Out(gen, 0); }
};

// A sine's amplitude from three consecutive samples at `w` radians per
// sample: y[n-1] y[n+1] = y[n]^2 - A^2 sin^2 w.
double AmplitudeAt(const MGSignal& s, int n, double w) {
    const double a2 =
        (double(s[n]) * s[n] - double(s[n - 1]) * s[n + 1]) / std::pow(std::sin(w), 2);
    return std::sqrt(a2);
}

TEST_F(TestSignalGeneratorTest, IsSilentUntilTheVolumeIsRaised) {
    patch.Run(3);
    for (int i = 0; i < MGBlockSize; ++i)
        ASSERT_EQ(Output()[i], 0.0f) << i;
}

TEST_F(TestSignalGeneratorTest, FirstBlockIsTheSineFromItsFirstStepUnderTheRisingGain) {
    gen.amplitude.SetValue(1.0);
    patch.Run();
    const double w = kTwoPi * 440.0 / MGSampleRate;
    MGSmoother gain(MGSampleRate, 0.0f, MGSmoother::kCutoff20Hz);
    gain.SetTarget(1.0f);
    for (int i = 0; i < MGBlockSize; ++i) {
        const double expected = std::sin((i + 1) * w) * gain.Step();
        ASSERT_NEAR(Output()[i], expected, 2e-6) << i;
    }
    EXPECT_FLOAT_EQ(Output()[0], static_cast<float>(std::sin(w)) * (1.0f - gain.k));
}

TEST_F(TestSignalGeneratorTest, GainReachesSixtyThreePercentAfterEightMilliseconds) {
    // 1 / (2 pi 20 Hz) is 351 samples; a sine that peaks at sample 351
    // shows the gain there.
    gen.frequency.SetValue(MGSampleRate / (4 * 352));
    gen.amplitude.SetValue(1.0);
    patch.Run(2);
    EXPECT_NEAR(Output()[351 - MGBlockSize], 0.632, 0.005);
}

TEST_F(TestSignalGeneratorTest, FrequencyChangeContinuesThePhase) {
    gen.amplitude.SetValue(1.0);
    patch.Run(200); // the gain has settled
    const double theta = std::atan2(gen.y, gen.x);
    ASSERT_GT(std::fabs(std::sin(theta)), 0.3) << "a phase near 0 would hide a reset";

    gen.frequency.SetValue(880.0);
    patch.Run();
    const double w = kTwoPi * 880.0 / MGSampleRate;
    for (int i = 0; i < MGBlockSize; ++i)
        ASSERT_NEAR(Output()[i], std::sin(theta + (i + 1) * w), 1e-4) << i;
}

TEST_F(TestSignalGeneratorTest, ToneKeepsItsLevelForMinutes) {
    gen.amplitude.SetValue(1.0);
    for (double frequency : {440.0, 1000.0}) {
        gen.frequency.SetValue(frequency);
        const int minute = static_cast<int>(60 * MGSampleRate / MGBlockSize);
        patch.Run(minute);
        const double w = kTwoPi * frequency / MGSampleRate;
        EXPECT_NEAR(AmplitudeAt(Output(), 100, w), 1.0, 1e-4) << frequency << " Hz";
    }
}

TEST_F(TestSignalGeneratorTest, EveryWaveformButOnePlaysNoiseInZeroToOne) {
    for (int waveform : {0, 2, -1}) {
        gen.waveform.SetValue(waveform);
        gen.noise.Seed(1);
        gen.amplitude.SetValue(0.5);
        patch.Run(100); // the gain has settled
        double sum = 0.0;
        float lo = 1.0f, hi = -1.0f;
        const int blocks = 50;
        for (int b = 0; b < blocks; ++b) {
            patch.Run();
            for (float v : Output().samples) {
                sum += v;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        EXPECT_NEAR(sum / (blocks * MGBlockSize), 0.25, 0.01) << waveform;
        EXPECT_GE(lo, 0.0f) << waveform;
        EXPECT_LT(hi, 0.5f) << waveform;
    }
}

TEST(TestSignalGeneratorBounds, AmplitudeAndFrequencyAreHeldToTheWindowsRange) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double amplitude;
        double frequency;
        double playedAmplitude;
        double playedFrequency;
    } cases[] = {
        {1e308, 1e308, 1.0, 20000.0}, {kInf, kInf, 1.0, 20000.0},
        {-1e308, -1e308, 0.0, 20.0},  {-kInf, 0.0, 0.0, 20.0},
        {kNaN, kNaN, 0.0, 440.0},     {2.0, 19.0, 1.0, 20.0},
        {0.5, 20001.0, 0.5, 20000.0}, {0.25, 1000.0, 0.25, 1000.0},
    };
    for (const auto& c : cases) {
        TestPatch patch;
        ODTestSignalGenerator& gen = patch.Add<ODTestSignalGenerator>();
        patch.Listen(gen);
        gen.amplitude.SetValue(c.amplitude);
        gen.frequency.SetValue(c.frequency);
        patch.Run(200); // the gain has settled
        // The same tone set within range turns the point by the same angle.
        TestPatch reference;
        ODTestSignalGenerator& expected = reference.Add<ODTestSignalGenerator>();
        expected.frequency.SetValue(c.playedFrequency);
        reference.Listen(expected);
        reference.Run();
        EXPECT_EQ(gen.sinW, expected.sinW) << c.frequency;
        EXPECT_EQ(gen.cosW, expected.cosW) << c.frequency;
        float peak = 0.0f;
        for (int b = 0; b < 20; ++b) {
            patch.Run();
            for (float v : Out(gen, 0).samples) {
                ASSERT_TRUE(std::isfinite(v)) << c.amplitude;
                peak = std::max(peak, std::fabs(v));
            }
        }
        EXPECT_NEAR(peak, c.playedAmplitude, 0.01) << c.amplitude;
    }
}

} // namespace
