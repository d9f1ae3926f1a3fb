#pragma once

// Numbers whose exact digits decide a sound or a display, named once. They
// are kept as written, not recomputed: a "better" 2π would change every
// generator's pitch by a few parts in a billion and every golden file with
// it.

// 2π to seven digits, as the generators turn a frequency into a rotation
// per sample: f × MGTwoPi7 / MGSampleRate.
inline constexpr double MGTwoPi7 = 6.283185;

// MGTwoPi7 × 440: the test generator's rotation numerator before any
// frequency has been set, 440 Hz at MGSampleRate.
inline constexpr double MGTwoPi7Times440 = 2764.601402282715;

// Level meters fall by this factor per block (about −4.5 dB per 5.8 ms
// block: a peak fades from the meter in a fraction of a second). The
// output meter takes it through single precision (0.5952381f), the input
// meters in double.
inline constexpr double MGOutputMeterDecay = 0.5952381138223105;
inline constexpr double MGInputMeterDecay = 0.5952380952380952;

// The sample peaks the meters call full scale: a block that reaches 32767
// reads slightly above 1, so that a clipping take lights the last segment.
inline constexpr float MGOutputMeterFullScale = 32765.0f;
inline constexpr float MGInputMeterFullScale = 32766.0f;
