#include "modules/raster/plasma.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "modules/framework/controls.h"
#include "modules/framework/module_memory.h"
#include "modules/raster/raster_kit.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/surface.h"
#include "render/tiling.h"

namespace ztx {

namespace {

constexpr int kColors = kPaletteEntries;
constexpr int kStepsPerFrame = 512;
constexpr int kFirstView = 127;  // the finished corner is shown once larger
// Depth-first subdivision keeps about three rectangles a halving level.
constexpr int kStackSize = 128;
constexpr uint32_t kFirstUpdateMs = 500;

struct Box {
    int32_t x0, y0, x1, y1;
};

// The module's working state (one instance). The tile buffer and its header
// live from the start of a cloud until it is finished.
struct PlasmaState {
    int32_t w = 0, h = 0, stride = 0;  // tile size
    uint8_t* bits = nullptr;           // stride x h, 0 = not yet computed
    IndexDib* header = nullptr;
    int roughness = 10;
    float factor = 0.5f;
    uint32_t updateMs = 5000, durationMs = 30000;
    int effect = 0, applied = -1;
    int xTiling = 1, yTiling = 1, tileType = 0;
    Box stack[kStackSize] = {};
    int count = 0;
    uint32_t nextUpdate = 0;
    bool waiting = false;
    uint32_t waitEnd = 0;
    unsigned clouds = 0;
};

PlasmaState g_plasma;

void FreeTile(PlasmaState& s) {
    FreeModuleMemory(s.bits);
    FreeModuleMemory(s.header);
    s.bits = nullptr;
    s.header = nullptr;
    s.count = 0;
}

inline bool Later(uint32_t now, uint32_t tick) { return static_cast<int32_t>(now - tick) > 0; }

inline uint8_t& At(PlasmaState& s, int x, int y) { return s.bits[size_t(y) * s.stride + x]; }

void StartCloud(ModuleRecord* record, PlasmaState& s) {
    ++s.clouds;
    RandomizeControls(record);
    EvolveControls(record);
    const int32_t* c = record->Control;
    s.roughness = c[kPlasmaRoughness] == 100 ? Rand15() % 60 + 20 : c[kPlasmaRoughness];
    s.factor = float(s.roughness) * 0.05f;
    s.updateMs = uint32_t(std::max(c[kPlasmaUpdateInterval], 0)) * 1000u;
    s.durationMs = uint32_t(std::max(c[kPlasmaDuration], 0)) * 1000u;
    s.effect = c[kPlasmaEffect];
    s.xTiling = std::max(c[kPlasmaXTiling], 1);
    s.yTiling = std::max(c[kPlasmaYTiling], 1);
    s.tileType = c[kPlasmaTileType];

    FreeTile(s);
    s.w = std::max(record->Width, 0) / s.xTiling;
    s.h = std::max(record->Height, 0) / s.yTiling;
    s.stride = DibStride(s.w, 8);
    if (s.w > 0 && s.h > 0) {
        s.bits = static_cast<uint8_t*>(AllocateModuleMemory(size_t(s.stride) * s.h));
        s.header = static_cast<IndexDib*>(AllocateModuleMemory(sizeof(IndexDib)));
        if (!s.bits || !s.header) {
            ReportAllocationFailure();
            FreeTile(s);
        }
    }
    if (auto* dc = static_cast<DrawContext*>(record->Dc)) SetStretchColorOnColor(*dc);
    s.waiting = false;
    if (s.bits) {
        *s.header =
            IndexDib{.width = s.w, .height = s.h, .table = kIdentityIndices, .tableCount = kColors, .bits = s.bits};
        s.stack[0] = Box{0, 0, s.w - 1, s.h - 1};
        s.count = 1;
        At(s, 0, 0) = static_cast<uint8_t>(Rand15() % kColors);
        At(s, 0, s.h - 1) = static_cast<uint8_t>(Rand15() % kColors);
        At(s, s.w - 1, 0) = static_cast<uint8_t>(Rand15() % kColors);
        At(s, s.w - 1, s.h - 1) = static_cast<uint8_t>(Rand15() % kColors);
    }
    s.nextUpdate = GetTickCount() + kFirstUpdateMs;
}

// ---- growing --------------------------------------------------------------

// A point between a and b not yet computed: their mean displaced at random
// by up to half the roughness factor times their distance.
void SetEdge(PlasmaState& s, int x, int y, int ax, int ay, int bx, int by) {
    uint8_t& p = At(s, x, y);
    if (p != 0) return;
    const int mean = (At(s, ax, ay) + At(s, bx, by)) >> 1;
    const double spread = double(s.factor) * (std::abs(ax - bx) + std::abs(ay - by));
    const int v = static_cast<int>((RandomFraction() - 0.5) * spread + mean);
    p = static_cast<uint8_t>(v < 0 ? 5 : v >= kColors ? 231 : v);
}

void Subdivide(PlasmaState& s) {
    for (int step = 0; step < kStepsPerFrame && s.count > 0; ++step) {
        const Box b = s.stack[--s.count];
        if (b.x1 - b.x0 <= 1 && b.y1 - b.y0 <= 1) continue;
        const int xm = (b.x0 + b.x1) >> 1, ym = (b.y0 + b.y1) >> 1;
        SetEdge(s, xm, b.y0, b.x0, b.y0, b.x1, b.y0);
        SetEdge(s, b.x1, ym, b.x1, b.y0, b.x1, b.y1);
        SetEdge(s, xm, b.y1, b.x0, b.y1, b.x1, b.y1);
        SetEdge(s, b.x0, ym, b.x0, b.y0, b.x0, b.y1);
        At(s, xm, ym) =
            static_cast<uint8_t>((At(s, b.x0, b.y0) + At(s, b.x1, b.y0) + At(s, b.x0, b.y1) + At(s, b.x1, b.y1)) >> 2);
        if (s.count + 4 > kStackSize) continue;  // cannot happen below 2^40 pixels a side
        s.stack[s.count++] = Box{xm, b.y0, b.x1, ym};
        s.stack[s.count++] = Box{b.x0, b.y0, xm, ym};
        s.stack[s.count++] = Box{xm, ym, b.x1, b.y1};
        s.stack[s.count++] = Box{b.x0, ym, xm, b.y1};
    }
}

// Computed pixels on the diagonal from the shown top-left corner inward.
int Progress(PlasmaState& s) {
    int a = 0;
    for (int y = s.h - 1; y > 0 && a < s.w && At(s, a, y) != 0; --y) ++a;
    return a;
}

// ---- showing --------------------------------------------------------------

// Stretches (sx, sy, sw, sh) of the tile, counted from its first stored row,
// over the source tile: tile (0, 0), or the mirrored tile (1, 0) for "Tile
// Type" 1; then copies it into the other tiles.
void Show(PlasmaState& s, DrawContext& dc, int sy, int sw, int sh) {
    if (s.tileType == 1)
        DrawIndexDib(dc, 2 * s.w - 1, 0, -s.w, s.h, *s.header, 0, sy, sw, sh);
    else
        DrawIndexDib(dc, 0, 0, s.w, s.h, *s.header, 0, sy, sw, sh);
    if (s.xTiling + s.yTiling > 2) ReplicateTile(dc, s.xTiling, s.yTiling, s.w, s.h, s.tileType);
}

}  // namespace

// ---- finishing transforms -----------------------------------------------------

namespace {

// The weave rule: a flag inverted at the start of every row (or row pair)
// and after every element; an element is swapped only while it is false.
struct Weave {
    bool flag = false;
    void Row() { flag = !flag; }
    bool Take() {
        const bool take = !flag;
        flag = !flag;
        return take;
    }
};

void PointMirror(uint8_t* bits, int w, int h, int stride) {
    Weave weave;
    for (int y = 0; y <= h - 2; ++y) {
        weave.Row();
        for (int x = 0; x <= (w - 1) / 2; ++x)
            if (weave.Take()) std::swap(bits[y * stride + x], bits[(h - 1 - y) * stride + (w - 1 - x)]);
    }
}

void LeftRightMirror(uint8_t* bits, int w, int h, int stride) {
    Weave weave;
    for (int y = 0; y <= h - 2; ++y) {
        weave.Row();
        for (int x = 0; x <= (w - 1) / 2; ++x)
            if (weave.Take()) std::swap(bits[y * stride + x], bits[y * stride + (w - 1 - x)]);
    }
}

void TopBottomMirror(uint8_t* bits, int w, int h, int stride) {
    if (h - 1 <= 1) return;
    Weave weave;
    for (int k = 0; k <= (h - 1) / 2 - 1; ++k) {
        weave.Row();
        for (int x = 0; x <= w - 3; ++x)
            if (weave.Take()) std::swap(bits[k * stride + x], bits[(h - 1 - k) * stride + x]);
    }
}

// Pixels of 128 and more take the copy's pixel mirrored left-right and/or
// top-bottom.
void ReplaceBright(uint8_t* bits, const uint8_t* copy, int w, int h, int stride, bool mirrorX, bool mirrorY) {
    for (int y = 0; y <= h - 2; ++y) {
        const uint8_t* from = copy + size_t(mirrorY ? h - 1 - y : y) * stride;
        uint8_t* row = bits + size_t(y) * stride;
        for (int x = 0; x <= w - 2; ++x)
            if (row[x] >= 128) row[x] = from[mirrorX ? w - 1 - x : x];
    }
}

}  // namespace

void PlasmaTransform(uint8_t* bits, int w, int h, int stride, int n) {
    if (w <= 0 || h <= 0) return;
    if (n > 10) {
        SmoothIndexPicture(bits, stride, w - 4, h - 4);
        n -= 10;
    }
    if (n == 10) {
        SmoothIndexPicture(bits, stride, w - 4, h - 4);
        return;
    }
    if (n >= 4 && n <= 9) {
        const size_t bytes = size_t(stride) * h;
        auto* copy = static_cast<uint8_t*>(AllocateModuleMemory(bytes));
        if (copy == nullptr) return;  // the cloud stays as grown
        std::memcpy(copy, bits, bytes);
        const int kind = (n - 4) % 3;  // 4 and 7: both ways; 5 and 8: left-right; 6 and 9: top-bottom
        ReplaceBright(bits, copy, w, h, stride, kind != 2, kind != 1);
        FreeModuleMemory(copy);
        if (n >= 7) PointMirror(bits, w, h, stride);
        return;
    }
    switch (n) {
        case 1:
            PointMirror(bits, w, h, stride);
            break;
        case 2:
            LeftRightMirror(bits, w, h, stride);
            break;
        case 3:
            TopBottomMirror(bits, w, h, stride);
            break;
        default:
            break;
    }
}

int PlasmaDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kPlasmaRoughness, .name = "Roughness", .store = 0, .min = 1, .max = 100, .value = 10},
        {.slot = kPlasmaUpdateInterval, .name = "Update Interval", .store = 1, .min = 1, .max = 30, .value = 5},
        {.slot = kPlasmaEffect, .name = "Effect", .store = 2, .max = 20, .check = kCheckRandom},
        {.slot = kPlasmaDuration, .name = "Duration", .store = 3, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kPlasmaXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 16, .value = 1},
        {.slot = kPlasmaYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 16, .value = 1},
        {.slot = kPlasmaTileType, .name = "Tile Type", .store = 12, .max = 3},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int PlasmaInitialize(ModuleRecord* record) {
    StartCloud(record, g_plasma);
    return 0;
}

int PlasmaDrawFrame(ModuleRecord* record) {
    PlasmaState& s = g_plasma;
    if (!DrawGate(record->Control[kDrawStartSlot], record->Control[kDrawStopSlot])) return kFrameSkipped;
    const uint32_t now = GetTickCount();
    if (s.waiting) {
        if (!Later(now, s.waitEnd)) return 0;
        s.waiting = false;
    }
    auto* dc = static_cast<DrawContext*>(record->Dc);
    if (s.bits == nullptr || dc == nullptr) return 0;

    Subdivide(s);
    const int a = Progress(s);
    if (a <= kFirstView && s.count > 0) return 0;
    if (!Later(now, s.nextUpdate)) return 0;

    if (s.count > 0) {
        const int rows = std::min(a, s.h);
        Show(s, *dc, s.h - rows, std::min(a, s.w), rows);
        s.nextUpdate = now + s.updateMs;
        return 0;
    }
    s.applied = s.effect == 0 ? Rand15() % 20 : s.effect;
    PlasmaTransform(s.bits, s.w, s.h, s.stride, s.applied);
    Show(s, *dc, 0, s.w, s.h);
    // The next cloud is seeded now and grows once the finished one has
    // been shown for "Duration" seconds.
    StartCloud(record, s);
    s.waiting = true;
    s.waitEnd = now + s.durationMs;
    return 0;
}

int PlasmaClose(ModuleRecord*) {
    PlasmaState& s = g_plasma;
    FreeTile(s);
    s.waiting = false;
    s.nextUpdate = 0;
    s.clouds = 0;
    s.applied = -1;
    return 0;
}

PlasmaInfo PlasmaCurrent() {
    const PlasmaState& s = g_plasma;
    return PlasmaInfo{s.bits != nullptr, s.roughness, s.applied, s.count, s.waiting, s.clouds};
}

}  // namespace ztx
