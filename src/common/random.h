// The one random generator of the program: a 32-bit Mersenne Twister with a written-out range reduction,
// so that a seed gives the same world with every compiler and standard library.
#pragma once

#include <cstdint>
#include <random>

struct Rng {
    std::mt19937 gen;
    explicit Rng(uint32_t seed = 5489u) : gen(seed) {}
    void Seed(uint32_t seed) { gen.seed(seed); }
};

// Uniform integer 0..n inclusive; 0 for n < 0.
inline int32_t Random(Rng& rng, int32_t n) {
    if (n < 0) return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(rng.gen()) * (static_cast<uint64_t>(n) + 1)) >> 32);
}
