#include "platform/audio/audio_device.h"

#include <cstring>

#include "platform/audio/alsa_audio.h"
#include "platform/audio/null_audio.h"

int VXAudioDevice::Prepare(VXAudioBuffer& buffer) {
    if (buffer.data == nullptr || buffer.bytes <= 0 || buffer.bytes % VXAudioBytesPerFrame != 0)
        return VXAudioBadBuffer;
    buffer.prepared = true;
    return VXAudioOK;
}

int VXAudioDevice::Unprepare(VXAudioBuffer& buffer) {
    buffer.prepared = false;
    return VXAudioOK;
}

std::string VXAudioErrorText(int code) {
    switch (code) {
    case VXAudioOK:
        return "The operation completed successfully.";
    case VXAudioBadDevice:
        return "The audio device is not present. Choose another device in the settings.";
    case VXAudioNotPrepared:
        return "An audio buffer was queued before it was prepared.";
    case VXAudioStillQueued:
        return "The audio device still holds queued buffers.";
    case VXAudioNotResponding:
        return "The audio device stopped responding: queued sound did not come back in time. "
               "It was closed; check the device and start audio again.";
    case VXAudioQueueFull:
        return "Too many buffers were queued on the audio device.";
    case VXAudioDeviceFailed:
        return "The audio device failed earlier and can no longer be used. Stop audio and "
               "start it again.";
    case VXAudioBadBuffer:
        return "An audio buffer has no memory or a size that is not a whole number of frames.";
    default:
        break;
    }
    if (code < 0)
        return std::strerror(-code);
    return "Unknown audio device error " + std::to_string(code) + ".";
}

std::string VXAudioSystem::ErrorText(int code) {
    return VXAudioErrorText(code).substr(0, 256);
}

namespace {

// ALSA's devices first, so that a fresh setting (device 0) means ALSA's
// "default"; the null device comes last and is used only when chosen.
class VXPlatformAudioSystem : public VXAudioSystem {
public:
    std::vector<VXAudioDeviceInfo> Devices(VXAudioDirection direction) override {
        std::vector<VXAudioDeviceInfo> devices = alsa.Devices(direction);
        for (VXAudioDeviceInfo& d : null.Devices(direction))
            devices.push_back(std::move(d));
        return devices;
    }

    int Open(VXAudioDirection direction, const std::string& id, int bufferFrames, int bufferCount,
             VXAudioDoneCallback callback, void* instance,
             std::unique_ptr<VXAudioDevice>& device) override {
        VXAudioSystem& system = id == VXNullAudioSystem::DeviceName
                                    ? static_cast<VXAudioSystem&>(null)
                                    : static_cast<VXAudioSystem&>(alsa);
        return system.Open(direction, id, bufferFrames, bufferCount, callback, instance, device);
    }

    std::string ErrorText(int code) override { return alsa.ErrorText(code); }

private:
    VXAlsaAudioSystem alsa;
    VXNullAudioSystem null;
};

} // namespace

VXAudioSystem& VXDefaultAudioSystem() {
    static VXPlatformAudioSystem system;
    return system;
}
