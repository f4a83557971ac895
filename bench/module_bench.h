// Frame cost of one effect module at 1920x1080: the module registered alone
// with its default controls (changed by `configure`), started with a fixed
// seed, then one DoDrawFrame per iteration followed by a step of the virtual
// clock (1000/60 ms, so restarts after "Duration" come at their real rate).
#pragma once
#include <benchmark/benchmark.h>

#include <functional>

#include "engine/engine_state.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"

namespace ztx {

inline void RunModuleFrames(benchmark::State& state, int slot, const std::function<void(ModuleRecord&)>& configure,
                            const std::function<void(benchmark::State&)>& report = nullptr) {
    constexpr int kWidth = 1920, kHeight = 1080;
    VirtualClock clock(1000);
    SetClock(&clock);
    Surface surface;
    CreateSurface(surface, kWidth, kHeight);
    DrawContext dc;
    AttachSurface(dc, surface);
    ClearModuleTable();
    PaletteRecord* palette = CreatePaletteRecord(&dc);
    for (ModuleRecord& r : ModuleTable) {
        r.Width = kWidth;
        r.Height = kHeight;
        r.Dc = &dc;
        r.PaletteState = palette;
    }
    ModuleRecord& r = ModuleTable[slot];
    for (const BuiltinModule& m : BuiltinModules()) {
        if (m.slot != slot) continue;
        const ModuleRoutines& k = m.routines;
        RegisterModule(slot, k.defineControls, k.drawFrame, k.preInitialize, k.initialize, k.close);
    }
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
    if (report) report(state);
    r.DoClose(&r);
    AnimationRunning = 0;
    FreePaletteRecord(palette);
    SetClock(nullptr);
    ClearModuleTable();
}

}  // namespace ztx
