#include <cmath>

#include <gtest/gtest.h>

#include "signal/ramps.h"

namespace {

TEST(MGVInterp, TakesTheFirstTargetAtOnceAndGlidesOverOneBlock) {
    MGVInterp v;
    EXPECT_EQ(v.remaining, -1);
    v.SetTarget(0.5);
    EXPECT_EQ(v.value, 0.5);
    EXPECT_EQ(v.Step(), 0.5);
    v.SetTarget(1.0);
    for (int i = 1; i < MGBlockSize; ++i)
        EXPECT_LT(v.Step(), 1.0) << "step " << i;
    EXPECT_DOUBLE_EQ(v.Step(), 1.0);
    EXPECT_EQ(v.remaining, 0);
    EXPECT_DOUBLE_EQ(v.Step(), 1.0);
}

TEST(MGVInterp, BlockStepAndApplyMatchSampleSteps) {
    MGVInterp a, b, c;
    for (MGVInterp* v : {&a, &b, &c}) {
        v->SetTarget(0.2);
        v->SetTarget(-0.6);
    }
    // Half a block by hand, then the block step takes the rest.
    for (int i = 0; i < 100; ++i)
        a.Step();
    a.StepBlock();
    EXPECT_NEAR(a.value, -0.6, 1e-12);
    EXPECT_EQ(a.remaining, 0);

    MGSignal in(2.0f), out(1.0f), outAdd(1.0f);
    b.Apply(in, out);
    c.ApplyAdd(in, outAdd);
    MGVInterp ref;
    ref.SetTarget(0.2);
    ref.SetTarget(-0.6);
    for (int i = 0; i < MGBlockSize; ++i) {
        const double g = ref.Step();
        EXPECT_EQ(out[i], static_cast<float>(2.0f * g));
        EXPECT_EQ(outAdd[i], static_cast<float>(1.0f + 2.0f * g));
    }
}

TEST(MGSmoother, FiveHertzPoleReachesTheTimeConstantOnTime) {
    MGSmoother s(MGSampleRate, 0.0f, MGSmoother::kCutoff5Hz);
    EXPECT_NEAR(s.k, 0.999288f, 1e-6f);
    EXPECT_EQ(s.oneMinusK, 1.0f - s.k);
    s.SetTarget(1.0f);
    int crossed = 0;
    for (int i = 1; i <= 5000 && crossed == 0; ++i)
        if (s.Step() > 0.632f)
            crossed = i;
    EXPECT_NEAR(crossed, 1404, 2);
}

TEST(MGSmoother, ApplyStepsPerFrameAndFlushesTinyValues) {
    MGSmoother s(MGSampleRate, 1.0f, MGSmoother::kCutoff20Hz);
    MGSmoother ref = s;
    s.SetTarget(0.0f);
    ref.SetTarget(0.0f);
    MGSignal in(0.5f), out, acc(1.0f);
    s.Apply(in, out);
    for (int i = 0; i < MGBlockSize; ++i)
        EXPECT_EQ(out[i], ref.Step() * 0.5f);

    struct Case {
        float value;
        bool flushed;
    };
    const Case cases[] = {{5e-8f, true}, {-5e-9f, true}, {2e-7f, false}, {-2e-8f, false}};
    for (const Case& c : cases) {
        MGSmoother t(MGSampleRate, c.value, MGSmoother::kCutoff5Hz); // target = value
        t.ApplyAdd(in, acc);
        EXPECT_EQ(t.value == 0.0f, c.flushed) << c.value;
    }
}

TEST(MGWetDryMix, EqualPowerBlend) {
    struct Case {
        double mix;
        float wet, dry;
    };
    const Case cases[] = {{0.0, 0.0f, 0.99985f}, {0.5, 0.7070f, 0.7070f}, {1.0, 0.99985f, 0.0f}};
    for (const Case& c : cases) {
        MGWetDryMix m;
        m.SetMix(c.mix);
        EXPECT_NEAR(m.wet, c.wet, 2e-4f) << c.mix;
        EXPECT_NEAR(m.dry, c.dry, 2e-4f) << c.mix;
    }
    MGWetDryMix m;
    EXPECT_EQ(m.wet, 1.0f);
    EXPECT_EQ(m.dry, 0.0f);
    m.SetMix(0.0);
    MGSignal dry(1.0f), wet(0.8f);
    m.Apply(dry, wet);
    EXPECT_EQ(wet[7], 0.8f * m.wet + 1.0f * m.dry);
    EXPECT_NEAR(wet[7], 0.99985f, 2e-4f);
}

} // namespace
