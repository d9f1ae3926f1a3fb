#include "host/audio_engine_module.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framework/contraption.h"
#include "framework/contraption_factory.h"
#include "host/sample_conversion.h"
#include "host/sound_in.h"
#include "host/sound_out.h"
#include "platform/settings/settings_store.h"
#include "signal/constants.h"
#include "signal/denormal_guard.h"

namespace {

const char* const kOutStreamKey = "OutStream";
const char* const kInStreamKey = "InStream";

int ValidCount(std::optional<std::int32_t> count, int fallback) {
    if (!count)
        return fallback;
    return *count < 2 || *count > 8 ? 4 : *count;
}

} // namespace

TAudioEngineModule::TAudioEngineModule(TSettingsStore* settings, VXAudioSystem& audio,
                                       TContraptionFactory* f)
    : OutStream(audio), InStream(audio),
      factory(f != nullptr ? f : &TContraptionFactory::Instance()), settings_(settings) {
    soundOut = new ODSoundOut(&context, nullptr);
    soundOut->InitPropertyInfo();
    soundIn = new ODSoundIn(&context, this);
    soundIn->InitPropertyInfo();
    // The sound output follows the sound input's file for its punch-in.
    soundOut->soundInSource = soundIn;
    OutStream.OnFillBuffer = [this](VXWaveOutStream* sender, short* buffer, int frames) {
        return OutStreamFillBuffer(sender, buffer, frames);
    };
    if (settings_ != nullptr)
        ReadSettings(*settings_);
}

TAudioEngineModule::~TAudioEngineModule() {
    // A device that fails while stopping must not keep the settings from
    // being saved or the patch from being released.
    try {
        OutStream.Stop();
    } catch (...) {
    }
    try {
        InStream.Stop();
    } catch (...) {
    }
    if (settings_ != nullptr)
        WriteSettings(*settings_);
    delete soundOut;
    delete soundIn;
}

void TAudioEngineModule::ReadSettings(TSettingsStore& settings) {
    if (settings.HasKey(kOutStreamKey)) {
        if (auto id = settings.ReadInteger(kOutStreamKey, "DeviceID"))
            OutStream.SetDevice(*id);
        const int size =
            settings.ReadInteger(kOutStreamKey, "BufferSize").value_or(OutStream.BufferSize());
        const int count =
            ValidCount(settings.ReadInteger(kOutStreamKey, "BufferCount"), OutStream.BufferCount());
        OutStream.SetBuffers(count, size);
    }
    if (settings.HasKey(kInStreamKey)) {
        if (auto id = settings.ReadInteger(kInStreamKey, "DeviceID"))
            InStream.SetDevice(*id);
        const int size = std::max(
            settings.ReadInteger(kInStreamKey, "BufferSize").value_or(InStream.BufferSize()),
            OutStream.BufferSize());
        const int count =
            ValidCount(settings.ReadInteger(kInStreamKey, "BufferCount"), InStream.BufferCount());
        InStream.SetBuffers(count, size);
    } else if (InStream.BufferSize() < OutStream.BufferSize()) {
        InStream.SetBufferSize(OutStream.BufferSize());
    }
}

void TAudioEngineModule::WriteSettings(TSettingsStore& settings) {
    settings.WriteInteger(kOutStreamKey, "DeviceID", OutStream.Device());
    settings.WriteInteger(kOutStreamKey, "BufferSize", OutStream.BufferSize());
    settings.WriteInteger(kOutStreamKey, "BufferCount", OutStream.BufferCount());
    settings.WriteInteger(kInStreamKey, "DeviceID", InStream.Device());
    settings.WriteInteger(kInStreamKey, "BufferSize", InStream.BufferSize());
    settings.WriteInteger(kInStreamKey, "BufferCount", InStream.BufferCount());
}

void TAudioEngineModule::LockGraph() {
    if (lockDepth_++ == 0)
        OutStream.Lock();
}

void TAudioEngineModule::UnlockGraph() {
    if (lockDepth_ > 0 && --lockDepth_ == 0)
        OutStream.Unlock();
}

bool TAudioEngineModule::ConnectContraptions(TQuorlingContraption* source, int outlet,
                                             TQuorlingContraption* target, int inlet) {
    if (source == nullptr || target == nullptr)
        return false;
    TGraphLock lock(*this);
    return context.Connect(source->processor, outlet, target->processor, inlet, true);
}

bool TAudioEngineModule::DisconnectContraptions(TQuorlingContraption* source, int outlet,
                                                TQuorlingContraption* target, int inlet) {
    if (source == nullptr || target == nullptr)
        return false;
    TGraphLock lock(*this);
    return context.Disconnect(source->processor, outlet, target->processor, inlet);
}

void TAudioEngineModule::ClearHistories(bool input, bool output) {
    for (int c = 0; c < 2; ++c) {
        if (input) {
            inputLevel[c] = 0.0f;
            std::fill(std::begin(inputLevelHistory[c]), std::end(inputLevelHistory[c]), 0.0f);
        }
        if (output) {
            outputLevel[c] = 0.0f;
            std::fill(std::begin(outputLevelHistory[c]), std::end(outputLevelHistory[c]), 0.0f);
        }
    }
    if (output)
        std::fill(std::begin(tickHistory), std::end(tickHistory), 0u);
}

void TAudioEngineModule::StartAudioOut() {
    meterIndex = 0;
    latencyBlocks = 0;
    ClearHistories(true, true);
    underrunSeen = false;
    OutStream.Start();
}

void TAudioEngineModule::StopAudioOut() {
    OutStream.Stop();
    ClearHistories(true, true);
}

void TAudioEngineModule::StartAudioIn() {
    TGraphLock lock(*this);
    ClearHistories(true, false);
    inputPosition = InStream.BufferSize() / 2;
    InStream.Start();
}

void TAudioEngineModule::StopAudioIn() {
    InStream.Stop();
    inputLevel[0] = inputLevel[1] = 0.0f;
}

void TAudioEngineModule::SetUseInputFile(bool useFile) {
    soundIn->useADC.SetValue(!useFile);
    if (onInputSourceChanged)
        onInputSourceChanged();
}

bool TAudioEngineModule::InputFileSelected() const {
    return !soundIn->useADC.Value();
}

bool TAudioEngineModule::CanStartAudioIn() const {
    return soundInPresent && soundIn->useADC.Value();
}

void TAudioEngineModule::GetMeterValues(float& inL, float& inR, float& outL, float& outR,
                                        unsigned& ticks) {
    TGraphLock lock(*this);
    InStream.Lock();
    int i = meterIndex - latencyBlocks.load();
    while (i < 0)
        i += HistorySize;
    i %= HistorySize;
    const bool filePlaying = soundIn->active.Value() && (!soundIn->outlets[0].inletRefs.empty() ||
                                                         !soundIn->outlets[1].inletRefs.empty());
    if (filePlaying) {
        inL = inputLevelHistory[0][i];
        inR = inputLevelHistory[1][i];
    } else if (InStream.Running()) {
        inL = inputLevel[0];
        inR = inputLevel[1];
    } else {
        inL = inR = 0.0f;
    }
    outL = outputLevelHistory[0][i];
    outR = outputLevelHistory[1][i];
    ticks = tickHistory[i];
    InStream.Unlock();
}

int TAudioEngineModule::OutStreamFillBuffer(VXWaveOutStream*, short* buffer, int frames) {
    const MGDenormalGuard flushDenormals;
    const int blocks = frames / MGBlockSize;
    latencyBlocks = static_cast<int>(blocks * (OutStream.BufferCount() - 2 + 0.5));
    if (!underrunSeen.load(std::memory_order_relaxed) && OutStream.TakeUnderrun())
        underrunSeen = true;

    const int inputSamples = InStream.BufferSize() / 2;
    for (int b = 0; b < blocks; ++b) {
        if (inputPosition >= inputSamples) {
            short* next = nullptr;
            const int inputFrames = InStream.GetNextBuffer(&next);
            inputBuffer_ = next;
            inputBufferSamples_ = next != nullptr ? inputFrames * 2 : 0;
            inputPosition = 0;
        }
        if (soundInPresent) {
            if (InStream.LockBuffers()) {
                // A buffer shorter than one block past the position (an odd
                // size) gives silence rather than a read past its end.
                const bool whole = inputBuffer_ != nullptr &&
                                   inputPosition + 2 * MGBlockSize <= inputBufferSamples_;
                soundIn->ReadDeviceBlock(whole ? inputBuffer_ : nullptr, inputPosition);
                InStream.UnlockBuffers();
            } else {
                soundIn->ReadDeviceBlock(nullptr, inputPosition);
            }
        }
        inputPosition += 2 * MGBlockSize;

        context.ProcessBlock();

        const MGSignal& left = soundOut->Left();
        const MGSignal& right = soundOut->Right();
        int peakL = 0, peakR = 0;
        for (int i = 0; i < MGBlockSize; ++i) {
            const std::int16_t l = ODSampleToInt16(left.samples[i]);
            const std::int16_t r = ODSampleToInt16(right.samples[i]);
            buffer[2 * i] = l;
            buffer[2 * i + 1] = r;
            peakL = std::max(peakL, std::abs(static_cast<int>(l)));
            peakR = std::max(peakR, std::abs(static_cast<int>(r)));
        }
        const int peaks[2] = {peakL, peakR};
        for (int c = 0; c < 2; ++c) {
            float level = static_cast<float>(outputLevel[c].load(std::memory_order_relaxed) *
                                             MGOutputMeterDecay);
            const float p = static_cast<float>(peaks[c]) / MGOutputMeterFullScale;
            if (p > level)
                level = p;
            outputLevel[c].store(level, std::memory_order_relaxed);
            outputLevelHistory[c][meterIndex] = level;
        }
        // The clock position raised to a whole tick.
        const double tick = std::max(0.0, context.tickPosition.load(std::memory_order_relaxed));
        unsigned whole = static_cast<unsigned>(tick);
        if (static_cast<double>(whole) != tick)
            ++whole;
        tickHistory[meterIndex] = whole;
        meterIndex = meterIndex + 1 == HistorySize ? 0 : meterIndex + 1;
        buffer += 2 * MGBlockSize;
    }
    return blocks;
}
