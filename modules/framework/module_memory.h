// Working memory of the effect modules: zero-filled blocks a module takes in
// DoPreInitialize and gives back in DoClose. A module whose allocation failed
// keeps a null pointer, draws nothing and never crashes; the one test hook
// below lets tests and tools make any chosen allocation fail, so every
// module's failure path can be exercised the same way.
#pragma once
#include <cstddef>

namespace ztx {

// Zero-filled memory of `bytes` bytes (at least one), or null when it cannot
// be had or a failure was asked for. Free with FreeModuleMemory.
void* AllocateModuleMemory(size_t bytes);
// Frees memory from AllocateModuleMemory; null is ignored.
void FreeModuleMemory(void* memory);
// Test hook: after `after` more calls of AllocateModuleMemory succeed, the
// next `count` calls fail. A count of 0 ends an earlier request.
void FailModuleAllocations(int count, int after = 0);

}  // namespace ztx
