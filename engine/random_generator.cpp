#include "engine/random_generator.h"

namespace ch {
namespace {

constexpr std::uint32_t kInitialState = 0x9E3779B9u;

// Spreads every input bit over the whole word, so nearby seeds give unrelated sequences.
std::uint32_t Mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

}  // namespace

void RandomGenerator::Reset() {
    state_ = kInitialState;
}

void RandomGenerator::Seed(std::int32_t seed) {
    state_ = Mix(state_ ^ static_cast<std::uint32_t>(seed));
}

double RandomGenerator::Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(Mix(state_)) / 4294967296.0;
}

}  // namespace ch
