#pragma once

// The patch's way out: what reaches the two inlets is what the sound card
// plays. The processor can record its inlets to a WAV file while the patch
// plays, in three punch modes, and play that file back in place of the
// inlets. The engine owns the one processor; the contraption only wraps it.

#include <atomic>
#include <cstdint>
#include <memory>

#include "framework/contraption.h"
#include "framework/contraption_maker.h"
#include "framework/property.h"
#include "host/wave_out_file.h"
#include "signal/pipe.h"

class ODSoundIn;
class TAudioEngineModule;

class ODSoundOut : public MGSignalProcessor {
public:
    enum RecordState { NoFile = -1, Idle = 0, Recording = 1, WaitingForPunchIn = 2, Playing = 3 };
    enum Action { Stop = 0, Play = 1, Record = 2 };
    enum PunchMode { Manual = 0, FollowSoundIn = 1, Timed = 2 };
    static constexpr int ChunkFrames = 16384;

    MGCStringProperty outputFile{""};
    MGIntProperty action{0};
    MGIntProperty fileMode{0}; // 0 append, 1 overwrite
    MGIntProperty recordState{NoFile};
    MGIntProperty punchMode{0};
    MGIntProperty recordDuration{1000}; // ms
    MGDoubleProperty filePosition{0.0}; // ms
    MGDoubleProperty fileDuration{0.0}; // ms
    const MGSignal* leftInput = &MGSilentSignal;
    const MGSignal* rightInput = &MGSilentSignal;
    MGSignal playbackLeft;
    MGSignal playbackRight;
    std::unique_ptr<ODWaveOutFile> waveFile;
    unsigned frameCount = 0;
    std::int16_t recordBuffer[2 * ChunkFrames] = {};
    int bufferFill = 0; // samples, not frames

    // The engine's sound input, whose playing state the "SoundIn Sync"
    // punch mode follows; may be null.
    const ODSoundIn* soundInSource;

    // The take stopped because the file could not be written (disk full).
    // Set on the processing thread; the window shows it and clears it.
    std::atomic<bool> writeFailed{false};

    ODSoundOut(MGDynSigContext* context, const ODSoundIn* soundIn);

    void Process() override;
    // Reopens the file when "OutputFile" changed. Call with the graph lock
    // held (or with output stopped).
    void Reset() override;
    void InitPropertyInfo() override;

    // The signals the sound card gets this block: the playback while the
    // file plays, the inlets otherwise.
    const MGSignal& Left() const {
        return recordState.Value() == Playing ? playbackLeft : *leftInput;
    }
    const MGSignal& Right() const {
        return recordState.Value() == Playing ? playbackRight : *rightInput;
    }

private:
    bool SoundInActive() const;
    void ReopenFile();
    void RecordBlock();
    bool PlayBlock(); // true when the file has played to its end
    bool FlushRecordBuffer();
};

// The sound output as a contraption of the patch.
class TEngineSoundOut : public TQuorlingContraption {
public:
    TEngineSoundOut(TAudioEngineModule* engine, TContraptionMaker* maker, const std::string& name);
    ~TEngineSoundOut() override;

private:
    TAudioEngineModule* module_;
};

// "SoundOut": at most one, wrapping the engine's processor.
class SoundOutMaker : public TContraptionMaker {
public:
    explicit SoundOutMaker(TContraptionFactory& factory);
    // Null for a second instance (after telling the user why) and for an
    // engine that is not the program's engine module.
    std::unique_ptr<TQuorlingContraption> CreateContraption(TContraptionEngine* engine,
                                                            const std::string& name) override;
};
