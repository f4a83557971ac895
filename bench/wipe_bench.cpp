// Frame cost of the Wipe module at 1920x1080. The pauses between polygons
// run on the harness's virtual clock, so a wipe costs only its drawing and
// the picture copies published before each pause.
// Run alone: zentrix_bench --benchmark_filter=Wipe
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"
#include "modules/framework/controls.h"
#include "modules/raster/wipe.h"

using namespace ztx;

namespace {

void Fix(ModuleRecord& r, int slot, int value) {
    r.Check[slot] = kCheckSet;
    r.Control[slot] = value;
}

void Report(benchmark::State& st) { st.counters["wipes"] = WipeLastRun().wipes; }

// Default controls: a wipe every 20 seconds (1200 frames), random type,
// steps and tiles.
void BM_WipeDefault(benchmark::State& state) {
    RunModuleFrames(
        state, kSlotWipe, [](ModuleRecord&) {}, Report);
}
BENCHMARK(BM_WipeDefault)->Unit(benchmark::kMicrosecond);

// One whole wipe per iteration ("Duration" 0). The clock moves on after
// each call instead of being put back at the frame's time, so the pauses of
// one wipe never hold off the next.
void RunWipes(benchmark::State& state, WipeKind kind, int step, int tiling, int speed) {
    ModuleHarness harness(kSlotWipe, 1920, 1080);
    ModuleRecord& r = harness.Record();
    Fix(r, kWipeDuration, 0);
    Fix(r, kWipeType, static_cast<int>(kind));
    Fix(r, kWipeXStep, step);
    Fix(r, kWipeYStep, step);
    Fix(r, kWipeXTiling, tiling);
    Fix(r, kWipeYTiling, tiling);
    Fix(r, kWipeSpeed, speed);
    harness.Start(12345);
    for (auto _ : state) {
        r.DoDrawFrame(&r);
        harness.Clock().Advance(17);
        benchmark::ClobberMemory();
    }
    Report(state);
    state.counters["polygons"] = WipeLastRun().polygons;
}

// The heaviest: the diagonal sweep with one-pixel steps (3000 polygons) in
// 20 x 20 tiles, pausing on one polygon of 32.
void BM_WipeDiagonalSteps1Tiles20x20(benchmark::State& state) { RunWipes(state, WipeKind::Diagonal, 1, 20, 1); }
BENCHMARK(BM_WipeDiagonalSteps1Tiles20x20)->Unit(benchmark::kMillisecond);

// Random blocks at the default speed: 9,500 cells of 15 x 15 in one tile.
void BM_WipeBlocks(benchmark::State& state) { RunWipes(state, WipeKind::Blocks, 1, 1, 6); }
BENCHMARK(BM_WipeBlocks)->Unit(benchmark::kMillisecond);

// Bars 8 pixels wide in 4 x 4 tiles at the default speed.
void BM_WipeBars(benchmark::State& state) { RunWipes(state, WipeKind::BarsRight, 8, 4, 6); }
BENCHMARK(BM_WipeBars)->Unit(benchmark::kMillisecond);

}  // namespace
