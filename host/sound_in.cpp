#include "host/sound_in.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "host/sample_conversion.h"
#include "signal/constants.h"

namespace {
constexpr double kLevelDecay = MGInputMeterDecay;

// Why a probed file cannot play, from what the probe saw: the file is not
// opened again here (a FIFO would block the open).
std::string ProblemOf(const std::string& name, const WaveFileInfo& info) {
    struct stat st {};
    if (info.problem == WaveFileProblem::NotARegularFile && ::stat(name.c_str(), &st) == 0 &&
        S_ISDIR(st.st_mode))
        return std::strerror(EISDIR);
    const std::string text = WaveFileProblemText(info);
    return text.empty() ? "not a 16-bit PCM WAV file" : text;
}
} // namespace

ODSoundIn::ODSoundIn(MGDynSigContext* context, TAudioEngineModule* engine)
    : MGSignalProcessor(context, 0, 2), engine_(engine) {
    SetOutletSignal(0, &left);
    SetOutletSignal(1, &right);
}

ODSoundIn::~ODSoundIn() {
    CloseFile();
}

void ODSoundIn::InitPropertyInfo() {
    static MGPropertyList::Info info;
    propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
        r.Add(useADC, "UseADC");
        r.Add(inputFile, "InputFile");
        r.Add(fileIsGood, "FileIsGood");
        r.Add(active, "Active");
        r.Add(loop, "Loop");
        r.Add(loopDelay, "LoopDelay");
        r.Add(autoRewind, "AutoRewind");
        r.Add(location, "Location");
        r.Add(duration, "Duration");
    });
}

void ODSoundIn::ReadDeviceBlock(const std::int16_t* buffer, int position) {
    if (!useADC.Value())
        return;
    if (buffer == nullptr) {
        left = 0.0f;
        right = 0.0f;
        return;
    }
    const std::int16_t* p = buffer + position;
    int peak[2] = {0, 0};
    for (int i = 0; i < MGBlockSize; ++i) {
        const int l = p[2 * i], r = p[2 * i + 1];
        left.samples[i] = l * ODInt16Scale;
        right.samples[i] = r * ODInt16Scale;
        peak[0] = std::max(peak[0], std::abs(l));
        peak[1] = std::max(peak[1], std::abs(r));
    }
    if (engine_ == nullptr)
        return;
    for (int c = 0; c < 2; ++c) {
        const float decayed = static_cast<float>(engine_->inputLevel[c].load() * kLevelDecay);
        engine_->inputLevel[c] =
            std::max(decayed, static_cast<float>(peak[c]) / MGInputMeterFullScale);
    }
}

void ODSoundIn::CloseFile() {
    if (file != nullptr)
        std::fclose(file);
    file = nullptr;
}

void ODSoundIn::Reset() {
    OpenFile();
    inputFile.TestAndClearChanged();
}

void ODSoundIn::OpenFile() {
    std::lock_guard<std::mutex> guard(fileLock);
    CloseFile();
    const std::string name = inputFile.Value();
    waveInfo = WaveFileInfo{};
    fileProblem_.clear();
    if (!name.empty())
        ReadWaveFileInfo(name, waveInfo);
    // A file without a usable format or rate plays nothing, and the window
    // must not offer to play it (a good file opened before included).
    if (!waveInfo.valid || waveInfo.sampleRate <= 0.0) {
        if (!name.empty())
            fileProblem_ =
                waveInfo.valid ? "a WAV file without a sample rate" : ProblemOf(name, waveInfo);
        waveInfo.valid = false;
        active.SetValue(false);
        fileIsGood.SetValue(false);
        return;
    }
    duration.SetValue(waveInfo.frames / waveInfo.sampleRate * 1000.0);
    location.SetValue(0.0);
    file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        fileProblem_ = std::strerror(errno);
        active.SetValue(false);
        fileIsGood.SetValue(false);
        return;
    }
    SeekFrame(0);
    pendingSilence = 0;
    active.SetValue(false);
    fileIsGood.SetValue(true);
}

unsigned ODSoundIn::LoopDelaySamples() const {
    double ms = loopDelay.Value();
    if (!(ms > 0.0)) // negative, zero or NaN
        return 0;
    ms = std::min(ms, MaxLoopDelay);
    const double samples = ms * 0.001 * waveInfo.sampleRate * waveInfo.channels;
    return static_cast<unsigned>(std::min(samples, 4294967295.0));
}

void ODSoundIn::SeekFrame(int frame) {
    framePos = std::clamp(frame, 0, static_cast<int>(waveInfo.frames));
    if (file != nullptr)
        std::fseek(file,
                   static_cast<long>(waveInfo.dataOffset) +
                       static_cast<long>(framePos) * waveInfo.channels * 2,
                   SEEK_SET);
}

// Reads up to `samples` samples but never past the data's end; zero-fills
// what it could not read. Returns the samples read.
int ODSoundIn::ReadSamples(std::int16_t* to, int samples) {
    if (samples <= 0)
        return 0;
    const long filePos = file != nullptr ? std::ftell(file) : -1;
    const long dataEnd = static_cast<long>(waveInfo.dataOffset) +
                         static_cast<long>(waveInfo.frames) * waveInfo.channels * 2;
    int allowed = filePos < 0 ? 0 : static_cast<int>(std::max(0L, (dataEnd - filePos) / 2));
    allowed = std::min(allowed, samples);
    size_t got = 0;
    if (allowed > 0)
        got = std::fread(to, 2, static_cast<size_t>(allowed), file);
    std::fill(to + got, to + samples, std::int16_t{0});
    return static_cast<int>(got);
}

void ODSoundIn::RefillHalf(int half) {
    std::int16_t* buf = fileBuffer + half * HalfSamples;
    const int channels = waveInfo.channels;
    const double rate = waveInfo.sampleRate;
    // Whole frames per half (a multi-channel file may not fill all 44100).
    const int framesPerHalf = HalfSamples / channels;
    const int samplesPerHalf = framesPerHalf * channels;
    const int frames = static_cast<int>(waveInfo.frames);

    if (location.TestAndClearChanged()) {
        SeekFrame(static_cast<int>(location.Value() * 0.001 * rate));
        endHalf_ = -1; // a seek plays on from the new position
    }
    if (endHalf_ >= 0) {
        // The end of the file is already in the other half.
        std::fill(buf, buf + samplesPerHalf, std::int16_t{0});
        return;
    }

    if (pendingSilence > 0) {
        if (pendingSilence > static_cast<unsigned>(samplesPerHalf)) {
            std::fill(buf, buf + samplesPerHalf, std::int16_t{0});
            pendingSilence -= static_cast<unsigned>(samplesPerHalf);
        } else {
            const int zeros = static_cast<int>(pendingSilence);
            std::fill(buf, buf + zeros, std::int16_t{0});
            const int read = ReadSamples(buf + zeros, samplesPerHalf - zeros);
            framePos = read / channels;
            pendingSilence = 0;
            location.SetValue(framePos / rate * 1000.0);
        }
    } else {
        const int remaining = std::max(0, frames - framePos);
        if (framesPerHalf < remaining) {
            ReadSamples(buf, samplesPerHalf);
            framePos += framesPerHalf;
            location.SetValue(framePos / rate * 1000.0);
        } else {
            const int readSamples = remaining * channels;
            ReadSamples(buf, readSamples);
            if (loop.Value()) {
                SeekFrame(0);
                pendingSilence = LoopDelaySamples();
                const int room = samplesPerHalf - readSamples;
                const int h = static_cast<int>(
                    std::min<unsigned>(pendingSilence, static_cast<unsigned>(room)));
                std::fill(buf + readSamples, buf + readSamples + h, std::int16_t{0});
                pendingSilence -= static_cast<unsigned>(h);
                if (pendingSilence > 0) {
                    location.SetValue(duration.Value());
                } else {
                    const int read = ReadSamples(buf + readSamples + h, room - h);
                    framePos = read / channels;
                    location.SetValue(framePos / rate * 1000.0);
                }
            } else {
                // The file ends in this half: it plays to its last sample,
                // and Process ends playback there.
                framePos += remaining;
                std::fill(buf + readSamples, buf + samplesPerHalf, std::int16_t{0});
                endHalf_ = half;
                endIndex_ = readSamples;
            }
        }
    }
    location.TestAndClearChanged();
}

void ODSoundIn::Silence() {
    left = 0.0f;
    right = 0.0f;
    if (engine_ == nullptr)
        return;
    for (int c = 0; c < 2; ++c) {
        engine_->inputLevel[c] = 0.0f;
        engine_->inputLevelHistory[c][engine_->meterIndex] = 0.0f;
    }
}

void ODSoundIn::Process() {
    if (useADC.Value())
        return;
    std::lock_guard<std::mutex> guard(fileLock);
    if (active.TestAndClearChanged() && active.Value() && waveInfo.valid) {
        if (autoRewind.Value()) {
            SeekFrame(0);
            location.SetValue(0.0);
        }
        endHalf_ = -1;
        RefillHalf(0);
        if (endHalf_ < 0)
            RefillHalf(1);
        currentHalf = 0;
        halfIndex = 0;
        pendingSilence = 0;
    }
    if (!active.Value() || !waveInfo.valid || file == nullptr) {
        Silence();
        return;
    }
    const int channels = waveInfo.channels;
    const int samplesPerHalf = (HalfSamples / channels) * channels;
    int peak[2] = {0, 0};
    for (int i = 0; i < MGBlockSize; ++i) {
        if (currentHalf == endHalf_ && halfIndex >= endIndex_) {
            endHalf_ = -1;
            active.SetValue(false);
            location.SetValue(autoRewind.Value() ? 0.0 : duration.Value());
            location.TestAndClearChanged();
            for (; i < MGBlockSize; ++i)
                left.samples[i] = right.samples[i] = 0.0f;
            break;
        }
        const std::int16_t* frame = fileBuffer + currentHalf * HalfSamples + halfIndex;
        const int l = frame[0];
        const int r = channels == 1 ? l : frame[1];
        left.samples[i] = l * ODInt16Scale;
        right.samples[i] = r * ODInt16Scale;
        peak[0] = std::max(peak[0], std::abs(l));
        peak[1] = std::max(peak[1], std::abs(r));
        halfIndex += channels;
        if (halfIndex >= samplesPerHalf && !(currentHalf == endHalf_ && halfIndex >= endIndex_)) {
            RefillHalf(currentHalf);
            currentHalf ^= 1;
            halfIndex = 0;
        }
    }
    if (engine_ == nullptr)
        return;
    for (int c = 0; c < 2; ++c) {
        const float decayed = static_cast<float>(engine_->inputLevel[c].load() * kLevelDecay);
        const float level = std::max(decayed, static_cast<float>(peak[c]) / MGInputMeterFullScale);
        engine_->inputLevel[c] = level;
        engine_->inputLevelHistory[c][engine_->meterIndex] = level;
    }
}

// ---------------------------------------------------------------------------

TEngineSoundIn::TEngineSoundIn(TAudioEngineModule* engine, TContraptionMaker* maker,
                               const std::string& name)
    : TQuorlingContraption(engine, maker, engine->soundIn, name, false), module_(engine) {}

TEngineSoundIn::~TEngineSoundIn() {
    module_->soundInPresent = false;
    module_->soundIn->inputFile.SetValue("");
    module_->soundIn->Reset();
}

SoundInMaker::SoundInMaker(TContraptionFactory& factory)
    : TContraptionMaker(factory, "SoundIn", "I/O", true) {}

std::unique_ptr<TQuorlingContraption> SoundInMaker::CreateContraption(TContraptionEngine* engine,
                                                                      const std::string& name) {
    auto* module = dynamic_cast<TAudioEngineModule*>(engine);
    if (module == nullptr)
        return nullptr;
    if (module->soundInPresent) {
        ShowMessage("Sorry, you are only permitted to create one instance of the SoundIn object.",
                    "Object instansiation failed!", TMessageIcon::Warning);
        return nullptr;
    }
    ODSoundIn* p = module->soundIn;
    {
        TGraphLock lock(*module);
        p->inputFile.SetValue("");
        p->Reset();
    }
    auto contraption = std::make_unique<TEngineSoundIn>(module, this, name);
    module->soundInPresent = true;
    return contraption;
}
