// Frame cost of the Star module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Star
#include <benchmark/benchmark.h>

#include <functional>

#include "engine/engine_state.h"
#include "modules/framework/module_table.h"
#include "modules/vector/star.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"

using namespace ztx;

namespace {

void RunStar(benchmark::State& state, const std::function<void(ModuleRecord&)>& configure) {
    constexpr int kWidth = 1920, kHeight = 1080;
    VirtualClock clock(1000);
    SetClock(&clock);
    Surface surface;
    CreateSurface(surface, kWidth, kHeight);
    DrawContext dc;
    AttachSurface(dc, surface);
    ClearModuleTable();
    PaletteRecord* palette = CreatePaletteRecord(&dc);
    ModuleRecord& r = ModuleTable[kSlotStar];
    r.Width = kWidth;
    r.Height = kHeight;
    r.Dc = &dc;
    r.PaletteState = palette;
    SetStoredSettingsLoader(nullptr);
    RegisterModule(kSlotStar, StarDefineControls, StarDrawFrame, StarAllocate, StarInitialize, StarClose);
    configure(r);
    SeedRandom(12345);
    AnimationRunning = 1;
    r.DoPreInitialize(&r);
    r.DoInitialize(&r);
    uint64_t frames = 0;
    for (auto _ : state) {
        r.DoDrawFrame(&r);
        ++frames;
        clock.Set(1000 + uint32_t(frames * 1000 / 60));
        benchmark::ClobberMemory();
    }
    r.DoClose(&r);
    AnimationRunning = 0;
    FreePaletteRecord(palette);
    SetClock(nullptr);
    ClearModuleTable();
}

// Default controls: 20 stars, one-pixel streaks, no copies, one tile.
void BM_StarDefault(benchmark::State& state) {
    RunStar(state, [](ModuleRecord&) {});
}
BENCHMARK(BM_StarDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 99 stars in 16 rotated copies (1584 streaks per frame).
void BM_StarHeavy(benchmark::State& state) {
    RunStar(state, [](ModuleRecord& r) {
        r.Control[kStarStars] = 99;
        r.Control[kStarSymmetry] = 16;
    });
}
BENCHMARK(BM_StarHeavy)->Unit(benchmark::kMicrosecond);

// Heavy with shapes: the same, each streak a string of filled pentagons of
// radius 12 every 5 pixels.
void BM_StarHeavyShapes(benchmark::State& state) {
    RunStar(state, [](ModuleRecord& r) {
        r.Control[kStarStars] = 99;
        r.Control[kStarSymmetry] = 16;
        r.Control[kStarType] = 1;
        r.Control[kStarSides] = 5;
        r.Control[kStarDiameter] = 12;
    });
}
BENCHMARK(BM_StarHeavyShapes)->Unit(benchmark::kMillisecond);

}  // namespace
