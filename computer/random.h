// The coin of the computer's tie-breaks.
#pragma once

#include <cstdint>
#include <random>

namespace orbel {

class RandomSource {
  public:
    explicit RandomSource(uint32_t seed = 1) : engine_(seed) {}
    void Seed(uint32_t seed) { engine_.seed(seed); }
    void SeedFromClock();
    // A whole number in 0..n-1: n times a uniform single-precision fraction, truncated.
    int RandomBelow(int n);

  private:
    std::mt19937 engine_;
};

}  // namespace orbel
