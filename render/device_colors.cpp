#include "render/device_colors.h"

#include <algorithm>

namespace ztx {

namespace {
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }
constexpr uint32_t kLowStatics[10] = {Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),   Rgb(128, 128, 0),
                                      Rgb(0, 0, 128),     Rgb(128, 0, 128),   Rgb(0, 128, 128), Rgb(192, 192, 192),
                                      Rgb(192, 220, 192), Rgb(166, 202, 240)};
constexpr uint32_t kHighStatics[10] = {Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),
                                       Rgb(0, 255, 0),     Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),
                                       Rgb(0, 255, 255),   Rgb(255, 255, 255)};
}  // namespace

uint32_t StaticColorRgb(int device) {
    if (device >= 0 && device < 10) return kLowStatics[device];
    if (device >= 246 && device < 256) return kHighStatics[device - 246];
    return 0;
}

DeviceColorTable::DeviceColorTable() {
    for (int d = 0; d < 256; ++d) rgb_[d] = StaticColorRgb(d);
}

void DeviceColorTable::SetAnimated(const PaletteColor* colors, int first, int count) {
    int lo = std::max(first, 0), hi = std::min(first + count, kAnimatedCount);
    if (lo >= hi) return;
    {
        std::lock_guard<std::mutex> g(lock_);
        for (int i = lo; i < hi; ++i) {
            const PaletteColor& c = colors[i - first];
            rgb_[kFirstAnimated + i] = Rgb(c.red, c.green, c.blue);
        }
    }
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

void DeviceColorTable::Read(uint32_t out[256]) const {
    std::lock_guard<std::mutex> g(lock_);
    std::copy(rgb_, rgb_ + 256, out);
}

DeviceColorTable& DeviceColors() {
    static DeviceColorTable table;
    return table;
}

}  // namespace ztx
