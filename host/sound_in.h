#pragma once

// The patch's way in: the sound card's input, or a WAV file played from
// disk with pause, auto-rewind and looping with a pause between passes. The
// engine owns the one processor; the contraption only wraps it.
//
// The file is read in halves of one second of samples, on the processing
// thread as they are used up; the file and the halves are guarded by a
// mutex that the interface thread takes when it opens a file (while the
// graph lock is held, so the processing thread is never kept waiting).

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "framework/contraption.h"
#include "framework/contraption_maker.h"
#include "signal/property.h"
#include "signal/pipe.h"
#include "signal/wave_file_info.h"

class TAudioEngineModule;

class ODSoundIn : public MGSignalProcessor {
public:
    static constexpr int HalfSamples = 44100;
    // The pause between passes that the window offers, in ms.
    static constexpr double MaxLoopDelay = 20000.0;

    MGBoolProperty useADC{true};
    MGCStringProperty inputFile{""};
    MGBoolProperty fileIsGood{false};
    MGBoolProperty active{false};
    MGBoolProperty loop{false};
    MGDoubleProperty loopDelay{0.0}; // ms
    MGBoolProperty autoRewind{false};
    MGDoubleProperty location{0.0}; // ms; setting it seeks
    MGDoubleProperty duration{0.0}; // ms

    std::int16_t fileBuffer[2 * HalfSamples] = {};
    int currentHalf = 0;
    int halfIndex = 0;
    std::FILE* file = nullptr;
    std::mutex fileLock;
    WaveFileInfo waveInfo;
    int framePos = 0;
    unsigned pendingSilence = 0;
    MGSignal left;
    MGSignal right;

    ODSoundIn(MGDynSigContext* context, TAudioEngineModule* engine);
    ~ODSoundIn() override;

    // Copies one block of the input device's current buffer (null when the
    // device delivers nothing) starting at sample `position` into the
    // outlets, and keeps the input meter. Called by the engine cycle before
    // the graph runs, while the device is the source.
    void ReadDeviceBlock(const std::int16_t* buffer, int position);

    void Process() override;
    // Opens "InputFile" (closing any open file).
    void Reset() override;
    void InitPropertyInfo() override;

    // Why "InputFile" cannot be played, in words for a message (the
    // system's reason, or that its format is not one the input plays);
    // empty when it plays or none is named. Interface thread.
    std::string FileProblem() const { return fileProblem_; }

    // "LoopDelay" as the samples of silence it inserts, held to the range
    // the window offers: a value from a document may be anything.
    unsigned LoopDelaySamples() const;

private:
    void OpenFile();
    void CloseFile();
    void SeekFrame(int frame);
    int ReadSamples(std::int16_t* to, int samples);
    void RefillHalf(int half);
    void Silence();

    TAudioEngineModule* engine_;
    // Where the file's last samples end in the halves (-1: not loaded yet),
    // so that playback stops after them rather than when they are read.
    int endHalf_ = -1;
    int endIndex_ = 0;
    std::string fileProblem_;
};

class TEngineSoundIn : public TQuorlingContraption {
public:
    TEngineSoundIn(TAudioEngineModule* engine, TContraptionMaker* maker, const std::string& name);
    ~TEngineSoundIn() override;

private:
    TAudioEngineModule* module_;
};

// "SoundIn": at most one, wrapping the engine's processor.
class SoundInMaker : public TContraptionMaker {
public:
    explicit SoundInMaker(TContraptionFactory& factory);
    std::unique_ptr<TQuorlingContraption> CreateContraption(TContraptionEngine* engine,
                                                            const std::string& name) override;
};
