#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "framework/contraption_factory.h"
#include "host/audio_engine_module.h"
#include "host/sound_in.h"
#include "host/sound_out.h"
#include "platform/audio/scripted_audio.h"
#include "platform/settings/settings_store.h"

namespace {

// An engine on the scripted device with a source wired to both inlets of
// the sound output.
class EngineTest : public ::testing::Test {
protected:
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    TAudioEngineModule engine{nullptr, audio, &factory};
    TestSource* source = new TestSource(&engine.context, 2);

    void SetUp() override {
        ASSERT_TRUE(engine.context.Connect(source, 0, engine.soundOut, 0, true));
        ASSERT_TRUE(engine.context.Connect(source, 1, engine.soundOut, 1, true));
    }

    std::vector<short> Fill(int frames) {
        std::vector<short> buffer(2 * static_cast<size_t>(frames), 12345);
        engine.OutStreamFillBuffer(nullptr, buffer.data(), frames);
        return buffer;
    }
};

TEST_F(EngineTest, SamplesBecomeSixteenBitsTruncatedAndClipped) {
    struct Case {
        float sample;
        short expected;
    };
    const Case cases[] = {
        {1.0f, 32767},
        {-1.0f, -32767},
        {1.5f, 32767},
        {-1.5f, -32767},
        {0.99999f, 32766},
        {-0.99999f, -32766},
        {0.0f, 0},
        {1e-6f, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::infinity(), 32767},
    };
    for (const Case& c : cases) {
        source->outs[0] = c.sample;
        source->outs[1] = -c.sample;
        const auto b = Fill(MGBlockSize);
        EXPECT_EQ(b[0], c.expected) << c.sample;
        EXPECT_EQ(b[2 * MGBlockSize - 2], c.expected) << c.sample;
        if (c.sample == c.sample) {
            EXPECT_EQ(b[1], static_cast<short>(-c.expected)) << c.sample;
        }
    }
}

TEST_F(EngineTest, FramesBeyondWholeBlocksAreLeftAlone) {
    source->outs[0] = 0.5f;
    std::vector<short> buffer(2 * 300, 777);
    EXPECT_EQ(engine.OutStreamFillBuffer(nullptr, buffer.data(), 300), 1);
    EXPECT_EQ(buffer[2 * 255], 16383);
    EXPECT_EQ(buffer[2 * 256], 777);
}

TEST_F(EngineTest, LevelsFollowThePeakAndDecay) {
    source->outs[0] = 1.0f;
    source->outs[1] = 0.5f;
    Fill(MGBlockSize);
    EXPECT_FLOAT_EQ(engine.outputLevel[0], 32767.0f / 32765.0f);
    EXPECT_FLOAT_EQ(engine.outputLevel[1], 16383.0f / 32765.0f);
    source->outs[0] = 0.0f;
    source->outs[1] = 0.0f;
    Fill(MGBlockSize);
    EXPECT_EQ(engine.outputLevel[0],
              static_cast<float>((32767.0f / 32765.0f) * 0.5952381138223105));
    EXPECT_EQ(engine.outputLevelHistory[0][1], engine.outputLevel[0]);
}

TEST_F(EngineTest, MetersShowTheBlockBeingHeard) {
    engine.OutStream.SetBuffers(4, 16384);
    // Forty-one blocks, each marked by its own level in the left channel.
    for (int b = 0; b < 41; ++b) {
        source->outs[0] = static_cast<float>(b + 1) / 100.0f;
        source->outs[1] = 0.0f;
        Fill(MGBlockSize);
    }
    Fill(4096); // one device buffer: 16 blocks, latency 16 x 2.5
    EXPECT_EQ(engine.latencyBlocks, 40);
    float inL, inR, outL, outR;
    unsigned ticks;
    engine.GetMeterValues(inL, inR, outL, outR, ticks);
    EXPECT_EQ(engine.meterIndex, 57);
    // Slot 57 - 40 = 17 holds the eighteenth block, played at 0.18.
    EXPECT_NEAR(outL, 0.18f, 1e-4f);
    EXPECT_EQ(inL, 0.0f);
}

TEST_F(EngineTest, TheClockShownIsRaisedToAWholeTick) {
    struct Case {
        double tick;
        unsigned shown;
    };
    const Case cases[] = {{0.0, 0}, {0.01, 1}, {7.0, 7}, {7.5, 8}};
    for (const Case& c : cases) {
        engine.context.tickPosition = c.tick;
        const int slot = engine.meterIndex;
        Fill(MGBlockSize);
        EXPECT_EQ(engine.tickHistory[slot], c.shown) << c.tick;
    }
}

TEST_F(EngineTest, WithoutASoundInputTheInputBufferIsStillConsumed) {
    engine.InStream.SetBuffers(4, 2048); // 1024 samples: two blocks per buffer
    engine.inputPosition = 1024;
    Fill(3 * MGBlockSize);
    EXPECT_EQ(engine.inputPosition, 512) << "a buffer fetched for the first and third block";
    for (int i = 0; i < MGBlockSize; ++i)
        ASSERT_EQ(engine.soundIn->left[i], 0.0f);
}

TEST_F(EngineTest, PlaysThePatchThroughTheDevice) {
    engine.OutStream.SetBuffers(3, 2048);
    engine.OutStream.SetRampEnds(false);
    source->outs[0] = 0.25f;
    source->outs[1] = -0.25f;
    engine.StartAudioOut();
    auto script = audio.Last();
    ASSERT_NE(script, nullptr);
    ASSERT_TRUE(script->WaitForQueued(3));
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(script->Complete(1), 1);
        ASSERT_TRUE(script->WaitForQueued(3));
    }
    // A playing device keeps handing buffers back while output stops.
    auto stopped = std::async(std::launch::async, [&] { engine.StopAudioOut(); });
    while (stopped.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        script->Complete(1);
    stopped.get();
    const auto played = script->Played();
    ASSERT_GE(played.size(), 6u);
    for (const auto& buffer : played)
        for (size_t i = 0; i < buffer.size(); i += 2) {
            ASSERT_EQ(buffer[i], 8191);
            ASSERT_EQ(buffer[i + 1], -8191);
        }
    EXPECT_GE(source->blocks, 6 * 2);
}

TEST(EngineSettings, AreReadAtCreationAndWrittenAtTheEnd) {
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    TMemorySettingsStore store;
    store.WriteInteger("OutStream", "BufferSize", 8192);
    store.WriteInteger("OutStream", "BufferCount", 9);
    {
        TAudioEngineModule engine(&store, audio, &factory);
        EXPECT_EQ(engine.OutStream.BufferSize(), 8192);
        EXPECT_EQ(engine.OutStream.BufferCount(), 4) << "9 buffers is out of range";
        EXPECT_GE(engine.InStream.BufferSize(), 8192) << "input at least as large as output";
        engine.OutStream.SetBuffers(3, 4096);
    }
    EXPECT_EQ(store.ReadInteger("OutStream", "BufferSize"), 4096);
    EXPECT_EQ(store.ReadInteger("OutStream", "BufferCount"), 3);
    EXPECT_TRUE(store.ReadInteger("InStream", "BufferCount").has_value());

    store.WriteInteger("InStream", "BufferSize", 2048);
    store.WriteInteger("InStream", "BufferCount", 1);
    TAudioEngineModule engine(&store, audio, &factory);
    EXPECT_EQ(engine.InStream.BufferSize(), 4096) << "raised to the output's size";
    EXPECT_EQ(engine.InStream.BufferCount(), 4);
}

TEST(EngineContraptions, SoundOutAndSoundInAreSingleInstances) {
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    factory.Register<SoundInMaker>();
    factory.Register<SoundOutMaker>();
    TAudioEngineModule engine(nullptr, audio, &factory);
    RecordingMessageBox messages;

    auto out = factory.CreateContraption("SoundOut", &engine, "");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->name, "SoundOut");
    EXPECT_EQ(out->processor, engine.soundOut);
    EXPECT_TRUE(engine.SoundOutPresent());
    EXPECT_EQ(engine.soundOut->recordState.Value(), ODSoundOut::NoFile);
    EXPECT_EQ(factory.CreateContraption("SoundOut", &engine, ""), nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "Object instansiation failed!: Sorry, you are only permitted to "
                                 "create one instance of the SoundOut object.");

    auto in = factory.CreateContraption("SoundIn", &engine, "");
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(engine.SoundInPresent());
    EXPECT_TRUE(engine.CanStartAudioIn());
    engine.SetUseInputFile(true);
    EXPECT_TRUE(engine.InputFileSelected());
    EXPECT_FALSE(engine.CanStartAudioIn());
    EXPECT_EQ(factory.CreateContraption("SoundIn", &engine, ""), nullptr);
    EXPECT_EQ(messages.shown.size(), 2u);

    {
        TGraphLock lock(engine);
        out.reset();
        in.reset();
    }
    EXPECT_FALSE(engine.SoundOutPresent());
    EXPECT_FALSE(engine.SoundInPresent());
    EXPECT_NE(factory.CreateContraption("SoundOut", &engine, ""), nullptr)
        << "a new one may be made";
}

} // namespace
