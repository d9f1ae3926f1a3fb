#pragma once

#include <cstdint>

// A sample to 16 bits as the sound card and WAV files get it: scaled by
// 32767, truncated toward zero, clipped to +-32767 (-32768 is never
// written). Not-a-number becomes silence rather than a full-scale click.
inline std::int16_t ODSampleToInt16(float sample) {
    double v = static_cast<double>(sample) * 32767.0;
    v = v == v ? v : 0.0;
    v = v > 32767.0 ? 32767.0 : v;
    v = v < -32767.0 ? -32767.0 : v;
    return static_cast<std::int16_t>(static_cast<int>(v));
}

inline constexpr float ODInt16Scale = 1.0f / 32768.0f; // 2^-15
