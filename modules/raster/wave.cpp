#include "modules/raster/wave.h"

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

constexpr int kRingsPerFrame = 3;
constexpr int kColors = kPaletteEntries;
constexpr int kValues = 2048;
constexpr int kFrequencies = 50;
constexpr int kMaxTerms = 5;
constexpr int kTextureCosine = 0;

// The lattice hash and B-spline weights of one noise coordinate.
struct NoiseAxis {
    int32_t hash[3];
    float weight[3];
};

// The module's working state (one instance). The buffers are allocated in
// WaveAllocate and freed in WaveClose; `ready` says they all exist.
struct WaveState {
    bool ready = false;
    int32_t w1 = -1, h1 = -1;
    int32_t width = 0, height = 0;
    // Texture coordinates reach 4 x span (type 7) and span + 235 (type 6).
    int32_t reachX = 0, reachY = 0;  // entries of the per-coordinate tables

    int32_t* sineProfile = nullptr;  // the warps' column and row table
    float* cosX = nullptr;           // cos(fx_k x / sx'), kMaxTerms rows of reachX
    float* cosY = nullptr;
    NoiseAxis* noiseX = nullptr;  // per coordinate x / sx
    NoiseAxis* noiseY = nullptr;
    uint8_t* cellX = nullptr;  // x / "X PEL Size", width entries
    uint8_t* cellY = nullptr;
    RingCanvas canvas;

    float values[kValues] = {};
    float frequency[kFrequencies][3] = {};
    int terms = 2;
    int tables = 0;

    int typeI = 0, typeII = 0;
    int textureType = 0;
    int sx = 8, sy = 8;  // noise scales; the cosine scales are sx / 32 + 1
    int banding = 1;
    int fold = 0;
    int diffuse = 0;
    int pelX = 1, pelY = 1;
    bool parametric = false, polarPixel = false;
    float k1 = 0, k2 = 0;
    int divisor = 1;
    WarpRecord warp, pixelWarp;
    bool turbulence = false;
    int turbulenceType = 0;
    int xTiling = 1, yTiling = 1, tileType = 0;
    uint8_t selector[kColors] = {};  // (r / B) AND 3 for every colour r

    RingRect cycle;
    CycleTimer timer;
    unsigned textures = 0;
};

WaveState g_wave;

template <class T>
T* Take(size_t count) {
    return static_cast<T*>(AllocateModuleMemory(count * sizeof(T)));
}

void FreeBuffers(WaveState& s) {
    FreeModuleMemory(s.sineProfile);
    FreeModuleMemory(s.cosX);
    FreeModuleMemory(s.cosY);
    FreeModuleMemory(s.noiseX);
    FreeModuleMemory(s.noiseY);
    FreeModuleMemory(s.cellX);
    FreeModuleMemory(s.cellY);
    FreeRingCanvas(s.canvas);
    s.sineProfile = nullptr;
    s.cosX = s.cosY = nullptr;
    s.noiseX = s.noiseY = nullptr;
    s.cellX = s.cellY = nullptr;
    s.ready = false;
}

// ---- texture tables -------------------------------------------------------

// Values and frequency triples, chosen by a random number 0..13.
void FillTables(WaveState& s, int choice) {
    float* v = s.values;
    auto frequencies = [&s](auto triple) {
        for (int i = 0; i < kFrequencies; ++i) triple(i, s.frequency[i]);
    };
    auto same = [&frequencies](auto f) { frequencies([&f](int i, float* t) { t[0] = t[1] = t[2] = f(i); }); };
    switch (choice) {
        case 0:
            for (int i = 0; i < kValues; ++i) v[i] = float(std::sin(i * 0.003067959));
            same([](int i) { return float(std::sin(i / 50.0)); });
            break;
        case 1:
            for (int i = 0; i < kValues; ++i) {
                const float x = float(std::sin(i * 0.003067959));
                v[i] = x * x;
            }
            same([](int i) {
                const float x = float(std::sin(i / 50.0));
                return x * x;
            });
            break;
        case 2:
            for (int i = 0; i < kValues; ++i) v[i] = float(i) / 2048.0f;
            frequencies([](int i, float* t) {
                t[0] = float(i * 0.157);
                t[1] = float(i * 0.314);
                t[2] = float(i * 0.628);
            });
            break;
        case 3:
            for (int i = 0; i < kValues; ++i) v[i] = float(RandomFraction() * 0.2 + ((i & 1) ? 0.0 : 1.0));
            same([](int i) { return float((i % 3 - 1) * i * 0.003); });
            break;
        case 4:
            for (int i = 0; i < kValues; ++i) v[i] = float((i % 20) * 0.05);
            same([](int i) { return float((i % 6 - 1) * i * 0.003); });
            break;
        default:
            for (int i = 1; i < kValues; ++i) v[i] = float(RandomFraction() + 0.2);
            frequencies([](int, float* t) {
                for (int k = 0; k < 3; ++k) t[k] = float(RandomFraction() * 0.1);
            });
            break;
    }
    for (int i = 0; i < kValues; ++i) v[i] *= 4.6566145e-10f;
}

// One noise coordinate: integer part m and fraction f; hashes h(j) =
// trunc(fraction((m + j) x 0.6180339) x prime) and the quadratic B-spline
// weights for j = 0, 1, 2.
NoiseAxis NoiseAt(float coordinate, int prime) {
    NoiseAxis a{};
    const float m = std::trunc(std::fabs(coordinate));
    const float f = coordinate - m;
    a.weight[0] = (1 - f) * (1 - f) / 2;
    a.weight[1] = f + 0.5f - f * f;
    a.weight[2] = f * f / 2;
    for (int j = 0; j < 3; ++j) {
        const double t = (double(m) + j) * 0.6180339;
        a.hash[j] = static_cast<int32_t>((t - std::floor(t)) * prime);
    }
    return a;
}

void FillNoiseAxis(NoiseAxis* axis, int count, int scale, int prime) {
    for (int v = 0; v < count; ++v) axis[v] = NoiseAt(float(v) / float(scale), prime);
}

void FillCosines(const WaveState& s, float* table, int count, int axis, int scale) {
    for (int k = 0; k < s.terms; ++k)
        for (int v = 0; v < count; ++v)
            table[k * count + v] = float(std::cos(double(s.frequency[k][axis] * float(v) / float(scale))));
}

// ---- pixel functions ------------------------------------------------------

// The lattice hash of the third axis, always at coordinate 0: j = 0, 1 (the
// weight of j = 2 is 0 there).
constexpr int32_t kHashC0 = 0, kHashC1 = 208;

// T(x, y): the texture's colour index at a coordinate inside the tables.
inline int Texture(const WaveState& s, int x, int y) {
    if (s.textureType == kTextureCosine) {
        float sum = 0;
        for (int k = 0; k < s.terms; ++k) sum += std::fabs(s.cosX[k * s.reachX + x] + s.cosY[k * s.reachY + y] + 1.0f);
        const float c = sum / float(s.terms);
        return int(static_cast<int64_t>(double(c) * 236.0) & 255) % kColors;
    }
    const NoiseAxis& a = s.noiseX[x];
    const NoiseAxis& b = s.noiseY[y];
    float n = 0;
    for (int ja = 0; ja < 3; ++ja)
        for (int jb = 0; jb < 3; ++jb) {
            const float w = a.weight[ja] * b.weight[jb] * 0.5f;
            const int32_t base = b.hash[jb] + a.hash[ja];
            n += s.values[(base + kHashC0) & 2047] * w;
            n += s.values[(base + kHashC1) & 2047] * w;
        }
    return int(static_cast<int64_t>(double(n) * 5.7e9 * 236.0) & 255) % kColors;
}

inline void Warp(const WaveState& s, int& x, int& y) {
    if (s.parametric) PolarMap(s.warp, x, y);
    if (s.turbulence) TurbulenceWarp(s.warp, x, y, s.turbulenceType);
}

// Types 4 and 7: a mirrored texture chosen by the selector of r.
inline int Mirrored(const WaveState& s, int r, int x, int y) {
    switch (s.selector[r]) {
        case 1:
            return Texture(s, s.w1 - x, s.h1 - y);
        case 2:
            return Texture(s, x, s.h1 - y);
        case 3:
            return Texture(s, s.w1 - x, y);
        default:
            return r;
    }
}

int TypeValue(const WaveState& s, int type, int x0, int y0) {
    int x = x0, y = y0;
    switch (type) {
        case 0:
            Warp(s, x, y);
            return Texture(s, x, y);
        case 1:
            Warp(s, x, y);
            return Texture(s, s.w1 - x, s.h1 - y);
        case 2:
            Warp(s, x, y);
            return Texture(s, s.w1 - x, y);
        case 3:
            return Texture(s, x0, s.h1 - y0);
        case 4:
            Warp(s, x, y);
            return Mirrored(s, Texture(s, x, y), x, y);
        case 5: {
            const int m = static_cast<int>(float(y0) * s.k2) % kColors;
            Warp(s, x, y);
            const int v = (Texture(s, x, y) & 31) + ((static_cast<int>(float(x) * s.k1) % kColors) ^ m) / s.divisor;
            return v & 255;
        }
        case 6: {
            Warp(s, x, y);
            const int a = Texture(s, x, y);
            return Texture(s, a + x, a + y);
        }
        case 7:
            Warp(s, x, y);
            return Mirrored(s, Texture(s, 4 * x, 4 * y), x, y);
        case 8: {
            Warp(s, x, y);
            const int r = Texture(s, x, y);
            switch (s.selector[r]) {
                case 1:
                    return TypeValue(s, 3, s.w1 - x, s.h1 - y);
                case 2:
                    return TypeValue(s, 4, x, s.h1 - y);
                case 3:
                    return TypeValue(s, 5, s.w1 - x, y);
                default:
                    return r;
            }
        }
        case 9:
            Warp(s, x, y);
            return x % kColors;
        case 10:
            Warp(s, x, y);
            return y % kColors;
        case 11:
            Warp(s, x, y);
            return (x + y) % kColors;
        case 12:
            Warp(s, x, y);
            PolarMap(s.warp, x, y);
            return (x + y) % kColors;
        default: {  // 13
            Warp(s, x, y);
            const int a = Texture(s, x, y);
            switch (s.selector[a]) {
                case 1:
                    return x % kColors;
                case 2:
                    return y % kColors;
                case 3:
                    return (x + y) % kColors;
                default:
                    return a;
            }
        }
    }
}

// The checkerboard of cells: odd cells use "Type I", even ones "Type II".
inline uint8_t PixelColor(const WaveState& s, int x, int y) {
    int px = x, py = y;
    if (s.polarPixel) PolarMap(s.pixelWarp, px, py);
    const bool odd = ((s.cellY[py] + s.cellX[px]) & 1) != 0;
    return static_cast<uint8_t>(TypeValue(s, odd ? s.typeI : s.typeII, x, y));
}

void FillRun(const WaveState& s, uint8_t* out, int step, const RingRun& run) {
    int x = run.x, y = run.y;
    for (int i = 0; i < run.count; ++i, x += run.dx, y += run.dy) out[i * step] = PixelColor(s, x, y);
}

// ---- texture start --------------------------------------------------------

void StartTexture(ModuleRecord* record, WaveState& s) {
    ++s.textures;
    RandomizeControls(record);
    EvolveControls(record);
    const int32_t* c = record->Control;
    s.typeI = std::clamp(c[kWaveTypeI], 0, kWavePixelTypes - 1);
    s.typeII = std::clamp(c[kWaveTypeII], 0, kWavePixelTypes - 1);
    s.textureType = c[kWaveTextureType];
    s.sx = c[kWaveXDensity] * 8 + 8;
    s.sy = c[kWaveYDensity] * 8 + 8;
    s.parametric = c[kWaveParametric] != 0;
    SetCyclePause(s.timer, c[kWaveDuration]);
    s.xTiling = c[kWaveXTiling];
    s.yTiling = c[kWaveYTiling];
    s.tileType = c[kWaveTileType];
    s.fold = 2 * c[kWaveSymmetry];
    s.diffuse = c[kWaveDiffuse];
    s.banding = c[kWaveBanding] / 16 + 1;
    s.polarPixel = c[kWavePolarPixel] != 0;
    s.pelX = std::max(c[kWaveXPelSize], 1);
    s.pelY = std::max(c[kWaveYPelSize], 1);
    for (int r = 0; r < kColors; ++r) s.selector[r] = static_cast<uint8_t>((r / s.banding) & 3);
    for (int x = 0; x < s.width; ++x) s.cellX[x] = static_cast<uint8_t>(x / s.pelX);
    for (int y = 0; y < s.height; ++y) s.cellY[y] = static_cast<uint8_t>(y / s.pelY);

    s.cycle = RingRect{0, 0, s.w1, s.h1};
    if (auto* dc = static_cast<DrawContext*>(record->Dc)) SetStretchColorOnColor(*dc);

    s.terms = Rand15() % 4 + 2;
    s.tables = Rand15() % 14;
    FillTables(s, s.tables);
    if (s.textureType == kTextureCosine) {
        FillCosines(s, s.cosX, s.reachX, 0, s.sx / 32 + 1);
        FillCosines(s, s.cosY, s.reachY, 1, s.sy / 32 + 1);
    } else {
        FillNoiseAxis(s.noiseX, s.reachX, s.sx, 173);
        FillNoiseAxis(s.noiseY, s.reachY, s.sy, 263);
    }

    s.k1 = float(RandomFraction()) + 0.05f;
    s.k2 = float(RandomFraction()) + 0.05f;
    s.turbulence = SetUpTurbulence(s.warp, c[kWaveTurbulence], c[kWaveTurbulenceType], s.turbulenceType);
    s.pixelWarp = s.warp;
    if (Rand15() % 3 == 0) {
        const int cx = Rand15(), cy = Rand15();
        s.pixelWarp.centerX = s.w1 > 0 ? cx % s.w1 : 0;
        s.pixelWarp.centerY = s.h1 > 0 ? cy % s.h1 : 0;
    }
    s.divisor = Rand15() % 12 + 1;
}

void DrawRing(WaveState& s, DrawContext& dc, int fold, int diffuse, const RingRect& ring) {
    auto fill = [&s](uint8_t* out, int step, const RingRun& run) { FillRun(s, out, step, run); };
    if (fold <= 0) {
        PaintPlainRing(s.canvas, dc, ring, diffuse, fill);
        return;
    }
    // The top line is the bottom line moved one pixel left.
    PaintFoldedRing(s.canvas, dc, ring, FoldSpansOf(s.canvas, ring, fold), diffuse,
                    FoldCopies{.rowFrom = 0, .rowTo = -1, .columnFrom = 0, .columnDown = 1}, fill);
}

}  // namespace

int WaveDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kWaveTypeI, .name = "Type I", .store = 0, .max = 13, .value = 9, .check = kCheckRandom},
        {.slot = kWaveTypeII, .name = "Type II", .store = 1, .max = 13, .value = 7, .check = kCheckRandom},
        {.slot = kWaveTextureType, .name = "Texture Type", .store = 2, .max = 1},
        {.slot = kWaveXDensity, .name = "X Density", .store = 3, .max = 100, .value = 50},
        {.slot = kWaveYDensity, .name = "Y Density", .store = 4, .max = 100, .value = 50},
        {.slot = kWaveTurbulence, .name = "Turbulence", .store = 5, .max = 100},
        {.slot = kWaveTurbulenceType, .name = "Turbulence Type", .store = 6, .max = 5, .value = 1},
        {.slot = kWaveParametric, .name = "Parametric", .store = 8, .max = 1},
        {.slot = kWaveDuration, .name = "Duration", .store = 7, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kWaveXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kWaveYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kWaveTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kWaveSymmetry, .name = "Symmetry", .store = 14, .max = 20, .value = 1, .animatable = true},
        {.slot = kWaveDiffuse, .name = "Diffuse", .store = 15, .max = 64, .animatable = true},
        {.slot = kWaveBanding, .name = "Banding", .store = 16, .max = 1000, .value = 1000},
        {.slot = kWavePolarPixel, .name = "Polar Pixel", .store = 17, .max = 1},
        {.slot = kWaveXPelSize, .name = "X PEL Size", .store = 18, .min = 1, .max = 100, .value = 1},
        {.slot = kWaveYPelSize, .name = "Y PEL Size", .store = 19, .min = 1, .max = 100, .value = 1},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int WaveAllocate(ModuleRecord* record) {
    WaveState& s = g_wave;
    FreeBuffers(s);
    s = WaveState{};
    s.width = std::max(record->Width, 0);
    s.height = std::max(record->Height, 0);
    s.w1 = s.width - 1;
    s.h1 = s.height - 1;
    s.reachX = std::max(4 * s.w1, s.w1 + kColors - 1) + 1;
    s.reachY = std::max(4 * s.h1, s.h1 + kColors - 1) + 1;
    const int profile = std::max(s.width, s.height);
    s.sineProfile = Take<int32_t>(size_t(profile));
    s.cosX = Take<float>(size_t(kMaxTerms) * s.reachX);
    s.cosY = Take<float>(size_t(kMaxTerms) * s.reachY);
    s.noiseX = Take<NoiseAxis>(size_t(s.reachX));
    s.noiseY = Take<NoiseAxis>(size_t(s.reachY));
    s.cellX = Take<uint8_t>(size_t(s.width));
    s.cellY = Take<uint8_t>(size_t(s.height));
    const bool canvas = AllocateRingCanvas(s.canvas, s.width, s.height);
    StartCycleTimer(s.timer);
    // A failed allocation is not reported; the module just does not draw.
    if (!s.sineProfile || !s.cosX || !s.cosY || !s.noiseX || !s.noiseY || !s.cellX || !s.cellY || !canvas) {
        FreeBuffers(s);
        return 0;
    }
    FillSineProfile(s.sineProfile, profile);
    AttachWarpTables(s.warp, s.width, s.height, s.sineProfile, s.sineProfile);
    s.ready = true;
    return 0;
}

int WaveInitialize(ModuleRecord* record) {
    if (g_wave.ready) StartTexture(record, g_wave);
    return 0;
}

int WaveDrawFrame(ModuleRecord* record) {
    WaveState& s = g_wave;
    const RasterFrame frame = BeginRasterFrame(record, s.ready, s.timer);
    if (frame.dc == nullptr) return frame.result;
    DrawContext& dc = *frame.dc;

    const int xTiling = std::max(DrivenValue(record, kWaveXTiling, s.xTiling), 1);
    const int yTiling = std::max(DrivenValue(record, kWaveYTiling, s.yTiling), 1);
    const int fold = IsDriven(record->Check[kWaveSymmetry]) ? 2 * EvolveControl(record, kWaveSymmetry) : s.fold;
    const int diffuse = DrivenValue(record, kWaveDiffuse, s.diffuse);

    const TileGrid grid = MakeTileGrid(s.width, s.height, xTiling, yTiling, s.tileType);
    // Two rings further in each frame while three are drawn: every frame
    // redraws the last ring of the one before.
    const bool finished = PaintCycleRings(dc, grid, s.cycle, kRingsPerFrame, kRingsPerFrame - 1, s.width, s.height,
                                          [&](const RingRect& ring) { DrawRing(s, dc, fold, diffuse, ring); });
    if (finished) {
        PauseAfterCycle(s.timer, frame.now);
        StartTexture(record, s);
    }
    return 0;
}

int WaveClose(ModuleRecord*) {
    FreeBuffers(g_wave);
    return 0;
}

WaveInfo WaveCurrent() {
    const WaveState& s = g_wave;
    return WaveInfo{s.ready, s.typeI, s.typeII, s.terms, s.tables, s.banding, s.fold, s.textures};
}

int WavePixel(int x, int y) {
    const WaveState& s = g_wave;
    if (!s.ready || x < 0 || y < 0 || x > s.w1 || y > s.h1) return -1;
    return PixelColor(s, x, y);
}

}  // namespace ztx
