#include "platform/audio/alsa_audio.h"

// How an ALSA device plays the streams' buffers.
//
// A device thread copies the queued buffers, in order and in small pieces,
// into a short ALSA ring (four periods of at most 512 frames), keeping it
// full. A buffer comes back as soon as its last frame has gone into the ring:
// the sound it holds is then already on its way, and the buffer may be
// filled again. Because the copy moves through a buffer at the pace of
// real time, the stream's two-buffer scheme holds: the buffer it queues
// before filling is not read before the one queued ahead of it is used up.
// The latency is the queued buffers plus the short ring.
//
// Input works the other way round: the thread reads what ALSA has recorded
// into the oldest queued buffer and hands it back when it is full.
//
// All ALSA calls are made under the device's lock, by the device thread or
// by the caller of Pause, Restart, Reset and Close. Queue only appends to a
// small list under a second lock that no ALSA call holds, and wakes the
// thread through an eventfd.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/audio/realtime.h"

namespace {

constexpr int QueueCapacity = 64;
constexpr int MaxPollDescriptors = 8;
constexpr int RingPeriods = 4;

// ALSA reports the reason for a failure through its error handler; the
// program keeps the last message of each thread instead of printing it.
thread_local char lastMessage[200];
thread_local char failedMessage[200];
thread_local int failedCode = 0;

void KeepAlsaMessage(const char*, int, const char*, int, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(lastMessage, sizeof lastMessage, format, args);
    va_end(args);
}

void InstallErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(KeepAlsaMessage); });
    lastMessage[0] = '\0';
}

int RememberFailure(int code) {
    failedCode = code;
    std::memcpy(failedMessage, lastMessage, sizeof failedMessage);
    return code;
}

snd_pcm_stream_t StreamOf(VXAudioDirection direction) {
    return direction == VXAudioDirection::Output ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
}

// Restricts `hw` to the program's format.
int SetFormat(snd_pcm_t* pcm, snd_pcm_hw_params_t* hw) {
    int err = snd_pcm_hw_params_any(pcm, hw);
    if (err >= 0)
        err = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err >= 0)
        err = snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE);
    if (err >= 0)
        err = snd_pcm_hw_params_set_channels(pcm, hw, VXAudioChannels);
    if (err >= 0)
        err = snd_pcm_hw_params_set_rate(pcm, hw, VXAudioSampleRate, 0);
    return err;
}

bool Usable(const std::string& name, VXAudioDirection direction) {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), StreamOf(direction), SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    const bool usable = SetFormat(pcm, hw) >= 0;
    snd_pcm_close(pcm);
    return usable;
}

std::string HintText(void* hint, const char* id) {
    char* value = snd_device_name_get_hint(hint, id);
    std::string text = value != nullptr ? value : "";
    std::free(value);
    return text;
}

std::string DisplayName(const std::string& name, std::string description) {
    std::replace(description.begin(), description.end(), '\n', ' ');
    return description.empty() ? name : description + " (" + name + ")";
}

class AlsaDevice final : public VXAudioDevice {
public:
    AlsaDevice(snd_pcm_t* pcm, VXAudioDirection direction, snd_pcm_uframes_t ring,
               VXAudioDoneCallback callback, void* instance)
        : pcm_(pcm), direction_(direction), ring_(ring), callback_(callback), instance_(instance),
          started_(direction == VXAudioDirection::Output) {
        wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        thread_ = std::thread([this] { Run(); });
    }

    ~AlsaDevice() override {
        Reset();
        Close();
    }

    int Queue(VXAudioBuffer& buffer) override {
        if (!buffer.prepared)
            return VXAudioNotPrepared;
        if (const int failure = failure_.load(std::memory_order_acquire); failure != 0)
            return failure;
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (pendingCount_ == QueueCapacity)
                return VXAudioQueueFull;
            pending_[(pendingHead_ + pendingCount_) % QueueCapacity] = &buffer;
            ++pendingCount_;
        }
        Wake();
        return VXAudioOK;
    }

    int Pause() override {
        int err = 0;
        {
            std::lock_guard<std::mutex> lock(pcmMutex_);
            started_ = false;
            if (direction_ == VXAudioDirection::Output) {
                if (snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING && snd_pcm_pause(pcm_, 1) < 0) {
                    // Devices that cannot pause lose what is in the ring.
                    snd_pcm_drop(pcm_);
                    err = snd_pcm_prepare(pcm_);
                }
            } else {
                snd_pcm_drop(pcm_);
                err = snd_pcm_prepare(pcm_);
            }
        }
        Wake();
        return err < 0 ? err : VXAudioOK;
    }

    int Restart() override {
        int err = 0;
        {
            std::lock_guard<std::mutex> lock(pcmMutex_);
            started_ = true;
            if (snd_pcm_state(pcm_) == SND_PCM_STATE_PAUSED)
                err = snd_pcm_pause(pcm_, 0);
        }
        Wake();
        return err < 0 ? err : VXAudioOK;
    }

    int Reset() override {
        int err = 0;
        int returned = 0;
        {
            std::lock_guard<std::mutex> lock(pcmMutex_);
            if (closed_)
                return VXAudioOK;
            TakePending();
            if (failure_.load(std::memory_order_relaxed) == 0) {
                snd_pcm_drop(pcm_);
                err = snd_pcm_prepare(pcm_);
            }
            returned = activeCount_;
            activeCount_ = 0;
            offset_ = 0;
            backlog_ = false;
            if (direction_ == VXAudioDirection::Input)
                started_ = false;
        }
        for (int i = 0; i < returned; ++i)
            callback_(instance_);
        return err < 0 ? err : VXAudioOK;
    }

    int Close() override {
        {
            std::lock_guard<std::mutex> lock(pcmMutex_);
            if (closed_)
                return VXAudioOK;
            TakePending();
            if (activeCount_ > 0 || PendingCount() > 0)
                return VXAudioStillQueued;
            if (direction_ == VXAudioDirection::Output)
                PlayOutRing();
            closed_ = true;
        }
        Wake();
        thread_.join();
        snd_pcm_close(pcm_);
        close(wakeFd_);
        return VXAudioOK;
    }

    int TakeUnderruns() override { return underruns_.exchange(0, std::memory_order_acq_rel); }

private:
    void Wake() {
        const std::uint64_t one = 1;
        if (write(wakeFd_, &one, sizeof one) < 0) {
            // The counter is saturated: the thread is awake already.
        }
    }

    int PendingCount() {
        std::lock_guard<std::mutex> lock(queueMutex_);
        return pendingCount_;
    }

    // Moves newly queued buffers behind the ones the thread is working on.
    // Called with pcmMutex_ held.
    void TakePending() {
        std::lock_guard<std::mutex> lock(queueMutex_);
        while (pendingCount_ > 0 && activeCount_ < QueueCapacity) {
            active_[(activeHead_ + activeCount_) % QueueCapacity] = pending_[pendingHead_];
            ++activeCount_;
            pendingHead_ = (pendingHead_ + 1) % QueueCapacity;
            --pendingCount_;
        }
    }

    // Hands the oldest buffer back. Called with pcmMutex_ held; the callback
    // only releases a semaphore.
    void CompleteHead() {
        activeHead_ = (activeHead_ + 1) % QueueCapacity;
        --activeCount_;
        offset_ = 0;
        callback_(instance_);
    }

    // The device is gone or broken: remember why, give every buffer back
    // and refuse new ones.
    void Fail(int err) {
        failure_.store(err, std::memory_order_release);
        while (activeCount_ > 0)
            CompleteHead();
    }

    // Recovers from an underrun, overrun or suspend; anything else is fatal.
    bool Recover(int err) {
        if (err != -EPIPE && err != -ESTRPIPE && err != -EINTR) {
            Fail(err);
            return false;
        }
        // An output underrun while buffers waited here is the device's own;
        // one after the stream stopped queueing, the stream counts itself.
        if (err != -EINTR && (direction_ == VXAudioDirection::Input || backlog_))
            underruns_.fetch_add(1, std::memory_order_acq_rel);
        const int r = snd_pcm_recover(pcm_, err, 1);
        if (r < 0) {
            Fail(r);
            return false;
        }
        return true;
    }

    // Copies queued sound into the ring; returns whether sound is waiting
    // for room. Called with pcmMutex_ held.
    bool PumpOutput() {
        if (activeCount_ == 0) {
            backlog_ = false;
            return false;
        }
        snd_pcm_sframes_t avail = snd_pcm_avail(pcm_);
        bool wrote = false;
        while (activeCount_ > 0) {
            if (avail < 0) {
                if (!Recover(static_cast<int>(avail)))
                    return false;
                avail = snd_pcm_avail(pcm_);
                if (avail < 0) {
                    Fail(static_cast<int>(avail));
                    return false;
                }
            }
            if (avail == 0)
                break;
            VXAudioBuffer& buffer = *active_[activeHead_];
            const snd_pcm_sframes_t left = buffer.bytes / VXAudioBytesPerFrame - offset_;
            const snd_pcm_sframes_t n =
                snd_pcm_writei(pcm_, buffer.data + offset_ * VXAudioChannels,
                               static_cast<snd_pcm_uframes_t>(std::min(avail, left)));
            if (n == -EAGAIN)
                break;
            if (n < 0) {
                avail = n;
                continue;
            }
            wrote = wrote || n > 0;
            moved_ += n;
            offset_ += n;
            avail -= n;
            if (offset_ == buffer.bytes / VXAudioBytesPerFrame)
                CompleteHead();
        }
        if (wrote && snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) {
            const int err = snd_pcm_start(pcm_);
            if (err < 0 && !Recover(err))
                return false;
        }
        backlog_ = activeCount_ > 0;
        return backlog_;
    }

    // Reads recorded sound into the queued buffers; returns whether buffers
    // wait for sound. Called with pcmMutex_ held.
    bool PumpInput() {
        if (activeCount_ == 0)
            return false;
        if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) {
            const int err = snd_pcm_start(pcm_);
            if (err < 0) {
                Fail(err);
                return false;
            }
        }
        snd_pcm_sframes_t avail = snd_pcm_avail(pcm_);
        while (activeCount_ > 0) {
            if (avail < 0) {
                if (!Recover(static_cast<int>(avail)))
                    return false;
                const int err = snd_pcm_start(pcm_);
                if (err < 0) {
                    Fail(err);
                    return false;
                }
                avail = snd_pcm_avail(pcm_);
                if (avail < 0) {
                    Fail(static_cast<int>(avail));
                    return false;
                }
            }
            if (avail == 0)
                break;
            VXAudioBuffer& buffer = *active_[activeHead_];
            const snd_pcm_sframes_t left = buffer.bytes / VXAudioBytesPerFrame - offset_;
            const snd_pcm_sframes_t n =
                snd_pcm_readi(pcm_, buffer.data + offset_ * VXAudioChannels,
                              static_cast<snd_pcm_uframes_t>(std::min(avail, left)));
            if (n == -EAGAIN)
                break;
            if (n < 0) {
                avail = n;
                continue;
            }
            moved_ += n;
            offset_ += n;
            avail -= n;
            if (offset_ == buffer.bytes / VXAudioBytesPerFrame)
                CompleteHead();
        }
        return activeCount_ > 0;
    }

    // Lets the sound already in the ring reach the loudspeaker before the
    // device closes, but never waits longer than the ring lasts (plus a
    // margin), so a device that stopped cannot hold Close.
    void PlayOutRing() {
        if (failure_.load(std::memory_order_relaxed) != 0 ||
            snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING)
            return;
        using Clock = std::chrono::steady_clock;
        const auto deadline =
            Clock::now() + std::chrono::milliseconds(ring_ * 1000 / VXAudioSampleRate + 200);
        while (Clock::now() < deadline) {
            const snd_pcm_sframes_t avail = snd_pcm_avail(pcm_);
            if (avail < 0 || static_cast<snd_pcm_uframes_t>(avail) >= ring_)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    void Run() {
        VXRequestRealtimePriority(VXDeviceThreadPriority);
        pollfd fds[1 + MaxPollDescriptors];
        for (;;) {
            fds[0] = pollfd{wakeFd_, POLLIN, 0};
            int count = 1;
            bool waitForDevice = false;
            long movedBefore = 0;
            {
                std::lock_guard<std::mutex> lock(pcmMutex_);
                if (closed_)
                    return;
                TakePending();
                movedBefore = moved_;
                if (failure_.load(std::memory_order_relaxed) != 0)
                    Fail(failure_.load(std::memory_order_relaxed));
                else if (started_)
                    waitForDevice =
                        direction_ == VXAudioDirection::Output ? PumpOutput() : PumpInput();
                if (waitForDevice) {
                    const int n = snd_pcm_poll_descriptors(pcm_, fds + 1, MaxPollDescriptors);
                    count += std::max(n, 0);
                }
            }
            // Without sound waiting for the device there is nothing to poll
            // it for (an output ring with room would wake us at once); new
            // buffers and commands come through the eventfd.
            const int ready = poll(fds, static_cast<nfds_t>(count), waitForDevice ? 100 : -1);
            if (fds[0].revents != 0) {
                std::uint64_t value = 0;
                if (read(wakeFd_, &value, sizeof value) < 0) {
                    // Nothing to read: woken by the device only.
                }
            }
            if (waitForDevice && count > 1 && ready > 0) {
                bool stalled = false;
                {
                    std::lock_guard<std::mutex> lock(pcmMutex_);
                    unsigned short revents = 0;
                    snd_pcm_poll_descriptors_revents(pcm_, fds + 1,
                                                     static_cast<unsigned>(count - 1), &revents);
                    stalled = fds[0].revents == 0 && moved_ == movedBefore && revents == 0;
                }
                // A device that reports readiness without accepting sound
                // must not make this thread spin.
                if (stalled)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    }

    snd_pcm_t* const pcm_;
    const VXAudioDirection direction_;
    const snd_pcm_uframes_t ring_;
    const VXAudioDoneCallback callback_;
    void* const instance_;
    int wakeFd_ = -1;

    std::mutex pcmMutex_; // ALSA calls and everything below up to the queue
    bool started_;
    bool closed_ = false;
    bool backlog_ = false; // sound was waiting for room at the end of the last pass
    VXAudioBuffer* active_[QueueCapacity] = {};
    int activeHead_ = 0;
    int activeCount_ = 0;
    snd_pcm_sframes_t offset_ = 0; // frames of the oldest buffer already moved
    long moved_ = 0;

    std::mutex queueMutex_;
    VXAudioBuffer* pending_[QueueCapacity] = {};
    int pendingHead_ = 0;
    int pendingCount_ = 0;

    std::atomic<int> failure_{0};
    std::atomic<int> underruns_{0};
    std::thread thread_;
};

int Configure(snd_pcm_t* pcm, int bufferFrames, snd_pcm_uframes_t& ring) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int err = SetFormat(pcm, hw);
    snd_pcm_uframes_t period =
        static_cast<snd_pcm_uframes_t>(std::clamp(bufferFrames / 4, 64, 512));
    if (err >= 0)
        err = snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr);
    ring = period * RingPeriods;
    if (err >= 0)
        err = snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &ring);
    if (err >= 0)
        err = snd_pcm_hw_params(pcm, hw);
    if (err >= 0)
        err = snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
    if (err >= 0)
        err = snd_pcm_hw_params_get_buffer_size(hw, &ring);
    if (err < 0)
        return err;

    // Playing and recording start when the device thread says so, never on
    // their own; an empty output ring is an underrun.
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_uframes_t boundary = 0;
    err = snd_pcm_sw_params_current(pcm, sw);
    if (err >= 0)
        err = snd_pcm_sw_params_get_boundary(sw, &boundary);
    if (err >= 0)
        err = snd_pcm_sw_params_set_avail_min(pcm, sw, period);
    if (err >= 0)
        err = snd_pcm_sw_params_set_start_threshold(pcm, sw, boundary);
    if (err >= 0)
        err = snd_pcm_sw_params_set_stop_threshold(pcm, sw, ring);
    if (err >= 0)
        err = snd_pcm_sw_params(pcm, sw);
    return err;
}

} // namespace

std::vector<VXAudioDeviceInfo> VXAlsaAudioSystem::Devices(VXAudioDirection direction) {
    InstallErrorHandler();
    // "default" is always offered first, even when it does not open here:
    // starting it must then fail with ALSA's reason rather than quietly pick
    // something else.
    std::vector<VXAudioDeviceInfo> devices{{"default", "default", true}};
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0)
        return devices;
    const char* unwanted = direction == VXAudioDirection::Output ? "Input" : "Output";
    for (void** hint = hints; *hint != nullptr; ++hint) {
        const std::string name = HintText(*hint, "NAME");
        const std::string description = HintText(*hint, "DESC");
        if (name.empty() || HintText(*hint, "IOID") == unwanted)
            continue;
        if (name == "default") {
            devices[0].name = DisplayName(name, description);
            continue;
        }
        // ALSA's "null" swallows sound without pacing it; the program's own
        // null device takes its place.
        if (name == "null")
            continue;
        devices.push_back({DisplayName(name, description), name, Usable(name, direction)});
    }
    snd_device_name_free_hint(hints);
    return devices;
}

int VXAlsaAudioSystem::Open(VXAudioDirection direction, const std::string& id, int bufferFrames,
                            int, VXAudioDoneCallback callback, void* instance,
                            std::unique_ptr<VXAudioDevice>& device) {
    InstallErrorHandler();
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, id.c_str(), StreamOf(direction), SND_PCM_NONBLOCK);
    if (err < 0)
        return RememberFailure(err);
    snd_pcm_uframes_t ring = 0;
    err = Configure(pcm, bufferFrames, ring);
    if (err < 0) {
        RememberFailure(err);
        snd_pcm_close(pcm);
        return err;
    }
    device = std::make_unique<AlsaDevice>(pcm, direction, ring, callback, instance);
    return VXAudioOK;
}

std::string VXAlsaAudioSystem::ErrorText(int code) {
    if (code >= 0)
        return VXAudioErrorText(code);
    std::string text = snd_strerror(code);
    if (code == failedCode && failedMessage[0] != '\0')
        text = std::string(failedMessage) + " (" + text + ")";
    return text.substr(0, 256);
}
