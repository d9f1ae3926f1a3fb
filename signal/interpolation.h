#pragma once

#include <cstdint>

// The two per-sample helpers that the table, delay and oscillator loops call.
// Both are inline so the compiler can fold them into those loops.

// Linear interpolation in a table of N + 1 entries whose entry N repeats
// entry 0. Callers keep 0 <= position <= N. At an integral position the entry
// itself is returned exactly, and a read at exactly N touches nothing past
// entry N.
inline float MGInterpLookup(const float* table, float position) {
    const int i = static_cast<int>(position);
    const float frac = position - static_cast<float>(i);
    const int j = i + (frac > 0.0f ? 1 : 0);
    return table[i] + frac * (table[j] - table[i]);
}

// Integer part of a non-negative value (truncation toward zero).
inline std::int32_t MGTruncate(float x) {
    return static_cast<std::int32_t>(x);
}
