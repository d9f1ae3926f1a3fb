#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/wave_in_stream.h"
#include "platform/audio/scripted_audio.h"

namespace {

// The scripted device fills the n-th buffer it completes with the number n,
// so a buffer's first sample tells which fill the reader got.
class InStreamTest : public ::testing::Test {
protected:
    VXScriptedAudioSystem system{{"Mic", "Line"}};
    VXWaveInStream stream{system};

    void SetUp() override { stream.SetBuffers(4, 4096); }

    // The device fills `n` buffers, one after the other, each handed back
    // to it by the worker before the next.
    void Fill(int n) {
        auto script = system.Last();
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(script->Complete(1), 1);
            ASSERT_TRUE(script->WaitForQueued(stream.BufferCount()));
        }
    }

    short Next() {
        short* buffer = nullptr;
        EXPECT_EQ(stream.GetNextBuffer(&buffer), 1024);
        return buffer != nullptr ? buffer[0] : -1;
    }
};

TEST_F(InStreamTest, StartsWithTheDefaultsAndClampsBuffers) {
    VXWaveInStream fresh(system);
    EXPECT_EQ(fresh.BufferCount(), 4);
    EXPECT_EQ(fresh.BufferSize(), 16384);
    EXPECT_EQ(fresh.BufferMs(), 93);
    EXPECT_EQ(fresh.DeviceCount(), 2);
    fresh.SetBuffers(0, 100);
    EXPECT_EQ(fresh.BufferCount(), 1);
    EXPECT_EQ(fresh.BufferSize(), 128);
    fresh.SetBuffers(20, 16385);
    EXPECT_EQ(fresh.BufferCount(), 16);
    EXPECT_EQ(fresh.BufferSize(), 16384);
    fresh.SetDevice(5);
    EXPECT_EQ(fresh.Device(), 0);
    fresh.SetDevice(1);
    fresh.Start();
    EXPECT_EQ(system.OpenedNames(), std::vector<std::string>{"Line"});
    EXPECT_EQ(system.Last()->QueueLog().size(), 16u) << "every buffer queued";
    EXPECT_FALSE(system.Last()->Paused());
}

TEST_F(InStreamTest, OneReadPerFilledBufferAdvancesByOne) {
    stream.Start();
    EXPECT_EQ(Next(), 0) << "before the first fill: a silent buffer";
    std::set<short*> seen;
    for (short n = 1; n <= 9; ++n) {
        Fill(1);
        short* buffer = nullptr;
        stream.GetNextBuffer(&buffer);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(buffer[0], n);
        seen.insert(buffer);
    }
    EXPECT_EQ(seen.size(), 4u) << "the reader goes round the ring";
}

TEST_F(InStreamTest, ReadingAheadRepeatsTheNewestAndFallingBehindJumpsToIt) {
    stream.Start();
    Fill(1);
    EXPECT_EQ(Next(), 1);
    EXPECT_EQ(Next(), 1) << "no new buffer: the newest again";
    Fill(2);
    EXPECT_EQ(Next(), 2) << "two behind: one at a time";
    EXPECT_EQ(Next(), 3);
    Fill(5);
    EXPECT_EQ(Next(), 8) << "a whole ring behind: the newest";
    EXPECT_EQ(Next(), 8);
}

TEST_F(InStreamTest, AfterStopTheReaderGetsNoBuffer) {
    stream.Start();
    Fill(1);
    EXPECT_EQ(Next(), 1);
    EXPECT_TRUE(stream.LockBuffers());
    stream.UnlockBuffers();
    stream.Stop();
    EXPECT_FALSE(stream.Running());
    EXPECT_TRUE(system.Last()->Closed());
    EXPECT_FALSE(stream.LockBuffers());
    short* buffer = reinterpret_cast<short*>(1);
    EXPECT_EQ(stream.GetNextBuffer(&buffer), 1024);
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(InStreamTest, StopWhileTheCallerHoldsTheLocks) {
    stream.Start();
    Fill(1);
    stream.Lock();
    stream.Lock();
    stream.Stop();
    EXPECT_FALSE(stream.Running());
    // Both locks are free again: the reader can take them.
    EXPECT_FALSE(stream.LockBuffers());
    EXPECT_EQ(Next(), -1);
}

TEST_F(InStreamTest, ProcessBufferSeesEveryFilledBuffer) {
    std::mutex mutex;
    std::vector<short> seen;
    stream.OnProcessBuffer = [&](VXWaveInStream*, short* buffer, int frames) {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(frames, 1024);
        seen.push_back(buffer[0]);
    };
    stream.Start();
    Fill(6);
    stream.Stop();
    EXPECT_EQ(seen, (std::vector<short>{1, 2, 3, 4, 5, 6}));
}

TEST_F(InStreamTest, AFailedStartReleasesWhatItOpened) {
    system.failRestart = -EIO;
    try {
        stream.Start();
        ADD_FAILURE() << "started";
    } catch (const EWaveInError& e) {
        EXPECT_EQ(e.Code(), -EIO);
        EXPECT_STREQ(e.what(), "Input/output error");
    }
    EXPECT_FALSE(stream.Running());
    EXPECT_TRUE(system.Last()->Closed());
    system.failRestart = 0;
    stream.Start();
    Fill(1);
    EXPECT_EQ(Next(), 1);
}

TEST_F(InStreamTest, ADeviceThatFailsWhileRecordingIsReportedAtStop) {
    stream.Start();
    auto script = system.Last();
    script->FailQueue(-ENODEV);
    ASSERT_EQ(script->Complete(1), 1);
    for (int i = 0; i < 20000 && !stream.DeviceFailed(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(stream.DeviceFailed());
    try {
        stream.Stop();
        ADD_FAILURE() << "no failure reported";
    } catch (const EWaveInError& e) {
        EXPECT_EQ(e.Code(), -ENODEV);
    }
    EXPECT_FALSE(stream.Running());
    EXPECT_TRUE(script->Closed());
}

} // namespace
