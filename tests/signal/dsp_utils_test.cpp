#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "signal/dc_blocker.h"
#include "signal/interpolation.h"
#include "signal/noise_source.h"

namespace {

TEST(MGNoiseSource, SequenceFromAKnownSeed) {
    MGNoiseSource n;
    EXPECT_EQ(n.seed, 0x5FF70000);
    EXPECT_EQ(n.offset, 0.0);
    EXPECT_EQ(n.scale, 1.0);

    n.Seed(0x12345u);
    EXPECT_EQ(n.seed, 0x23450000) << "low 15 bits, shifted up";

    // From state 0: value 0, then state 12345 gives 0 again.
    n.seed = 0;
    n.SetAntiDenormal();
    EXPECT_EQ(n.Next(), -3.0517578125e-08);
    EXPECT_EQ(n.seed, 12345);
    EXPECT_EQ(n.Next(), -3.0517578125e-08);

    // The next states, computed by hand: 12345 * 1103515245 + 12345 mod 2^32.
    const std::uint32_t s2 = 12345u * 1103515245u + 12345u;
    EXPECT_EQ(static_cast<std::uint32_t>(n.seed), s2);
    const int v = (static_cast<std::int32_t>(s2) >> 16) & 0x7FFF;
    EXPECT_EQ(n.Next(), v * 3.0517578125e-05 * 6.103515625e-08 - 3.0517578125e-08);
}

TEST(MGNoiseSource, ValuesStayInTheirRange) {
    MGNoiseSource white;
    white.Seed(1234);
    MGSignal s(5.0f);
    white.Fill(s);
    for (int i = 0; i < MGBlockSize; ++i) {
        EXPECT_GE(s[i], 0.0f);
        EXPECT_LT(s[i], 1.0f);
    }
    MGNoiseSource tiny;
    tiny.Seed(99);
    tiny.SetAntiDenormal();
    MGSignal t(0.0f);
    tiny.Add(t);
    for (int i = 0; i < MGBlockSize; ++i) {
        EXPECT_GE(t[i], -3.0517578125e-08f);
        EXPECT_LT(t[i], 3.0517578125e-08f);
    }
    // Add evaluates old sample plus noise in double before rounding once.
    MGNoiseSource a, b;
    a.seed = b.seed = 777;
    MGSignal u(0.1f);
    a.Add(u);
    EXPECT_EQ(u[0], static_cast<float>(0.1f + b.Next()));
}

TEST(MGDCBlocker, UsesTheExactCoefficientsAndDecays) {
    // The coefficients' bit patterns decide the sound; check the literals.
    EXPECT_EQ(std::bit_cast<std::uint32_t>(0.9998270273208618f), 0x3F7FF4AAu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(0.99965500831604f), 0x3F7FE964u);

    MGDCBlocker dc;
    const float first = dc.Filter(1.0f);
    EXPECT_EQ(first, 0.9998270273208618f);
    float y = first;
    for (int i = 0; i < 44100; ++i) {
        const float next = dc.Filter(1.0f);
        ASSERT_LE(next, y);
        y = next;
    }
    EXPECT_LT(y, 1e-5f);

    MGDCBlocker zero;
    MGSignal s;
    zero.FilterBlock(s, s);
    for (int i = 0; i < MGBlockSize; ++i)
        EXPECT_EQ(s[i], 0.0f);
}

TEST(MGDCBlocker, BlockFilterMatchesSampleBySample) {
    MGDCBlocker block, single;
    MGSignal in;
    for (int i = 0; i < MGBlockSize; ++i)
        in[i] = 0.3f + 0.001f * static_cast<float>(i % 17);
    MGSignal out;
    block.FilterBlock(in, out);
    for (int i = 0; i < MGBlockSize; ++i)
        EXPECT_EQ(out[i], single.Filter(in[i]));
}

TEST(MGInterpLookup, ReadsEntriesExactlyAndInterpolatesBetween) {
    // N = 4, entry N repeats entry 0. The table is exactly N + 1 entries on
    // the heap, so the sanitizer build catches a read past entry N.
    const std::vector<float> heap = {1.0f, 3.0f, -2.0f, 0.5f, 1.0f};
    const float* table = heap.data();
    const int N = 4;
    struct Case {
        float position;
        float expected;
    };
    const Case cases[] = {
        {0.0f, 1.0f},   {1.0f, 3.0f},  {2.0f, -2.0f}, {0.5f, 2.0f},
        {1.25f, 1.75f}, {3.5f, 0.75f}, {4.0f, 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(MGInterpLookup(table, c.position), c.expected) << c.position;
    EXPECT_EQ(MGInterpLookup(table, static_cast<float>(N)), table[N]);
    const float belowN = std::nextafter(static_cast<float>(N), 0.0f);
    const float v = MGInterpLookup(table, belowN);
    EXPECT_GE(v, 0.5f);
    EXPECT_LE(v, 1.0f);
}

TEST(MGTruncate, GivesTheIntegerPart) {
    struct Case {
        float x;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0.0f, 0}, {2.999f, 2}, {3.0f, 3}, {0.9999999f, 0}, {1e6f + 0.5f, 1000000}};
    for (const Case& c : cases)
        EXPECT_EQ(MGTruncate(c.x), c.expected) << c.x;
}

} // namespace

#include "signal/denormal_guard.h"

namespace {

TEST(MGDenormalGuard, FlushesWhileItLivesAndRestoresAfter) {
    volatile float tiny = 1e-30f;
    volatile float scale = 1e-10f;
    {
        const MGDenormalGuard guard;
        const float flushed = tiny * scale; // 1e-40 is denormal
        EXPECT_EQ(flushed, 0.0f);
    }
    const float kept = tiny * scale;
    EXPECT_GT(kept, 0.0f) << "the thread's own setting is back";
}

} // namespace
