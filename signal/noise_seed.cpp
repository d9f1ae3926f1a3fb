#include "signal/noise_seed.h"

#include <atomic>
#include <ctime>

namespace {
std::atomic<bool> fixedSeed{false};
std::atomic<unsigned> nextSeed{0};
} // namespace

void MGSetNoiseSeed(std::optional<unsigned> seed) {
    nextSeed.store(seed.value_or(0));
    fixedSeed.store(seed.has_value());
}

unsigned MGNoiseSeed() {
    if (fixedSeed.load())
        return nextSeed.fetch_add(1);
    return static_cast<unsigned>(std::time(nullptr));
}
