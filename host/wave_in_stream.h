#pragma once

// VXWaveInStream records continuous 16-bit stereo sound at 44100 Hz from an
// audio device into a ring of buffers.
//
// A worker thread hands every filled buffer straight back to the device and
// counts it. A reader on another thread (the engine cycle, on the output
// stream's worker) takes the filled buffers one at a time with
// GetNextBuffer: when it runs ahead of the device it gets the newest buffer
// again, when it falls a whole ring behind it jumps to the newest. A
// returned buffer keeps its sound until the device fills it again,
// BufferCount - 1 buffers later; the reader copies out of it in that window,
// inside LockBuffers / UnlockBuffers.
//
// Start, Stop, the setters, Lock and Unlock belong to one controlling thread.
// Device failures are raised as EWaveInError.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/wave_errors.h"
#include "host/wave_out_stream.h"
#include "platform/audio/audio_device.h"
#include "platform/audio/semaphore.h"

using VXWaveInBufferQueue = VXWaveOutBufferQueue;

class VXWaveInStream {
public:
    // Processes one filled buffer on the worker thread, inside the stream
    // lock, instead of leaving it to GetNextBuffer.
    using ProcessBufferEvent =
        std::function<void(VXWaveInStream* sender, short* buffer, int frames)>;

    explicit VXWaveInStream(VXAudioSystem& system = VXDefaultAudioSystem());
    ~VXWaveInStream();
    VXWaveInStream(const VXWaveInStream&) = delete;
    VXWaveInStream& operator=(const VXWaveInStream&) = delete;

    int BufferCount() const { return bufferCount_; }
    int BufferSize() const { return bufferSize_; }
    void SetBufferCount(int count) { SetBuffers(count, bufferSize_); }
    void SetBufferSize(int size) { SetBuffers(bufferCount_, size); }
    void SetBuffers(int count, int size);

    int Device() const { return device_; }
    void SetDevice(int device);
    int DeviceCount() const { return static_cast<int>(deviceNames_.size()); }
    const std::vector<std::string>& DeviceNames() const { return deviceNames_; }

    // Assign only while the stream is stopped.
    ProcessBufferEvent OnProcessBuffer;

    bool Start();
    // Stops and closes the device; a failure of the device is raised after
    // everything is released.
    void Stop();
    bool Running() const { return running_.load(std::memory_order_acquire); }
    void SetRunning(bool run);

    // Takes the stream lock and the buffer lock for the controlling thread;
    // a second Lock before Unlock does nothing.
    void Lock();
    void Unlock();

    // For the reader: moves to the next filled buffer (see above) and gives
    // it, or null when the device is not delivering. Returns the frames in
    // a buffer.
    int GetNextBuffer(short** buffer);
    // For the reader: keeps the current buffer from being released by Stop
    // while the reader copies from it. True when there is a current buffer
    // (then UnlockBuffers must follow); after Stop the current buffer is null.
    bool LockBuffers();
    void UnlockBuffers();

    int BufferMs() const { return bufferMs_; }
    int LastError() const { return lastError_.load(std::memory_order_acquire); }
    // The worker stopped because the device refused a buffer; Stop raises it.
    bool DeviceFailed() const { return deviceFailed_.load(std::memory_order_acquire); }

private:
    static void DeviceDone(void* semaphore);
    void Worker();
    void Check(int result);
    [[noreturn]] void Throw(int result);
    int ReleaseDevice();

    VXAudioSystem& system_;
    std::vector<std::string> deviceNames_;
    std::vector<std::string> deviceIds_;

    int bufferCount_ = 4;
    int bufferSize_ = 16384;
    int device_ = 0;
    int bufferMs_ = 0;

    std::atomic<bool> running_{false};
    bool uiLocked_ = false;
    std::mutex streamLock_; // indices, the current buffer, `delivering_`
    std::mutex bufferLock_; // held by the reader while it copies

    std::unique_ptr<VXAudioDevice> deviceHandle_;
    VXWaveInBufferQueue queue_;
    VXSemaphore done_;
    VXSemaphore ready_; // one count per filled buffer not yet taken by the reader
    std::thread worker_;

    short* current_ = nullptr;    // guarded by streamLock_
    int writeIndex_ = 0;          // guarded by streamLock_
    int readIndex_ = 0;           // guarded by streamLock_
    bool bufferLockHeld_ = false; // the reader's own
    std::atomic<int> delivering_{0};
    std::atomic<int> runFlag_{0};
    std::atomic<int> lastError_{0};
    std::atomic<bool> deviceFailed_{false};
};
