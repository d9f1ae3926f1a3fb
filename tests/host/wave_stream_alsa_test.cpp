// The streams on real ALSA devices that need no sound card (see
// alsa_test_config.h). ALSA's "null" device under them takes and gives
// sound as fast as it is asked, so the output stream meets underruns all the
// time here and fills the gaps with silence; the sound itself must arrive
// complete and unchanged.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/wave_in_stream.h"
#include "host/wave_out_stream.h"
#include "stream_test_support.h"
#include "tests/platform/alsa_test_config.h"

namespace {

int FindDevice(const std::vector<std::string>& names, const std::string& id) {
    auto it = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
        return name.find("(" + id + ")") != std::string::npos;
    });
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

class AlsaStreamTest : public ::testing::Test {
protected:
    const AlsaTestConfig& config = AlsaTestConfig::Install();
};

TEST_F(AlsaStreamTest, PlaysExactlyWhatTheHandlerFilled) {
    constexpr int frames = 4096;
    VXWaveOutStream stream;
    const int device = FindDevice(stream.DeviceNames(), "testout");
    ASSERT_GE(device, 0);
    stream.SetDevice(device);
    stream.SetBuffers(4, frames * 4);

    std::mutex mutex;
    std::condition_variable filledMore;
    long filled = 0;
    stream.OnFillBuffer = [&](VXWaveOutStream*, short* buffer, int n) {
        std::lock_guard<std::mutex> lock(mutex);
        FillTestSignal(buffer, filled, n);
        filled += n;
        filledMore.notify_all();
        return n / 256;
    };
    stream.Start();
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(
            filledMore.wait_for(lock, std::chrono::seconds(20), [&] { return filled >= 44100; }));
    }
    stream.Stop();

    // Cut what ALSA received into buffers: silent ones are the stream's
    // underrun recovery, the others must be the handler's sound in order,
    // the first faded in and the last faded out.
    const std::vector<char> raw = AlsaTestConfig::Read(config.OutFile());
    ASSERT_EQ(raw.size() % (frames * 4), 0u);
    const std::vector<short> silence(frames * 2, 0);
    long next = 0;
    int silent = 0;
    for (size_t offset = 0; offset < raw.size(); offset += frames * 4) {
        std::vector<short> buffer(frames * 2);
        std::memcpy(buffer.data(), raw.data() + offset, frames * 4);
        if (buffer == silence) {
            ++silent;
            continue;
        }
        std::vector<short> expected = TestSignal(next, frames);
        if (next == 0)
            expected = Faded(expected, true);
        if (next + frames == filled)
            expected = Faded(expected, false);
        ASSERT_TRUE(buffer == expected) << "sound from frame " << next;
        next += frames;
    }
    EXPECT_EQ(next, filled) << "every filled buffer was played";
    EXPECT_EQ(silent % 3, 0) << "silence comes in runs of BufferCount - 1";
}

TEST_F(AlsaStreamTest, RecordsWhatTheDeviceDelivers) {
    constexpr int frames = 2048;
    constexpr int buffers = 8;
    const std::vector<short> recorded = TestSignal(0, frames * buffers);
    AlsaTestConfig::Write(config.InFile(), recorded.data(), recorded.size() * 2);

    VXWaveInStream stream;
    const int device = FindDevice(stream.DeviceNames(), "testin");
    ASSERT_GE(device, 0);
    stream.SetDevice(device);
    stream.SetBuffers(4, frames * 4);
    std::mutex mutex;
    std::condition_variable seenMore;
    std::vector<short> seen;
    seen.reserve(recorded.size());
    stream.OnProcessBuffer = [&](VXWaveInStream*, short* buffer, int n) {
        std::lock_guard<std::mutex> lock(mutex);
        if (seen.size() < recorded.size())
            seen.insert(seen.end(), buffer, buffer + 2 * n);
        seenMore.notify_all();
    };
    stream.Start();
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(seenMore.wait_for(lock, std::chrono::seconds(20),
                                      [&] { return seen.size() >= recorded.size(); }));
    }
    stream.Stop();
    EXPECT_TRUE(seen == recorded);
}

TEST_F(AlsaStreamTest, AMissingDeviceRaisesAlsasMessage) {
    VXWaveOutStream out;
    ASSERT_EQ(out.Device(), 0);
    try {
        out.Start();
        ADD_FAILURE() << "started";
    } catch (const EWaveOutError& e) {
        EXPECT_LT(e.Code(), 0);
        EXPECT_NE(std::string(e.what()).find("Unknown PCM nosuchpcm"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(out.Running());

    VXWaveInStream in;
    try {
        in.Start();
        ADD_FAILURE() << "started";
    } catch (const EWaveInError& e) {
        EXPECT_NE(std::string(e.what()).find("Unknown PCM nosuchpcm"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(in.Running());
}

} // namespace
