// The random numbers of roost emission: one MT19937 generator with the
// standard seeding (5489 until reseeded), drawn only by roost_emit so that
// its sequence depends on nothing else. Main thread only.
#pragma once
#include <cstdint>
#include <random>

inline std::mt19937 roost_rng;

inline void roost_random_seed(uint32_t seed) { roost_rng.seed(seed); }
// Uniform in [0, 1): the next output with its top bit cleared, times 2^-31.
inline float roost_uniform() { return (float)((double)(roost_rng() & 0x7fffffffu) * (1.0 / 2147483648.0)); }
