// The one process-wide 15-bit pseudo-random generator. Nothing else in the
// program draws random numbers, so a fixed seed reproduces a whole run.
#pragma once
#include <cstdint>

namespace ztx {

constexpr int kRandMax = 32767;

// Next value 0..32767: state = state * 214013 + 2531011 (mod 2^32),
// value = (state >> 16) & 32767.
int Rand15();
// A random fraction 0..1: the next value divided by 32767.
double RandomFraction();
// Sets the generator's state (the animation seeds it with the tick count).
void SeedRandom(uint32_t seed);
// The current state, for tests and for saving a run's position.
uint32_t RandomState();

}  // namespace ztx
