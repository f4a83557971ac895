// Frame cost of the Whip module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Whip
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/whip.h"

using namespace ztx;

namespace {

// Default controls: one whip of 61 outlined squares, a 2-frame trail.
void BM_WhipDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotWhip, [](ModuleRecord&) {});
}
BENCHMARK(BM_WhipDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 20 whips (10 curves) in 8 copies over 2 x 2 tiles, 101 samples a
// curve, filled triangles every 11 pixels, a 10-frame trail (32320 brush
// lines drawn and as many erased per frame).
void BM_WhipHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotWhip, [](ModuleRecord& r) {
        r.Control[kWhipWhips] = 20;
        r.Control[kWhipSymmetry] = 8;
        r.Control[kWhipXTiling] = 2;
        r.Control[kWhipYTiling] = 2;
        r.Control[kWhipAngularity] = 100;
        r.Control[kWhipType] = 1;
        r.Control[kWhipSides] = 3;
        r.Control[kWhipDiameter] = 20;
        r.Control[kWhipDensity] = 10;
        r.Control[kWhipTrailLength] = 10;
    });
}
BENCHMARK(BM_WhipHeavy)->Unit(benchmark::kMillisecond);

}  // namespace
