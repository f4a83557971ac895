// Frame cost of the raster modules (Plasma, Stain, Ray, Wave) at 1920x1080,
// one DoDrawFrame call per iteration. "Duration" is 0 (its minimum lowered
// where it is 1) so that every frame draws: a finished picture otherwise
// waits at no cost and the average would hide the drawing frames.
// Run alone: zentrix_bench --benchmark_filter=Raster
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/raster/stain.h"

using namespace ztx;

namespace {

void NoWait(ModuleRecord& r, int durationSlot) {
    r.Min[durationSlot] = 0;
    r.Control[durationSlot] = 0;
}

// Default controls: two nodes, type 4 (OR of the node distances).
void BM_RasterStainDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotStain, [](ModuleRecord& r) { NoWait(r, kStainDuration); },
                    [](benchmark::State& st) { st.counters["stains"] = StainCurrent().stains; });
}
BENCHMARK(BM_RasterStainDefault)->Unit(benchmark::kMicrosecond);

// Four nodes, the costliest type (9: type 1 twice), both warps, 20 x 20 tiles.
void BM_RasterStainHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotStain, [](ModuleRecord& r) {
        NoWait(r, kStainDuration);
        r.Control[kStainNodes] = 4;
        r.Control[kStainType] = 9;
        r.Control[kStainParametric] = 1;
        r.Control[kStainTurbulence] = 50;
        r.Control[kStainTurbulenceType] = 4;
        r.Control[kStainXTiling] = 20;
        r.Control[kStainYTiling] = 20;
    });
}
BENCHMARK(BM_RasterStainHeavy)->Unit(benchmark::kMicrosecond);

}  // namespace
