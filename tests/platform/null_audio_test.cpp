#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "platform/audio/null_audio.h"

namespace {

// Counts the buffers a device hands back.
struct Completions {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;

    static void Done(void* self) {
        auto* c = static_cast<Completions*>(self);
        std::lock_guard<std::mutex> lock(c->mutex);
        ++c->count;
        c->changed.notify_all();
    }
    bool WaitFor(int n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return count >= n; });
    }
};

struct Buffers {
    Buffers(int count, int frames, short fill)
        : data(static_cast<size_t>(count),
               std::vector<short>(static_cast<size_t>(frames) * 2, fill)),
          headers(static_cast<size_t>(count)) {
        for (size_t i = 0; i < headers.size(); ++i)
            headers[i] = VXAudioBuffer{data[i].data(), frames * 4, static_cast<int>(i), false};
    }
    std::vector<std::vector<short>> data;
    std::vector<VXAudioBuffer> headers;
};

TEST(NullAudio, IsOneUsableDeviceInEachDirection) {
    VXNullAudioSystem system;
    for (VXAudioDirection direction : {VXAudioDirection::Output, VXAudioDirection::Input}) {
        const std::vector<VXAudioDeviceInfo> devices = system.Devices(direction);
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0].name, "No audio device");
        EXPECT_TRUE(devices[0].usable);
    }
    Completions done;
    std::unique_ptr<VXAudioDevice> device;
    EXPECT_EQ(
        system.Open(VXAudioDirection::Output, "default", 512, 2, &Completions::Done, &done, device),
        VXAudioBadDevice);
    EXPECT_EQ(device, nullptr);
}

TEST(NullAudio, OutputTakesAsLongAsTheSoundLasts) {
    VXNullAudioSystem system;
    Completions done;
    std::unique_ptr<VXAudioDevice> device;
    ASSERT_EQ(system.Open(VXAudioDirection::Output, "No audio device", 4410, 3, &Completions::Done,
                          &done, device),
              VXAudioOK);
    Buffers buffers(3, 4410, 7);
    for (VXAudioBuffer& b : buffers.headers)
        ASSERT_EQ(device->Prepare(b), VXAudioOK);
    const auto start = std::chrono::steady_clock::now();
    for (VXAudioBuffer& b : buffers.headers)
        ASSERT_EQ(device->Queue(b), VXAudioOK);
    ASSERT_TRUE(done.WaitFor(3));
    // Three buffers of 0.1 s cannot be consumed sooner; a device that does
    // not pace would let the stream spin.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_EQ(device->Close(), VXAudioOK);
}

TEST(NullAudio, InputDeliversSilence) {
    VXNullAudioSystem system;
    Completions done;
    std::unique_ptr<VXAudioDevice> device;
    ASSERT_EQ(system.Open(VXAudioDirection::Input, "No audio device", 256, 2, &Completions::Done,
                          &done, device),
              VXAudioOK);
    Buffers buffers(2, 256, 0x1234);
    for (VXAudioBuffer& b : buffers.headers) {
        ASSERT_EQ(device->Prepare(b), VXAudioOK);
        ASSERT_EQ(device->Queue(b), VXAudioOK);
    }
    ASSERT_EQ(device->Restart(), VXAudioOK);
    ASSERT_TRUE(done.WaitFor(2));
    for (const std::vector<short>& data : buffers.data)
        EXPECT_EQ(data, std::vector<short>(data.size(), 0));
    EXPECT_EQ(device->Close(), VXAudioOK);
}

TEST(NullAudio, ResetHandsBackWhatCloseRefusesToDrop) {
    VXNullAudioSystem system;
    Completions done;
    std::unique_ptr<VXAudioDevice> device;
    ASSERT_EQ(system.Open(VXAudioDirection::Output, "No audio device", 44100, 2, &Completions::Done,
                          &done, device),
              VXAudioOK);
    Buffers buffers(2, 44100, 1);
    VXAudioBuffer unprepared = buffers.headers[0];
    EXPECT_EQ(device->Queue(unprepared), VXAudioNotPrepared);
    VXAudioBuffer odd{buffers.data[0].data(), 6, 0, false};
    EXPECT_EQ(device->Prepare(odd), VXAudioBadBuffer);

    ASSERT_EQ(device->Pause(), VXAudioOK);
    for (VXAudioBuffer& b : buffers.headers) {
        ASSERT_EQ(device->Prepare(b), VXAudioOK);
        ASSERT_EQ(device->Queue(b), VXAudioOK);
    }
    EXPECT_EQ(device->Close(), VXAudioStillQueued);
    EXPECT_EQ(device->Reset(), VXAudioOK);
    EXPECT_EQ(done.count, 2) << "Reset returns every buffer before it returns";
    EXPECT_EQ(device->Close(), VXAudioOK);
}

TEST(NullAudio, CountsRunningDryButNotAResetOrAQueueThatLasts) {
    for (VXAudioDirection direction : {VXAudioDirection::Output, VXAudioDirection::Input}) {
        VXNullAudioSystem system;
        Completions done;
        std::unique_ptr<VXAudioDevice> device;
        ASSERT_EQ(system.Open(direction, "No audio device", 441, 4, &Completions::Done, &done,
                              device),
                  VXAudioOK);
        // Three buffers of 10 ms, then one of 10 s that is still queued
        // when the test looks.
        Buffers shortOnes(3, 441, 0);
        Buffers longOne(1, 441 * 1000, 0);
        std::vector<VXAudioBuffer*> all;
        for (VXAudioBuffer& b : shortOnes.headers)
            all.push_back(&b);
        all.push_back(&longOne.headers[0]);
        for (VXAudioBuffer* b : all) {
            ASSERT_EQ(device->Prepare(*b), VXAudioOK);
            ASSERT_EQ(device->Queue(*b), VXAudioOK);
        }
        ASSERT_EQ(device->Restart(), VXAudioOK);
        ASSERT_TRUE(done.WaitFor(3));
        EXPECT_EQ(device->TakeUnderruns(), 0) << "sound was queued throughout";
        ASSERT_EQ(device->Reset(), VXAudioOK);
        EXPECT_EQ(device->TakeUnderruns(), 0) << "a reset is no underrun";

        // One buffer and nothing after it: the moment to take the next one
        // comes with none there.
        ASSERT_EQ(device->Restart(), VXAudioOK);
        ASSERT_EQ(device->Queue(shortOnes.headers[0]), VXAudioOK);
        ASSERT_TRUE(done.WaitFor(5));
        EXPECT_EQ(device->TakeUnderruns(), 1);
        EXPECT_EQ(device->TakeUnderruns(), 0) << "taken";
        EXPECT_EQ(device->Close(), VXAudioOK);
    }
}

} // namespace
