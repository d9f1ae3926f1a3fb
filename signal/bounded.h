#pragma once

// Values that processors take from their properties come from windows, but
// also from documents and presets, which may hold anything a number can
// be: 1e308 makes a gain infinite once it is narrowed to a sample, and an
// infinity or NaN in a block stays for good in every filter and loop it
// reaches. Processors therefore hold such values to a range where they
// take them into use.

// `v` held to [lo, hi]; NaN, which no comparison orders, becomes `ifNaN`.
inline double MGBounded(double v, double lo, double hi, double ifNaN) {
    if (v != v)
        return ifNaN;
    return v < lo ? lo : (v > hi ? hi : v);
}

// The largest gain a mixing processor applies from one property. Above
// every gain knob (1, and 1.5 on the crossfader), because documents may
// drive a feedback loop a little above unity (the limiter holds it); four
// times (+12 dB) is far beyond any mix.
inline constexpr double MGMaxPropertyGain = 4.0;
