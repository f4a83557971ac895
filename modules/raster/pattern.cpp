#include "modules/raster/pattern.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "modules/framework/controls.h"
#include "modules/framework/module_memory.h"
#include "modules/raster/raster_kit.h"
#include "palette/palette.h"
#include "palette/waves.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/tiling.h"

namespace ztx {

namespace {

constexpr int kWavelengths = 31;
constexpr int kMaxWaves = 30;
constexpr int kRingsPerFrame = 3;
constexpr int kColors = kPaletteEntries;

// The module's working state (one instance). The buffers are allocated in
// PatternAllocate and freed in PatternClose; `ready` says they all exist.
struct PatternState {
    bool ready = false;
    int32_t w1 = -1, h1 = -1;  // width - 1, height - 1
    int32_t width = 0, height = 0;

    int32_t* columns = nullptr;  // column profile C, w1 + 2 entries
    int32_t* rows = nullptr;     // row profile R, h1 + 2 entries
    int32_t* wave = nullptr;     // wave table T, 2048 entries
    RingCanvas canvas;

    float columnWavelength[kWavelengths] = {};
    float rowWavelength[kWavelengths] = {};
    int waves = 1;

    int type = 0;
    int shift = 6;
    int banding = 2049;
    float k1 = 0, k2 = 0;
    int divisor = 1;
    int fold = 0;
    int diffuse = 0;
    bool parametric = false;
    WarpRecord warp;
    bool turbulence = false;
    int turbulenceType = 0;
    int xTiling = 1, yTiling = 1, tileType = 0;

    RingRect cycle;  // the next ring to paint, on the whole picture
    CycleTimer timer;
    unsigned cycles = 0;
};

PatternState g_pattern;

void FreeBuffers(PatternState& s) {
    FreeModuleMemory(s.columns);
    FreeModuleMemory(s.rows);
    FreeModuleMemory(s.wave);
    FreeRingCanvas(s.canvas);
    s.columns = s.rows = s.wave = nullptr;
    s.ready = false;
}

// ---- pixel functions ------------------------------------------------------

inline int32_t Col(const PatternState& s, int x) { return s.columns[x]; }
inline int32_t Row(const PatternState& s, int y) { return s.rows[y]; }
inline int32_t ColRev(const PatternState& s, int x) { return s.columns[s.w1 - x]; }
inline int32_t RowRev(const PatternState& s, int y) { return s.rows[s.h1 - y]; }

// Signed remainder that tolerates a zero span (a one-pixel picture).
inline int ModSpan(int v, int span) { return span > 0 ? v % span : 0; }

inline int32_t WaveAt(const PatternState& s, int coordinate, float wavelength) {
    return s.wave[static_cast<int>(float(coordinate) / wavelength) & 2047];
}

// S(i): the sum of row wave i at y and column wave i at x.
inline int32_t WaveSum(const PatternState& s, int i, int x, int y) {
    return WaveAt(s, y, s.rowWavelength[i]) + WaveAt(s, x, s.columnWavelength[i]);
}

// A: the mean of |S(i)| over the cycle's waves.
inline int32_t WaveMean(const PatternState& s, int x, int y) {
    int32_t sum = 0;
    for (int i = 0; i < s.waves; ++i) sum += std::abs(WaveSum(s, i, x, y));
    return sum / s.waves;
}

// The mirrored-profile variants picked by a selector; other selectors keep z.
inline int32_t Variant(const PatternState& s, int selector, int32_t z, int x, int y, bool absolute) {
    int32_t v;
    switch (selector) {
        case 1: v = RowRev(s, y) + ColRev(s, x); break;
        case 2: v = RowRev(s, y) + Col(s, x); break;
        case 3: v = ColRev(s, x) + Row(s, y); break;
        default: return z;
    }
    return absolute ? std::abs(v) : v;
}

inline void Warp(const PatternState& s, int& x, int& y) {
    if (s.parametric) PolarMap(s.warp, x, y);
    if (s.turbulence) TurbulenceWarp(s.warp, x, y, s.turbulenceType);
}

inline int Scaled(float coordinate, float factor) { return static_cast<int>(coordinate * factor) % kColors; }

// The raw value v of pixel (x0, y0) of the source tile.
int32_t PixelValue(const PatternState& s, int x0, int y0) {
    int x = x0, y = y0;
    const int sh = s.shift;
    const bool odd = ((x0 + y0) & 1) != 0;
    switch (s.type) {
        case 0:
            Warp(s, x, y);
            return (Row(s, y) + Col(s, x)) >> sh;
        case 1: {
            Warp(s, x, y);
            int32_t a = Row(s, y) + Col(s, x);
            a = Variant(s, (a / s.banding) & 3, a, x, y, false);
            return a >> sh;
        }
        case 2:
        case 5: {
            const int m = Scaled(float(y0), s.k2);
            Warp(s, x, y);
            int32_t a = Row(s, y) + Col(s, x);
            if (s.type == 5) a = std::abs(a);
            return ((a >> sh) & 31) + ((Scaled(float(x), s.k1) ^ m) / s.divisor);
        }
        case 3:
            Warp(s, x, y);
            return std::abs(Row(s, y) + Col(s, x)) >> sh;
        case 4: {
            Warp(s, x, y);
            int32_t a = std::abs(Row(s, y) + Col(s, x));
            a = Variant(s, (a / s.banding) & 3, a, x, y, true);
            return a >> sh;
        }
        case 6:
            Warp(s, x, y);
            return WaveMean(s, x, y) >> sh;
        case 7: {
            Warp(s, x, y);
            int32_t a = WaveMean(s, x, y);
            a = Variant(s, (a / s.banding) & 3, a, x, y, true);
            return a >> sh;
        }
        case 8: {
            Warp(s, x, y);
            int32_t a = WaveMean(s, x, y);
            switch ((a / s.banding) % 3) {
                case 1: a = std::abs(RowRev(s, y) + ColRev(s, x)); break;
                case 2: a = std::abs(Row(s, ModSpan(2 * y, s.h1)) + Col(s, ModSpan(2 * x, s.w1))); break;
                default: break;
            }
            return a >> sh;
        }
        case 9: {
            Warp(s, x, y);
            int32_t a = Row(s, y) + Col(s, x);
            a = Variant(s, (x + y) & 3, a, x, y, false);
            return a >> sh;
        }
        case 10: {
            Warp(s, x, y);
            const int32_t a = odd ? Row(s, y) + Col(s, x) : RowRev(s, y) + ColRev(s, x);
            return std::abs(a) >> sh;
        }
        case 11:
        case 12:
        case 13: {
            Warp(s, x, y);
            const int32_t a = std::abs(Row(s, y) + Col(s, x));
            const int32_t b = std::abs(RowRev(s, y) + ColRev(s, x));
            if (s.type == 11) return (a & b) >> sh;
            if (s.type == 12) return (a >> sh) + ((b >> sh) & 15);
            return (a + b) >> (sh + 1);
        }
        case 14: {
            Warp(s, x, y);
            const int32_t a = (Row(s, y) + Col(s, x)) >> (sh + 6);
            return std::abs(Row(s, ModSpan(y + 100 * a, s.h1)) + Col(s, ModSpan(x + 100 * a, s.w1))) >> sh;
        }
        case 15: {
            const int32_t d = odd ? std::abs(Row(s, y0) + Col(s, x0)) : std::abs(RowRev(s, y0) + ColRev(s, x0));
            Warp(s, x, y);
            return Variant(s, (d / s.banding) & 3, d, x, y, true) >> sh;
        }
        case 16: {
            Warp(s, x, y);
            return std::abs(WaveSum(s, odd ? 0 : 1, x, y)) >> (sh + 1);
        }
        case 17: {
            const int m = Scaled(float(y0), s.k2);
            Warp(s, x, y);
            if (odd) return (Row(s, y) + Col(s, x)) >> sh;
            return Scaled(float(x), s.k1) ^ m;
        }
        case 18:
            Warp(s, x, y);
            if (odd) return std::abs(Row(s, y) + Col(s, x)) >> 7;
            return std::abs(RowRev(s, y) + ColRev(s, x)) >> 5;
        case 19: {
            Warp(s, x, y);
            if (odd) {
                // The third term reads the column profile at the row
                // coordinate: kept inside the profile on tall pictures.
                const int cy = std::min(y, s.w1);
                return (std::abs(Row(s, y) + Col(s, x)) >> sh) + ((std::abs(RowRev(s, y) + ColRev(s, x)) >> sh) & 7) +
                       ((std::abs(Col(s, cy) + RowRev(s, y)) >> sh) & 7);
            }
            return (std::abs(ColRev(s, x) + RowRev(s, y)) >> sh) + ((std::abs(ColRev(s, x) + Row(s, y)) >> sh) & 7) +
                   ((std::abs(Row(s, y) + Col(s, x)) >> sh) & 7);
        }
        default: {  // 20
            if (s.parametric) PolarMap(s.warp, x, y);
            if (s.turbulence && ((x + y) & 1)) TurbulenceWarp(s.warp, x, y, s.turbulenceType);
            return std::abs(WaveSum(s, 0, x, y)) >> (sh + 1);
        }
    }
}

// The stored colour byte: the low 8 bits of the signed remainder by 236.
inline uint8_t PixelColor(const PatternState& s, int x, int y) {
    return static_cast<uint8_t>(PixelValue(s, x, y) % kColors);
}

// ---- cycle start ----------------------------------------------------------

void BuildProfile(const PatternState& s, int32_t* profile, int span, int phase, const float* wavelengths) {
    const bool signedTerms = s.type >= 3 && s.type <= 8;
    const int start = phase % kColors;
    for (int p = 0; p <= span; ++p) {
        int32_t sum = 0;
        for (int i = 0; i < s.waves; ++i) {
            const int32_t t = WaveAt(s, start + p, wavelengths[i]);
            sum += signedTerms ? t : std::abs(t);
        }
        profile[p] = sum / s.waves;
    }
}

void StartCycle(ModuleRecord* record, PatternState& s) {
    ++s.cycles;
    RandomizeControls(record);
    EvolveControls(record);

    const int32_t* c = record->Control;
    s.waves = std::clamp(c[kPatternWaves], 1, kMaxWaves);
    s.type = c[kPatternType];
    s.fold = 2 * c[kPatternFolding];
    SetCyclePause(s.timer, c[kPatternDuration]);
    s.banding = c[kPatternBanding] * 20;
    s.diffuse = c[kPatternDiffuse];
    s.parametric = c[kPatternParametric] != 0;
    const int turbulence = c[kPatternTurbulence];
    const int turbulenceType = c[kPatternTurbulenceType];
    const int waveType = c[kPatternWaveType];
    s.xTiling = c[kPatternXTiling];
    s.yTiling = c[kPatternYTiling];
    s.tileType = c[kPatternTileType];

    if (s.type > 20 || s.type < 0) {
        s.waves = Rand15() % s.waves + 1;
        s.type = Rand15() % kPatternPixelTypes;
    }

    s.cycle = RingRect{0, 0, s.w1, s.h1};
    if (auto* dc = static_cast<DrawContext*>(record->Dc)) SetStretchColorOnColor(*dc);

    const int columnPhase = Rand15();
    const int rowPhase = Rand15();
    s.k1 = float(RandomFraction()) + 0.05f;
    s.k2 = float(RandomFraction()) + 0.05f;

    s.turbulence = SetUpTurbulence(s.warp, turbulence, turbulenceType, s.turbulenceType);

    if (s.banding == 0) s.banding = Rand15() % 20000 + 1;
    s.divisor = Rand15() % 12 + 1;
    s.banding += 2048;
    s.shift = 6 + Rand15() % 2;

    int w = waveType;
    if (w == 0 || w > 6 || w < 0) w = Rand15() % 6 + 1;
    float e;
    if (w == 1 || w == 4) {
        TriangleWave(s.wave, kPlainTriangleSlope);
        e = 0.02f;
    } else if (w == 2 || w == 5) {
        SineWave(s.wave);
        e = 0.02f;
    } else {
        NoisyWave(s.wave);
        e = 0.2f;
    }
    if (w > 3) {
        AddSpikes(s.wave);
        e += 0.2f;
    }

    for (int i = 0; i < kWavelengths; ++i) {
        RandomizeControls(record);
        s.columnWavelength[i] =
            float(RandomFraction()) * 0.1f + float(record->Control[kPatternDensity]) * 0.01f + e;
        RandomizeControls(record);
        s.rowWavelength[i] =
            e + float(RandomFraction()) * 0.8f + float(record->Control[kPatternDensity]) * 0.01f * 0.8f;
    }

    BuildProfile(s, s.rows, s.h1, rowPhase, s.rowWavelength);
    BuildProfile(s, s.columns, s.w1, columnPhase, s.columnWavelength);
}

// ---- drawing --------------------------------------------------------------

// The colours of one side of a ring.
void FillRun(const PatternState& s, uint8_t* out, int step, const RingRun& run) {
    int x = run.x, y = run.y;
    for (int i = 0; i < run.count; ++i, x += run.dx, y += run.dy) out[i * step] = PixelColor(s, x, y);
}

void DrawRing(PatternState& s, DrawContext& dc, int fold, int diffuse, const RingRect& ring) {
    auto fill = [&s](uint8_t* out, int step, const RingRun& run) { FillRun(s, out, step, run); };
    if (fold <= 0) {
        PaintPlainRing(s.canvas, dc, ring, diffuse, fill);
        return;
    }
    // The top row is the bottom row shifted left by one, the right column
    // the left column shifted up by one.
    PaintFoldedRing(s.canvas, dc, ring, FoldSpansOf(s.canvas, ring, fold), diffuse, FoldCopies{}, fill);
}

}  // namespace

int PatternDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kPatternWaves, .name = "Waves", .store = 0, .min = 2, .max = 30, .value = 2},
        {.slot = kPatternTurbulence, .name = "Turbulence", .store = 1, .max = 100},
        {.slot = kPatternType, .name = "Type", .store = 2, .max = 21, .value = 21},
        {.slot = kPatternParametric, .name = "Parametric", .store = 8, .max = 1},
        {.slot = kPatternTurbulenceType, .name = "Turbulence Type", .store = 4, .max = 5, .value = 1},
        {.slot = kPatternDensity, .name = "Pattern Density", .store = 5, .max = 100, .value = 50},
        {.slot = kPatternWaveType, .name = "Wave Type", .store = 6, .max = 6},
        {.slot = kPatternFolding, .name = "Folding", .store = 7, .max = 20, .animatable = true},
        {.slot = kPatternDuration, .name = "Duration", .store = 3, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kPatternXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kPatternYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kPatternTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kPatternDiffuse, .name = "Diffuse", .store = 14, .max = 64, .animatable = true},
        {.slot = kPatternBanding, .name = "Banding", .store = 15, .max = 1000},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int PatternAllocate(ModuleRecord* record) {
    PatternState& s = g_pattern;
    FreeBuffers(s);
    s = PatternState{};
    s.width = std::max(record->Width, 0);
    s.height = std::max(record->Height, 0);
    s.w1 = s.width - 1;
    s.h1 = s.height - 1;
    s.columns = static_cast<int32_t*>(AllocateModuleMemory(size_t(s.w1 + 2) * sizeof(int32_t)));
    s.rows = static_cast<int32_t*>(AllocateModuleMemory(size_t(s.h1 + 2) * sizeof(int32_t)));
    const bool canvas = AllocateRingCanvas(s.canvas, s.width, s.height);
    s.wave = static_cast<int32_t*>(AllocateModuleMemory(kWaveTableSize * sizeof(int32_t)));
    StartCycleTimer(s.timer);
    if (!s.columns || !s.rows || !canvas || !s.wave) {
        ReportAllocationFailure();
        FreeBuffers(s);
        return 0;
    }
    AttachWarpTables(s.warp, s.width, s.height, s.columns, s.rows);
    s.ready = true;
    return 0;
}

int PatternInitialize(ModuleRecord* record) {
    if (g_pattern.ready) StartCycle(record, g_pattern);
    return 0;
}

int PatternDrawFrame(ModuleRecord* record) {
    PatternState& s = g_pattern;
    const RasterFrame frame = BeginRasterFrame(record, s.ready, s.timer);
    if (frame.dc == nullptr) return frame.result;

    const int xTiling = std::max(DrivenValue(record, kPatternXTiling, s.xTiling), 1);
    const int yTiling = std::max(DrivenValue(record, kPatternYTiling, s.yTiling), 1);
    const int fold = DrivenValue(record, kPatternFolding, s.fold);
    const int diffuse = DrivenValue(record, kPatternDiffuse, s.diffuse);

    const TileGrid grid = MakeTileGrid(s.width, s.height, xTiling, yTiling, s.tileType);
    DrawContext& dc = *frame.dc;
    const bool finished = PaintCycleRings(dc, grid, s.cycle, kRingsPerFrame, kRingsPerFrame, s.width, s.height,
                                          [&](const RingRect& ring) { DrawRing(s, dc, fold, diffuse, ring); });
    if (finished) {
        PauseAfterCycle(s.timer, frame.now);
        StartCycle(record, s);
    }
    return 0;
}

int PatternClose(ModuleRecord*) {
    FreeBuffers(g_pattern);
    return 0;
}

PatternCycleInfo PatternCurrentCycle() {
    const PatternState& s = g_pattern;
    return PatternCycleInfo{s.ready, s.type,    s.waves,      s.shift,          s.banding,
                            s.divisor, s.fold, s.diffuse, s.turbulence, s.turbulenceType,
                            s.cycles};
}

int PatternPixel(int x, int y) {
    const PatternState& s = g_pattern;
    if (!s.ready || x < 0 || y < 0 || x > s.w1 || y > s.h1) return -1;
    return PixelColor(s, x, y);
}

}  // namespace ztx
