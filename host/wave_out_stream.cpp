#include "host/wave_out_stream.h"

#include <algorithm>
#include <chrono>

#include "platform/audio/realtime.h"

namespace {

using Clock = std::chrono::steady_clock;

int BufferMsFor(int size) {
    return static_cast<int>(size / VXAudioBytesPerFrame * (1.0 / VXAudioSampleRate) * 1000.0 + 1.0);
}

void Fade(short* buffer, int frames, float gain, float step) {
    for (int i = 0; i < frames; ++i) {
        buffer[2 * i] = static_cast<short>(static_cast<float>(buffer[2 * i]) * gain);
        buffer[2 * i + 1] = static_cast<short>(static_cast<float>(buffer[2 * i + 1]) * gain);
        gain += step;
    }
}

} // namespace

void VXFadeIn(short* buffer, int frames) {
    Fade(buffer, frames, 0.0f, 1.0f / static_cast<float>(frames));
}

void VXFadeOut(short* buffer, int frames) {
    Fade(buffer, frames, 1.0f, -1.0f / static_cast<float>(frames));
}

void VXWaveOutBufferQueue::Reset() {
    data_.reset();
    headers_.reset();
    count = 0;
    size = 0;
}

void VXWaveOutBufferQueue::Allocate(int newCount, int newSize) {
    if (data_ != nullptr && newCount == count && newSize == size)
        return;
    count = newCount;
    size = newSize;
    data_ = std::make_unique<short[]>(static_cast<size_t>(count) * static_cast<size_t>(size / 2));
    headers_ = std::make_unique<VXAudioBuffer[]>(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        headers_[static_cast<size_t>(i)] = VXAudioBuffer{Data(i), size, i, false};
}

VXWaveOutStream::VXWaveOutStream(VXAudioSystem& system)
    : system_(system), bufferMs_(BufferMsFor(bufferSize_)) {
    for (const VXAudioDeviceInfo& d : system_.Devices(VXAudioDirection::Output)) {
        if (d.usable) {
            deviceNames_.push_back(d.name);
            deviceIds_.push_back(d.id);
        }
    }
}

VXWaveOutStream::~VXWaveOutStream() {
    try {
        Stop();
    } catch (const EWaveOutError&) {
        // Nobody is left to tell; the device is closed either way.
    }
    Unlock();
}

void VXWaveOutStream::SetBuffers(int count, int size) {
    count = std::clamp(count, 1, MaxBufferCount);
    size = std::clamp(size / VXAudioBytesPerFrame * VXAudioBytesPerFrame, 128, MaxBufferSize);
    if (count == bufferCount_ && size == bufferSize_)
        return;
    const bool wasRunning = Running();
    if (wasRunning)
        Stop();
    queue_.Reset();
    bufferCount_ = count;
    bufferSize_ = size;
    bufferMs_ = BufferMsFor(size);
    if (wasRunning)
        Start();
}

void VXWaveOutStream::SetDevice(int device) {
    if (device < 0 || device >= DeviceCount() || device == device_)
        return;
    device_ = device;
    if (Running()) {
        Stop();
        Start();
    }
}

void VXWaveOutStream::SetRunning(bool run) {
    if (run)
        Start();
    else
        Stop();
}

void VXWaveOutStream::Lock() {
    if (uiLocked_)
        return;
    lock_.lock();
    uiLocked_ = true;
}

void VXWaveOutStream::Unlock() {
    if (!uiLocked_)
        return;
    uiLocked_ = false;
    lock_.unlock();
}

void VXWaveOutStream::SetLocked(bool locked) {
    if (locked)
        Lock();
    else
        Unlock();
}

bool VXWaveOutStream::TakeUnderrun() {
    return underruns_.exchange(0, std::memory_order_acq_rel) != 0;
}

double VXWaveOutStream::Load() const {
    int sum = 0;
    for (const std::atomic<int>& t : refillTimes_)
        sum += t.load(std::memory_order_relaxed);
    return (sum * 0.2) / (bufferSize_ / VXAudioBytesPerFrame * (1.0 / VXAudioSampleRate) * 10000.0);
}

void VXWaveOutStream::DeviceDone(void* semaphore) {
    static_cast<VXSemaphore*>(semaphore)->Release();
}

void VXWaveOutStream::Throw(int result) {
    lastError_.store(result, std::memory_order_release);
    throw EWaveOutError(result, system_.ErrorText(result));
}

void VXWaveOutStream::Check(int result) {
    if (result != VXAudioOK)
        Throw(result);
}

bool VXWaveOutStream::Start() {
    if (Running())
        return true;
    CloseDevice();
    if (device_ < 0 || device_ >= DeviceCount())
        Throw(VXAudioBadDevice);
    queue_.Allocate(bufferCount_, bufferSize_);
    const int frames = bufferSize_ / VXAudioBytesPerFrame;
    Check(system_.Open(VXAudioDirection::Output, deviceIds_[static_cast<size_t>(device_)], frames,
                       bufferCount_, &DeviceDone, &done_, deviceHandle_));
    try {
        Check(deviceHandle_->Pause());
        for (int i = 0; i < bufferCount_; ++i) {
            Check(deviceHandle_->Prepare(queue_.Header(i)));
            short* buffer = queue_.Data(i);
            // Without a handler the stream must play silence, not what an
            // earlier run left in the buffers.
            std::fill(buffer, buffer + 2 * frames, static_cast<short>(0));
            if (OnFillBuffer)
                OnFillBuffer(this, buffer, frames);
        }
        if (rampEnds_)
            VXFadeIn(queue_.Data(0), frames);
        currentIndex_ = 0;
        outstanding_ = 0;
        refillIndex_ = 0;
        drained_ = true;
        for (std::atomic<int>& t : refillTimes_)
            t.store(0, std::memory_order_relaxed);
        runFlag_.store(1, std::memory_order_release);
        rampStopRequested_.store(0, std::memory_order_release);
        underruns_.store(0, std::memory_order_release);
        deviceFailed_.store(false, std::memory_order_release);
        done_.Drain();
        // The buffers are queued before the worker exists, so that
        // `outstanding_` has a single owner from the start.
        for (int i = 0; i < bufferCount_; ++i) {
            Check(deviceHandle_->Queue(queue_.Header(i)));
            ++outstanding_;
        }
        worker_ = std::thread([this] { Worker(); });
        running_.store(true, std::memory_order_release);
        Check(deviceHandle_->Restart());
    } catch (...) {
        ReleaseAfterFailedStart();
        throw;
    }
    return true;
}

void VXWaveOutStream::ReleaseAfterFailedStart() {
    runFlag_.store(0, std::memory_order_release);
    if (deviceHandle_ != nullptr)
        deviceHandle_->Reset();
    if (worker_.joinable())
        worker_.join();
    running_.store(false, std::memory_order_release);
    CloseDevice();
}

int VXWaveOutStream::CloseDevice() {
    if (deviceHandle_ == nullptr)
        return VXAudioOK;
    for (int i = 0; i < queue_.count; ++i)
        if (queue_.Header(i).prepared)
            deviceHandle_->Unprepare(queue_.Header(i));
    const int result = deviceHandle_->Close();
    // A device that refused to close is released all the same: nothing
    // more can be done with it, and its destructor stops it.
    deviceHandle_.reset();
    return result;
}

void VXWaveOutStream::Stop() {
    if (!Running()) {
        CloseDevice();
        return;
    }
    if (uiLocked_) {
        // The caller holds the lock the worker needs: end at once, unfaded.
        running_.store(false, std::memory_order_release);
        runFlag_.store(0, std::memory_order_release);
        Unlock();
    } else if (rampEnds_) {
        rampStopRequested_.store(1, std::memory_order_release);
    } else {
        running_.store(false, std::memory_order_release);
        runFlag_.store(0, std::memory_order_release);
    }
    worker_.join();
    running_.store(false, std::memory_order_release);

    int failure = deviceFailed_.load(std::memory_order_acquire) ? LastError() : VXAudioOK;
    if (!drained_) {
        // The device kept buffers it should have returned long ago.
        deviceHandle_->Reset();
        if (failure == VXAudioOK)
            failure = VXAudioNotResponding;
    }
    const int closed = CloseDevice();
    if (failure != VXAudioOK)
        Throw(failure);
    Check(closed);
}

bool VXWaveOutStream::WriteInWorker(int index) {
    const int result = deviceHandle_->Queue(queue_.Header(index));
    if (result == VXAudioOK)
        return true;
    lastError_.store(result, std::memory_order_release);
    deviceFailed_.store(true, std::memory_order_release);
    return false;
}

void VXWaveOutStream::Worker() {
    VXRequestRealtimePriority(VXStreamThreadPriority);
    const int timeoutMs = 2 * bufferMs_;
    const int count = bufferCount_;
    const int frames = bufferSize_ / VXAudioBytesPerFrame;
    const double bufferUnits = frames * (1.0 / VXAudioSampleRate) * 10000.0;
    const auto yieldTime =
        std::chrono::milliseconds(static_cast<int>(frames * (1.0 / VXAudioSampleRate) * 50.0));

    for (;;) {
        const int got = done_.Acquire(timeoutMs);
        if (got < 0)
            break;
        if (got == 0) {
            // While playing, a quiet device may only be slow. Once a stop was
            // asked for, the next buffer is due within one buffer's time;
            // two without any is a device that stopped answering.
            if (runFlag_.load(std::memory_order_acquire) == 0 ||
                rampStopRequested_.load(std::memory_order_acquire) != 0)
                break;
            continue;
        }
        --outstanding_;
        // Checked before the lock too: a failed Start ends the worker while
        // the controlling thread may hold the lock. (A Stop in that state
        // releases the lock itself.)
        if (runFlag_.load(std::memory_order_acquire) == 0)
            break;
        lock_.lock();
        if (runFlag_.load(std::memory_order_acquire) == 0) {
            lock_.unlock();
            break;
        }

        int extra = 0;
        while (done_.TryAcquire())
            ++extra;
        const bool deviceUnderrun = deviceHandle_->TakeUnderruns() > 0;
        if (extra == count - 1) {
            // Every buffer has come back: the device ran dry. Queue silence
            // in all but one at once, restoring the full depth.
            underruns_.fetch_add(1, std::memory_order_acq_rel);
            outstanding_ -= extra;
            for (int i = 0; i < extra; ++i) {
                short* silent = queue_.Data(currentIndex_);
                std::fill(silent, silent + 2 * frames, static_cast<short>(0));
                if (WriteInWorker(currentIndex_))
                    ++outstanding_;
                currentIndex_ = (currentIndex_ + 1) % count;
            }
        } else {
            if (deviceUnderrun)
                underruns_.fetch_add(1, std::memory_order_acq_rel);
            done_.Release(extra);
        }

        const Clock::time_point started = Clock::now();
        short* buffer = queue_.Data(currentIndex_);
        // Read once, so that the buffer that ends the sound is always the
        // one faded out.
        const bool stopping = rampStopRequested_.load(std::memory_order_acquire) != 0;
        // With two buffers the one just returned is queued first and filled
        // after: the device plays the other one meanwhile. With one buffer
        // there is no other, so it is filled first like with three or more.
        const bool fillAfterWrite = count == 2 && OnFillBuffer;
        if (!OnFillBuffer) {
            std::fill(buffer, buffer + 2 * frames, static_cast<short>(0));
        } else if (!fillAfterWrite) {
            OnFillBuffer(this, buffer, frames);
            if (stopping)
                VXFadeOut(buffer, frames);
        }
        const bool written = WriteInWorker(currentIndex_);
        if (fillAfterWrite) {
            OnFillBuffer(this, buffer, frames);
            if (stopping)
                VXFadeOut(buffer, frames);
        }
        if (written)
            ++outstanding_;
        currentIndex_ = (currentIndex_ + 1) % count;

        const auto elapsed =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - started);
        const int units = static_cast<int>(elapsed.count() / 100000);
        refillTimes_[static_cast<size_t>(refillIndex_)].store(units, std::memory_order_relaxed);
        refillIndex_ = (refillIndex_ + 1) % static_cast<int>(refillTimes_.size());

        if (!written || stopping) {
            runFlag_.store(0, std::memory_order_release);
            lock_.unlock();
            break;
        }
        if (units / bufferUnits > 0.95)
            std::this_thread::sleep_for(yieldTime);
        lock_.unlock();
    }

    // Let everything queued play before the device is closed.
    while (outstanding_ > 0) {
        if (done_.Acquire(timeoutMs) <= 0)
            break;
        --outstanding_;
    }
    drained_ = outstanding_ == 0;
}
