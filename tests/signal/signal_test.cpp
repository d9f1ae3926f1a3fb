#include <functional>

#include <gtest/gtest.h>

#include "signal/signal.h"

namespace {

MGSignal Ramp(float start, float step) {
    MGSignal s;
    for (int i = 0; i < MGBlockSize; ++i)
        s[i] = start + step * static_cast<float>(i);
    return s;
}

struct BlockOpCase {
    const char* name;
    std::function<void(MGSignal& a, const MGSignal& b, const MGSignal& c)> op;
    std::function<float(float a, float b, float c)> expected;
};

TEST(MGSignal, BlockArithmeticWorksIndexByIndex) {
    const MGSignal b = Ramp(1.0f, 0.5f);
    const MGSignal c = Ramp(-3.0f, 0.25f);
    using S = MGSignal;
    const BlockOpCase cases[] = {
        {"assign signal", [](S& a, const S& o, const S&) { a = o; },
         [](float, float o, float) { return o; }},
        {"assign float", [](S& a, const S&, const S&) { a = 7.5f; },
         [](float, float, float) { return 7.5f; }},
        {"add signal", [](S& a, const S& o, const S&) { a += o; },
         [](float x, float o, float) { return x + o; }},
        {"add float", [](S& a, const S&, const S&) { a += 2.0f; },
         [](float x, float, float) { return x + 2.0f; }},
        {"subtract signal", [](S& a, const S& o, const S&) { a -= o; },
         [](float x, float o, float) { return x - o; }},
        {"subtract float", [](S& a, const S&, const S&) { a -= 2.0f; },
         [](float x, float, float) { return x - 2.0f; }},
        {"multiply signal", [](S& a, const S& o, const S&) { a *= o; },
         [](float x, float o, float) { return x * o; }},
        {"multiply float", [](S& a, const S&, const S&) { a *= -0.5f; },
         [](float x, float, float) { return x * -0.5f; }},
        {"divide signal", [](S& a, const S& o, const S&) { a /= o; },
         [](float x, float o, float) { return x / o; }},
        {"divide float", [](S& a, const S&, const S&) { a /= 4.0f; },
         [](float x, float, float) { return x / 4.0f; }},
        {"add signal*k", [](S& a, const S& o, const S&) { a += o * 0.3f; },
         [](float x, float o, float) { return x + o * 0.3f; }},
        {"add k*signal", [](S& a, const S& o, const S&) { a += 0.3f * o; },
         [](float x, float o, float) { return x + o * 0.3f; }},
        {"add signal*signal", [](S& a, const S& o, const S& k) { a += o * k; },
         [](float x, float o, float k) { return x + o * k; }},
        {"assign signal*k", [](S& a, const S& o, const S&) { a = o * 0.3f; },
         [](float, float o, float) { return o * 0.3f; }},
        {"assign signal*signal", [](S& a, const S& o, const S& k) { a = o * k; },
         [](float, float o, float k) { return o * k; }},
    };
    for (const BlockOpCase& tc : cases) {
        SCOPED_TRACE(tc.name);
        MGSignal a = Ramp(10.0f, -0.125f);
        const MGSignal before = a;
        tc.op(a, b, c);
        for (int i = 0; i < MGBlockSize; ++i)
            ASSERT_EQ(a[i], tc.expected(before[i], b[i], c[i])) << "sample " << i;
    }
}

TEST(MGSignal, EveryOperationCoversTheWholeBlock) {
    const MGSignal b = Ramp(1.0f, 0.5f);
    const MGSignal c = Ramp(-3.0f, 0.25f);
    MGSignal a = Ramp(10.0f, -0.125f);
    MGSignal ref = a;
    a += b * c;
    a -= b;
    a *= 0.5f;
    a = a * 2.0f;
    a += c * 0.25f;
    a /= b;
    for (int i = 0; i < MGBlockSize; ++i) {
        float r = ref[i];
        r += b[i] * c[i];
        r -= b[i];
        r *= 0.5f;
        r = r * 2.0f;
        r += c[i] * 0.25f;
        r /= b[i];
        EXPECT_EQ(a[i], r) << "sample " << i;
    }
}

TEST(MGSignal, ProductTermMayReadTheSignalItWritesTo) {
    MGSignal a = Ramp(1.0f, 1.0f);
    a += a * 2.0f;
    a = a * a;
    for (int i = 0; i < MGBlockSize; ++i) {
        const float x = 3.0f * (1.0f + static_cast<float>(i));
        EXPECT_EQ(a[i], x * x);
    }
}

TEST(MGSignal, ConstructionFillsAndCopiesOwnSamples) {
    MGSignal filled(0.25f);
    MGSignal copy(filled);
    copy[3] = 1.0f;
    for (int i = 0; i < MGBlockSize; ++i)
        EXPECT_EQ(filled[i], 0.25f);
    EXPECT_EQ(copy[3], 1.0f);
    EXPECT_NE(copy.samples, filled.samples);
    for (int i = 0; i < MGBlockSize; ++i)
        EXPECT_EQ(MGSignal()[i], 0.0f);
}

TEST(MGSignal, SharedSignalsAreSilent) {
    for (int i = 0; i < MGBlockSize; ++i) {
        EXPECT_EQ(MGSilentSignal[i], 0.0f);
        EXPECT_EQ(MGDefaultOutletSignal[i], 0.0f);
    }
    EXPECT_NE(&MGSilentSignal, &MGDefaultOutletSignal);
}

} // namespace
