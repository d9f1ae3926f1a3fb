#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "contraptions/generators/test_signal_generator.h"
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
