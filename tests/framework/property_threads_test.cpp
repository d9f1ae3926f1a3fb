// Properties cross threads without a lock: the interface thread sets them
// while the processing thread tests and clears the marks and reads the
// values. Run under ThreadSanitizer by the test script; a race or a read of
// freed memory fails it there.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "signal/property.h"

namespace {

TEST(PropertyThreads, SettingWhileTheProcessorReads) {
    MGDoubleProperty frequency(0.0);
    MGIntProperty steps(0);
    MGCStringProperty path("");
    std::atomic<bool> done{false};
    constexpr int Sets = 20000;

    // Values the interface thread writes: each string is the decimal
    // number n repeated to a length that depends on n, so a torn or freed
    // string is recognised.
    const auto textFor = [](int n) {
        const std::string digits = std::to_string(n);
        std::string text;
        for (int i = 0; i < 1 + n % 13; ++i)
            text += digits + ",";
        return text;
    };

    std::thread interface([&] {
        for (int n = 1; n <= Sets; ++n) {
            frequency.SetValue(static_cast<double>(n));
            steps.SetValue(n);
            path.SetValue(textFor(n).c_str());
        }
        done.store(true, std::memory_order_release);
    });

    // The processing side: a block loop that recomputes on a mark.
    double lastFrequency = 0.0;
    int lastSteps = 0;
    int lastPathNumber = 0;
    int badStrings = 0;
    const auto block = [&] {
        if (frequency.TestAndClearChanged()) {
            const double f = frequency.Value();
            EXPECT_GE(f, lastFrequency) << "values only move forward";
            lastFrequency = f;
        }
        if (steps.TestAndClearChanged()) {
            const int s = steps.Value();
            EXPECT_GE(s, lastSteps);
            lastSteps = s;
        }
        // The string is read in every block, not only after a change, so
        // that reads overlap the writer's replacements as much as possible.
        path.TestAndClearChanged();
        {
            MGCStringProperty::Reading reading(path);
            const char* text = reading.Text();
            const int n = std::atoi(text);
            if (n != 0 && textFor(n) != text)
                ++badStrings;
            if (n < lastPathNumber)
                ++badStrings;
            lastPathNumber = n;
        }
    };
    while (!done.load(std::memory_order_acquire))
        block();
    block();

    interface.join();
    EXPECT_EQ(badStrings, 0);
    // After the last set, the last block saw the final values.
    EXPECT_EQ(lastFrequency, static_cast<double>(Sets));
    EXPECT_EQ(lastSteps, Sets);
    EXPECT_EQ(lastPathNumber, Sets);
}

} // namespace
