#pragma once

#include <cstdint>

#include "signal/signal.h"

// Linear-congruential noise. Seeded from the clock, it serves two uses: white
// noise in [0, 1) for the test generator, and, with offset and scale set to
// +-0.001/32768, a floor of inaudible noise that keeps recursive paths out
// of denormal numbers.
class MGNoiseSource {
public:
    std::int32_t seed = 0x5FF70000;
    double offset = 0.0;
    double scale = 1.0;

    static constexpr double kAntiDenormalOffset = -3.0517578125e-08;
    static constexpr double kAntiDenormalScale = 6.103515625e-08;

    void Seed(unsigned s) { seed = static_cast<std::int32_t>((s & 0x7FFFu) << 16); }

    // Switches to the anti-denormal range used by the limiter and by every
    // processor with a recursive path.
    void SetAntiDenormal() {
        offset = kAntiDenormalOffset;
        scale = kAntiDenormalScale;
    }

    double Next() {
        // The value comes from the state before it is advanced.
        const int v = (seed >> 16) & 0x7FFF;
        seed = static_cast<std::int32_t>(static_cast<std::uint32_t>(seed) * 1103515245u + 12345u);
        return v * static_cast<double>(3.0517578125e-05f) * scale + offset;
    }

    void Fill(MGSignal& s) {
        for (int i = 0; i < MGBlockSize; ++i)
            s.samples[i] = static_cast<float>(Next());
    }

    void Add(MGSignal& s) {
        for (int i = 0; i < MGBlockSize; ++i)
            s.samples[i] = static_cast<float>(s.samples[i] + Next());
    }
};
