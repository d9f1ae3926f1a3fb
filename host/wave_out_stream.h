#pragma once

// VXWaveOutStream plays a continuous stream of 16-bit stereo sound at
// 44100 Hz through an audio device.
//
// A ring of device buffers stays queued; a worker thread refills each one
// the moment the device hands it back, by calling OnFillBuffer while holding
// the stream's lock (the program's graph lock). The worker counts and
// recovers underruns, measures how long each refill takes (the load), yields
// the processor when the load nears the buffer's duration, and the stream
// fades the sound in at start and out at stop.
//
// Start, Stop, the setters, Lock and Unlock belong to one controlling thread
// (the user interface). Device failures are raised as EWaveOutError.

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/wave_errors.h"
#include "platform/audio/audio_device.h"
#include "platform/audio/semaphore.h"

// The buffers of one device: sample memory and device headers, allocated on
// first use and freed whenever the count or size changes.
class VXWaveOutBufferQueue {
public:
    void Reset();
    // Makes `count` zeroed buffers of `size` bytes unless they exist already.
    void Allocate(int count, int size);
    short* Data(int i) { return data_.get() + static_cast<size_t>(i) * (size / 2); }
    VXAudioBuffer& Header(int i) { return headers_[static_cast<size_t>(i)]; }

    int count = 0;
    int size = 0;

private:
    std::unique_ptr<short[]> data_;
    std::unique_ptr<VXAudioBuffer[]> headers_;
};

class VXWaveOutStream {
public:
    // Fills `frames` interleaved stereo frames at `buffer`. Runs on the worker
    // thread inside the lock, or on the thread calling Start while the stream
    // prefills its buffers. The result (the engine's block count) is not used.
    using FillBufferEvent = std::function<int(VXWaveOutStream* sender, short* buffer, int frames)>;

    static constexpr int MaxBufferCount = 16;
    // Larger sizes are cut to this (about 6 s of sound) so that a bad stored
    // setting cannot ask for gigabytes.
    static constexpr int MaxBufferSize = 1 << 20;

    explicit VXWaveOutStream(VXAudioSystem& system = VXDefaultAudioSystem());
    ~VXWaveOutStream();
    VXWaveOutStream(const VXWaveOutStream&) = delete;
    VXWaveOutStream& operator=(const VXWaveOutStream&) = delete;

    int BufferCount() const { return bufferCount_; }
    int BufferSize() const { return bufferSize_; }
    void SetBufferCount(int count) { SetBuffers(count, bufferSize_); }
    void SetBufferSize(int size) { SetBuffers(bufferCount_, size); }
    // Count 1..16; size a multiple of 4 from 128 bytes. A running stream is
    // stopped and started again with the new buffers.
    void SetBuffers(int count, int size);

    // An index into DeviceNames(); out-of-range values are ignored.
    int Device() const { return device_; }
    void SetDevice(int device);
    int DeviceCount() const { return static_cast<int>(deviceNames_.size()); }
    const std::vector<std::string>& DeviceNames() const { return deviceNames_; }

    bool RampEnds() const { return rampEnds_; }
    void SetRampEnds(bool ramp) { rampEnds_ = ramp; }

    // Assign only while the stream is stopped.
    FillBufferEvent OnFillBuffer;

    bool Start();
    // Waits until the queued sound has played. When the device stopped
    // answering, or failed while playing, the stream is closed all the same
    // and the failure is raised afterwards.
    void Stop();
    bool Running() const { return running_.load(std::memory_order_acquire); }
    void SetRunning(bool run);

    // Takes the graph lock for the controlling thread; a second Lock before
    // Unlock does nothing.
    void Lock();
    void Unlock();
    void SetLocked(bool locked);

    // Whether an underrun happened since the last call.
    bool TakeUnderrun();
    // Underruns since Start, without clearing them.
    int Underruns() const { return underruns_.load(std::memory_order_acquire); }
    // Average refill time of the last five buffers over a buffer's duration.
    double Load() const;

    int BufferMs() const { return bufferMs_; }
    int LastError() const { return lastError_.load(std::memory_order_acquire); }
    // The worker stopped because the device refused a buffer (it vanished or
    // broke); Stop will raise the failure.
    bool DeviceFailed() const { return deviceFailed_.load(std::memory_order_acquire); }

private:
    static void DeviceDone(void* semaphore);
    void Worker();
    bool WriteInWorker(int index);
    void Check(int result);
    [[noreturn]] void Throw(int result);
    int CloseDevice();
    void ReleaseAfterFailedStart();

    VXAudioSystem& system_;
    std::vector<std::string> deviceNames_;
    std::vector<std::string> deviceIds_;

    int bufferCount_ = 4;
    int bufferSize_ = 16384;
    int device_ = 0;
    bool rampEnds_ = true;
    int bufferMs_ = 0;

    std::atomic<bool> running_{false};
    bool uiLocked_ = false;
    std::mutex lock_;

    std::unique_ptr<VXAudioDevice> deviceHandle_;
    VXWaveOutBufferQueue queue_;
    VXSemaphore done_;
    std::thread worker_;

    // Owned by the worker while it runs.
    int currentIndex_ = 0;
    int outstanding_ = 0;
    int refillIndex_ = 0;
    bool drained_ = true;

    std::array<std::atomic<int>, 5> refillTimes_{}; // 0.1 ms units
    std::atomic<int> rampStopRequested_{0};
    std::atomic<int> runFlag_{0};
    std::atomic<int> underruns_{0};
    std::atomic<int> lastError_{0};
    std::atomic<bool> deviceFailed_{false};
};

// The fades at the ends of the sound: the gain moves in equal steps of
// 1/frames, from 0 up (in) or from 1 down (out), each sample truncated
// toward zero.
void VXFadeIn(short* buffer, int frames);
void VXFadeOut(short* buffer, int frames);
