// Memory held through operator new by the benchmark program, for benchmarks
// that report how much a piece of work holds at once. The program replaces
// the global operator new and delete (heap_counter.cpp) to count it.
#pragma once
#include <cstddef>

namespace ztx {

// Bytes held now.
size_t HeldBytes();
// Starts a new peak at what is held now.
void ResetPeakBytes();
// The most bytes held at once since ResetPeakBytes.
size_t PeakBytes();

}  // namespace ztx
