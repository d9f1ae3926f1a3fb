#include <vector>

#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "framework/contraption_factory.h"
#include "host/audio_engine_module.h"
#include "host/sound_in.h"
#include "host/sound_out.h"
#include "host/wave_out_file.h"
#include "platform/audio/scripted_audio.h"
#include "signal/wave_file_info.h"

namespace {

class SoundOutTest : public ::testing::Test {
protected:
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    TAudioEngineModule engine{nullptr, audio, &factory};
    TestSource* source = new TestSource(&engine.context, 2);
    ODSoundOut& out = *engine.soundOut;
    TempDir dir;

    void SetUp() override {
        engine.context.Connect(source, 0, engine.soundOut, 0, true);
        engine.context.Connect(source, 1, engine.soundOut, 1, true);
        source->outs[0] = 0.5f;
        source->outs[1] = -0.25f;
    }

    void Open(const std::string& path) {
        out.outputFile.SetValue(path.c_str());
        out.Reset();
    }
    void Blocks(int n) {
        for (int i = 0; i < n; ++i)
            engine.context.ProcessBlock();
    }
    static int Frames(const std::string& path) {
        WaveFileInfo info;
        ReadWaveFileInfo(path, info);
        return info.valid ? static_cast<int>(info.frames) : -1;
    }
};

TEST_F(SoundOutTest, WithoutAFileTheInletsStillReachTheSoundCard) {
    Blocks(1);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::NoFile);
    out.action.SetValue(ODSoundOut::Record);
    Blocks(1);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::NoFile);
    EXPECT_EQ(out.Left()[0], 0.5f);
    EXPECT_EQ(out.Right()[0], -0.25f);
}

TEST_F(SoundOutTest, ChoosingAFileThatDoesNotExistCreatesAnEmptyOne) {
    const std::string path = dir / "new.wav";
    Open(path);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::Idle);
    EXPECT_EQ(Frames(path), 0);
    Open(dir / "missing-folder/x.wav");
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::NoFile);
}

TEST_F(SoundOutTest, ATimedTakeStopsInTheFirstBlockPastItsDuration) {
    const std::string path = dir / "timed.wav";
    Open(path);
    out.punchMode.SetValue(ODSoundOut::Timed);
    out.recordDuration.SetValue(1000);
    out.action.SetValue(ODSoundOut::Record);
    int blocks = 0;
    do {
        Blocks(1);
        ++blocks;
    } while (out.recordState.Value() == ODSoundOut::Recording && blocks < 1000);
    EXPECT_EQ(blocks, 173);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::Idle);
    EXPECT_EQ(out.action.Value(), ODSoundOut::Stop);
    EXPECT_EQ(Frames(path), 44288);
    Blocks(1); // the position display follows at the next block
    EXPECT_NEAR(out.fileDuration.Value(), 44288 * 1000.0 / 44100, 1e-9);

    // The samples are the inlets, converted as for the sound card.
    ODWaveOutFile check(path, 44100, 2, false);
    std::vector<std::int16_t> frames(2 * 4);
    check.Read(frames.data(), 4);
    EXPECT_EQ(frames[0], 16383);
    EXPECT_EQ(frames[1], -8191);
}

TEST_F(SoundOutTest, AppendAddsToTheFileAndOverwriteEmptiesItFirst) {
    const std::string path = dir / "takes.wav";
    Open(path);
    auto take = [&](int mode, int blocks) {
        out.fileMode.SetValue(mode);
        out.action.SetValue(ODSoundOut::Record);
        Blocks(blocks);
        out.action.SetValue(ODSoundOut::Stop);
        Blocks(1);
        EXPECT_EQ(out.recordState.Value(), ODSoundOut::Idle);
    };
    take(0, 10);
    EXPECT_EQ(Frames(path), 10 * 256);
    take(0, 70); // past one whole chunk of 16384 frames
    EXPECT_EQ(Frames(path), 80 * 256);
    take(1, 3);
    EXPECT_EQ(Frames(path), 3 * 256);
}

TEST_F(SoundOutTest, PlaybackPlaysEveryFrameThenReturnsToIdle) {
    const std::string path = dir / "play.wav";
    {
        ODWaveOutFile w(path, 44100, 2, true);
        std::vector<std::int16_t> s(2 * 20000);
        for (int i = 0; i < 20000; ++i) {
            s[2 * i] = static_cast<std::int16_t>(i % 1000 + 1);
            s[2 * i + 1] = static_cast<std::int16_t>(-(i % 1000) - 1);
        }
        w.Write(s.data(), 20000);
    }
    Open(path);
    out.action.SetValue(ODSoundOut::Play);
    int played = 0;
    int blocks = 0;
    while (blocks < 200) {
        Blocks(1);
        ++blocks;
        for (int i = 0; i < 256; ++i)
            if (engine.soundOut->playbackLeft[i] != 0.0f)
                ++played;
        if (out.recordState.Value() != ODSoundOut::Playing)
            break;
    }
    EXPECT_EQ(played, 20000);
    EXPECT_EQ(blocks, (20000 + 255) / 256);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::Idle);
    EXPECT_EQ(out.Left()[0], 0.5f) << "the inlets again";
}

TEST_F(SoundOutTest, SoundInSyncRecordsExactlyWhileTheInputFilePlays) {
    const std::string in = dir / "in.wav";
    WriteWav(in, 1, 44100, std::vector<std::int16_t>(44100 / 2, 1000)); // half a second
    engine.soundIn->useADC.SetValue(false);
    engine.soundIn->inputFile.SetValue(in.c_str());
    engine.soundIn->Reset();
    ASSERT_TRUE(engine.soundIn->fileIsGood.Value());
    // The sound input feeds the patch so that it is processed.
    engine.context.Connect(engine.soundIn, 0, engine.soundOut, 0, true);

    const std::string path = dir / "sync.wav";
    Open(path);
    out.punchMode.SetValue(ODSoundOut::FollowSoundIn);
    out.action.SetValue(ODSoundOut::Record);
    Blocks(5);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::WaitingForPunchIn);
    engine.soundIn->active.SetValue(true);
    int blocks = 0;
    while (out.recordState.Value() != ODSoundOut::Idle && blocks < 500) {
        Blocks(1);
        ++blocks;
    }
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::Idle);
    // The take covers the file: 22050 frames, in the blocks that played it.
    EXPECT_EQ(Frames(path), 22050 / 256 * 256 + 256);
}

} // namespace
