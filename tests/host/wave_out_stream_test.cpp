#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "host/wave_out_stream.h"
#include "platform/audio/scripted_audio.h"
#include "stream_test_support.h"

namespace {

// Buffers this large make the stream's own timeouts (twice a buffer's
// duration, about 12 s) far longer than any pause a loaded machine gives a
// test, so only a device that really stops answering runs into them.
constexpr int LargeBuffer = VXWaveOutStream::MaxBufferSize;
constexpr int LargeFrames = LargeBuffer / 4;

class OutStreamTest : public ::testing::Test {
protected:
    VXScriptedAudioSystem system{{"First", "Second"}, {"Unusable"}};
    VXWaveOutStream stream{system};

    std::mutex mutex;
    std::condition_variable filledMore;
    long framesFilled = 0;
    int fills = 0;
    std::vector<bool> queuedWhenFilled;

    // Fills with the test signal, continuing where the last fill ended.
    void UseTestSignal() {
        stream.OnFillBuffer = [this](VXWaveOutStream*, short* buffer, int frames) {
            std::lock_guard<std::mutex> lock(mutex);
            FillTestSignal(buffer, framesFilled, frames);
            framesFilled += frames;
            auto script = system.Last();
            queuedWhenFilled.push_back(script != nullptr && script->IsQueued(buffer));
            ++fills;
            filledMore.notify_all();
            return frames / 256;
        };
    }

    bool WaitForFills(int n) {
        std::unique_lock<std::mutex> lock(mutex);
        return filledMore.wait_for(lock, std::chrono::seconds(20), [&] { return fills >= n; });
    }

    // Hands back one buffer and waits until the worker has queued one again.
    void PlayOne() {
        auto script = system.Last();
        ASSERT_EQ(script->Complete(1), 1);
        ASSERT_TRUE(script->WaitForQueued(stream.BufferCount()));
    }

    // Stops from another thread while the device keeps handing buffers
    // back, as a playing device does; rethrows what Stop raised.
    void StopWhilePlaying(bool holdingTheLock = false) {
        auto stopped = std::async(std::launch::async, [&] {
            if (holdingTheLock)
                stream.Lock();
            stream.Stop();
        });
        auto script = system.Last();
        while (stopped.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            script->Complete(1);
        stopped.get();
    }
};

TEST_F(OutStreamTest, StartsWithTheDefaultsAndTheUsableDevices) {
    EXPECT_EQ(stream.BufferCount(), 4);
    EXPECT_EQ(stream.BufferSize(), 16384);
    EXPECT_EQ(stream.BufferMs(), 93) << "4096 frames = 92.88 ms, plus 1, truncated";
    EXPECT_TRUE(stream.RampEnds());
    EXPECT_EQ(stream.DeviceNames(), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(stream.Load(), 0.0);

    for (int ignored : {-1, 2, 0}) {
        stream.SetDevice(ignored);
        EXPECT_EQ(stream.Device(), 0);
    }
    stream.SetDevice(1);
    stream.Start();
    EXPECT_EQ(system.OpenedNames(), std::vector<std::string>{"Second"});
}

TEST_F(OutStreamTest, SetBuffersClampsCountAndSize) {
    struct Case {
        int count, size, wantCount, wantSize, wantMs;
    };
    for (const Case& c :
         {Case{0, 100, 1, 128, 1}, Case{20, 16385, 16, 16384, 93}, Case{2, 2050, 2, 2048, 12},
          Case{3, -8, 3, 128, 1}, Case{8, 1 << 30, 8, LargeBuffer, 5945}}) {
        stream.SetBuffers(c.count, c.size);
        EXPECT_EQ(stream.BufferCount(), c.wantCount) << c.count;
        EXPECT_EQ(stream.BufferSize(), c.wantSize) << c.size;
        EXPECT_EQ(stream.BufferMs(), c.wantMs) << c.size;
    }
    stream.SetBufferCount(5);
    stream.SetBufferSize(4096);
    EXPECT_EQ(stream.BufferCount(), 5);
    EXPECT_EQ(stream.BufferSize(), 4096);
}

TEST_F(OutStreamTest, NewBuffersRestartARunningStreamOnlyWhenTheyChange) {
    system.recordPlayed = false;
    stream.SetRampEnds(false);
    stream.SetBuffers(2, LargeBuffer);
    stream.Start();
    stream.SetBuffers(2, LargeBuffer + 3);
    EXPECT_EQ(system.Opened().size(), 1u) << "same after truncation: nothing happens";

    auto changed = std::async(std::launch::async, [&] { stream.SetBuffers(3, LargeBuffer - 4); });
    auto first = system.Opened()[0];
    while (changed.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        first->Complete(1);
    changed.get();
    EXPECT_TRUE(first->Closed());
    ASSERT_EQ(system.Opened().size(), 2u);
    EXPECT_TRUE(stream.Running());
    EXPECT_EQ(system.Last()->bufferCount, 3);
    EXPECT_EQ(system.Last()->bufferFrames, LargeFrames - 1);
    StopWhilePlaying();
}

// The ramped stop lets every queued buffer play; the sound begins with the
// first buffer faded in and ends with the last one faded out, and nothing is
// lost or repeated in between.
TEST_F(OutStreamTest, RampedStopPlaysWhatIsQueuedAndFadesTheEnds) {
    UseTestSignal();
    stream.SetBuffers(4, LargeBuffer);
    ASSERT_TRUE(stream.Start());
    auto script = system.Last();
    EXPECT_EQ(fills, 4) << "every buffer is filled before playing starts";
    EXPECT_EQ(script->QueueLog(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_FALSE(script->Paused());
    PlayOne();
    PlayOne();
    StopWhilePlaying();
    EXPECT_FALSE(stream.Running());
    EXPECT_TRUE(script->Closed());

    const std::vector<std::vector<short>> played = script->Played();
    ASSERT_EQ(static_cast<int>(played.size()), fills) << "every filled buffer is played once";
    for (size_t k = 0; k < played.size(); ++k) {
        std::vector<short> expected = TestSignal(static_cast<long>(k) * LargeFrames, LargeFrames);
        if (k == 0)
            expected = Faded(expected, true);
        if (k + 1 == played.size())
            expected = Faded(expected, false);
        EXPECT_TRUE(played[k] == expected) << "buffer " << k;
    }
    EXPECT_FALSE(stream.TakeUnderrun());
}

TEST_F(OutStreamTest, StopWhileTheCallerHoldsTheLockEndsWithoutFade) {
    UseTestSignal();
    stream.SetBuffers(3, LargeBuffer);
    stream.Start();
    PlayOne();
    StopWhilePlaying(true);
    EXPECT_FALSE(stream.Running());
    const std::vector<std::vector<short>> played = system.Last()->Played();
    ASSERT_GE(played.size(), 4u);
    for (size_t k = 1; k < played.size(); ++k)
        EXPECT_TRUE(played[k] == TestSignal(static_cast<long>(k) * LargeFrames, LargeFrames))
            << "buffer " << k;
    // The lock was released for the worker and is free again.
    stream.Lock();
    stream.Unlock();
}

// With two buffers the one returned is queued first and filled while the
// other plays; with one, three or more it is filled before it is queued.
TEST_F(OutStreamTest, FillsAfterQueueingOnlyWithTwoBuffers) {
    system.recordPlayed = false;
    UseTestSignal();
    for (auto [count, filledWhileQueued] :
         {std::tuple{1, false}, std::tuple{2, true}, std::tuple{3, false}, std::tuple{4, false}}) {
        stream.SetBuffers(count, LargeBuffer);
        fills = 0;
        queuedWhenFilled.clear();
        stream.Start();
        PlayOne();
        ASSERT_TRUE(WaitForFills(count + 1));
        EXPECT_EQ(queuedWhenFilled.back(), filledWhileQueued) << count << " buffers";
        StopWhilePlaying();
    }
}

TEST_F(OutStreamTest, UnderrunRequeuesSilenceInAllButOneBuffer) {
    UseTestSignal();
    stream.SetBuffers(4, LargeBuffer);
    stream.Start();
    auto script = system.Last();
    // Holding the lock keeps the worker from looking before all four are
    // back, as it would be when it is late.
    stream.Lock();
    ASSERT_EQ(script->Complete(4), 4) << "the device ran dry";
    stream.Unlock();
    ASSERT_TRUE(script->WaitForQueued(4));
    EXPECT_TRUE(stream.TakeUnderrun());
    EXPECT_FALSE(stream.TakeUnderrun());
    EXPECT_EQ(script->QueueLog(), (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3}));
    for (int i = 0; i < 4; ++i)
        PlayOne();
    const std::vector<std::vector<short>> played = script->Played();
    const std::vector<short> silence(static_cast<size_t>(LargeFrames) * 2, 0);
    for (size_t k = 4; k < 7; ++k)
        EXPECT_TRUE(played[k] == silence) << "buffer " << k;
    EXPECT_TRUE(played[7] == TestSignal(4L * LargeFrames, LargeFrames))
        << "the sound goes on where it was";
    EXPECT_FALSE(stream.TakeUnderrun()) << "one buffer at a time is no underrun";

    script->ReportUnderrun();
    PlayOne();
    EXPECT_TRUE(stream.TakeUnderrun()) << "the device's own underrun counts too";
    StopWhilePlaying();
}

TEST_F(OutStreamTest, PlaysSilenceWithoutAFillHandler) {
    UseTestSignal();
    stream.SetBuffers(3, LargeBuffer);
    stream.Start();
    StopWhilePlaying();
    stream.OnFillBuffer = nullptr;
    stream.Start();
    PlayOne();
    StopWhilePlaying();
    const std::vector<short> silence(static_cast<size_t>(LargeFrames) * 2, 0);
    const std::vector<std::vector<short>> played = system.Last()->Played();
    ASSERT_GE(played.size(), 4u);
    for (size_t k = 0; k < played.size(); ++k)
        EXPECT_TRUE(played[k] == silence) << "buffer " << k << " holds an earlier run's sound";
}

TEST_F(OutStreamTest, LoadIsTheAverageRefillTimeOverTheBufferDuration) {
    stream.SetBuffers(3, LargeBuffer);
    stream.OnFillBuffer = [](VXWaveOutStream*, short*, int frames) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        return frames / 256;
    };
    stream.Start();
    EXPECT_EQ(stream.Load(), 0.0) << "filling before the start is not measured";
    const double bufferUnits = LargeFrames / 44100.0 * 10000.0;
    PlayOne();
    // One refill of at least 300 units (0.1 ms), averaged over five slots.
    EXPECT_GE(stream.Load(), 300 * 0.2 / bufferUnits);
    for (int i = 0; i < 4; ++i)
        PlayOne();
    EXPECT_GE(stream.Load(), 5 * 300 * 0.2 / bufferUnits);
    StopWhilePlaying();
}

// A device that never hands buffers back must not hold Stop: the stream is
// closed and the failure reported.
TEST_F(OutStreamTest, StopReturnsWhenTheDeviceStopsAnswering) {
    for (bool ramp : {true, false}) {
        stream.SetRampEnds(ramp);
        stream.SetBuffers(4, 128);
        stream.Start();
        auto script = system.Last();
        try {
            stream.Stop();
            ADD_FAILURE() << "no failure reported";
        } catch (const EWaveOutError& e) {
            EXPECT_EQ(e.Code(), VXAudioNotResponding);
            EXPECT_EQ(e.what(), system.ErrorText(VXAudioNotResponding));
        }
        EXPECT_FALSE(stream.Running());
        EXPECT_TRUE(script->Closed());
        EXPECT_EQ(script->QueuedCount(), 0);
    }
}

TEST_F(OutStreamTest, AFailedStartReleasesWhatItOpened) {
    UseTestSignal();
    stream.SetBuffers(3, LargeBuffer);
    system.failOpen = -ENOENT;
    EXPECT_THROW(stream.Start(), EWaveOutError);
    EXPECT_TRUE(system.Opened().empty());

    for (int* failure : {&system.failQueue, &system.failRestart}) {
        *failure = -EIO;
        try {
            stream.Start();
            ADD_FAILURE() << "started";
        } catch (const EWaveOutError& e) {
            EXPECT_EQ(e.Code(), -EIO);
            EXPECT_STREQ(e.what(), "Input/output error");
        }
        *failure = 0;
        EXPECT_FALSE(stream.Running());
        EXPECT_TRUE(system.Last()->Closed());
        EXPECT_EQ(stream.LastError(), -EIO);
    }
    stream.Start();
    EXPECT_TRUE(stream.Running());
    StopWhilePlaying();
}

// A device that refuses buffers while playing (it vanished) ends the
// worker; Stop closes the stream and raises the device's failure.
TEST_F(OutStreamTest, ADeviceThatFailsWhilePlayingIsReportedAtStop) {
    UseTestSignal();
    stream.SetBuffers(4, 128);
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
    } catch (const EWaveOutError& e) {
        EXPECT_EQ(e.Code(), -ENODEV);
    }
    EXPECT_FALSE(stream.Running());
    EXPECT_TRUE(script->Closed());
}

} // namespace
