#pragma once

// Where a value sits between a minimum and a maximum: the mapping shared by
// the knob and the sliders, between a position 0 ... 1 and a value.

// Tick marks of the knob and the sliders: none, every `Frequency` value
// units, or at values listed with AddTick.
enum VXTickStyle { tsNone, tsAuto, tsManual };

// Logarithmic and octave scales place values identically; they differ only
// in the base of the logarithms used (10 and 2).
enum class VXScaleKind { Linear, Log10, Log2 };

// The value at position p on a scale from a (p = 0) to b (p = 1).
double VXScaleValue(double p, double a, double b, VXScaleKind kind);

// The position of v: 1 above b, 0 below a, otherwise the inverse mapping.
// A logarithmic scale whose bounds are not both positive falls back to the
// linear mapping (a logarithm of them has no value); an empty range gives 0.
double VXScalePosition(double v, double a, double b, VXScaleKind kind);

// The values a + k * frequency (k = 1, 2, ...) below b, at most `limit` of
// them; none for a spacing that is not positive.
template <typename F> void VXForEachAutoTick(double a, double b, double frequency, F f) {
    if (!(frequency > 0.0))
        return;
    constexpr int limit = 1000;
    for (int k = 1; k <= limit; ++k) {
        double v = a + k * frequency;
        if (!(v < b))
            break;
        f(v);
    }
}
