// Frame cost of the Bezier module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock, so
// restarts after "Duration" come at their real rate (every 1800 frames with
// the default 30 s).
// Run alone: zentrix_bench --benchmark_filter=Bezier
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include <functional>

#include "modules/vector/bezier.h"

using namespace ztx;

namespace {

void RunBezier(benchmark::State& state, const std::function<void(ModuleRecord&)>& configure) {
    RunModuleFrames(state, kSlotBezier, configure);
}

// Default controls: one curve, ten rotated copies, a 12-pixel pen, a trail
// of 300 frames (nothing is erased).
void BM_BezierDefault(benchmark::State& state) {
    RunBezier(state, [](ModuleRecord&) {});
}
BENCHMARK(BM_BezierDefault)->Unit(benchmark::kMicrosecond);

// Default controls with a trail of 30 frames: every frame also erases one.
void BM_BezierDefaultErasing(benchmark::State& state) {
    RunBezier(state, [](ModuleRecord& r) { r.Control[kBezierTrailLength] = 10; });
}
BENCHMARK(BM_BezierDefaultErasing)->Unit(benchmark::kMicrosecond);

// Heavy: 20 curves (10 drawn per copy), 32 copies, a 40-pixel pen, a
// 30-frame trail: 320 wide curves drawn and 320 erased per frame.
void BM_BezierHeavy(benchmark::State& state) {
    RunBezier(state, [](ModuleRecord& r) {
        r.Control[kBezierBeziers] = 20;
        r.Control[kBezierSymmetry] = 32;
        r.Control[kBezierWidth] = 40;
        r.Control[kBezierTrailLength] = 10;
    });
}
BENCHMARK(BM_BezierHeavy)->Unit(benchmark::kMillisecond);

// Heavy tiling: 20 x 20 mirrored tiles of the default figure (4000 curves
// per frame).
void BM_BezierTiles20x20(benchmark::State& state) {
    RunBezier(state, [](ModuleRecord& r) {
        r.Control[kBezierXTiling] = 20;
        r.Control[kBezierYTiling] = 20;
    });
}
BENCHMARK(BM_BezierTiles20x20)->Unit(benchmark::kMillisecond);

}  // namespace
