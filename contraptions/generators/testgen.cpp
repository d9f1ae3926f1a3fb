#include "contraptions/generators/testgen.h"

#include <cmath>

#include "signal/bounded.h"
#include "signal/constants.h"
#include "signal/noise_seed.h"

ODTestSignalGenerator::ODTestSignalGenerator() : MGSignalProcessor(nullptr, 0, 1) {
    SetOutletSignal(0, &output);
    SetRotation(static_cast<float>(MGTwoPi7Times440 / MGSampleRate)); // 440 Hz
    noise.Seed(MGNoiseSeed());
}

void ODTestSignalGenerator::InitPropertyInfo() {
    static MGPropertyList::Info info;
    propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
        r.Add(amplitude, "Amplitude");
        r.Add(frequency, "Frequency");
        r.Add(waveform, "Waveform", "0 - noise, 1 - sine wave");
    });
}

void ODTestSignalGenerator::SetRotation(float w) {
    sinW = static_cast<float>(std::sin(static_cast<double>(w)));
    cosW = static_cast<float>(std::cos(static_cast<double>(w)));
}

void ODTestSignalGenerator::Process() {
    if (waveform.Value() == 1) {
        // The point carries on from where it is, so a new frequency
        // continues the phase without a jump.
        // Below the window's range the tone would stand still as a
        // constant offset, and an infinite one would turn the point into
        // NaN for good.
        if (frequency.TestAndClearChanged()) {
            const double f = MGBounded(frequency.Value(), MinFrequency, MaxFrequency, 440.0);
            SetRotation(static_cast<float>(static_cast<float>(f) * MGTwoPi7 / MGSampleRate));
        }
        const float s = sinW, c = cosW;
        float px = x, py = y;
        for (int i = 0; i < MGBlockSize; ++i) {
            const float nx = c * px - s * py;
            const float ny = px * s + c * py;
            px = nx;
            py = ny;
            output.samples[i] = ny;
        }
        // With the sine and cosine rounded to floats the turn is not
        // exactly a rotation: the radius grows or shrinks by about one part
        // in 10^8 per sample, which is a percent a minute, and over an hour
        // doubles the level or fades it to nothing. Putting the point back
        // on the unit circle once per block stops the creep; within a block
        // the samples are those of the plain recursion.
        const double r2 = static_cast<double>(px) * px + static_cast<double>(py) * py;
        if (r2 > 0.0 && std::isfinite(r2)) {
            const double scale = 1.0 / std::sqrt(r2);
            x = static_cast<float>(px * scale);
            y = static_cast<float>(py * scale);
        } else {
            x = 1.0f;
            y = 0.0f;
        }
    } else {
        noise.Fill(output);
    }
    if (amplitude.TestAndClearChanged())
        gain.SetTarget(static_cast<float>(MGBounded(amplitude.Value(), 0.0, MaxAmplitude, 0.0)));
    gain.Apply(output, output);
}
