#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "alsa_test_config.h"
#include "platform/audio/alsa_audio.h"

namespace {

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

class AlsaAudioTest : public ::testing::Test {
protected:
    const AlsaTestConfig& config = AlsaTestConfig::Install();
    VXAlsaAudioSystem system;
    Completions done;
    std::unique_ptr<VXAudioDevice> device;
};

// Samples that differ everywhere, so a misplaced or repeated piece shows.
std::vector<short> Pattern(int frames, int seed) {
    std::vector<short> data(static_cast<size_t>(frames) * 2);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<short>((static_cast<int>(i) * 37 + seed * 1009) % 65536 - 32768);
    return data;
}

TEST_F(AlsaAudioTest, ListsDefaultFirstAndTheHintedDevicesButNotAlsaNull) {
    const std::vector<VXAudioDeviceInfo> devices = system.Devices(VXAudioDirection::Output);
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices[0].id, "default");
    EXPECT_TRUE(devices[0].usable) << "offered even where it does not open";
    auto testout = std::find_if(devices.begin(), devices.end(),
                                [](const VXAudioDeviceInfo& d) { return d.id == "testout"; });
    ASSERT_NE(testout, devices.end());
    EXPECT_EQ(testout->name, "Test output (testout)");
    EXPECT_TRUE(testout->usable);
    EXPECT_TRUE(std::none_of(devices.begin(), devices.end(),
                             [](const VXAudioDeviceInfo& d) { return d.id == "null"; }));
}

TEST_F(AlsaAudioTest, OpeningAMissingDeviceGivesAlsasReason) {
    for (const char* name : {"default", "nosuchpcm"}) {
        const int code =
            system.Open(VXAudioDirection::Output, name, 512, 2, &Completions::Done, &done, device);
        EXPECT_LT(code, 0) << name;
        EXPECT_EQ(device, nullptr);
        EXPECT_NE(system.ErrorText(code).find("Unknown PCM nosuchpcm"), std::string::npos)
            << system.ErrorText(code);
    }
}

// Buffers of an odd length, played twice over, arrive in ALSA byte for byte.
TEST_F(AlsaAudioTest, PlaysQueuedBuffersInOrder) {
    constexpr int frames = 1000;
    ASSERT_EQ(system.Open(VXAudioDirection::Output, "testout", frames, 3, &Completions::Done, &done,
                          device),
              VXAudioOK);
    std::vector<std::vector<short>> data;
    std::vector<VXAudioBuffer> headers(3);
    for (int i = 0; i < 3; ++i)
        data.push_back(Pattern(frames, i));
    std::vector<short> expected;
    for (int i = 0; i < 3; ++i) {
        headers[static_cast<size_t>(i)] = {data[static_cast<size_t>(i)].data(), frames * 4, i,
                                           false};
        ASSERT_EQ(device->Prepare(headers[static_cast<size_t>(i)]), VXAudioOK);
    }
    ASSERT_EQ(device->Pause(), VXAudioOK);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(device->Queue(headers[static_cast<size_t>(i)]), VXAudioOK);
        expected.insert(expected.end(), data[static_cast<size_t>(i)].begin(),
                        data[static_cast<size_t>(i)].end());
    }
    ASSERT_EQ(device->Restart(), VXAudioOK);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(done.WaitFor(i + 1));
        const std::vector<short> next = Pattern(frames, 10 + i);
        std::copy(next.begin(), next.end(), data[static_cast<size_t>(i)].begin());
        expected.insert(expected.end(), data[static_cast<size_t>(i)].begin(),
                        data[static_cast<size_t>(i)].end());
        ASSERT_EQ(device->Queue(headers[static_cast<size_t>(i)]), VXAudioOK);
    }
    ASSERT_TRUE(done.WaitFor(6));
    for (VXAudioBuffer& h : headers)
        EXPECT_EQ(device->Unprepare(h), VXAudioOK);
    ASSERT_EQ(device->Close(), VXAudioOK);

    const std::vector<char> raw = AlsaTestConfig::Read(config.OutFile());
    ASSERT_EQ(raw.size(), expected.size() * 2);
    EXPECT_EQ(std::memcmp(raw.data(), expected.data(), raw.size()), 0);
    EXPECT_EQ(device->TakeUnderruns(), 0);
}

TEST_F(AlsaAudioTest, RecordsIntoQueuedBuffersInOrder) {
    constexpr int frames = 700;
    const std::vector<short> recorded = Pattern(frames * 2, 3);
    AlsaTestConfig::Write(config.InFile(), recorded.data(), recorded.size() * 2);
    ASSERT_EQ(system.Open(VXAudioDirection::Input, "testin", frames, 2, &Completions::Done, &done,
                          device),
              VXAudioOK);
    std::vector<short> data(recorded.size(), 0);
    VXAudioBuffer headers[2] = {{data.data(), frames * 4, 0, false},
                                {data.data() + frames * 2, frames * 4, 1, false}};
    for (VXAudioBuffer& h : headers) {
        ASSERT_EQ(device->Prepare(h), VXAudioOK);
        ASSERT_EQ(device->Queue(h), VXAudioOK);
    }
    ASSERT_EQ(device->Restart(), VXAudioOK);
    ASSERT_TRUE(done.WaitFor(2));
    EXPECT_EQ(data, recorded);
    EXPECT_EQ(device->Reset(), VXAudioOK);
    EXPECT_EQ(device->Close(), VXAudioOK);
}

} // namespace
