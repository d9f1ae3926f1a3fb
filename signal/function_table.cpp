#include "signal/function_table.h"

#include <cmath>
#include <cstdio>
#include <vector>

MGFunctionTable::MGFunctionTable(std::uint32_t n) : length(n), data(new float[n + 1]) {
    Clear();
}

MGFunctionTable::~MGFunctionTable() {
    delete[] data;
}

void MGFunctionTable::Clear() {
    for (std::uint32_t i = 0; i <= length; ++i)
        data[i] = 0.0f;
}

void MGFunctionTable::AddSine(float harmonic, float amplitude, float phaseDegrees, float offset) {
    // Extended precision, and the same 3.1415926 the stored tables were made
    // with, so that tables are identical from build to build.
    const long double pi = 3.1415926L;
    const long double phaseTerm = phaseDegrees * (1.0L / 180.0L) * pi;
    for (std::uint32_t i = 0; i < length; ++i) {
        const long double theta =
            (static_cast<long double>(i) / length) * pi * 2.0L * harmonic + phaseTerm;
        data[i] = static_cast<float>(data[i] + (std::sin(theta) * amplitude + offset));
    }
    data[length] = data[0];
}

void MGFunctionTable::Normalize(float peak) {
    float m = -3.4028234663852886e+38f;
    for (std::uint32_t i = 0; i < length; ++i)
        m = std::max(m, std::fabs(data[i]));
    const float factor = m != 0.0f ? peak / m : 0.0f;
    for (std::uint32_t i = 0; i < length; ++i)
        data[i] *= factor;
    data[length] = data[0];
}

void MGFunctionTable::MakePanCurve() {
    for (std::uint32_t i = 0; i <= length; ++i) {
        const float x = static_cast<float>(static_cast<double>(i) / length);
        data[i] = static_cast<float>(std::cos(x * 1.5707963) * 1.41421356 *
                                     std::sin(x * 1.5707963 + 0.785398163));
    }
}

void MGFunctionTable::LoadWave(const std::string& fileName, WaveFileInfo* info) {
    WaveFileInfo own;
    WaveFileInfo& probe = info != nullptr ? *info : own;
    ReadWaveFileInfo(fileName, probe);
    if (!probe.valid)
        return;
    const std::uint32_t n = std::min<std::uint32_t>(length, probe.frames);
    const int channels = probe.channels;
    if (channels == 1 || channels == 2) {
        std::vector<std::int16_t> samples(static_cast<size_t>(n) * channels, 0);
        if (std::FILE* f = std::fopen(fileName.c_str(), "rb")) {
            // A short read (the file changed since the probe) leaves zeros.
            if (std::fseek(f, static_cast<long>(probe.dataOffset), SEEK_SET) == 0) {
                std::vector<unsigned char> bytes(samples.size() * 2);
                const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
                for (size_t s = 0; s < got / 2; ++s)
                    samples[s] = static_cast<std::int16_t>(bytes[2 * s] | (bytes[2 * s + 1] << 8));
            }
            std::fclose(f);
        }
        constexpr float scale = 1.0f / 32768.0f;
        if (channels == 1) {
            for (std::uint32_t j = 0; j < n; ++j)
                data[j] = samples[j] * scale;
        } else {
            for (std::uint32_t j = 0; j < n; ++j)
                data[j] = static_cast<float>((samples[2 * j] * scale + samples[2 * j + 1] * scale) *
                                             0.76);
        }
    }
    // Other channel counts convert nothing; the tail is silenced either way.
    if (n < length) {
        for (std::uint32_t j = n; j <= length; ++j)
            data[j] = 0.0f;
    }
}

double MGOscillator::Wrap(double p, double n) {
    if (!std::isfinite(p) || n <= 0.0)
        return 0.0;
    const double r = std::fmod(p, n); // exact, sign of p
    return r <= 0.0 ? r + n : r;
}
