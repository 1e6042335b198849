#pragma once

#include <cstdint>

namespace ch {

// A small pseudo-random generator of our own. List files are scrambled with its numbers, so it
// must give the same sequence on every platform and compiler: integer arithmetic only, and each
// number is an exact 32-bit integer divided by 2^32.
class RandomGenerator {
  public:
    RandomGenerator() { Reset(); }
    // Back to the fixed initial state.
    void Reset();
    // Mixes a seed into the current state.
    void Seed(std::int32_t seed);
    // The next number, in [0, 1).
    double Next();

  private:
    std::uint32_t state_ = 0;
};

}  // namespace ch
