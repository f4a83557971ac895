// An 8-bit picture of noise for presentation benchmarks: every pixel looks
// its own entry up, so no run of equal pixels makes the expansion easy.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ztx {

inline std::vector<uint8_t> NoisePicture(int w, int h) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * static_cast<size_t>(h));
    uint32_t s = 12345;
    for (auto& b : p) {
        s = s * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(s >> 24);
    }
    return p;
}

}  // namespace ztx
