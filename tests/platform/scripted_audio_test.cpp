#include <cerrno>
#include <set>

#include <gtest/gtest.h>

#include "platform/audio/audio_device.h"
#include "platform/audio/scripted_audio.h"

namespace {

TEST(AudioErrorText, EveryCodeHasItsOwnText) {
    std::set<std::string> texts;
    for (int code :
         std::initializer_list<int>{VXAudioOK, VXAudioBadDevice, VXAudioNotPrepared,
                                    VXAudioStillQueued, VXAudioNotResponding, VXAudioQueueFull,
                                    VXAudioDeviceFailed, VXAudioBadBuffer, -ENODEV, -EIO, 4242}) {
        const std::string text = VXAudioErrorText(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_LE(text.size(), 256u) << code;
        EXPECT_TRUE(texts.insert(text).second) << code << ": " << text;
    }
    EXPECT_EQ(VXAudioErrorText(-ENODEV), "No such device");
}

void CountDone(void* counter) {
    ++*static_cast<int*>(counter);
}

TEST(ScriptedAudio, CompletesOnlyWhatTheTestHandsBackAndNumbersInput) {
    VXScriptedAudioSystem system({"A", "B"}, {"C"});
    const std::vector<VXAudioDeviceInfo> devices = system.Devices(VXAudioDirection::Input);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_TRUE(devices[1].usable);
    EXPECT_FALSE(devices[2].usable);

    int done = 0;
    std::unique_ptr<VXAudioDevice> device;
    ASSERT_EQ(system.Open(VXAudioDirection::Input, "B", 4, 2, &CountDone, &done, device), 0);
    short data[2][8] = {};
    VXAudioBuffer headers[2] = {{data[0], 16, 0, false}, {data[1], 16, 1, false}};
    for (VXAudioBuffer& h : headers) {
        ASSERT_EQ(device->Prepare(h), VXAudioOK);
        ASSERT_EQ(device->Queue(h), VXAudioOK);
    }
    auto script = system.Last();
    EXPECT_EQ(system.OpenedNames(), std::vector<std::string>{"B"});
    EXPECT_EQ(script->Complete(5), 2);
    EXPECT_EQ(done, 2);
    EXPECT_EQ(data[0][7], 1);
    EXPECT_EQ(data[1][0], 2);
    EXPECT_EQ(device->Close(), VXAudioOK);
    EXPECT_TRUE(script->Closed());
}

} // namespace
