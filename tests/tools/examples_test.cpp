// Renders each example document with ondrafel-cli and listens to the result
// as a musician would check it: the pitch of the tone, the level after the
// mixer, the stereo image, a feedback loop that stays within bounds.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "host/wave_out_file.h"
#include "support/signal_analysis.h"

namespace fs = std::filesystem;

namespace {

struct Stereo {
    std::vector<float> left, right;
};

// Renders `document` for `bars` bars and reads the file back.
Stereo Render(const std::string& document, int bars) {
    const fs::path dir = fs::temp_directory_path() /
                         ("ondrafel_examples_" + std::to_string(::getpid()) + "_" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    const std::string out = (dir / "out.wav").string();
    const std::string command = std::string(ONDRAFEL_CLI) + " render '" + ONDRAFEL_EXAMPLES + "/" +
                                document + "' -o '" + out + "' --bars " + std::to_string(bars) +
                                " --seed 1 > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    Stereo s;
    {
        ODWaveOutFile wav(out, 44100, 2, false);
        EXPECT_TRUE(wav.IsOpen());
        if (wav.IsOpen()) {
            std::vector<std::int16_t> data(2 * static_cast<size_t>(wav.length));
            wav.Read(data.data(), wav.length);
            for (size_t i = 0; i < data.size(); i += 2) {
                s.left.push_back(data[i] / 32767.0f);
                s.right.push_back(data[i + 1] / 32767.0f);
            }
        }
    }
    fs::remove_all(dir);
    return s;
}

double Power(const std::vector<float>& x, double hz, size_t from) {
    return analysis::GoertzelPower(x, hz, from);
}

float Peak(const std::vector<float>& x, size_t from) {
    return analysis::Peak(x, from);
}

const size_t kSettled = 44100 / 4; // the generators' volume glides in over a few ms

TEST(Examples, ToneIsA440HertzSineAtTheMixersLevel) {
    const Stereo s = Render("tone.odh", 2);
    ASSERT_EQ(s.left.size(), 2u * 88200);
    EXPECT_GT(Power(s.left, 440, kSettled), 100 * Power(s.left, 415, kSettled));
    EXPECT_GT(Power(s.left, 440, kSettled), 100 * Power(s.left, 466, kSettled));
    // Amplitude 0.5 through a channel gain of 0.8.
    EXPECT_NEAR(Peak(s.left, kSettled), 0.4f, 0.005f);
    EXPECT_EQ(s.left, s.right);
}

TEST(Examples, StereoSceneIsPannedAndUnclipped) {
    const Stereo s = Render("stereo_scene.odh", 2);
    ASSERT_FALSE(s.left.empty());
    // 220 Hz sits to the left, 330 Hz to the right.
    EXPECT_GT(Power(s.left, 220, kSettled), 4 * Power(s.right, 220, kSettled));
    EXPECT_GT(Power(s.right, 330, kSettled), 4 * Power(s.left, 330, kSettled));
    EXPECT_LT(Peak(s.left, 0), 0.99f);
    EXPECT_LT(Peak(s.right, 0), 0.99f);
    EXPECT_GT(Peak(s.left, kSettled), 0.1f);
}

TEST(Examples, FeedbackLoopIsHeldByItsLimiter) {
    const Stereo s = Render("feedback_loop.odh", 8);
    ASSERT_FALSE(s.left.empty());
    for (float v : s.left)
        ASSERT_TRUE(std::isfinite(v));
    // The loop gain is above one, yet the output never reaches the ceiling
    // the limiter clamps to (2.0, halved by the output mixer), and it keeps
    // sounding to the end.
    EXPECT_LE(Peak(s.left, 0), 1.0f);
    const size_t lastSecond = s.left.size() - 44100;
    EXPECT_GT(Peak(s.left, lastSecond), 0.2f);
    EXPECT_GT(Power(s.left, 110, lastSecond), 10 * Power(s.left, 97, lastSecond));
}

} // namespace
