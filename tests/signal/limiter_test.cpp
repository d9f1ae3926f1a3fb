#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "signal/context.h"
#include "test_pipes.h"

namespace {

using Limiter = MGDynSigContext::OutletLimiter;

TEST(OutletLimiter, StartsWithTheDocumentedValues) {
    Limiter l(nullptr, 3);
    EXPECT_EQ(l.threshold, 1.0f);
    EXPECT_EQ(l.ceiling, 2.0f);
    EXPECT_EQ(l.attackLength, 2205);
    EXPECT_EQ(l.holdLength, 0);
    EXPECT_EQ(l.releaseLength, 2205);
    EXPECT_EQ(l.stage, Limiter::Idle);
    EXPECT_EQ(l.gain, 1.0f);
    EXPECT_EQ(l.gainStep, 0.0f);
    EXPECT_EQ(l.countdown, 0);
    EXPECT_EQ(l.outlet, 3);
}

TEST(OutletLimiter, QuietSignalPassesUntouched) {
    Limiter l(nullptr, 0);
    MGSignal s;
    for (int i = 0; i < MGBlockSize; ++i)
        s[i] = (i % 2 ? 1.0f : -1.0f) * static_cast<float>(i) / MGBlockSize;
    const MGSignal in = s;
    l.LimitBlock(s);
    for (int i = 0; i < MGBlockSize; ++i)
        EXPECT_EQ(s[i], in[i]);
    EXPECT_EQ(l.gain, 1.0f);
    EXPECT_EQ(l.stage, Limiter::Idle);
}

TEST(OutletLimiter, LoudPeakRampsTheGainDownAndReleasesItToUnity) {
    Limiter l(nullptr, 0);
    MGSignal s;
    float first = 0.0f, last = 0.0f, peakOut = 0.0f;
    float previousGain = l.gain;
    int samples = 0;
    // 2205 samples of attack and one block of settling, at an input of 4.
    while (samples < 2205 + MGBlockSize) {
        s = 4.0f;
        l.LimitBlock(s);
        for (int i = 0; i < MGBlockSize; ++i, ++samples) {
            if (samples == 0)
                first = s[i];
            if (samples == 1500) {
                EXPECT_LT(s[i], 2.0f) << "the gain is below 1/2 by now";
            }
            peakOut = std::max(peakOut, std::fabs(s[i]));
            last = s[i];
        }
        EXPECT_LE(l.gain, previousGain);
        previousGain = l.gain;
    }
    EXPECT_EQ(first, 2.0f) << "clamped at the ceiling before the ramp has worked";
    EXPECT_LE(peakOut, 2.0f);
    EXPECT_NEAR(l.gain, 0.25f, 0.25f * 0.01f);
    EXPECT_NEAR(last, 1.0f, 0.01f);

    // Quiet again: the gain returns to unity over the release.
    int quiet = 0;
    // Attack end, release, then the idle count that follows it.
    while (quiet < 4 * 2205) {
        s = 0.1f;
        l.LimitBlock(s);
        quiet += MGBlockSize;
    }
    EXPECT_NEAR(l.gain, 1.0f, 1e-3f);
    EXPECT_NEAR(s[MGBlockSize - 1], 0.1f, 1e-4f);
    EXPECT_EQ(l.stage, Limiter::Idle);
    EXPECT_EQ(l.countdown, -1) << "idle count held, not drifting towards overflow";
}

TEST(OutletLimiter, NonFiniteInputNeverLeavesTheLimiter) {
    Limiter l(nullptr, 0);
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    for (float b : bad) {
        MGSignal s(0.5f);
        s[10] = b;
        s[11] = b;
        l.Run(s);
        for (int i = 0; i < MGBlockSize; ++i)
            ASSERT_TRUE(std::isfinite(s[i])) << "value " << b << " sample " << i;
        // The loop recovers: the next ordinary block is finite too.
        s = 0.5f;
        l.Run(s);
        for (int i = 0; i < MGBlockSize; ++i)
            ASSERT_TRUE(std::isfinite(s[i])) << "after " << b << " sample " << i;
        EXPECT_TRUE(std::isfinite(l.gain));
    }
}

// A pipe that doubles the sum of its inlets and adds a constant: a loop
// through it grows without bound unless it is limited.
class Doubler : public TestPipe {
public:
    using TestPipe::TestPipe;
    void Process() override {
        TestPipe::Process();
        outs[0] *= 2.0f;
    }
};

TEST(OutletLimiter, KeepsARunawayLoopInBounds) {
    MGDynSigContext ctx;
    auto* out = new TestPipe("out", 1, 0, nullptr, &ctx);
    auto* a = new Doubler("A", 1, 1, nullptr, &ctx);
    auto* b = new TestPipe("B", 1, 1, nullptr, &ctx);
    ASSERT_TRUE(ctx.Connect(b, 0, out, 0, true));
    ASSERT_TRUE(ctx.Connect(a, 0, b, 0, true));
    ASSERT_TRUE(ctx.Connect(b, 0, a, 0, true));
    a->constant = 0.3f;
    float maxLimited = 0.0f;
    for (int block = 0; block < 2000; ++block) {
        ctx.ProcessBlock();
        for (int i = 0; i < MGBlockSize; ++i) {
            ASSERT_TRUE(std::isfinite(b->outs[0][i]));
            maxLimited = std::max(maxLimited, std::fabs(b->outs[0][i]));
        }
    }
    // The ceiling, not the ramp, is what holds a loop whose gain exceeds 1.
    EXPECT_LE(maxLimited, 2.0f);
    EXPECT_GT(maxLimited, 1.0f);
}

} // namespace
