#include "platform/random.h"

#include <atomic>

namespace ztx {

namespace {
// Several threads may draw numbers; the update is one atomic step so that no
// draw is lost or repeated.
std::atomic<uint32_t> g_state{1};
}  // namespace

int Rand15() {
    uint32_t old = g_state.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = old * 214013u + 2531011u;
    } while (!g_state.compare_exchange_weak(old, next, std::memory_order_relaxed));
    return static_cast<int>((next >> 16) & 32767u);
}

double RandomFraction() { return Rand15() / 32767.0; }

void SeedRandom(uint32_t seed) { g_state.store(seed, std::memory_order_relaxed); }

uint32_t RandomState() { return g_state.load(std::memory_order_relaxed); }

}  // namespace ztx
