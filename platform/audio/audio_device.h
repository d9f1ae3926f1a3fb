#pragma once

// The audio device layer: what the output and input streams need from a
// sound system, in the shape of a classic waveform-audio interface.
//
// A device is opened with the program's one format (44100 Hz, 2 channels,
// signed 16-bit, interleaved) and a completion callback. The caller owns the
// buffers; it prepares each one once, then queues it again and again. The
// device hands queued buffers back in queue order by calling the callback
// once per buffer, from a thread of its own: an output buffer when the device
// has consumed its samples, an input buffer when the device has filled it.
// The callback must not block; the streams only release a semaphore in it.
//
// Every call returns a result code: VXAudioOK, a negative ALSA (errno) code,
// or one of the layer's own codes below. VXAudioSystem::ErrorText gives the
// text for any of them.

#include <memory>
#include <string>
#include <vector>

inline constexpr int VXAudioSampleRate = 44100;
inline constexpr int VXAudioChannels = 2;
inline constexpr int VXAudioBytesPerFrame = 4;

enum class VXAudioDirection { Output, Input };

enum VXAudioResult : int {
    VXAudioOK = 0,
    VXAudioBadDevice = 1001,     // no device with that name
    VXAudioNotPrepared = 1002,   // queueing a buffer that was never prepared
    VXAudioStillQueued = 1003,   // closing or unpreparing while buffers are queued
    VXAudioNotResponding = 1004, // queued buffers did not come back in time
    VXAudioQueueFull = 1005,     // more buffers queued than a device can hold
    VXAudioDeviceFailed = 1006,  // an earlier failure ended the device
    VXAudioBadBuffer = 1007,     // a buffer without data or of a size that is no whole frame
};

// Called once for every buffer the device hands back. `instance` is what was
// given to Open.
using VXAudioDoneCallback = void (*)(void* instance);

// The device's header of one buffer.
struct VXAudioBuffer {
    short* data = nullptr;
    int bytes = 0;
    int user = 0;          // the caller's own value (the streams put the ring index here)
    bool prepared = false; // set and cleared by the device
};

class VXAudioDevice {
public:
    // A device still open is reset and closed.
    virtual ~VXAudioDevice() = default;

    // Makes a buffer known to the device before it is queued; its memory must
    // stay valid until Unprepare.
    virtual int Prepare(VXAudioBuffer& buffer);
    virtual int Unprepare(VXAudioBuffer& buffer);

    // Output: queue the buffer for playing. Input: queue it to be filled.
    // Never allocates; safe to call from a real-time thread.
    virtual int Queue(VXAudioBuffer& buffer) = 0;

    // Output: hold playing / continue. Input: stop / start recording.
    virtual int Pause() = 0;
    virtual int Restart() = 0;

    // Stops the device and hands every queued buffer back through the
    // callback before returning.
    virtual int Reset() = 0;

    // Closes the device; refused with VXAudioStillQueued while buffers are
    // queued. After a successful Close only destruction is left.
    virtual int Close() = 0;

    // Underruns (output) or overruns (input) the device recovered from on its
    // own since the last call. An output device reports only those that
    // happened while it still held queued sound, which the stream cannot see
    // by itself.
    virtual int TakeUnderruns() = 0;
};

struct VXAudioDeviceInfo {
    std::string name; // what the user sees
    std::string id;   // what Open takes
    bool usable = false;
};

class VXAudioSystem {
public:
    virtual ~VXAudioSystem() = default;

    // The devices of one direction, in the system's order.
    virtual std::vector<VXAudioDeviceInfo> Devices(VXAudioDirection direction) = 0;

    // Opens the device `id` with the fixed format. The stream's buffer size
    // and count let a device size its own buffering to match.
    virtual int Open(VXAudioDirection direction, const std::string& id, int bufferFrames,
                     int bufferCount, VXAudioDoneCallback callback, void* instance,
                     std::unique_ptr<VXAudioDevice>& device) = 0;

    // The text for a result code, at most 256 characters.
    virtual std::string ErrorText(int code);
};

// The text of the layer's own codes and of negative (errno) codes.
std::string VXAudioErrorText(int code);

// The system the program plays through: the ALSA devices, then the paced
// null device "No audio device".
VXAudioSystem& VXDefaultAudioSystem();
