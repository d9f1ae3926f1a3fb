#pragma once

// The simplest sound source: a sine tone or white noise at a smoothed
// volume, with no inlets and one outlet.

#include "signal/property.h"
#include "signal/noise_source.h"
#include "signal/pipe.h"
#include "signal/ramps.h"
#include "signal/signal.h"

class ODTestSignalGenerator : public MGSignalProcessor {
public:
    // What the window can set; anything else (from a document or a preset)
    // is held to it when taken into use. NaN plays the defaults.
    static constexpr double MaxAmplitude = 1.0;
    static constexpr double MinFrequency = 20.0;
    static constexpr double MaxFrequency = 20000.0;

    MGDoubleProperty amplitude{0.0};
    MGDoubleProperty frequency{440.0};
    // 1 plays the sine; any other value plays noise.
    MGIntProperty waveform{1};

    MGSignal output;
    // The sine is a point (x, y) turned by the angle of one sample each
    // step; y is the output.
    float sinW;
    float cosW;
    float x = 1.0f;
    float y = 0.0f;
    // Left at its construction range: noise in [0, 1).
    MGNoiseSource noise;
    MGSmoother gain{MGSampleRate, 0.0f, MGSmoother::kCutoff20Hz};

    ODTestSignalGenerator();

    void Process() override;
    void InitPropertyInfo() override;

private:
    void SetRotation(float w);
};
