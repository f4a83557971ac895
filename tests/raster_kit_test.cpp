// The raster kit's own routines where a module test would not see a fault.
#include "modules/raster/raster_kit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ztx {
namespace {

// Smoothing in bands of transposed columns gives exactly what the rule
// says: in place, column by column, each column upward, so smoothed pixels
// feed the later ones; the rest of the picture is untouched.
TEST(RasterKit, SmoothingMatchesTheColumnByColumnRule) {
    for (auto [w, h, lastColumn, lastRow] :
         {std::tuple{70, 9, 67, 6}, {33, 40, 31, 37}, {5, 5, 1, 1}, {3, 3, 1, 1}, {100, 3, 97, 1}, {4, 4, 0, 3}}) {
        const int stride = (w + 3) & ~3;
        std::vector<uint8_t> picture(size_t(stride) * h);
        uint32_t r = 12345;
        for (uint8_t& p : picture) p = uint8_t((r = r * 1103515245u + 12345u) >> 24);
        std::vector<uint8_t> expected = picture;
        for (int x = 1; x <= lastColumn; ++x)
            for (int y = 1; y <= lastRow; ++y) {
                int sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) sum += expected[size_t(y + dy) * stride + x + dx];
                expected[size_t(y) * stride + x] = uint8_t(sum / 9);
            }
        SmoothIndexPicture(picture.data(), stride, lastColumn, lastRow);
        EXPECT_EQ(picture, expected) << w << "x" << h;
    }
}

}  // namespace
}  // namespace ztx
