#pragma once

#include "signal/signal.h"

// One-pole DC-blocking high-pass filter (pole at 0.999655, gain normalised
// so the passband is unity). Keeps offsets from building up in feedback.
class MGDCBlocker {
public:
    float x1 = 0.0f;
    float y1 = 0.0f;

    float Filter(float x) {
        // Single-precision constants; the three products in this order.
        constexpr float g = 0.9998270273208618f;
        constexpr float R = 0.99965500831604f;
        const float y = g * x - g * x1 + R * y1;
        x1 = x;
        y1 = y;
        return y;
    }

    // `in` and `out` may be the same signal.
    void FilterBlock(const MGSignal& in, MGSignal& out) {
        for (int i = 0; i < MGBlockSize; ++i)
            out.samples[i] = Filter(in.samples[i]);
    }
};
