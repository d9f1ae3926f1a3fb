#pragma once

// Flushes denormal numbers to zero while the guard lives, on the calling
// thread only. Recursive filters decaying towards silence otherwise reach
// denormal range, where every operation can cost a hundred times more and a
// quiet passage turns into a load spike. What is flushed lies below 1e-38,
// far beneath anything a 16-bit sample can show.

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

class MGDenormalGuard {
public:
#if defined(__SSE2__)
    MGDenormalGuard() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
    }
    ~MGDenormalGuard() {
        _mm_setcsr(saved_);
    }

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
#else
    MGDenormalGuard() = default;
#endif

public:
    MGDenormalGuard(const MGDenormalGuard&) = delete;
    MGDenormalGuard& operator=(const MGDenormalGuard&) = delete;
};
