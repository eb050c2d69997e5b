#include "computer/random.h"

#include <chrono>

namespace orbel {

void RandomSource::SeedFromClock() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count() ^
                       std::chrono::system_clock::now().time_since_epoch().count();
    engine_.seed(static_cast<uint32_t>(ticks ^ (ticks >> 32)));
}

int RandomSource::RandomBelow(int n) {
    // 24 random bits make every fraction exactly representable in a float.
    const float r = static_cast<float>(engine_() >> 8) * (1.0f / 16777216.0f);
    return static_cast<int>(static_cast<float>(n) * r);
}

}  // namespace orbel
