// Frame cost of the Flow module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Flow
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/flow.h"

using namespace ztx;

namespace {

// Default controls: a chain of 32 pentagons, one erased per polygon drawn.
void BM_FlowDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotFlow, [](ModuleRecord&) {});
}
BENCHMARK(BM_FlowDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 198 twenty-sided polygons in 6 x 6 clipped tiles (7128 polygons
// drawn and as many erased per frame), with a one-pixel and a 20-pixel pen.
void BM_FlowHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotFlow, [&](ModuleRecord& r) {
        r.Control[kFlowDepth] = 198;
        r.Control[kFlowSides] = 20;
        r.Control[kFlowThickness] = int(state.range(0));
        r.Control[kFlowXTiling] = 6;
        r.Control[kFlowYTiling] = 6;
    });
}
BENCHMARK(BM_FlowHeavy)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

// The chain in depth, turned and seen in perspective.
void BM_FlowDepth(benchmark::State& state) {
    RunModuleFrames(state, kSlotFlow, [](ModuleRecord& r) {
        r.Control[kFlowDepth] = 198;
        r.Control[kFlowXRotation] = 20;
        r.Control[kFlowYRotation] = -13;
    });
}
BENCHMARK(BM_FlowDepth)->Unit(benchmark::kMicrosecond);

}  // namespace
