#pragma once

// The patch's way out: what reaches the two inlets is what the sound card
// plays. The processor can record its inlets to a WAV file while the patch
// plays, in three punch modes, and play that file back in place of the
// inlets. The engine owns the one processor; the contraption only wraps it.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/contraption.h"
#include "framework/contraption_maker.h"
#include "signal/property.h"
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
    // The system's error number of the last failure to open or write the
    // file; 0 when there was none or an existing file had another format.
    std::atomic<int> fileError{0};

    // False while a document is only read (described, saved again): the
    // recording file it names is then neither created nor opened, and the
    // processor stays without a file.
    bool openFiles = true;

    ODSoundOut(MGDynSigContext* context, const ODSoundIn* soundIn);
    // Writes what a take still holds in memory before the file closes.
    ~ODSoundOut() override;

    void Process() override;
    // Reopens the file when "OutputFile" changed. Call with the graph lock
    // held (or with output stopped).
    void Reset() override;
    void InitPropertyInfo() override;

    // Ends a take in progress as a stop would: the frames still in memory
    // are written and the header brought up to date. Interface thread, with
    // the graph lock held or output stopped.
    void EndTake();

    // Why "OutputFile" gives no usable file, in words for a message (the
    // system's reason, or that its format is another); empty when it is
    // usable, not named, or not opened on purpose.
    std::string FileProblem() const;

    // Forgets what a previous patch left: a command its window gave that
    // was never processed, and a failure not yet shown. (Its take, position
    // and length go with its file when the file is closed.)
    void ClearRecordingState();

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
    std::string fileProblem_;
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
