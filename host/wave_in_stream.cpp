#include "host/wave_in_stream.h"

#include <algorithm>

#include "platform/audio/realtime.h"

namespace {

int BufferMsFor(int size) {
    return static_cast<int>(size / VXAudioBytesPerFrame * (1.0 / VXAudioSampleRate) * 1000.0 + 1.0);
}

} // namespace

VXWaveInStream::VXWaveInStream(VXAudioSystem& system)
    : system_(system), bufferMs_(BufferMsFor(bufferSize_)) {
    for (const VXAudioDeviceInfo& d : system_.Devices(VXAudioDirection::Input)) {
        if (d.usable) {
            deviceNames_.push_back(d.name);
            deviceIds_.push_back(d.id);
        }
    }
}

VXWaveInStream::~VXWaveInStream() {
    try {
        Stop();
    } catch (const EWaveInError&) {
        // Nobody is left to tell; the device is closed either way.
    }
    Unlock();
}

void VXWaveInStream::SetBuffers(int count, int size) {
    count = std::clamp(count, 1, VXWaveOutStream::MaxBufferCount);
    size = std::clamp(size / VXAudioBytesPerFrame * VXAudioBytesPerFrame, 128,
                      VXWaveOutStream::MaxBufferSize);
    if (count == bufferCount_ && size == bufferSize_)
        return;
    const bool wasRunning = Running();
    if (wasRunning)
        Stop();
    {
        // The reader may ask for a buffer at any time, running or not.
        std::unique_lock<std::mutex> lock(streamLock_, std::defer_lock);
        if (!uiLocked_)
            lock.lock();
        queue_.Reset();
        bufferCount_ = count;
        bufferSize_ = size;
        bufferMs_ = BufferMsFor(size);
    }
    if (wasRunning)
        Start();
}

void VXWaveInStream::SetDevice(int device) {
    if (device < 0 || device >= DeviceCount() || device == device_)
        return;
    device_ = device;
    if (Running()) {
        Stop();
        Start();
    }
}

void VXWaveInStream::SetRunning(bool run) {
    if (run)
        Start();
    else
        Stop();
}

void VXWaveInStream::Lock() {
    if (uiLocked_)
        return;
    streamLock_.lock();
    bufferLock_.lock();
    uiLocked_ = true;
}

void VXWaveInStream::Unlock() {
    if (!uiLocked_)
        return;
    uiLocked_ = false;
    bufferLock_.unlock();
    streamLock_.unlock();
}

void VXWaveInStream::DeviceDone(void* semaphore) {
    static_cast<VXSemaphore*>(semaphore)->Release();
}

void VXWaveInStream::Throw(int result) {
    lastError_.store(result, std::memory_order_release);
    throw EWaveInError(result, system_.ErrorText(result));
}

void VXWaveInStream::Check(int result) {
    if (result != VXAudioOK)
        Throw(result);
}

bool VXWaveInStream::Start() {
    if (Running())
        return true;
    ReleaseDevice();
    if (device_ < 0 || device_ >= DeviceCount())
        Throw(VXAudioBadDevice);
    {
        std::unique_lock<std::mutex> lock(streamLock_, std::defer_lock);
        if (!uiLocked_)
            lock.lock();
        queue_.Allocate(bufferCount_, bufferSize_);
        // The reader starts just before buffer 0, the first one filled.
        writeIndex_ = 0;
        readIndex_ = bufferCount_ - 1;
        current_ = nullptr;
    }
    const int frames = bufferSize_ / VXAudioBytesPerFrame;
    Check(system_.Open(VXAudioDirection::Input, deviceIds_[static_cast<size_t>(device_)], frames,
                       bufferCount_, &DeviceDone, &done_, deviceHandle_));
    try {
        for (int i = 0; i < bufferCount_; ++i)
            Check(deviceHandle_->Prepare(queue_.Header(i)));
        for (int i = 0; i < bufferCount_; ++i) {
            short* buffer = queue_.Data(i);
            std::fill(buffer, buffer + 2 * frames, static_cast<short>(0));
            Check(deviceHandle_->Queue(queue_.Header(i)));
        }
        bufferLockHeld_ = false;
        delivering_.store(0, std::memory_order_release);
        runFlag_.store(1, std::memory_order_release);
        deviceFailed_.store(false, std::memory_order_release);
        done_.Drain();
        ready_.Drain();
        worker_ = std::thread([this] { Worker(); });
        running_.store(true, std::memory_order_release);
        Check(deviceHandle_->Restart());
        delivering_.store(1, std::memory_order_release);
    } catch (...) {
        // Release what was opened, instead of leaving it for the next Start.
        runFlag_.store(0, std::memory_order_release);
        if (worker_.joinable()) {
            done_.Release();
            worker_.join();
        }
        running_.store(false, std::memory_order_release);
        ReleaseDevice();
        throw;
    }
    return true;
}

int VXWaveInStream::ReleaseDevice() {
    if (deviceHandle_ == nullptr)
        return VXAudioOK;
    int result = deviceHandle_->Reset();
    for (int i = 0; i < queue_.count; ++i) {
        if (queue_.Header(i).prepared) {
            const int r = deviceHandle_->Unprepare(queue_.Header(i));
            result = result != VXAudioOK ? result : r;
        }
    }
    const int closed = deviceHandle_->Close();
    deviceHandle_.reset();
    return result != VXAudioOK ? result : closed;
}

void VXWaveInStream::Stop() {
    if (!Running())
        return;
    if (uiLocked_) {
        delivering_.store(0, std::memory_order_release);
        runFlag_.store(0, std::memory_order_release);
        Unlock();
    } else {
        std::lock_guard<std::mutex> lock(streamLock_);
        delivering_.store(0, std::memory_order_release);
        runFlag_.store(0, std::memory_order_release);
    }
    {
        // A reader still copying out of a buffer finishes first.
        std::lock_guard<std::mutex> lock(bufferLock_);
    }
    const int paused = deviceHandle_->Pause();
    done_.Release();
    worker_.join();
    running_.store(false, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(streamLock_);
        current_ = nullptr;
    }
    const int released = ReleaseDevice();
    if (deviceFailed_.load(std::memory_order_acquire))
        Throw(LastError());
    Check(paused);
    Check(released);
}

int VXWaveInStream::GetNextBuffer(short** buffer) {
    int filled = 0;
    while (ready_.TryAcquire())
        ++filled;
    std::lock_guard<std::mutex> lock(streamLock_);
    if (delivering_.load(std::memory_order_acquire) != 0) {
        const int count = bufferCount_;
        if (filled == 0 || filled >= count) {
            // Ahead of the device, or a whole ring behind: the newest buffer.
            readIndex_ = writeIndex_ == 0 ? count - 1 : writeIndex_ - 1;
        } else {
            readIndex_ = (readIndex_ + 1) % count;
            if (filled > 1)
                ready_.Release(filled - 1);
        }
        current_ = queue_.Data(readIndex_);
    } else {
        current_ = nullptr;
    }
    *buffer = current_;
    return bufferSize_ / VXAudioBytesPerFrame;
}

bool VXWaveInStream::LockBuffers() {
    std::lock_guard<std::mutex> lock(streamLock_);
    if (delivering_.load(std::memory_order_acquire) != 0) {
        if (current_ != nullptr && !bufferLockHeld_) {
            bufferLock_.lock();
            bufferLockHeld_ = true;
        }
    } else {
        current_ = nullptr;
    }
    return bufferLockHeld_;
}

void VXWaveInStream::UnlockBuffers() {
    // Only the reader touches bufferLockHeld_, so the stream lock is not
    // needed here; taking it while holding the buffer lock would invert the
    // order Lock() takes them in.
    if (bufferLockHeld_) {
        bufferLockHeld_ = false;
        bufferLock_.unlock();
    }
}

void VXWaveInStream::Worker() {
    VXRequestRealtimePriority(VXStreamThreadPriority);
    const int timeoutMs = 2 * bufferMs_;
    const int count = bufferCount_;
    const int frames = bufferSize_ / VXAudioBytesPerFrame;
    for (;;) {
        const int got = done_.Acquire(timeoutMs);
        if (got < 0)
            break;
        if (got == 0) {
            if (runFlag_.load(std::memory_order_acquire) == 0)
                break;
            continue;
        }
        // Checked before the lock too: a failed Start ends the worker while
        // the controlling thread may hold the lock.
        if (runFlag_.load(std::memory_order_acquire) == 0)
            break;
        std::lock_guard<std::mutex> lock(streamLock_);
        if (runFlag_.load(std::memory_order_acquire) == 0)
            break;
        if (OnProcessBuffer) {
            current_ = queue_.Data(writeIndex_);
            OnProcessBuffer(this, current_, frames);
        } else {
            ready_.Release();
        }
        const int result = deviceHandle_->Queue(queue_.Header(writeIndex_));
        writeIndex_ = (writeIndex_ + 1) % count;
        if (result != VXAudioOK) {
            // Raising here would end the program; Stop raises it instead.
            lastError_.store(result, std::memory_order_release);
            deviceFailed_.store(true, std::memory_order_release);
            break;
        }
    }
}
