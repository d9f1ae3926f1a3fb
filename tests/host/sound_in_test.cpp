#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "framework/contraption_factory.h"
#include "host/audio_engine_module.h"
#include "host/sample_conversion.h"
#include "host/sound_in.h"
#include "host/sound_out.h"
#include "platform/audio/scripted_audio.h"

namespace {

// The sound input playing a file into the sound output; Play() collects
// what comes out of its left outlet, in 16-bit sample values.
class SoundInTest : public ::testing::Test {
protected:
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    TAudioEngineModule engine{nullptr, audio, &factory};
    ODSoundIn& in = *engine.soundIn;
    TempDir dir;

    void SetUp() override {
        engine.context.Connect(engine.soundIn, 0, engine.soundOut, 0, true);
        in.useADC.SetValue(false);
    }

    // Samples 1, 2, ... 1000, 1, 2 ... : never zero, so silence stands out.
    static std::vector<std::int16_t> Counting(int n) {
        std::vector<std::int16_t> s(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            s[static_cast<size_t>(i)] = static_cast<std::int16_t>(i % 1000 + 1);
        return s;
    }
    void Load(const std::string& path) {
        in.inputFile.SetValue(path.c_str());
        in.Reset();
        ASSERT_TRUE(in.fileIsGood.Value());
    }
    std::vector<int> Play(int blocks) {
        std::vector<int> out;
        for (int b = 0; b < blocks; ++b) {
            engine.context.ProcessBlock();
            for (int i = 0; i < MGBlockSize; ++i)
                out.push_back(static_cast<int>(in.left[i] * 32768.0f));
        }
        return out;
    }
};

TEST_F(SoundInTest, LoopWithADelayInsertsSilenceBetweenPasses) {
    const std::string path = dir / "second.wav";
    WriteWav(path, 1, 44100, Counting(44100));
    struct Case {
        double delayMs;
        int silence;
    };
    for (const Case& c : {Case{500, 22050}, Case{0, 0}}) {
        Load(path);
        in.loop.SetValue(true);
        in.loopDelay.SetValue(c.delayMs);
        in.active.SetValue(true);
        const auto out = Play((44100 + c.silence + 1000) / 256 + 1);
        SCOPED_TRACE(c.delayMs);
        for (int i : {0, 999, 44099})
            EXPECT_EQ(out[static_cast<size_t>(i)], i % 1000 + 1);
        for (int i = 44100; i < 44100 + c.silence; ++i)
            ASSERT_EQ(out[static_cast<size_t>(i)], 0) << i;
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(out[static_cast<size_t>(44100 + c.silence + i)], i + 1) << i;
        EXPECT_TRUE(in.active.Value());
    }
}

TEST_F(SoundInTest, ThePauseShowsTheWholeDurationAndAHalfRateFilePlaysInItsOwnTime) {
    const std::string path = dir / "half-rate.wav";
    WriteWav(path, 1, 22050, Counting(22050)); // one second at 22050 Hz
    Load(path);
    EXPECT_DOUBLE_EQ(in.duration.Value(), 1000.0);
    in.active.SetValue(true);
    const auto out = Play(22050 / 256 + 2);
    // Played at the engine's rate: the second lasts half a second.
    EXPECT_EQ(out[22049], 22049 % 1000 + 1);
    EXPECT_EQ(out[22050], 0);
    EXPECT_FALSE(in.active.Value());
    EXPECT_DOUBLE_EQ(in.location.Value(), 1000.0) << "positions in the file's own time";

    // A seek to 500 ms of the file's time lands on frame 11025.
    in.location.SetValue(500.0);
    in.active.SetValue(true);
    const auto after = Play(1);
    EXPECT_EQ(after[0], 11025 % 1000 + 1);
}

TEST_F(SoundInTest, AFileShorterThanItsBufferPlaysToItsLastSample) {
    const std::string path = dir / "short.wav";
    WriteWav(path, 2, 44100, Counting(2 * 3000)); // 3000 stereo frames
    Load(path);
    in.autoRewind.SetValue(true);
    in.active.SetValue(true);
    const auto out = Play(3000 / 256 + 2);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[2999], (2 * 2999) % 1000 + 1);
    EXPECT_EQ(out[3000], 0);
    EXPECT_FALSE(in.active.Value());
    EXPECT_EQ(in.location.Value(), 0.0) << "auto-rewind";

    // Played again, it starts from the beginning.
    in.active.SetValue(true);
    EXPECT_EQ(Play(1)[0], 1);
}

TEST_F(SoundInTest, TheDeviceIsTheSourceUnlessAFileIsChosen) {
    in.useADC.SetValue(true);
    std::vector<std::int16_t> device(2 * 512);
    for (size_t i = 0; i < device.size(); ++i)
        device[i] = static_cast<std::int16_t>(i % 2 ? -16384 : 16384);
    in.ReadDeviceBlock(device.data(), 512);
    EXPECT_EQ(in.left[0], 0.5f);
    EXPECT_EQ(in.right[255], -0.5f);
    EXPECT_FLOAT_EQ(engine.inputLevel[0], 16384.0f / 32766.0f);
    in.ReadDeviceBlock(nullptr, 0); // input stopped
    EXPECT_EQ(in.left[0], 0.0f);

    in.useADC.SetValue(false);
    in.left = 0.25f;
    in.ReadDeviceBlock(device.data(), 0);
    EXPECT_EQ(in.left[0], 0.25f) << "the file is the source: the device block is ignored";
}

TEST_F(SoundInTest, FilesThatCannotPlayAreNotOffered) {
    const std::string good = dir / "good.wav";
    WriteWav(good, 1, 44100, Counting(100));
    Load(good);
    const std::string bad = dir / "bad.wav";
    WriteWav(bad, 1, 0, Counting(100)); // no sample rate
    in.inputFile.SetValue(bad.c_str());
    in.Reset();
    EXPECT_FALSE(in.fileIsGood.Value());
    in.active.SetValue(true);
    const auto out = Play(1);
    EXPECT_EQ(out[0], 0);
}

TEST_F(SoundInTest, ALoopDelayFromADocumentIsHeldToTheWindowsRange) {
    // Longer than the two halves filled at the start, so that the pass ends
    // in a refill of its own.
    constexpr int kFile = 100000;
    const std::string path = dir / "long.wav";
    WriteWav(path, 1, 44100, Counting(kFile));
    constexpr int kMaxSilence = 20 * 44100; // the window's 20 s
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double delayMs;
        int silence;
    };
    for (const Case& c : {Case{-500, 0}, Case{nan, 0}, Case{-inf, 0}, Case{inf, kMaxSilence},
                          Case{1e12, kMaxSilence}}) {
        SCOPED_TRACE(c.delayMs);
        Load(path);
        in.loop.SetValue(true);
        in.loopDelay.SetValue(c.delayMs);
        in.active.SetValue(true);
        const auto out = Play((kFile + c.silence + 1000) / MGBlockSize + 1);
        ASSERT_EQ(out[kFile - 1], kFile % 1000 == 0 ? 1000 : kFile % 1000);
        for (int i = kFile; i < kFile + c.silence; ++i)
            ASSERT_EQ(out[static_cast<size_t>(i)], 0) << i;
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(out[static_cast<size_t>(kFile + c.silence + i)], i + 1)
                << "second pass " << i;
        in.active.SetValue(false);
    }
}

TEST_F(SoundInTest, AFileThatCannotPlaySaysWhy) {
    const std::string good = dir / "good.wav";
    WriteWav(good, 2, 44100, Counting(200));
    const std::string eightBit = dir / "eight.wav";
    WriteWav(eightBit, 1, 44100, Counting(100));
    {
        // Rewrite the bits per sample: 8-bit PCM is not played.
        std::FILE* f = std::fopen(eightBit.c_str(), "rb+");
        std::fseek(f, 34, SEEK_SET);
        std::fputc(8, f);
        std::fclose(f);
    }
    const std::string text = dir / "text.wav";
    std::FILE* f = std::fopen(text.c_str(), "wb");
    std::fputs("hello", f);
    std::fclose(f);
    std::filesystem::create_directories(dir / "folder.wav");
    const struct {
        std::string path;
        std::string problem;
    } cases[] = {
        {good, ""},
        {dir / "missing.wav", std::strerror(ENOENT)},
        {dir / "folder.wav", std::strerror(EISDIR)},
        {text, "not a 16-bit PCM WAV file"},
        {eightBit, "not a 16-bit PCM WAV file"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        in.inputFile.SetValue(c.path.c_str());
        in.Reset();
        EXPECT_EQ(in.FileProblem(), c.problem);
        EXPECT_EQ(in.fileIsGood.Value(), c.path == good);
    }
}

} // namespace
