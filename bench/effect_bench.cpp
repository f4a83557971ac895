// Frame cost of the Effect module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Effect
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/effect.h"

using namespace ztx;

namespace {

// Default controls: every step off, a batch (of nothing) every 8 seconds.
void BM_EffectDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotEffect, [](ModuleRecord&) {});
}
BENCHMARK(BM_EffectDefault)->Unit(benchmark::kMicrosecond);

// Heavy: the whole batch on every frame ("Duration" 0) with the smallest
// steps: twice 54 nested rectangles and ellipses, a fold of depth 6, the
// checker, 10 blocks and the clock.
void BM_EffectHeavyEveryFrame(benchmark::State& state) {
    RunModuleFrames(state, kSlotEffect, [](ModuleRecord& r) {
        r.Control[kEffectRectangle] = 2;
        r.Control[kEffectEllipse] = 2;
        r.Control[kEffectRedraw] = 13;
        r.Control[kEffectBlocks] = 1;
        r.Control[kEffectTimeOfDay] = 1;
        r.Control[kEffectChecker] = 1;
        r.Control[kEffectXStrength] = 10;
        r.Control[kEffectYStrength] = 10;
        r.Control[kEffectDuration] = 0;
    });
}
BENCHMARK(BM_EffectHeavyEveryFrame)->Unit(benchmark::kMillisecond);

// The biggest blocks: 500 blocks of 500 pixels (250 nested ellipses each)
// in one batch.
void BM_EffectBiggestBlocks(benchmark::State& state) {
    RunModuleFrames(state, kSlotEffect, [](ModuleRecord& r) {
        r.Control[kEffectBlocks] = 1;
        r.Control[kEffectXStrength] = 500;
        r.Control[kEffectYStrength] = 500;
        r.Control[kEffectDuration] = 0;
    });
}
BENCHMARK(BM_EffectBiggestBlocks)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
