// Frame cost of the Vortex module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Vortex
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/vortex.h"

using namespace ztx;

namespace {

// Default controls: 60 vertices, one tile. A vortex collapses in about 200
// frames and then pauses 20 seconds; "Duration" 0 keeps it drawing.
void BM_VortexDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotVortex, [](ModuleRecord& r) { r.Control[kVortexDuration] = 0; });
}
BENCHMARK(BM_VortexDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 500 vertices with radius flux in 20 x 20 clipped tiles (200000
// filled quadrilaterals a frame).
void BM_VortexHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotVortex, [](ModuleRecord& r) {
        r.Control[kVortexDuration] = 0;
        r.Control[kVortexVertices] = 500;
        r.Control[kVortexFluxAmplitude] = 200;
        r.Control[kVortexXTiling] = 20;
        r.Control[kVortexYTiling] = 20;
    });
}
BENCHMARK(BM_VortexHeavy)->Unit(benchmark::kMillisecond);

// 500 vertices with a wide flux on one tile: big quadrilaterals.
void BM_VortexManyVertices(benchmark::State& state) {
    RunModuleFrames(state, kSlotVortex, [](ModuleRecord& r) {
        r.Control[kVortexDuration] = 0;
        r.Control[kVortexVertices] = 500;
        r.Control[kVortexFluxAmplitude] = 400;
    });
}
BENCHMARK(BM_VortexManyVertices)->Unit(benchmark::kMillisecond);

}  // namespace
