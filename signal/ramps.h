#pragma once

// Click-free parameter changes: a linear glide over one block, a one-pole
// exponential smoother, and the equal-power wet/dry blend. Each is a value
// member of the processor that owns it and is touched only by its Process().

#include <algorithm>
#include <cmath>

#include "signal/signal.h"

// A value that glides linearly to each new target over exactly one block.
// The first target is taken at once, so a processor starts at its settings
// instead of gliding up from zero.
class MGVInterp {
public:
    int remaining = -1; // steps still to take; -1 until the first target
    double value = 0.0;
    double increment = 0.0;

    void SetTarget(double x) {
        if (remaining < 0) {
            value = x;
            remaining = 0;
        } else {
            remaining = MGBlockSize;
            increment = (x - value) / MGBlockSize;
        }
    }

    double Step() {
        if (remaining > 0) {
            value += increment;
            --remaining;
        }
        return value;
    }

    // Advances by a whole block at once, for values needed once per block.
    double StepBlock() {
        const int n = std::min(remaining, MGBlockSize);
        if (n > 0) {
            value += n * increment;
            remaining -= n;
        }
        return value;
    }

    void Apply(const MGSignal& input, MGSignal& output) {
        const int ramp = RampFrames();
        for (int i = 0; i < ramp; ++i)
            output.samples[i] = static_cast<float>(input.samples[i] * Step());
        const double v = value;
        for (int i = ramp; i < MGBlockSize; ++i)
            output.samples[i] = static_cast<float>(input.samples[i] * v);
    }

    void ApplyAdd(const MGSignal& input, MGSignal& output) {
        const int ramp = RampFrames();
        for (int i = 0; i < ramp; ++i)
            output.samples[i] = static_cast<float>(output.samples[i] + input.samples[i] * Step());
        const double v = value;
        for (int i = ramp; i < MGBlockSize; ++i)
            output.samples[i] = static_cast<float>(output.samples[i] + input.samples[i] * v);
    }

private:
    // The frames of this block that still move the value; the rest of the
    // block runs a plain constant-gain loop the compiler can vectorise.
    int RampFrames() const { return std::clamp(remaining, 0, MGBlockSize); }
};

// One-pole smoother: y moves towards the target by (1 - k) of the distance
// per step. The pole comes from a cutoff frequency and the rate at which
// the owner steps it (per sample or per block).
class MGSmoother {
public:
    float rate = static_cast<float>(MGSampleRate);
    float value = 0.0f;
    float oneMinusK = 0.0f;
    float k = 1.0f;
    float target = 0.0f;

    static constexpr double kCutoff5Hz = 31.415926;   // 2 pi x 5 Hz
    static constexpr double kCutoff20Hz = 125.663704; // 2 pi x 20 Hz

    MGSmoother() = default;
    MGSmoother(double stepRate, float initial, double omega) { Setup(stepRate, initial, omega); }

    void Setup(double stepRate, float initial, double omega) {
        rate = static_cast<float>(stepRate);
        value = initial;
        target = initial;
        const double b = 2.0 - std::cos(omega / rate);
        k = static_cast<float>(b - std::sqrt(b * b - 1.0));
        oneMinusK = 1.0f - k;
    }

    void SetTarget(float x) { target = x; }

    float Step() {
        value = oneMinusK * target + k * value;
        return value;
    }

    void Apply(const MGSignal& input, MGSignal& output) {
        for (int i = 0; i < MGBlockSize; ++i)
            output.samples[i] = Step() * input.samples[i];
        FlushTiny();
    }

    void ApplyAdd(const MGSignal& input, MGSignal& output) {
        for (int i = 0; i < MGBlockSize; ++i)
            output.samples[i] += Step() * input.samples[i];
        FlushTiny();
    }

    // A gain that has all but decayed is set to exactly zero, so it never
    // lingers in denormal range and a silenced input really is silent.
    void FlushTiny() {
        if (value > -1e-8f && value < 1e-7f)
            value = 0.0f;
    }
};

// Equal-power blend: at m = 0.5 both sides get about 0.707.
class MGWetDryMix {
public:
    float wet = 1.0f;
    float dry = 0.0f;

    void SetMix(double m) {
        const float mf = static_cast<float>(m);
        const double e = mf * 1.5708 - 0.785398;
        wet = static_cast<float>((std::cos(e) + std::sin(e)) * 0.707);
        dry = static_cast<float>((std::cos(e) - std::sin(e)) * 0.707);
    }

    // wetInOut holds the wet signal and receives the blend.
    void Apply(const MGSignal& dryInput, MGSignal& wetInOut) const {
        const float w = wet, d = dry;
        for (int i = 0; i < MGBlockSize; ++i)
            wetInOut.samples[i] = wetInOut.samples[i] * w + dryInput.samples[i] * d;
    }
};
