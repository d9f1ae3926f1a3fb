#pragma once

// The ALSA devices: "default" first (on a desktop it reaches PipeWire or
// PulseAudio), then the PCM devices ALSA's name hints list that open with
// the program's format.

#include "platform/audio/audio_device.h"

class VXAlsaAudioSystem : public VXAudioSystem {
public:
    std::vector<VXAudioDeviceInfo> Devices(VXAudioDirection direction) override;
    int Open(VXAudioDirection direction, const std::string& id, int bufferFrames, int bufferCount,
             VXAudioDoneCallback callback, void* instance,
             std::unique_ptr<VXAudioDevice>& device) override;

    // ALSA's text for the code; when the calling thread's last failed Open
    // ended with this code, ALSA's own explanation comes first (for example
    // "Unknown PCM default (No such file or directory)").
    std::string ErrorText(int code) override;
};
