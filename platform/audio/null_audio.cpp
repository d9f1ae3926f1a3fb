#include "platform/audio/null_audio.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/audio/realtime.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int QueueCapacity = 64;

Clock::duration BufferDuration(const VXAudioBuffer& buffer) {
    const std::int64_t frames = buffer.bytes / VXAudioBytesPerFrame;
    return std::chrono::nanoseconds(frames * 1000000000LL / VXAudioSampleRate);
}

// Consecutive buffers are timed back to back from the moment playing starts,
// so the pace does not drift; when the queue runs dry, the clock starts
// afresh with the next buffer, as a sound card restarts after an underrun.
//
// Running dry is an underrun (an overrun when recording): the clock reached
// the moment to consume the next buffer and none was queued. The device
// counts it, as the ALSA device counts its own, because the stream cannot
// always see it: the buffer it is still filling is not back with it, so it
// never finds all of its buffers returned at once.
class NullDevice final : public VXAudioDevice {
public:
    NullDevice(VXAudioDirection direction, VXAudioDoneCallback callback, void* instance)
        : direction_(direction), callback_(callback), instance_(instance),
          started_(direction == VXAudioDirection::Output) {
        thread_ = std::thread([this] { Run(); });
    }

    ~NullDevice() override {
        Reset();
        Close();
    }

    int Queue(VXAudioBuffer& buffer) override {
        if (!buffer.prepared)
            return VXAudioNotPrepared;
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_)
            return VXAudioDeviceFailed;
        if (count_ == QueueCapacity)
            return VXAudioQueueFull;
        queue_[(head_ + count_) % QueueCapacity] = &buffer;
        ++count_;
        wake_.notify_one();
        return VXAudioOK;
    }

    int Pause() override {
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = false;
        timing_ = false;
        wake_.notify_one();
        return VXAudioOK;
    }

    int Restart() override {
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = true;
        wake_.notify_one();
        return VXAudioOK;
    }

    int Reset() override {
        int returned = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            returned = count_;
            count_ = 0;
            head_ = 0;
            timing_ = false;
            if (direction_ == VXAudioDirection::Input)
                started_ = false;
            wake_.notify_one();
        }
        for (int i = 0; i < returned; ++i)
            callback_(instance_);
        return VXAudioOK;
    }

    int Close() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (count_ > 0)
                return VXAudioStillQueued;
            if (closed_)
                return VXAudioOK;
            closed_ = true;
            wake_.notify_one();
        }
        thread_.join();
        return VXAudioOK;
    }

    int TakeUnderruns() override { return underruns_.exchange(0, std::memory_order_acq_rel); }

private:
    void Run() {
        VXRequestRealtimePriority(VXDeviceThreadPriority);
        std::unique_lock<std::mutex> lock(mutex_);
        while (!closed_) {
            if (!started_ || count_ == 0) {
                timing_ = false;
                wake_.wait(lock);
                continue;
            }
            if (!timing_) {
                end_ = Clock::now() + BufferDuration(*queue_[head_]);
                timing_ = true;
            }
            if (Clock::now() < end_) {
                wake_.wait_until(lock, end_);
                continue;
            }
            VXAudioBuffer* done = queue_[head_];
            head_ = (head_ + 1) % QueueCapacity;
            --count_;
            if (direction_ == VXAudioDirection::Input)
                std::memset(done->data, 0, static_cast<size_t>(done->bytes));
            if (count_ > 0) {
                end_ += BufferDuration(*queue_[head_]);
            } else {
                timing_ = false;
                // Counted before the buffer goes back, so that the stream,
                // which asks once it has the buffer, learns of it at once.
                underruns_.fetch_add(1, std::memory_order_acq_rel);
            }
            lock.unlock();
            callback_(instance_);
            lock.lock();
        }
    }

    const VXAudioDirection direction_;
    const VXAudioDoneCallback callback_;
    void* const instance_;
    // An output device plays what is queued until paused; an input device
    // records only once started.
    bool started_;

    std::mutex mutex_;
    std::condition_variable wake_;
    VXAudioBuffer* queue_[QueueCapacity] = {};
    int head_ = 0;
    int count_ = 0;
    bool closed_ = false;
    bool timing_ = false;
    Clock::time_point end_;
    std::atomic<int> underruns_{0};
    std::thread thread_;
};

} // namespace

std::vector<VXAudioDeviceInfo> VXNullAudioSystem::Devices(VXAudioDirection) {
    return {VXAudioDeviceInfo{DeviceName, DeviceName, true}};
}

int VXNullAudioSystem::Open(VXAudioDirection direction, const std::string& id, int, int,
                            VXAudioDoneCallback callback, void* instance,
                            std::unique_ptr<VXAudioDevice>& device) {
    if (id != DeviceName)
        return VXAudioBadDevice;
    device = std::make_unique<NullDevice>(direction, callback, instance);
    return VXAudioOK;
}
