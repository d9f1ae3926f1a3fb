#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

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

TEST_F(SoundOutTest, ClosingTheFileMidTakeWritesWhatTheTakeStillHolds) {
    // 70 blocks: one whole chunk of 16384 frames on disk, 1536 frames in memory.
    constexpr int kBlocks = 70;
    SoundOutMaker maker(factory);
    const std::string other = dir / "other.wav";
    struct Case {
        const char* how;
        bool asContraption;
        std::function<void(std::unique_ptr<TQuorlingContraption>&)> close;
    };
    const Case cases[] = {
        {"another output file chosen", false, [&](auto&) { Open(other); }},
        {"the file name emptied", false, [&](auto&) { Open(""); }},
        {"the contraption deleted with its document", true, [](auto& c) { c.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        std::unique_ptr<TQuorlingContraption> contraption;
        if (c.asContraption)
            contraption = maker.CreateContraption(&engine, "SoundOut");
        const std::string path = dir / (std::string(c.how) + ".wav");
        Open(path);
        out.action.SetValue(ODSoundOut::Record);
        Blocks(kBlocks);
        ASSERT_EQ(out.recordState.Value(), ODSoundOut::Recording);
        c.close(contraption);
        EXPECT_EQ(Frames(path), kBlocks * MGBlockSize);
        EXPECT_NE(out.recordState.Value(), ODSoundOut::Recording);
        EXPECT_EQ(out.action.Value(), ODSoundOut::Stop);
        // Nothing of the old take reaches the next file.
        Open(other);
        out.fileMode.SetValue(1);
        out.action.SetValue(ODSoundOut::Record);
        Blocks(1);
        out.action.SetValue(ODSoundOut::Stop);
        Blocks(1);
        EXPECT_EQ(Frames(other), MGBlockSize);
        out.fileMode.SetValue(0);
    }
}

// The program ends (the engine goes) while a take runs.
TEST(SoundOutEngineTest, DestroyingTheEngineMidTakeWritesWhatTheTakeStillHolds) {
    TempDir dir;
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    const std::string path = dir / "exit.wav";
    {
        TAudioEngineModule engine{nullptr, audio, &factory};
        ODSoundOut& out = *engine.soundOut;
        out.outputFile.SetValue(path.c_str());
        out.Reset();
        out.action.SetValue(ODSoundOut::Record);
        for (int i = 0; i < 70; ++i)
            engine.context.ProcessBlock();
        ASSERT_EQ(out.recordState.Value(), ODSoundOut::Recording);
    }
    WaveFileInfo info;
    ReadWaveFileInfo(path, info);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.frames, 70u * MGBlockSize);
}

TEST_F(SoundOutTest, ANewSoundOutShowsNothingOfThePreviousTake) {
    Open(dir / "first.wav");
    out.action.SetValue(ODSoundOut::Record);
    Blocks(494); // 2.87 s
    out.action.SetValue(ODSoundOut::Stop);
    Blocks(2);
    ASSERT_GT(out.fileDuration.Value(), 2800.0);
    ASSERT_GT(out.filePosition.Value(), 2800.0);

    // The next document's SoundOut, made as a load makes it, names no file.
    out.action.SetValue(ODSoundOut::Record); // a press the old patch never processed
    SoundOutMaker maker(factory);
    auto contraption = maker.CreateContraption(&engine, "SoundOut");
    ASSERT_NE(contraption, nullptr);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::NoFile);
    EXPECT_EQ(out.fileDuration.Value(), 0.0);
    EXPECT_EQ(out.filePosition.Value(), 0.0);
    EXPECT_EQ(out.action.Value(), ODSoundOut::Stop);

    // Given a new empty file, it shows that file, not the old one.
    Open(dir / "second.wav");
    EXPECT_EQ(out.fileDuration.Value(), 0.0);
    EXPECT_EQ(out.filePosition.Value(), 0.0);
    Blocks(1);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::Idle) << "no take starts by itself";
    EXPECT_EQ(Frames(dir / "second.wav"), 0);
}

TEST_F(SoundOutTest, ReadingADocumentOnlyOpensNoFile) {
    out.openFiles = false;
    const std::string path = dir / "named.wav";
    Open(path);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::NoFile);
    EXPECT_EQ(out.FileProblem(), "") << "not a problem of the file";
    out.action.SetValue(ODSoundOut::Record);
    Blocks(2);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SoundOutTest, AnUnusableFileSaysWhy) {
    const std::string text = dir / "notes.wav";
    std::FILE* f = std::fopen(text.c_str(), "wb");
    std::fputs("not a sound", f);
    std::fclose(f);
    std::filesystem::create_directories(dir / "folder.wav");
    const struct {
        std::string path;
        std::string problem;
        int error;
    } cases[] = {
        {dir / "missing/x.wav", std::strerror(ENOENT), ENOENT},
        {dir / "folder.wav", std::strerror(EISDIR), EISDIR},
        {text, "not a 16-bit stereo 44100 Hz WAV file", 0},
        {dir / "fine.wav", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Open(c.path);
        EXPECT_EQ(out.FileProblem(), c.problem);
        EXPECT_EQ(out.fileError.load(), c.error);
        EXPECT_EQ(out.recordState.Value(),
                  c.problem.empty() ? ODSoundOut::Idle : ODSoundOut::NoFile);
    }
}

TEST_F(SoundOutTest, AFailedWriteKeepsTheSystemsReason) {
    Open(dir / "full.wav");
    out.action.SetValue(ODSoundOut::Record);
    // Stand in for a full disk: the file may not grow past its header and
    // a little sound.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 44 + 4000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Blocks(ODSoundOut::ChunkFrames / MGBlockSize);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(out.writeFailed.load());
    EXPECT_EQ(out.fileError.load(), EFBIG);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::Idle);
}

} // namespace
