#include "modules/framework/module_memory.h"

#include <atomic>
#include <cstdlib>

namespace ztx {

namespace {

// Allocations still to succeed before the failures start, and the failures
// asked for. Modules allocate on the animation thread while a test may set
// the hook from its own.
std::atomic<int> g_passesBeforeFailing{0};
std::atomic<int> g_failures{0};

// Takes one from a positive counter; false when it was already 0.
bool TakeOne(std::atomic<int>& counter) {
    int pending = counter.load(std::memory_order_relaxed);
    while (pending > 0) {
        if (counter.compare_exchange_weak(pending, pending - 1, std::memory_order_relaxed)) return true;
    }
    return false;
}

}  // namespace

void* AllocateModuleMemory(size_t bytes) {
    if (g_failures.load(std::memory_order_relaxed) > 0 && !TakeOne(g_passesBeforeFailing) && TakeOne(g_failures)) {
        return nullptr;
    }
    return std::calloc(1, bytes == 0 ? 1 : bytes);
}

void FreeModuleMemory(void* memory) { std::free(memory); }

void FailModuleAllocations(int count, int after) {
    g_failures.store(0, std::memory_order_relaxed);
    g_passesBeforeFailing.store(after > 0 ? after : 0, std::memory_order_relaxed);
    g_failures.store(count > 0 ? count : 0, std::memory_order_relaxed);
}

}  // namespace ztx
