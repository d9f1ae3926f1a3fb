#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "contraptions/generators/testgen.h"
#include "contraptions/mixing/mixers.h"
#include "engine_test_support.h"
#include "framework/contraption_factory.h"
#include "host/audio_engine_module.h"
#include "host/pattern_render.h"
#include "host/sound_out.h"
#include "platform/audio/scripted_audio.h"
#include "signal/noise_seed.h"
#include "signal/wave_file_info.h"

namespace {

// Notes the clock position each block it is processed in.
class ClockProbe : public TestSource {
public:
    using TestSource::TestSource;
    void Process() override {
        ticks.push_back(context->tickPosition.load());
        outs[0] = 0.5f;
    }
    std::vector<double> ticks;
};

class RenderTest : public ::testing::Test {
protected:
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    TAudioEngineModule engine{nullptr, audio, &factory};
    ClockProbe* probe = new ClockProbe(&engine.context);
    TempDir dir;

    void SetUp() override { engine.context.Connect(probe, 0, engine.soundOut, 0, true); }

    static std::uint32_t Le32At(const std::string& path, size_t at) {
        std::ifstream f(path, std::ios::binary);
        std::vector<unsigned char> b((std::istreambuf_iterator<char>(f)), {});
        return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
               (static_cast<std::uint32_t>(b[at + 3]) << 24);
    }
};

TEST_F(RenderTest, OneBarAtTheDefaultTempoFromAStoppedClock) {
    const std::string path = dir / "bar.wav";
    std::vector<double> progress;
    ASSERT_EQ(RenderPattern(engine, path, 0, 1,
                            [&](double p) {
                                progress.push_back(p);
                                return true;
                            }),
              ODRenderStatus::Ok);
    EXPECT_EQ(Le32At(path, 40), 352800u) << "88200 frames";
    EXPECT_EQ(Le32At(path, 4), 352836u);
    EXPECT_EQ(probe->ticks.front(), 0.0);
    EXPECT_EQ(progress.size(), 2u) << "one step per full chunk";
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    EXPECT_FALSE(engine.context.clockRunning);
    EXPECT_EQ(engine.context.tickPosition, 0.0);
}

TEST_F(RenderTest, APreRollStartsTheRecordingOnABarLine) {
    const ODRenderPlan plan = PlanPatternRender(engine, 1, 2);
    EXPECT_EQ(plan.preRollFrames, 98304) << "88200 rounded up to whole chunks, plus one";
    EXPECT_EQ(plan.recordFrames, 176400);
    EXPECT_NEAR(plan.startTick, 7573.0, 0.05);

    engine.context.clockRunning = true;
    engine.context.tickPosition = 12.3;
    const std::string path = dir / "preroll.wav";
    ASSERT_EQ(RenderPattern(engine, path, 1, 2), ODRenderStatus::Ok);
    ASSERT_GT(probe->ticks.size(), 384u);
    EXPECT_DOUBLE_EQ(probe->ticks[0], plan.startTick);
    EXPECT_NEAR(probe->ticks[98304 / 256], 7680.0, 1e-6) << "the first recorded block";
    WaveFileInfo info;
    ReadWaveFileInfo(path, info);
    EXPECT_EQ(info.frames, 176400u);
    // A running clock keeps running from the whole tick at or above where it was.
    EXPECT_TRUE(engine.context.clockRunning);
    EXPECT_EQ(engine.context.tickPosition, 13.0);
}

TEST_F(RenderTest, FailuresAndCancellationPutTheClockBack) {
    EXPECT_EQ(RenderPattern(engine, dir / "no/such/folder/x.wav", 0, 1), ODRenderStatus::FileError);
    EXPECT_FALSE(engine.context.clockRunning);
    EXPECT_EQ(engine.context.tickPosition, 0.0);

    int calls = 0;
    EXPECT_EQ(RenderPattern(engine, dir / "cancel.wav", 2, 4, [&](double) { return ++calls < 2; }),
              ODRenderStatus::Cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(engine.context.clockRunning);

    EXPECT_EQ(RenderPattern(engine, "/dev/full", 0, 1), ODRenderStatus::FileError);
}

// A render that does not complete leaves nothing under its name: no file,
// or the file that was there before, untouched, and no temporary beside
// it. The message gets the system's reason.
TEST_F(RenderTest, AnIncompleteRenderLeavesNoFile) {
    struct Case {
        const char* name;
        bool existing;  // a file of that name was there before
        bool limitSize; // a file-size limit fails the writing midway
        int cancelAt;   // the progress call that cancels; 0 for none
        ODRenderStatus status;
        const char* reason;
    };
    const Case cases[] = {
        {"the disk fills midway", false, true, 0, ODRenderStatus::WriteError, "File too large"},
        {"the disk fills over an older take", true, true, 0, ODRenderStatus::WriteError,
         "File too large"},
        {"cancelled while recording", false, false, 2, ODRenderStatus::Cancelled, ""},
        {"cancelled over an older take", true, false, 2, ODRenderStatus::Cancelled, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path folder = dir.path / "case";
        std::filesystem::create_directory(folder);
        const std::string path = (folder / "take.wav").string();
        const std::string before = "an older take\n";
        if (c.existing)
            std::ofstream(path, std::ios::binary) << before;

        // The limit is what a full disk or a quota does to a write, for
        // whoever runs the test (root included); the signal it raises is
        // ignored, so the write fails with EFBIG instead.
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (c.limitSize) {
            rlimit small = saved;
            small.rlim_cur = 100000;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        int calls = 0;
        std::string reason;
        const ODRenderStatus status = RenderPattern(
            engine, path, 0, 4, [&](double) { return ++calls != c.cancelAt; }, &reason);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_EQ(status, c.status);
        EXPECT_EQ(reason, c.reason);
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left,
                  c.existing ? std::vector<std::string>{"take.wav"} : std::vector<std::string>{});
        if (c.existing) {
            std::ifstream in(path, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before);
        }
        EXPECT_FALSE(engine.context.clockRunning);
        std::filesystem::remove_all(folder);
    }
}

TEST_F(RenderTest, AFileThatCannotBeMadeIsReportedWithTheReason) {
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir / "no/such/folder/x.wav", "No such file or directory"},
        {"/dev/full", "not a regular file"},
        {dir.path.string(), "not a regular file"},
    };
    for (const auto& c : cases) {
        std::string reason;
        EXPECT_EQ(RenderPattern(engine, c.path, 0, 1, {}, &reason), ODRenderStatus::FileError)
            << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
        EXPECT_EQ(ODRenderErrorText(c.path, reason),
                  std::string("An error occurred while saving the file.\n") + c.path + ": " +
                      c.reason);
    }
}

} // namespace

namespace {

// Noise from a generator, and a feedback loop whose limiter adds noise of
// its own: with a fixed seed two renders are identical to the bit.
std::vector<unsigned char> RenderNoise(const std::string& path, unsigned seed) {
    MGSetNoiseSeed(seed);
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    TAudioEngineModule engine(nullptr, audio, &factory);
    auto* gen = new ODTestSignalGenerator();
    gen->InitPropertyInfo();
    gen->SetContext(&engine.context);
    gen->waveform.SetValue(0);
    gen->amplitude.SetValue(0.5);
    auto* mixer = new ODM2Mixer();
    mixer->InitPropertyInfo();
    mixer->SetContext(&engine.context);
    mixer->masterGain.SetValue(1.0);
    mixer->GainProperty(0)->SetValue(1.0);
    mixer->GainProperty(1)->SetValue(0.9);
    engine.context.Connect(gen, 0, mixer, 0, true);
    engine.context.Connect(mixer, 0, mixer, 1, true);
    engine.context.Connect(mixer, 0, engine.soundOut, 0, true);
    EXPECT_EQ(engine.context.limiters.size(), 1u);
    EXPECT_EQ(RenderPattern(engine, path, 0, 1), ODRenderStatus::Ok);
    MGSetNoiseSeed(std::nullopt);
    std::ifstream f(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), {});
}

TEST(RenderSeed, AFixedSeedMakesARenderRepeatable) {
    TempDir dir;
    const auto a = RenderNoise(dir / "a.wav", 42);
    const auto b = RenderNoise(dir / "b.wav", 42);
    const auto c = RenderNoise(dir / "c.wav", 43);
    ASSERT_EQ(a.size(), 44u + 352800);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
}

} // namespace
