#pragma once

// One block of mono audio and its block arithmetic.
//
// The block length and the sample rate are fixed at compile time: every
// signal, delay line and table is sized from them before any audio exists,
// and a constant block length lets the compiler unroll and vectorise every
// per-sample loop of the program.

inline constexpr int MGBlockSize = 256;
inline constexpr double MGSampleRate = 44100.0;

class MGSignal;

// The value of `signal * k`: adding or assigning it works sample by sample,
// so `a += b * k` forms no intermediate block. The operands are referenced,
// not copied: a term lives only inside the expression that uses it.
struct MGScaledSignalTerm {
    const MGSignal& a;
    float k;
};

// The value of `a * b`, used the same way.
struct MGSignalProductTerm {
    const MGSignal& a;
    const MGSignal& b;
};

class MGSignal {
public:
    // The samples live inside the object: a block never changes length, is
    // never shared, and needs no allocation when a processor is built on the
    // processing side of a lock.
    alignas(64) float samples[MGBlockSize];

    constexpr explicit MGSignal(float fill = 0.0f) : samples{} {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] = fill;
    }
    constexpr MGSignal(const MGSignal& other) : samples{} {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] = other.samples[i];
    }

    float& operator[](int i) { return samples[i]; }
    float operator[](int i) const { return samples[i]; }

    MGSignal& operator=(const MGSignal& other) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] = other.samples[i];
        return *this;
    }
    MGSignal& operator=(float v) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] = v;
        return *this;
    }
    MGSignal& operator+=(const MGSignal& other) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] += other.samples[i];
        return *this;
    }
    MGSignal& operator+=(float v) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] += v;
        return *this;
    }
    MGSignal& operator-=(const MGSignal& other) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] -= other.samples[i];
        return *this;
    }
    MGSignal& operator-=(float v) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] -= v;
        return *this;
    }
    MGSignal& operator*=(const MGSignal& other) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] *= other.samples[i];
        return *this;
    }
    MGSignal& operator*=(float v) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] *= v;
        return *this;
    }
    MGSignal& operator/=(const MGSignal& other) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] /= other.samples[i];
        return *this;
    }
    MGSignal& operator/=(float v) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] /= v;
        return *this;
    }

    MGSignal& operator+=(const MGScaledSignalTerm& t) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] += t.a.samples[i] * t.k;
        return *this;
    }
    MGSignal& operator+=(const MGSignalProductTerm& t) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] += t.a.samples[i] * t.b.samples[i];
        return *this;
    }
    MGSignal& operator=(const MGScaledSignalTerm& t) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] = t.a.samples[i] * t.k;
        return *this;
    }
    MGSignal& operator=(const MGSignalProductTerm& t) {
        for (int i = 0; i < MGBlockSize; ++i)
            samples[i] = t.a.samples[i] * t.b.samples[i];
        return *this;
    }
};

inline MGScaledSignalTerm operator*(const MGSignal& a, float k) {
    return {a, k};
}
inline MGScaledSignalTerm operator*(float k, const MGSignal& a) {
    return {a, k};
}
inline MGSignalProductTerm operator*(const MGSignal& a, const MGSignal& b) {
    return {a, b};
}

// The zero block every unconnected inlet reads. Processors compare an inlet's
// signal pointer with its address to skip work. Never written.
extern const MGSignal MGSilentSignal;

// What every outlet holds until its processor assigns its own signal. Outlet
// signals are writable (the feedback limiter works on them in place), so this
// one is not const; nothing may write it, and the limiter skips it.
extern MGSignal MGDefaultOutletSignal;
