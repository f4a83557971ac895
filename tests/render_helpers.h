// Helpers for the drawing-layer tests: small pictures as text, so expected
// pixels can be written out by hand.
#pragma once
#include <string>
#include <vector>

#include "render/draw.h"

namespace ztx_test {

// '.' black (0), '#' white (255), 'a'..'z' palette entries 0..25 (device
// 10..35), 'Z' entry 235 (device 245), 'g' grey 248, 'l' light grey 7,
// '?' anything else.
inline char PixelChar(int v) {
    if (v == 0) return '.';
    if (v == 255) return '#';
    if (v >= 10 && v < 36) return static_cast<char>('a' + (v - 10));
    if (v == 245) return 'Z';
    if (v == 248) return 'g';
    if (v == 7) return 'l';
    return '?';
}

inline std::vector<std::string> Picture(const ztx::Bitmap8& b) {
    std::vector<std::string> rows;
    for (int y = 0; y < b.height; ++y) {
        std::string r;
        for (int x = 0; x < b.width; ++x) r += PixelChar(b.pixels[size_t(y) * b.width + x]);
        rows.push_back(r);
    }
    return rows;
}

inline int CountValue(const ztx::Bitmap8& b, int v) {
    int n = 0;
    for (uint8_t p : b.pixels) n += p == v;
    return n;
}

// A context on a fresh black bitmap.
struct TestCanvas {
    ztx::Bitmap8 bitmap;
    ztx::DrawContext dc;
    TestCanvas(int w, int h) {
        ztx::CreateBitmap8(bitmap, w, h);
        ztx::AttachBitmap(dc, bitmap);
    }
    std::vector<std::string> Rows() const { return Picture(bitmap); }
    int At(int x, int y) const { return bitmap.pixels[size_t(y) * bitmap.width + x]; }
    void Fill(int v) { std::fill(bitmap.pixels.begin(), bitmap.pixels.end(), uint8_t(v)); }
};

}  // namespace ztx_test
