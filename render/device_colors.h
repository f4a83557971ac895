// The device colour table: what each of the surface's 256 device indices
// looks like right now. Indices 0..9 and 246..255 are the 20 fixed colours;
// index 10 + i shows animated palette entry i (0..235), which the palette
// thread replaces as it cycles and fades. The presenter and captures read the
// table whole.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

namespace ztx {

// One colour as the palette engine produces it (red, green, blue, flags).
struct PaletteColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;
};

constexpr int kStaticCount = 20;
constexpr int kAnimatedCount = 236;
constexpr int kFirstAnimated = 10;  // device index of palette entry 0

// The colour of static device index d (0..9 or 246..255) as 0x00RRGGBB.
uint32_t StaticColorRgb(int device);

class DeviceColorTable {
public:
    DeviceColorTable();
    // Replaces animated entries first..first+count-1 (clipped to 0..235).
    void SetAnimated(const PaletteColor* colors, int first, int count);
    // Copies all 256 device colours as 0x00RRGGBB.
    void Read(uint32_t out[256]) const;
    // Counts every change, so a presenter can tell when to show again.
    uint32_t Generation() const { return generation_.load(std::memory_order_acquire); }

private:
    mutable std::mutex lock_;
    uint32_t rgb_[256];
    std::atomic<uint32_t> generation_{0};
};

// The process's device colour table (the one the presenter shows).
DeviceColorTable& DeviceColors();

}  // namespace ztx
