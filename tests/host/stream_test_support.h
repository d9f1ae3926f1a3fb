#pragma once

// What the stream tests share: a signal whose every sample is non-zero and
// tells its frame number (so buffers can be recognised and inserted silence
// stands out), and the fades written out plainly as the reference.

#include <vector>

inline short TestLeft(long frame) {
    return static_cast<short>(frame % 30011 + 1);
}
inline short TestRight(long frame) {
    return static_cast<short>(-(frame % 29009) - 1);
}

inline void FillTestSignal(short* buffer, long firstFrame, int frames) {
    for (int i = 0; i < frames; ++i) {
        buffer[2 * i] = TestLeft(firstFrame + i);
        buffer[2 * i + 1] = TestRight(firstFrame + i);
    }
}

inline std::vector<short> TestSignal(long firstFrame, int frames) {
    std::vector<short> data(static_cast<size_t>(frames) * 2);
    FillTestSignal(data.data(), firstFrame, frames);
    return data;
}

// Gain from 0 up (in) or from 1 down (out) by 1/frames per frame, as single
// precision, each sample truncated toward zero.
inline std::vector<short> Faded(std::vector<short> data, bool in) {
    const int frames = static_cast<int>(data.size() / 2);
    const float step = 1.0f / static_cast<float>(frames);
    float gain = in ? 0.0f : 1.0f;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            short& s = data[static_cast<size_t>(2 * i + c)];
            s = static_cast<short>(static_cast<float>(s) * gain);
        }
        gain = in ? gain + step : gain - step;
    }
    return data;
}
