#include "modules/raster/stain.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "modules/framework/controls.h"
#include "modules/framework/module_memory.h"
#include "modules/raster/raster_kit.h"
#include "palette/palette.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/tiling.h"

namespace ztx {

namespace {

constexpr int kSlots = 5;  // distance-table entries per column or row
constexpr int kRingsPerFrame = 4;
constexpr int kColors = kPaletteEntries;

// The module's working state (one instance). The buffers are allocated in
// StainAllocate and freed in StainClose; `ready` says they all exist.
struct StainState {
    bool ready = false;
    int32_t w1 = -1, h1 = -1;  // width - 1, height - 1
    int32_t width = 0, height = 0;

    uint32_t* columnDistance = nullptr;  // (x - node x)^2, kSlots per column
    uint32_t* rowDistance = nullptr;     // (y - node y)^2, kSlots per row
    int32_t* sineProfile = nullptr;      // the warp's column and row table
    RingCanvas canvas;

    StainNode node[kSlots] = {};
    int nodes = 2;
    double diagonal = 1;  // D, at least 1
    float k1 = 0, k2 = 0;
    int type = 0;
    int fold = 0;
    int diffuse = 0;
    bool parametric = false;
    WarpRecord warp;
    bool turbulence = false;
    int turbulenceType = 0;
    int xTiling = 1, yTiling = 1, tileType = 0;

    int rings = 0;  // the ring counter
    CycleTimer timer;
    unsigned stains = 0;
};

StainState g_stain;

void FreeBuffers(StainState& s) {
    FreeModuleMemory(s.columnDistance);
    FreeModuleMemory(s.rowDistance);
    FreeModuleMemory(s.sineProfile);
    FreeRingCanvas(s.canvas);
    s.columnDistance = s.rowDistance = nullptr;
    s.sineProfile = nullptr;
    s.ready = false;
}

void FillDistances(StainState& s) {
    for (int x = 0; x <= s.w1; ++x)
        for (int i = 0; i < s.nodes; ++i) {
            const int64_t d = x - s.node[i].x;
            s.columnDistance[x * kSlots + i] = static_cast<uint32_t>(d * d);
        }
    for (int y = 0; y <= s.h1; ++y)
        for (int i = 0; i < s.nodes; ++i) {
            const int64_t d = y - s.node[i].y;
            s.rowDistance[y * kSlots + i] = static_cast<uint32_t>(d * d);
        }
}

// ---- pixel functions ------------------------------------------------------

inline void Warp(const StainState& s, int& x, int& y) {
    if (s.parametric) PolarMap(s.warp, x, y);
    if (s.turbulence) TurbulenceWarp(s.warp, x, y, s.turbulenceType);
}

// The squared distance of (x, y) to node i, from the two tables.
inline uint64_t Squared(const StainState& s, int x, int y, int i) {
    return uint64_t(s.columnDistance[x * kSlots + i]) + s.rowDistance[y * kSlots + i];
}

// trunc(d_i / D x 236): the distance to node i as a colour step. The
// division stays: a reciprocal rounds differently where d_i / D x 236 is a
// whole number (a node as far as D gives 236, not 235).
inline int Step(const StainState& s, int x, int y, int i) {
    return static_cast<int>(std::sqrt(double(Squared(s, x, y, i))) / s.diagonal * 236.0);
}

// Types 0, 2 and 4: the node steps combined by XOR, sum or OR.
template <class Combine>
int CombineSteps(const StainState& s, int x0, int y0, Combine combine) {
    int x = x0, y = y0;
    Warp(s, x, y);
    int v = Step(s, x, y, 0);
    for (int i = 1; i < s.nodes; ++i) v = combine(v, Step(s, x, y, i));
    return v;
}

// Type 1: the node colours weighted by squared distance.
int Weighted(const StainState& s, int x0, int y0) {
    int x = x0, y = y0;
    Warp(s, x, y);
    uint64_t sum = 0, total = 0;
    for (int i = 0; i < s.nodes; ++i) {
        const uint64_t g = Squared(s, x, y, i);
        sum += uint64_t(s.node[i].color) * g;
        total += g;
    }
    return total < 4 ? 0 : static_cast<int>(sum / (total >> 2));
}

// Type 5: the strength of a field whose sources are the nodes.
int Field(const StainState& s, int x0, int y0) {
    int x = x0, y = y0;
    Warp(s, x, y);
    int64_t a = 0, b = 0;
    for (int i = 0; i < s.nodes; ++i) {
        const int64_t g = int64_t(Squared(s, x, y, i));
        if (g == 0) {
            a = b = 0;
            break;
        }
        const int64_t dx = s.node[i].x - x, dy = s.node[i].y - y;
        const int64_t h = s.node[i].color * -dx * -dy;
        a += h * dx * 16 / g;
        b += h * dy * 16 / g;
    }
    const double ax = double(a >> 4), bx = double(b >> 4);
    return static_cast<int>(static_cast<int64_t>(std::sqrt(bx * bx + ax * ax)) >> 7);
}

inline uint8_t Color(int v) { return static_cast<uint8_t>(v % kColors); }

// Types 7..9 choose by the colour type 1 gives the pixel.
inline int Choice(const StainState& s, int x0, int y0) { return Color(Weighted(s, x0, y0)) / 20 % 3; }

int Value(const StainState& s, int type, int x0, int y0) {
    switch (type) {
        case 0:
            return CombineSteps(s, x0, y0, [](int a, int b) { return a ^ b; });
        case 1:
            return Weighted(s, x0, y0);
        case 2:
            return CombineSteps(s, x0, y0, [](int a, int b) { return a + b; });
        case 3: {
            const int m = static_cast<int>(std::floor(float(y0) * s.k2)) % kColors;
            int x = x0, y = y0;
            Warp(s, x, y);
            return m ^ (static_cast<int>(std::floor(float(x) * s.k1)) % kColors);
        }
        case 4:
            return CombineSteps(s, x0, y0, [](int a, int b) { return a | b; });
        case 5:
            return Field(s, x0, y0);
        case 6:
            return Value(s, ((x0 + y0) & 1) ? 2 : 1, x0, y0);
        case 7: {
            static constexpr int kBy[3] = {0, 1, 4};
            return Value(s, kBy[Choice(s, x0, y0)], x0, y0);
        }
        case 8:
            switch (Choice(s, x0, y0)) {
                case 1:
                    return Value(s, 0, s.w1 - x0, y0);
                case 2:
                    return Value(s, 0, x0, s.h1 - y0);
                default:
                    return Value(s, 0, x0, y0);
            }
        default:  // 9
            switch (Choice(s, x0, y0)) {
                case 1:
                    return Value(s, 1, x0, s.h1 - y0);
                case 2:
                    return Value(s, 1, s.w1 - x0, s.h1 - y0);
                default:
                    return Value(s, 1, s.w1 - x0, y0);
            }
    }
}

void FillRun(const StainState& s, uint8_t* out, int step, const RingRun& run) {
    int x = run.x, y = run.y;
    for (int i = 0; i < run.count; ++i, x += run.dx, y += run.dy) out[i * step] = Color(Value(s, s.type, x, y));
}

// ---- stain start ----------------------------------------------------------

// A random coordinate 4 .. span - 5 (the middle on pictures too small for that).
int NodeCoordinate(int span) {
    const int r = Rand15();
    return span > 8 ? r % (span - 8) + 4 : span / 2;
}

void StartStain(ModuleRecord* record, StainState& s) {
    ++s.stains;
    RandomizeControls(record);
    EvolveControls(record);
    const int32_t* c = record->Control;
    s.nodes = std::clamp(c[kStainNodes], 2, kStainMaxNodes);
    s.fold = 2 * c[kStainFolding];
    s.type = c[kStainType];
    SetCyclePause(s.timer, c[kStainDuration]);
    s.diffuse = c[kStainDiffuse];
    s.parametric = c[kStainParametric] != 0;
    s.xTiling = c[kStainXTiling];
    s.yTiling = c[kStainYTiling];
    s.tileType = c[kStainTileType];

    if (s.type > 9 || s.type < 0) {
        s.nodes = Rand15() % (s.nodes - 1) + 2;
        s.type = Rand15() % kStainPixelTypes;
    }
    s.rings = 0;
    if (auto* dc = static_cast<DrawContext*>(record->Dc)) SetStretchColorOnColor(*dc);

    s.k1 = float(RandomFraction() * (4 * s.nodes * 0.02));
    s.k2 = float(RandomFraction() * (4 * s.nodes * 0.02));
    s.turbulence = SetUpTurbulence(s.warp, c[kStainTurbulence], c[kStainTurbulenceType], s.turbulenceType);
    const double w1 = s.w1, h1 = s.h1;
    s.diagonal = std::max(std::trunc(std::sqrt(w1 * w1 + h1 * h1)), 1.0);
    for (int i = 0; i < s.nodes; ++i) {
        s.node[i].x = NodeCoordinate(s.w1);
        s.node[i].y = NodeCoordinate(s.h1);
        s.node[i].color = (i & 1) ? Rand15() % 59 : 235 - Rand15() % 59;
    }
    FillDistances(s);
}

// ---- drawing --------------------------------------------------------------

void DrawRing(StainState& s, DrawContext& dc, int fold, int diffuse, const RingRect& ring) {
    auto fill = [&s](uint8_t* out, int step, const RingRun& run) { FillRun(s, out, step, run); };
    if (fold <= 0) {
        PaintPlainRing(s.canvas, dc, ring, diffuse, fill);
        return;
    }
    // The copies shift along the shorter fold only.
    const FoldSpans spans = FoldSpansOf(s.canvas, ring, fold);
    const FoldCopies copies{.rowFrom = spans.nW < spans.nH ? -1 : 0,
                            .rowTo = 0,
                            .columnFrom = spans.nH < spans.nW ? 1 : 0,
                            .columnDown = 0};
    PaintFoldedRing(s.canvas, dc, ring, spans, diffuse, copies, fill);
}

}  // namespace

int StainDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kStainNodes, .name = "Nodes", .store = 0, .min = 2, .max = 4, .value = 2},
        {.slot = kStainFolding, .name = "Folding", .store = 1, .max = 20, .animatable = true},
        {.slot = kStainType, .name = "Type", .store = 2, .max = 10, .value = 4},
        {.slot = kStainParametric, .name = "Parametric", .store = 8, .max = 1},
        {.slot = kStainTurbulence, .name = "Turbulence", .store = 6, .max = 100},
        {.slot = kStainTurbulenceType, .name = "Turbulence Type", .store = 7, .max = 5, .value = 1},
        {.slot = kStainDuration, .name = "Duration", .store = 3, .min = 1, .max = 1000, .value = 20},
        kStrengthControl,
        {.slot = kStainXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kStainYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kStainTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kStainDiffuse, .name = "Diffuse", .store = 14, .max = 64, .animatable = true},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int StainAllocate(ModuleRecord* record) {
    StainState& s = g_stain;
    FreeBuffers(s);
    s = StainState{};
    s.width = std::max(record->Width, 0);
    s.height = std::max(record->Height, 0);
    s.w1 = s.width - 1;
    s.h1 = s.height - 1;
    s.columnDistance = static_cast<uint32_t*>(AllocateModuleMemory((size_t(s.width) * kSlots + 10) * 4));
    s.rowDistance = static_cast<uint32_t*>(AllocateModuleMemory((size_t(s.height) * kSlots + 10) * 4));
    const bool canvas = AllocateRingCanvas(s.canvas, s.width, s.height);
    const int profile = std::max(s.width, s.height);
    s.sineProfile = static_cast<int32_t*>(AllocateModuleMemory(size_t(profile) * sizeof(int32_t)));
    StartCycleTimer(s.timer);
    if (!s.columnDistance || !s.rowDistance || !canvas || !s.sineProfile) {
        ReportAllocationFailure();
        FreeBuffers(s);
        return 0;
    }
    FillSineProfile(s.sineProfile, profile);
    AttachWarpTables(s.warp, s.width, s.height, s.sineProfile, s.sineProfile);
    s.ready = true;
    return 0;
}

int StainInitialize(ModuleRecord* record) {
    if (g_stain.ready) StartStain(record, g_stain);
    return 0;
}

int StainDrawFrame(ModuleRecord* record) {
    StainState& s = g_stain;
    const RasterFrame frame = BeginRasterFrame(record, s.ready, s.timer);
    if (frame.dc == nullptr) return frame.result;
    DrawContext& dc = *frame.dc;

    const int fold = DrivenValue(record, kStainFolding, s.fold);
    const int xTiling = std::max(DrivenValue(record, kStainXTiling, s.xTiling), 1);
    const int yTiling = std::max(DrivenValue(record, kStainYTiling, s.yTiling), 1);
    const int diffuse = DrivenValue(record, kStainDiffuse, s.diffuse);

    const TileGrid grid = MakeTileGrid(s.width, s.height, xTiling, yTiling, s.tileType);
    // A single tile the tile type leaves out: nothing to draw.
    if (!TileDrawn(0, 0, s.tileType) && xTiling == 1 && yTiling == 1) return 0;

    // The seed ring is the tile's centre line, grown by the rings so far.
    const int tw = s.w1 / xTiling, th = s.h1 / yTiling;
    RingRect tile = th < tw ? RingRect{th >> 1, th >> 1, tw - (th >> 1), th >> 1}
                            : RingRect{tw >> 1, tw >> 1, tw >> 1, th - (tw >> 1)};
    tile.Grow(s.rings);

    bool finished = false;
    for (int i = 0; i < kRingsPerFrame; ++i) {
        if (tile.left < 0 || tile.top < 0) {
            finished = true;
            break;
        }
        const RingRect source = SourceRing(tile, grid, s.width, s.height);
        if (!source.Empty()) {
            DrawRing(s, dc, fold, diffuse, source);
            ReplicateRing(dc, grid, source, tile);
        }
        tile.Grow(1);
        ++s.rings;
    }
    if (finished) {
        PauseAfterCycle(s.timer, frame.now);
        StartStain(record, s);
    }
    return 0;
}

int StainClose(ModuleRecord*) {
    FreeBuffers(g_stain);
    return 0;
}

StainInfo StainCurrent() {
    const StainState& s = g_stain;
    StainInfo info{s.ready, s.type, s.nodes, {}, s.rings, s.stains};
    for (int i = 0; i < kStainMaxNodes; ++i) info.node[i] = s.node[i];
    return info;
}

void StainMoveNode(int i, int x, int y) {
    StainState& s = g_stain;
    if (!s.ready || i < 0 || i >= s.nodes) return;
    s.node[i].x = x;
    s.node[i].y = y;
    FillDistances(s);
}

int StainPixel(int x, int y) {
    const StainState& s = g_stain;
    if (!s.ready || x < 0 || y < 0 || x > s.w1 || y > s.h1) return -1;
    return Color(Value(s, s.type, x, y));
}

}  // namespace ztx
