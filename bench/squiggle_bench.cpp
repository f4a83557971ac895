// Frame cost of the Squiggle module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Squiggle
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/squiggle.h"

using namespace ztx;

namespace {

// Default controls: a 40-point curve in three copies, nothing erased.
void BM_SquiggleDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotSquiggle, [](ModuleRecord&) {});
}
BENCHMARK(BM_SquiggleDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 400 points in 20 copies over 4 x 4 clipped tiles with a 6-frame
// trail (128000 segments drawn and as many erased per frame), with a
// one-pixel and a 10-pixel pen.
void BM_SquiggleHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotSquiggle, [&](ModuleRecord& r) {
        r.Control[kSquigglePoints] = 400;
        r.Control[kSquiggleSymmetry] = 20;
        r.Control[kSquiggleXTiling] = 4;
        r.Control[kSquiggleYTiling] = 4;
        r.Control[kSquiggleTrailLength] = 2;
        r.Control[kSquiggleWidth] = int(state.range(0));
    });
}
BENCHMARK(BM_SquiggleHeavy)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
