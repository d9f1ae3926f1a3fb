#pragma once

// The null device "No audio device": it consumes output and delivers silent
// input at the pace of real time without any hardware, so the program can
// play headless. (ALSA's own "null" device swallows sound as fast as it is
// written, which would let a stream spin.)

#include "platform/audio/audio_device.h"

class VXNullAudioSystem : public VXAudioSystem {
public:
    static constexpr const char* DeviceName = "No audio device";

    std::vector<VXAudioDeviceInfo> Devices(VXAudioDirection direction) override;
    int Open(VXAudioDirection direction, const std::string& id, int bufferFrames, int bufferCount,
             VXAudioDoneCallback callback, void* instance,
             std::unique_ptr<VXAudioDevice>& device) override;
};
