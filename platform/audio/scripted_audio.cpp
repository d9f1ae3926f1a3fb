#include "platform/audio/scripted_audio.h"

#include <algorithm>
#include <utility>

VXAudioScript::VXAudioScript(VXAudioDirection direction, int bufferFrames, int bufferCount,
                             VXAudioDoneCallback callback, void* instance)
    : direction(direction), bufferFrames(bufferFrames), bufferCount(bufferCount), paused_(false),
      callback_(callback), instance_(instance) {}

int VXAudioScript::Complete(int n) {
    int done = 0;
    for (; done < n; ++done) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queued_.empty())
                break;
            VXAudioBuffer* buffer = queued_.front();
            queued_.pop_front();
            ++completed_;
            const int samples = buffer->bytes / 2;
            if (direction == VXAudioDirection::Input)
                std::fill(buffer->data, buffer->data + samples, static_cast<short>(completed_));
            else if (recordPlayed_)
                played_.emplace_back(buffer->data, buffer->data + samples);
            changed_.notify_all();
        }
        callback_(instance_);
    }
    return done;
}

bool VXAudioScript::WaitForQueued(int n, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return static_cast<int>(queued_.size()) >= n; });
}

int VXAudioScript::QueuedCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(queued_.size());
}

bool VXAudioScript::IsQueued(const short* data) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(queued_.begin(), queued_.end(),
                       [&](const VXAudioBuffer* b) { return b->data == data; });
}

void VXAudioScript::ReportUnderrun() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++underruns_;
}

void VXAudioScript::RecordPlayed(bool record) {
    std::lock_guard<std::mutex> lock(mutex_);
    recordPlayed_ = record;
}

void VXAudioScript::FailQueue(int code) {
    std::lock_guard<std::mutex> lock(mutex_);
    failQueue_ = code;
}

std::vector<std::vector<short>> VXAudioScript::Played() {
    std::lock_guard<std::mutex> lock(mutex_);
    return played_;
}

std::vector<int> VXAudioScript::QueueLog() {
    std::lock_guard<std::mutex> lock(mutex_);
    return queueLog_;
}

bool VXAudioScript::Paused() {
    std::lock_guard<std::mutex> lock(mutex_);
    return paused_;
}

bool VXAudioScript::Closed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

int VXAudioScript::Resets() {
    std::lock_guard<std::mutex> lock(mutex_);
    return resets_;
}

class VXScriptedAudioDevice final : public VXAudioDevice {
public:
    VXScriptedAudioDevice(std::shared_ptr<VXAudioScript> script, int failRestart, int failClose)
        : script_(std::move(script)), failRestart_(failRestart), failClose_(failClose) {}

    int Prepare(VXAudioBuffer& buffer) override {
        if (buffer.bytes != script_->bufferFrames * VXAudioBytesPerFrame)
            return VXAudioBadBuffer;
        return VXAudioDevice::Prepare(buffer);
    }

    int Unprepare(VXAudioBuffer& buffer) override {
        if (script_->IsQueued(buffer.data))
            return VXAudioStillQueued;
        return VXAudioDevice::Unprepare(buffer);
    }

    int Queue(VXAudioBuffer& buffer) override {
        if (!buffer.prepared)
            return VXAudioNotPrepared;
        std::lock_guard<std::mutex> lock(script_->mutex_);
        if (script_->closed_)
            return VXAudioDeviceFailed;
        if (script_->failQueue_ != 0)
            return script_->failQueue_;
        script_->queued_.push_back(&buffer);
        script_->queueLog_.push_back(buffer.user);
        script_->changed_.notify_all();
        return VXAudioOK;
    }

    int Pause() override {
        std::lock_guard<std::mutex> lock(script_->mutex_);
        script_->paused_ = true;
        return VXAudioOK;
    }

    int Restart() override {
        if (failRestart_ != 0)
            return failRestart_;
        std::lock_guard<std::mutex> lock(script_->mutex_);
        script_->paused_ = false;
        return VXAudioOK;
    }

    int Reset() override {
        int returned = 0;
        {
            std::lock_guard<std::mutex> lock(script_->mutex_);
            returned = static_cast<int>(script_->queued_.size());
            script_->queued_.clear();
            ++script_->resets_;
            script_->changed_.notify_all();
        }
        for (int i = 0; i < returned; ++i)
            script_->callback_(script_->instance_);
        return VXAudioOK;
    }

    int Close() override {
        std::lock_guard<std::mutex> lock(script_->mutex_);
        if (!script_->queued_.empty())
            return VXAudioStillQueued;
        if (failClose_ != 0)
            return failClose_;
        script_->closed_ = true;
        script_->changed_.notify_all();
        return VXAudioOK;
    }

    int TakeUnderruns() override {
        std::lock_guard<std::mutex> lock(script_->mutex_);
        return std::exchange(script_->underruns_, 0);
    }

private:
    std::shared_ptr<VXAudioScript> script_;
    int failRestart_;
    int failClose_;
};

VXScriptedAudioSystem::VXScriptedAudioSystem(std::vector<std::string> names,
                                             std::vector<std::string> unusable) {
    for (const std::string& name : names)
        devices_.push_back(
            {name, name, std::find(unusable.begin(), unusable.end(), name) == unusable.end()});
    for (const std::string& name : unusable)
        if (std::find(names.begin(), names.end(), name) == names.end())
            devices_.push_back({name, name, false});
}

std::vector<VXAudioDeviceInfo> VXScriptedAudioSystem::Devices(VXAudioDirection) {
    return devices_;
}

int VXScriptedAudioSystem::Open(VXAudioDirection direction, const std::string& id, int bufferFrames,
                                int bufferCount, VXAudioDoneCallback callback, void* instance,
                                std::unique_ptr<VXAudioDevice>& device) {
    if (const int failure = std::exchange(failOpen, 0); failure != 0)
        return failure;
    if (std::none_of(devices_.begin(), devices_.end(),
                     [&](const VXAudioDeviceInfo& d) { return d.id == id; }))
        return VXAudioBadDevice;
    auto script =
        std::make_shared<VXAudioScript>(direction, bufferFrames, bufferCount, callback, instance);
    script->FailQueue(failQueue);
    script->RecordPlayed(recordPlayed);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        opened_.push_back(script);
        openedNames_.push_back(id);
    }
    device = std::make_unique<VXScriptedAudioDevice>(script, failRestart, failClose);
    return VXAudioOK;
}

std::vector<std::shared_ptr<VXAudioScript>> VXScriptedAudioSystem::Opened() {
    std::lock_guard<std::mutex> lock(mutex_);
    return opened_;
}

std::vector<std::string> VXScriptedAudioSystem::OpenedNames() {
    std::lock_guard<std::mutex> lock(mutex_);
    return openedNames_;
}

std::shared_ptr<VXAudioScript> VXScriptedAudioSystem::Last() {
    std::lock_guard<std::mutex> lock(mutex_);
    return opened_.empty() ? nullptr : opened_.back();
}
