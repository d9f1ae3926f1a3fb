#pragma once

// Tables of N + 1 floats read by interpolation: entry N repeats entry 0 so a
// read anywhere in [0, N] stays inside the array and wraps smoothly. Filled
// once, outside the sample loops (sine partials, the pan law, a WAV file).

#include <cstdint>
#include <memory>
#include <string>

#include "signal/interpolation.h"
#include "signal/wave_file_info.h"

class MGFunctionTable {
public:
    const std::uint32_t length;
    float* const data;

    explicit MGFunctionTable(std::uint32_t n);
    MGFunctionTable(const MGFunctionTable&) = delete;
    MGFunctionTable& operator=(const MGFunctionTable&) = delete;
    ~MGFunctionTable();

    void Clear();

    // Adds sin(2 pi h i / N + phase) * amplitude + offset to every entry.
    // The harmonic may be fractional; the offset accumulates per call.
    void AddSine(float harmonic, float amplitude, float phaseDegrees, float offset);

    // Scales the table so that its largest magnitude is `peak` (an all-zero
    // table stays zero).
    void Normalize(float peak);

    // The pan law: 1.0 at 0, about 1.2071 at 0.25, 1.0 at 0.5, 0.0 at 1.
    // One side of a pan position x reads it at x, the other at 1 - x.
    void MakePanCurve();

    // Reads the 16-bit PCM samples of a mono or stereo WAV file (stereo is
    // summed at 0.76), cut at N frames, the rest zeroed. A file that fails
    // the probe leaves the table as it was. `info`, when given, receives
    // the probe result.
    void LoadWave(const std::string& fileName, WaveFileInfo* info = nullptr);
};

// Steps a fractional phase through a table, one interpolated value per call.
// The owner sets the frequency by writing increment = N / (rate / frequency).
class MGOscillator {
public:
    double phase = 0.0;
    double increment = 1.0;
    const MGFunctionTable* table;

    explicit MGOscillator(const MGFunctionTable* t) : table(t) {}

    float Tick() {
        const double n = table->length;
        const float v = MGInterpLookup(table->data, static_cast<float>(phase));
        phase += increment;
        // Strict test: a phase of exactly N reads the guard entry.
        if (phase > n) {
            phase -= n;
            if (phase > n)
                phase = Wrap(phase, n);
        } else if (!(phase >= 0.0)) {
            phase = Wrap(phase, n);
        }
        return v;
    }

    // Places the phase at a fraction of the table (1.0 means N, not 0).
    void SetPhase(double fraction) {
        const double n = table->length;
        if (fraction > 1.0 || !(fraction >= 0.0))
            fraction = Wrap(fraction, 1.0);
        phase = fraction * n;
    }

private:
    // The rare cases: more than one table length per step, or a value that
    // is negative or not a number. Keeps the result in (0, n] like repeated
    // subtraction would, and never lets a bad value reach the table read.
    static double Wrap(double p, double n);
};
