// Frame cost of the Cyclic module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Cyclic
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/cyclic.h"

using namespace ztx;

namespace {

// Default controls: four objects, 100-pixel round strokes, nothing erased.
void BM_CyclicDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotCyclic, [](ModuleRecord&) {});
}
BENCHMARK(BM_CyclicDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 99 objects in 8 copies over 2 x 2 tiles, each stroke a string of
// pentagons carrying filled pentagons, with a 30-frame trail erased behind
// (3168 strokes drawn and as many erased per frame).
void BM_CyclicHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotCyclic, [](ModuleRecord& r) {
        r.Control[kCyclicObjects] = 99;
        r.Control[kCyclicSymmetry] = 8;
        r.Control[kCyclicXTiling] = 2;
        r.Control[kCyclicYTiling] = 2;
        r.Control[kCyclicType] = 4;
        r.Control[kCyclicSides] = 5;
        r.Control[kCyclicDiameter] = 40;
        r.Control[kCyclicTrailLength] = 10;
    });
}
BENCHMARK(BM_CyclicHeavy)->Unit(benchmark::kMillisecond);

}  // namespace
