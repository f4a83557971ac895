#include "modules/raster/ray.h"

#include <algorithm>
#include <cmath>

#include "modules/framework/controls.h"
#include "modules/framework/module_memory.h"
#include "modules/raster/raster_kit.h"
#include "palette/palette.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/sine_table.h"
#include "render/tiling.h"

namespace ztx {

namespace {

constexpr int kRingsPerFrame = 3;
constexpr int kColors = kPaletteEntries;

// What the modulation added to each byte was computed for; the terms are
// kept until the type, frequency or amplitude changes.
struct ModulationKey {
    int type = -1;
    double frequency = 0;
    int amplitude = 0;
    bool operator==(const ModulationKey&) const = default;
};

// The module's working state (one instance). The buffers are allocated in
// RayAllocate and freed in RayClose; `ready` says they all exist.
struct RayState {
    bool ready = false;
    int32_t width = 0, height = 0;
    int32_t length = 0;  // L = 2 x (width + height)

    uint8_t* line = nullptr;      // L bytes (and 10 spare)
    int32_t* terms = nullptr;     // what modulation adds at each position (types 0, 2, 3)
    int32_t byteTerms[256] = {};  // what it adds to each byte value (type 1)
    ModulationKey modulation;
    RingCanvas canvas;

    double frequency = 1;  // F
    int amplitude = 1;     // A
    int fold = 0;
    int shift = 0;
    int type = 0;
    int diffuse = 0;
    int xTiling = 1, yTiling = 1, tileType = 0;

    RingRect cycle;
    CycleTimer timer;
    unsigned cycles = 0;
};

RayState g_ray;

void FreeBuffers(RayState& s) {
    FreeModuleMemory(s.line);
    FreeModuleMemory(s.terms);
    FreeRingCanvas(s.canvas);
    s.line = nullptr;
    s.terms = nullptr;
    s.ready = false;
}

// The line rises from 0 by density x 0.05 a byte and bounces between 235
// and 0.
void FillTriangle(RayState& s, int density) {
    double level = 0, step = density * 0.05;
    for (int i = 0; i < s.length; ++i) {
        level += step;
        if (static_cast<int>(level) >= 237) {
            level = 235;
            step = -step;
        } else if (level < 0) {
            level = 0;
            step = -step;
        }
        s.line[i] = static_cast<uint8_t>(level);
    }
}

void StartCycle(ModuleRecord* record, RayState& s) {
    ++s.cycles;
    RandomizeControls(record);
    EvolveControls(record);
    const int32_t* c = record->Control;
    s.frequency = Rand15() % 6 + c[kRayFrequency];
    s.amplitude = Rand15() % 6 + c[kRayAmplitude];
    const int density = Rand15() % 6 + c[kRayDensity];
    s.fold = 2 * c[kRayFolding];
    s.shift = c[kRayShiftRate];
    s.type = c[kRayType];
    SetCyclePause(s.timer, c[kRayDuration]);
    s.xTiling = c[kRayXTiling];
    s.yTiling = c[kRayYTiling];
    s.tileType = c[kRayTileType];
    s.diffuse = c[kRayDiffuse];
    s.cycle = RingRect{0, 0, s.width - 1, s.height - 1};
    if (auto* dc = static_cast<DrawContext*>(record->Dc)) SetStretchColorOnColor(*dc);
    FillTriangle(s, density);
}

// ---- the line each frame ----------------------------------------------------

// Positive rates move byte `shift` to the start, negative ones rotate the
// other way.
void Rotate(RayState& s, int shift) {
    const int by = (shift >= 0 ? shift : -shift) % s.length;
    if (by == 0) return;
    uint8_t* first = s.line;
    uint8_t* last = s.line + s.length;
    std::rotate(first, shift > 0 ? first + by : last - by, last);
}

// What the modulation adds, for the current type, F and A: computed once
// and kept while they stay, so a frame is one table look-up a byte. The
// divisions by F stay divisions (a reciprocal would round differently).
void ComputeTerms(RayState& s, const ModulationKey& key) {
    const double f = key.frequency;
    const int a = key.amplitude;
    switch (key.type) {
        case 0:
            for (int i = 0; i < s.length; ++i) s.terms[i] = a + static_cast<int>(std::sin(i / f) * a) + 1;
            break;
        case 1:
            for (int b = 0; b < 256; ++b) s.byteTerms[b] = a + static_cast<int>(a * std::sin(b / f)) + 1;
            break;
        case 2: {
            const int step = static_cast<int>(f);
            for (int i = 0, k = 0; i < s.length; ++i, k += step) s.terms[i] = a + ((a * SineTable[k & 2047]) >> 12) + 1;
            break;
        }
        default:
            for (int i = 0; i < s.length; ++i)
                s.terms[i] = a + a * SineTable[static_cast<int>(i / f * 2048) & 2047] / 16383 + 1;
            break;
    }
    s.modulation = key;
}

// The remainder by 236 kept non-negative, so every byte stays a palette entry.
inline uint8_t Wrap(int v) {
    const int r = v % kColors;
    return static_cast<uint8_t>(r < 0 ? r + kColors : r);
}

void Modulate(RayState& s, const ModulationKey& key) {
    if (!(s.modulation == key)) ComputeTerms(s, key);
    uint8_t* line = s.line;
    if (key.type == 1) {
        for (int i = 0; i < s.length; ++i) line[i] = Wrap(line[i] + s.byteTerms[line[i]]);
    } else {
        for (int i = 0; i < s.length; ++i) line[i] = Wrap(line[i] + s.terms[i]);
    }
}

// ---- rings ----------------------------------------------------------------

// Copies `count` line bytes from `from`, forward or backward, `step` bytes apart.
void CopyLine(const RayState& s, uint8_t* out, int step, int from, int count, bool backward) {
    const uint8_t* line = s.line + from;
    if (backward)
        for (int j = 0; j < count; ++j) out[j * step] = *(line - j);
    else
        for (int j = 0; j < count; ++j) out[j * step] = line[j];
}

// Unfolded: the whole line once around the ring, counter-clockwise from the
// bottom-left corner, each side stretched from the picture's side.
void PaintWholeLine(RayState& s, DrawContext& dc, const RingRect& ring, int diffuse) {
    const int W = s.width, H = s.height, w = ring.Width(), h = ring.Height();
    StripBuffer& strip = s.canvas.strip;
    uint8_t* out = strip.pixels;
    CopyLine(s, out, 1, 0, W, false);
    Diffuse(out, W, 1, diffuse);
    DrawRowStripStretched(strip, dc, ring.left, ring.bottom, W, w);
    CopyLine(s, out, 4, W, H, false);
    Diffuse(out, H, 4, diffuse);
    DrawColumnStripStretched(strip, dc, ring.right, ring.top, H, h);
    CopyLine(s, out, 1, 2 * W + H - 1, W, true);
    Diffuse(out, W, 1, diffuse);
    DrawRowStripStretched(strip, dc, ring.left, ring.top, W, w);
    CopyLine(s, out, 4, 2 * W + 2 * H - 1, H, true);
    Diffuse(out, H, 4, diffuse);
    DrawColumnStripStretched(strip, dc, ring.left, ring.top, H, h);
}

void DrawRing(RayState& s, DrawContext& dc, int fold, int diffuse, const RingRect& ring) {
    if (fold <= 0) {
        PaintWholeLine(s, dc, ring, diffuse);
        return;
    }
    // The samples are the line's first bytes, the column's taken a ring
    // width further on; both copies are unshifted.
    const int w = ring.Width();
    PaintFoldedRing(s.canvas, dc, ring, FoldSpansOf(s.canvas, ring, fold), diffuse,
                    FoldCopies{.rowFrom = 0, .rowTo = 0, .columnFrom = 0, .columnDown = 0},
                    [&s, w](uint8_t* out, int step, const RingRun& run) {
                        CopyLine(s, out, step, run.first + (run.dx ? 0 : w), run.count, false);
                    });
}

}  // namespace

int RayDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kRayFrequency, .name = "Frequency", .store = 0, .min = 1, .max = 200, .value = 50, .animatable = true},
        {.slot = kRayAmplitude, .name = "Amplitude", .store = 1, .min = 1, .max = 200, .value = 12, .animatable = true},
        {.slot = kRayDensity, .name = "Density", .store = 2, .min = 1, .max = 500, .value = 1},
        {.slot = kRayFolding, .name = "Folding", .store = 3, .max = 20, .value = 2, .animatable = true},
        {.slot = kRayShiftRate,
         .name = "Shift Rate",
         .store = 4,
         .min = -500,
         .max = 500,
         .value = 3,
         .animatable = true},
        {.slot = kRayType, .name = "Ray Type", .store = 5, .max = 3},
        {.slot = kRayDuration, .name = "Duration", .store = 6, .max = 1000, .value = 20},
        kStrengthControl,
        {.slot = kRayXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kRayYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kRayTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kRayDiffuse, .name = "Diffuse", .store = 14, .max = 64, .animatable = true},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int RayAllocate(ModuleRecord* record) {
    RayState& s = g_ray;
    FreeBuffers(s);
    s = RayState{};
    s.width = std::max(record->Width, 0);
    s.height = std::max(record->Height, 0);
    s.length = 2 * (s.width + s.height);
    s.line = static_cast<uint8_t*>(AllocateModuleMemory(size_t(s.length) + 10));
    s.terms = static_cast<int32_t*>(AllocateModuleMemory(size_t(s.length + 1) * sizeof(int32_t)));
    const bool canvas = AllocateRingCanvas(s.canvas, s.width, s.height);
    StartCycleTimer(s.timer);
    if (!s.line || !s.terms || !canvas) {
        ReportAllocationFailure();
        FreeBuffers(s);
        return 0;
    }
    s.ready = s.length > 0;
    return 0;
}

int RayInitialize(ModuleRecord* record) {
    if (g_ray.ready) StartCycle(record, g_ray);
    return 0;
}

int RayDrawFrame(ModuleRecord* record) {
    RayState& s = g_ray;
    const RasterFrame frame = BeginRasterFrame(record, s.ready, s.timer);
    if (frame.dc == nullptr) return frame.result;
    DrawContext& dc = *frame.dc;

    // Evolved values replace the cycle's own (the folding then undoubled);
    // an evolving "Density" keeps its phase moving but the line is filled
    // only at the start of a cycle.
    const double frequency = std::max(DrivenValue(record, kRayFrequency, 0), 1);
    const ModulationKey key{s.type, IsDriven(record->Check[kRayFrequency]) ? frequency : s.frequency,
                            DrivenValue(record, kRayAmplitude, s.amplitude)};
    DrivenValue(record, kRayDensity, 0);
    const int fold = DrivenValue(record, kRayFolding, s.fold);
    const int shift = DrivenValue(record, kRayShiftRate, s.shift);
    const int xTiling = std::max(DrivenValue(record, kRayXTiling, s.xTiling), 1);
    const int yTiling = std::max(DrivenValue(record, kRayYTiling, s.yTiling), 1);
    const int diffuse = DrivenValue(record, kRayDiffuse, s.diffuse);

    Rotate(s, shift);
    Modulate(s, key);

    const TileGrid grid = MakeTileGrid(s.width, s.height, xTiling, yTiling, s.tileType);
    const bool finished = PaintCycleRings(dc, grid, s.cycle, kRingsPerFrame, kRingsPerFrame, s.width, s.height,
                                          [&](const RingRect& ring) { DrawRing(s, dc, fold, diffuse, ring); });
    if (finished) {
        PauseAfterCycle(s.timer, frame.now);
        StartCycle(record, s);
    }
    return 0;
}

int RayClose(ModuleRecord*) {
    FreeBuffers(g_ray);
    return 0;
}

std::span<const uint8_t> RayLine() {
    const RayState& s = g_ray;
    if (!s.ready) return {};
    return {s.line, size_t(s.length)};
}

unsigned RayCycles() { return g_ray.cycles; }

}  // namespace ztx
