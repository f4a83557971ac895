// Frame cost of the raster modules (Plasma, Stain, Ray, Wave) at 1920x1080,
// one DoDrawFrame call per iteration. "Duration" is 0 (its minimum lowered
// where it is 1) so that every frame draws: a finished picture otherwise
// waits at no cost and the average would hide the drawing frames.
// Run alone: zentrix_bench --benchmark_filter=Raster
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/framework/controls.h"
#include "modules/raster/ray.h"
#include "modules/raster/stain.h"
#include "modules/raster/wave.h"

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

// Default controls: folded by 4, the line rotated by 3 a frame.
void BM_RasterRayDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotRay, [](ModuleRecord& r) { r.Control[kRayDuration] = 0; },
                    [](benchmark::State& st) { st.counters["cycles"] = RayCycles(); });
}
BENCHMARK(BM_RasterRayDefault)->Unit(benchmark::kMicrosecond);

// Unfolded (every side stretched from the whole line), diffused, with the
// modulation's frequency and amplitude swept (its terms recomputed every
// frame) and 20 x 20 tiles.
void BM_RasterRayHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotRay, [](ModuleRecord& r) {
        r.Control[kRayDuration] = 0;
        r.Control[kRayFolding] = 0;
        r.Control[kRayDiffuse] = 30;
        r.Check[kRayFrequency] = r.Check[kRayAmplitude] = kCheckOscillate;
        r.Control[kRayXTiling] = 20;
        r.Control[kRayYTiling] = 20;
    });
}
BENCHMARK(BM_RasterRayHeavy)->Unit(benchmark::kMicrosecond);

// Default controls: random types, cosine texture, folded by 2.
void BM_RasterWaveDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotWave, [](ModuleRecord& r) { NoWait(r, kWaveDuration); },
                    [](benchmark::State& st) { st.counters["textures"] = WaveCurrent().textures; });
}
BENCHMARK(BM_RasterWaveDefault)->Unit(benchmark::kMicrosecond);

// Lattice noise, unfolded, both warps and polar cells, type 8 everywhere
// (up to three texture reads a pixel).
void BM_RasterWaveHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotWave, [](ModuleRecord& r) {
        NoWait(r, kWaveDuration);
        r.Check[kWaveTypeI] = r.Check[kWaveTypeII] = 0;
        r.Control[kWaveTypeI] = r.Control[kWaveTypeII] = 8;
        r.Control[kWaveTextureType] = 1;
        r.Control[kWaveSymmetry] = 0;
        r.Control[kWaveParametric] = 1;
        r.Control[kWaveTurbulence] = 50;
        r.Control[kWaveTurbulenceType] = 4;
        r.Control[kWavePolarPixel] = 1;
        r.Control[kWaveXTiling] = 4;
        r.Control[kWaveYTiling] = 4;
    });
}
BENCHMARK(BM_RasterWaveHeavy)->Unit(benchmark::kMicrosecond);

}  // namespace
