// Frame cost of the Line module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Line
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/line.h"

using namespace ztx;

namespace {

// Default controls: three copies of one ribbon, a permanent trail.
void BM_LineDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotLine, [](ModuleRecord&) {});
}
BENCHMARK(BM_LineDefault)->Unit(benchmark::kMicrosecond);

// Heavy: fast wide ribbons in 20 copies and 20 x 20 tiles, erased 3 frames
// later (16000 filled quadrilaterals a frame, half of them black).
void BM_LineHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotLine, [](ModuleRecord& r) {
        for (int slot : {kLineDeltaX1, kLineDeltaY1, kLineDeltaX2, kLineDeltaY2}) r.Control[slot] = 50;
        r.Control[kLineSymmetry] = 20;
        r.Control[kLineXTiling] = 20;
        r.Control[kLineYTiling] = 20;
        r.Control[kLineTrailLength] = 1;
    });
}
BENCHMARK(BM_LineHeavy)->Unit(benchmark::kMillisecond);

// Big shapes: 20 copies of a fast ribbon over the whole picture, trail 1.
void BM_LineBigCopies(benchmark::State& state) {
    RunModuleFrames(state, kSlotLine, [](ModuleRecord& r) {
        for (int slot : {kLineDeltaX1, kLineDeltaY1, kLineDeltaX2, kLineDeltaY2}) r.Control[slot] = 50;
        r.Control[kLineSymmetry] = 20;
        r.Control[kLineTrailLength] = 1;
    });
}
BENCHMARK(BM_LineBigCopies)->Unit(benchmark::kMillisecond);

}  // namespace
