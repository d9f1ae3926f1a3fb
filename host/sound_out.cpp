#include "host/sound_out.h"

#include <algorithm>
#include <cstring>

#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "host/sample_conversion.h"
#include "host/sound_in.h"

ODSoundOut::ODSoundOut(MGDynSigContext* context, const ODSoundIn* soundIn)
    : MGSignalProcessor(context, 2, 0), soundInSource(soundIn) {
    // A document or window sets "Action" on purpose; the default must not
    // start anything.
    action.TestAndClearChanged();
}

ODSoundOut::~ODSoundOut() {
    EndTake();
}

void ODSoundOut::InitPropertyInfo() {
    static MGPropertyList::Info info;
    propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
        r.Add(outputFile, "OutputFile");
        r.Add(action, "Action");
        r.Add(fileMode, "FileMode");
        r.Add(punchMode, "PunchMode");
        r.Add(recordDuration, "RecordDuration");
    });
}

bool ODSoundOut::SoundInActive() const {
    return soundInSource != nullptr && soundInSource->active.Value();
}

void ODSoundOut::Reset() {
    if (outputFile.TestAndClearChanged())
        ReopenFile();
}

void ODSoundOut::EndTake() {
    const int state = recordState.Value();
    if (state != Recording && state != WaitingForPunchIn && state != Playing)
        return;
    if (state != Playing && waveFile != nullptr) {
        const bool written = FlushRecordBuffer();
        if (!waveFile->Finalise() && written) {
            fileError = waveFile->ErrorNumber();
            writeFailed = true;
        }
    }
    bufferFill = 0;
    action.SetValue(Stop);
    action.TestAndClearChanged();
    recordState.SetValue(Idle);
}

void ODSoundOut::ClearRecordingState() {
    action.SetValue(Stop);
    action.TestAndClearChanged();
    writeFailed = false;
    fileError = 0;
}

std::string ODSoundOut::FileProblem() const {
    return fileProblem_;
}

void ODSoundOut::ReopenFile() {
    // What the old file still holds in memory belongs to it, and nothing of
    // it may show as the new file's position or length.
    EndTake();
    waveFile.reset(); // finalises the old file
    bufferFill = 0;
    frameCount = 0;
    filePosition.SetValue(0.0);
    fileDuration.SetValue(0.0);
    fileProblem_.clear();
    const std::string name = outputFile.Value();
    if (name.empty() || !openFiles) {
        recordState.SetValue(NoFile);
        return;
    }
    auto file = std::make_unique<ODWaveOutFile>(name, 44100, 2, false);
    if (!file->IsOpen()) {
        fileError = file->ErrorNumber();
        fileProblem_ = file->ErrorNumber() != 0
                           ? std::string(std::strerror(file->ErrorNumber()))
                           : std::string("not a 16-bit stereo 44100 Hz WAV file");
        recordState.SetValue(NoFile);
        return;
    }
    waveFile = std::move(file);
    fileDuration.SetValue(waveFile->length * 1000.0 / 44100.0);
    filePosition.SetValue(0.0);
    recordState.SetValue(Idle);
}

bool ODSoundOut::FlushRecordBuffer() {
    const int frames = bufferFill / 2;
    bufferFill = 0;
    if (frames == 0)
        return true;
    if (waveFile->Write(recordBuffer, frames) < frames) {
        fileError = waveFile->ErrorNumber();
        writeFailed = true;
        return false;
    }
    return true;
}

void ODSoundOut::RecordBlock() {
    const MGSignal& l = *leftInput;
    const MGSignal& r = *rightInput;
    std::int16_t* out = recordBuffer + bufferFill;
    for (int i = 0; i < MGBlockSize; ++i) {
        out[2 * i] = ODSampleToInt16(l.samples[i]);
        out[2 * i + 1] = ODSampleToInt16(r.samples[i]);
    }
    bufferFill += 2 * MGBlockSize;
    frameCount += MGBlockSize;
}

bool ODSoundOut::PlayBlock() {
    bool ended = false;
    for (int i = 0; i < MGBlockSize; ++i) {
        if (ended) {
            playbackLeft.samples[i] = playbackRight.samples[i] = 0.0f;
            continue;
        }
        playbackLeft.samples[i] = recordBuffer[bufferFill] * ODInt16Scale;
        playbackRight.samples[i] = recordBuffer[bufferFill + 1] * ODInt16Scale;
        bufferFill += 2;
        if (bufferFill >= 2 * static_cast<int>(frameCount) &&
            waveFile->position >= waveFile->length) {
            ended = true;
        } else if (bufferFill >= 2 * ChunkFrames) {
            frameCount = static_cast<unsigned>(waveFile->Read(recordBuffer, ChunkFrames));
            bufferFill = 0;
        }
    }
    return ended;
}

void ODSoundOut::Process() {
    leftInput = inlets[0].signal;
    rightInput = inlets[1].signal;
    int state = recordState.Value();
    if (state == NoFile || waveFile == nullptr)
        return;

    bool stop = false;
    if (action.TestAndClearChanged()) {
        switch (action.Value()) {
        case Stop:
            stop = state != Idle;
            break;
        case Play:
            state = Playing;
            waveFile->Seek(0);
            frameCount = static_cast<unsigned>(waveFile->Read(recordBuffer, ChunkFrames));
            bufferFill = 0;
            break;
        case Record:
            if (fileMode.Value() == 1)
                waveFile->Restart();
            else
                waveFile->Seek(waveFile->length);
            if (!waveFile->IsOpen()) {
                // Emptying the file failed (it could not be created again).
                fileError = waveFile->ErrorNumber();
                waveFile.reset();
                writeFailed = true;
                recordState.SetValue(NoFile);
                return;
            }
            bufferFill = 0;
            frameCount = 0;
            state = punchMode.Value() == FollowSoundIn && !SoundInActive() ? WaitingForPunchIn
                                                                           : Recording;
            break;
        default:
            break;
        }
        recordState.SetValue(state);
    }

    if (action.Value() != Stop && !stop) {
        if (state == WaitingForPunchIn && SoundInActive()) {
            state = Recording;
            recordState.SetValue(state);
        }
        if (state == Recording) {
            RecordBlock();
            if (bufferFill >= 2 * ChunkFrames && !FlushRecordBuffer())
                stop = true;
            switch (punchMode.Value()) {
            case FollowSoundIn:
                stop = stop || !SoundInActive();
                break;
            case Timed:
                stop = stop || recordDuration.Value() <= frameCount * 1000.0 / 44100.0;
                break;
            default:
                break;
            }
        } else if (state == Playing) {
            stop = PlayBlock();
        }
    }

    filePosition.SetValue(waveFile->position * 1000.0 / 44100.0);
    fileDuration.SetValue(waveFile->length * 1000.0 / 44100.0);

    if (stop) {
        if (state != Playing) {
            FlushRecordBuffer();
            if (!waveFile->Finalise()) {
                fileError = waveFile->ErrorNumber();
                writeFailed = true;
            }
        }
        action.SetValue(Stop);
        action.TestAndClearChanged();
        recordState.SetValue(Idle);
    }
}

// ---------------------------------------------------------------------------

TEngineSoundOut::TEngineSoundOut(TAudioEngineModule* engine, TContraptionMaker* maker,
                                 const std::string& name)
    : TQuorlingContraption(engine, maker, engine->soundOut, name, false), module_(engine) {}

TEngineSoundOut::~TEngineSoundOut() {
    // Closing the document (or deleting the contraption) ends its take; the
    // frames not yet written would otherwise wait for another document.
    {
        TGraphLock lock(*module_);
        module_->soundOut->EndTake();
    }
    module_->soundOutPresent = false;
}

SoundOutMaker::SoundOutMaker(TContraptionFactory& factory)
    : TContraptionMaker(factory, "SoundOut", "I/O", true) {}

std::unique_ptr<TQuorlingContraption> SoundOutMaker::CreateContraption(TContraptionEngine* engine,
                                                                       const std::string& name) {
    auto* module = dynamic_cast<TAudioEngineModule*>(engine);
    if (module == nullptr)
        return nullptr;
    if (module->soundOutPresent) {
        ShowMessage("Sorry, you are only permitted to create one instance of the SoundOut object.",
                    "Object instansiation failed!", TMessageIcon::Warning);
        return nullptr;
    }
    ODSoundOut* p = module->soundOut;
    {
        TGraphLock lock(*module);
        p->outputFile.SetValue("");
        p->Reset();
        // The processor outlives documents: a new one starts from nothing.
        p->ClearRecordingState();
    }
    auto contraption = std::make_unique<TEngineSoundOut>(module, this, name);
    module->soundOutPresent = true;
    return contraption;
}
