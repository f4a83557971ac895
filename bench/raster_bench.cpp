// Frame cost of the raster modules (Plasma, Stain, Ray, Wave) at 1920x1080,
// one DoDrawFrame call per iteration. "Duration" is 0 (its minimum lowered
// where it is 1) so that every frame draws: a finished picture otherwise
// waits at no cost and the average would hide the drawing frames.
// Run alone: zentrix_bench --benchmark_filter=Raster
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/module_bench.h"
#include "modules/framework/controls.h"
#include "modules/raster/plasma.h"
#include "modules/raster/ray.h"
#include "modules/raster/stain.h"
#include "modules/raster/wave.h"

using namespace ztx;

namespace {

void NoWait(ModuleRecord& r, int durationSlot) {
    r.Min[durationSlot] = 0;
    r.Control[durationSlot] = 0;
}

// Default controls: 512 subdivisions a frame, a view every 5 seconds.
void BM_RasterPlasmaDefault(benchmark::State& state) {
    RunModuleFrames(
        state, kSlotPlasma, [](ModuleRecord& r) { NoWait(r, kPlasmaDuration); },
        [](benchmark::State& st) { st.counters["clouds"] = PlasmaCurrent().clouds; });
}
BENCHMARK(BM_RasterPlasmaDefault)->Unit(benchmark::kMicrosecond);

// A view every second, each replicated over 16 x 16 tiles, and the finished
// cloud smoothed twice (effect 20).
void BM_RasterPlasmaHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotPlasma, [](ModuleRecord& r) {
        NoWait(r, kPlasmaDuration);
        r.Control[kPlasmaUpdateInterval] = 1;
        r.Check[kPlasmaEffect] = kCheckSet;
        r.Control[kPlasmaEffect] = 20;
        r.Control[kPlasmaXTiling] = 16;
        r.Control[kPlasmaYTiling] = 16;
    });
}
BENCHMARK(BM_RasterPlasmaHeavy)->Unit(benchmark::kMicrosecond);

// The finishing frame's own work on a 1920 x 1080 tile: effect 20 smooths
// twice, effect 17 smooths, copies and mirrors.
void BM_RasterPlasmaFinish(benchmark::State& state) {
    const int w = 1920, h = 1080, stride = 1920;
    std::vector<uint8_t> tile(size_t(stride) * h);
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < tile.size(); ++i) tile[i] = uint8_t((i * 2654435761u) >> 24) % 236;
        state.ResumeTiming();
        PlasmaTransform(tile.data(), w, h, stride, int(state.range(0)));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RasterPlasmaFinish)->Arg(20)->Arg(17)->Unit(benchmark::kMicrosecond);

// Default controls: two nodes, type 4 (OR of the node distances).
void BM_RasterStainDefault(benchmark::State& state) {
    RunModuleFrames(
        state, kSlotStain, [](ModuleRecord& r) { NoWait(r, kStainDuration); },
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
    RunModuleFrames(
        state, kSlotRay, [](ModuleRecord& r) { r.Control[kRayDuration] = 0; },
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
    RunModuleFrames(
        state, kSlotWave, [](ModuleRecord& r) { NoWait(r, kWaveDuration); },
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
