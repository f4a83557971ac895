#include "bench/heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> g_held{0};
std::atomic<size_t> g_peak{0};
}  // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    const size_t size = malloc_usable_size(p);
    const size_t held = g_held.fetch_add(size) + size;
    size_t peak = g_peak.load();
    while (held > peak && !g_peak.compare_exchange_weak(peak, held)) {
    }
    return p;
}

void operator delete(void* p) noexcept {
    if (!p) return;
    g_held.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace ztx {

size_t HeldBytes() { return g_held.load(); }
void ResetPeakBytes() { g_peak.store(g_held.load()); }
size_t PeakBytes() { return g_peak.load(); }

}  // namespace ztx
