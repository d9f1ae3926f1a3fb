#pragma once

#include <optional>

// Seeds for the noise sources. By default each source is seeded from the
// clock, so two runs differ. A fixed seed makes a run repeatable bit for bit:
// the n-th seed asked for after it is set is seed + n, so sources created in
// the same order get the same seeds.
void MGSetNoiseSeed(std::optional<unsigned> seed);
unsigned MGNoiseSeed();
