#pragma once

// Listening to a signal the way the tests need to: the power at one
// frequency (Goertzel), the strongest frequency in a band (a plain DFT,
// slow but exact enough for test lengths), level measures, and the impulse
// and step responses of anything that turns one block of samples into
// another. Header-only; all arithmetic in double precision.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <numbers>
#include <vector>

namespace analysis {

inline constexpr double kSampleRate = 44100.0;

// Mean power of the component at `hz` over x[from...], in the units of a
// sine's square amplitude / 4 (a full-scale sine at `hz` gives 0.25 * n
// before the division by the length, so this is comparable across lengths).
inline double GoertzelPower(const std::vector<float>& x, double hz, std::size_t from = 0,
                            double rate = kSampleRate) {
    if (from >= x.size())
        return 0.0;
    const double w = 2.0 * std::numbers::pi * hz / rate, c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (std::size_t i = from; i < x.size(); ++i) {
        const double s0 = x[i] + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return (s1 * s1 + s2 * s2 - c * s1 * s2) / static_cast<double>(x.size() - from);
}

// The amplitude of the sine at `hz` in x[from...] (exact for a whole
// number of periods, close otherwise).
inline double AmplitudeAt(const std::vector<float>& x, double hz, std::size_t from = 0,
                          double rate = kSampleRate) {
    if (from >= x.size())
        return 0.0;
    const double n = static_cast<double>(x.size() - from);
    return 2.0 * std::sqrt(GoertzelPower(x, hz, from, rate) / n);
}

// The frequency between `low` and `high` Hz, searched in `step` Hz, whose
// component is strongest.
inline double PeakFrequency(const std::vector<float>& x, double low, double high,
                            double step = 1.0, std::size_t from = 0,
                            double rate = kSampleRate) {
    double best = low, bestPower = -1.0;
    for (double hz = low; hz <= high; hz += step) {
        const double p = GoertzelPower(x, hz, from, rate);
        if (p > bestPower) {
            bestPower = p;
            best = hz;
        }
    }
    return best;
}

inline double Rms(const std::vector<float>& x, std::size_t from = 0) {
    if (from >= x.size())
        return 0.0;
    double sum = 0.0;
    for (std::size_t i = from; i < x.size(); ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / static_cast<double>(x.size() - from));
}

inline float Peak(const std::vector<float>& x, std::size_t from = 0) {
    float p = 0.0f;
    for (std::size_t i = from; i < x.size(); ++i)
        p = std::max(p, std::fabs(x[i]));
    return p;
}

inline std::vector<float> Sine(double hz, double amplitude, std::size_t length,
                               double rate = kSampleRate) {
    std::vector<float> x(length);
    for (std::size_t i = 0; i < length; ++i)
        x[i] = static_cast<float>(amplitude *
                                  std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) /
                                           rate));
    return x;
}

// A system under test: the whole input in, the whole output back, of the
// same length (the caller feeds it block by block as it needs).
using System = std::function<std::vector<float>(const std::vector<float>&)>;

inline std::vector<float> ImpulseResponse(const System& system, std::size_t length) {
    std::vector<float> impulse(length, 0.0f);
    if (length > 0)
        impulse[0] = 1.0f;
    return system(impulse);
}

inline std::vector<float> StepResponse(const System& system, std::size_t length) {
    return system(std::vector<float>(length, 1.0f));
}

} // namespace analysis
