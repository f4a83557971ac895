// One full sine period in 2048 signed entries of amplitude 16382, shared by
// the coordinate warps, the raster generators and the palette engine.
#pragma once
#include <cstdint>

namespace ztx {

// Entry i = 16382 * sin(2 * pi * (i + 1) / 2048), rounded.
extern const int32_t SineTable[2048];

// The factor a table value becomes wherever one is needed: value / 32766,
// in [-0.5, +0.5].
constexpr float kSineFactor = 3.0519441e-05f;

}  // namespace ztx
