#pragma once

// A device for tests: nothing comes back until the test says so.
//
// Each Open creates a script that the test reaches through the system
// (`Opened()`), and that outlives the device, so what was played can be
// examined after the stream has closed it. Completing an output buffer
// records its samples as they are at that moment (what a sound card would
// have played); completing an input buffer first fills every sample with
// the number of buffers completed so far, counting from 1.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/audio_device.h"

class VXAudioScript {
public:
    VXAudioScript(VXAudioDirection direction, int bufferFrames, int bufferCount,
                  VXAudioDoneCallback callback, void* instance);

    // Hands the `n` oldest queued buffers back (fewer if fewer are queued);
    // returns how many came back.
    int Complete(int n = 1);
    // Waits until at least `n` buffers are queued; false on timeout.
    bool WaitForQueued(int n, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    int QueuedCount();
    bool IsQueued(const short* data);
    // Makes the device report an underrun it recovered from.
    void ReportUnderrun();
    // Makes every later Queue fail with `code`.
    void FailQueue(int code);
    // Whether Complete records the samples of output buffers.
    void RecordPlayed(bool record);

    // Output samples as played, one entry per completed buffer.
    std::vector<std::vector<short>> Played();
    // The `user` values of the buffers in the order they were queued.
    std::vector<int> QueueLog();
    bool Paused();
    bool Closed();
    int Resets();

    const VXAudioDirection direction;
    const int bufferFrames;
    const int bufferCount;

private:
    friend class VXScriptedAudioDevice;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<VXAudioBuffer*> queued_;
    std::vector<std::vector<short>> played_;
    std::vector<int> queueLog_;
    bool paused_ = false;
    bool closed_ = false;
    int resets_ = 0;
    int completed_ = 0;
    int underruns_ = 0;
    int failQueue_ = 0;
    bool recordPlayed_ = true;
    VXAudioDoneCallback callback_;
    void* instance_;
};

class VXScriptedAudioSystem : public VXAudioSystem {
public:
    // The devices the system lists; those named in `unusable` are listed but
    // not usable.
    explicit VXScriptedAudioSystem(std::vector<std::string> names = {"Scripted device"},
                                   std::vector<std::string> unusable = {});

    std::vector<VXAudioDeviceInfo> Devices(VXAudioDirection direction) override;
    int Open(VXAudioDirection direction, const std::string& id, int bufferFrames, int bufferCount,
             VXAudioDoneCallback callback, void* instance,
             std::unique_ptr<VXAudioDevice>& device) override;

    // Every device opened so far, oldest first, and the name each was opened by.
    std::vector<std::shared_ptr<VXAudioScript>> Opened();
    std::vector<std::string> OpenedNames();
    std::shared_ptr<VXAudioScript> Last();

    // Failures to inject: the next Open fails with `failOpen`; devices opened
    // from now on fail the given operation (0: succeed).
    int failOpen = 0;
    int failQueue = 0;
    int failRestart = 0;
    int failClose = 0;
    // Whether devices opened from now on record what they play. A stream
    // with two buffers fills the one it queued last while the other plays;
    // a test that hands buffers back faster than real time must not read
    // them then.
    bool recordPlayed = true;

private:
    std::vector<VXAudioDeviceInfo> devices_;
    std::mutex mutex_;
    std::vector<std::shared_ptr<VXAudioScript>> opened_;
    std::vector<std::string> openedNames_;
};
