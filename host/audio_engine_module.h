#pragma once

// The engine module: owns the running patch (the signal context), the sound
// devices and the sound output and input processors, and runs the engine
// cycle. Each time the output stream asks for a device buffer, the cycle
// computes as many blocks of the patch as fit, converts the sound output's
// two channels to 16-bit stereo in place, and records level meters and the
// clock position per block in a ring of 300 slots. The main window reads
// the ring delayed by the output latency, so meters and the bar:beat display
// follow what is heard rather than what was just computed.
//
// Threads: the interface thread does everything but the cycle, holding the
// graph lock (the output stream's lock) for every change of pipes or
// connections; the output stream's worker runs the cycle holding the same
// lock. Levels, the underrun flag and the modified flag cross threads as
// atomics. The application and the command-line tool each own one engine.

#include <atomic>
#include <cstdint>
#include <functional>

#include "framework/contraption_engine.h"
#include "host/wave_in_stream.h"
#include "host/wave_out_stream.h"
#include "signal/context.h"

class ODSoundIn;
class ODSoundOut;
class TContraptionFactory;
class TQuorlingContraption;
class TSettingsStore;

class TAudioEngineModule : public TContraptionEngine {
public:
    static constexpr int HistorySize = 300;
    static constexpr int BlockBytes = MGBlockSize * 4;

    MGDynSigContext context;
    VXWaveOutStream OutStream;
    VXWaveInStream InStream;
    TContraptionFactory* factory;
    ODSoundOut* soundOut = nullptr; // owned
    std::atomic<bool> soundOutPresent{false};
    ODSoundIn* soundIn = nullptr; // owned
    // Told when SetUseInputFile switched the sound input between device and
    // file; the sound input's window subscribes while it exists. Interface
    // thread only.
    std::function<void()> onInputSourceChanged;
    std::atomic<bool> soundInPresent{false};
    int inputPosition = 0; // in 16-bit samples of the current input buffer
    int meterIndex = 0;
    std::atomic<int> latencyBlocks{0};
    std::atomic<float> inputLevel[2] = {0.0f, 0.0f};
    float inputLevelHistory[2][HistorySize] = {};
    std::atomic<float> outputLevel[2] = {0.0f, 0.0f};
    float outputLevelHistory[2][HistorySize] = {};
    unsigned tickHistory[HistorySize] = {};
    std::atomic<bool> underrunSeen{false};
    std::atomic<bool> contraptionsModified{false};

    // Reads the device settings from `settings` (may be null) and writes
    // them back when destroyed; the store must outlive the engine.
    explicit TAudioEngineModule(TSettingsStore* settings = nullptr,
                                VXAudioSystem& audio = VXDefaultAudioSystem(),
                                TContraptionFactory* factory = nullptr);
    ~TAudioEngineModule() override;
    TAudioEngineModule(const TAudioEngineModule&) = delete;
    TAudioEngineModule& operator=(const TAudioEngineModule&) = delete;

    // TContraptionEngine
    MGDynSigContext& Context() override { return context; }
    // Nested locks on the interface thread collapse into one.
    void LockGraph() override;
    void UnlockGraph() override;
    void SetContraptionsModified(bool modified) override { contraptionsModified = modified; }

    // Connect or disconnect the processors of two contraptions, under the
    // graph lock; an occupied inlet is taken over.
    bool ConnectContraptions(TQuorlingContraption* source, int outlet, TQuorlingContraption* target,
                             int inlet);
    bool DisconnectContraptions(TQuorlingContraption* source, int outlet,
                                TQuorlingContraption* target, int inlet);

    bool SoundOutPresent() const { return soundOutPresent; }
    bool SoundInPresent() const { return soundInPresent; }
    bool AudioOutRunning() const { return OutStream.Running(); }
    bool AudioInRunning() const { return InStream.Running(); }
    // Device failures propagate as EWaveOutError / EWaveInError.
    void StartAudioOut();
    void StopAudioOut();
    void StartAudioIn();
    void StopAudioIn();
    bool TakeUnderrunFlag() { return underrunSeen.exchange(false); }

    void SetUseInputFile(bool useFile);
    bool InputFileSelected() const;
    bool CanStartAudioIn() const;

    // Levels and clock position of the block being heard now.
    void GetMeterValues(float& inL, float& inR, float& outL, float& outR, unsigned& ticks);

    // The cycle: fills `frames` stereo frames at `buffer` block by block.
    // Returns the blocks computed. Runs on the output worker inside the graph
    // lock, or on the interface thread while output starts or renders.
    int OutStreamFillBuffer(VXWaveOutStream* sender, short* buffer, int frames);

private:
    void ReadSettings(TSettingsStore& settings);
    void WriteSettings(TSettingsStore& settings);
    void ClearHistories(bool input, bool output);

    TSettingsStore* settings_;
    int lockDepth_ = 0;
    const short* inputBuffer_ = nullptr;
    int inputBufferSamples_ = 0;
};
