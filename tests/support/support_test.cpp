// The shared test tools checked against signals whose answers are known.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "golden.h"
#include "signal_analysis.h"

namespace {

TEST(SignalAnalysis, KnownSinesAreMeasuredRight) {
    const struct {
        double hz, amplitude;
    } cases[] = {{440.0, 0.5}, {100.0, 1.0}, {3000.0, 0.01}, {21.5, 0.25}};
    for (const auto& c : cases) {
        // A whole number of periods of every case: 2 s.
        const std::vector<float> x = analysis::Sine(c.hz, c.amplitude, 88200);
        EXPECT_NEAR(analysis::AmplitudeAt(x, c.hz), c.amplitude, c.amplitude * 1e-3) << c.hz;
        EXPECT_NEAR(analysis::Rms(x), c.amplitude / std::sqrt(2.0), c.amplitude * 1e-3) << c.hz;
        EXPECT_NEAR(analysis::Peak(x), c.amplitude, c.amplitude * 1e-3) << c.hz;
        EXPECT_NEAR(analysis::PeakFrequency(x, c.hz - 20, c.hz + 20, 0.5), c.hz, 0.5) << c.hz;
        // A neighbour a whole number of cycles away over the length holds
        // next to nothing.
        EXPECT_LT(analysis::AmplitudeAt(x, c.hz + 5.0), c.amplitude * 0.01) << c.hz;
    }
}

TEST(SignalAnalysis, ResponsesOfAOnePoleFilter) {
    // y[n] = 0.5 x[n] + 0.5 y[n-1]: impulse 0.5, 0.25, ...; step 0.5, 0.75, ...
    const analysis::System filter = [](const std::vector<float>& x) {
        std::vector<float> y(x.size());
        float state = 0.0f;
        for (size_t i = 0; i < x.size(); ++i)
            y[i] = state = 0.5f * x[i] + 0.5f * state;
        return y;
    };
    const std::vector<float> impulse = analysis::ImpulseResponse(filter, 8);
    const std::vector<float> step = analysis::StepResponse(filter, 8);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_FLOAT_EQ(impulse[i], std::ldexp(1.0f, -static_cast<int>(i) - 1)) << i;
        EXPECT_FLOAT_EQ(step[i], 1.0f - std::ldexp(1.0f, -static_cast<int>(i) - 1)) << i;
    }
}

TEST(Golden, WrittenDataReadsBackAndDifferencesAreFound) {
    namespace fs = std::filesystem;
    const fs::path file = fs::temp_directory_path() / ("golden_" + std::to_string(::getpid()));
    const std::vector<double> values{0.1, -1.0 / 3.0, 1e-30, 12345.678};
    ASSERT_TRUE(golden::Write(file.string(), values, "made by this test\nsecond line"));
    std::vector<double> back;
    ASSERT_TRUE(golden::Read(file.string(), back));
    EXPECT_EQ(back, values); // full precision, comments skipped
    if (!golden::Regenerating())
        golden::Expect(file.string(), values, 0.0, "");
    fs::remove(file);
}

} // namespace
