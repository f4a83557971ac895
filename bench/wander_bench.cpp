// Frame cost of the Wander module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Wander
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/wander.h"

using namespace ztx;

namespace {

// Default controls: 8 copies in 2 x 2 tiles (32 strokes) of filled squares
// carrying squares carrying squares.
void BM_WanderDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotWander, [](ModuleRecord&) {});
}
BENCHMARK(BM_WanderDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 128 copies in 4 x 4 tiles (2048 strokes), fast, each stroke a
// string of filled hexagons carrying hexagons carrying hexagons.
void BM_WanderHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotWander, [](ModuleRecord& r) {
        r.Control[kWanderSymmetry] = 128;
        r.Control[kWanderXTiling] = 4;
        r.Control[kWanderYTiling] = 4;
        r.Control[kWanderYSpeed] = 30;
        r.Control[kWanderXSpeed] = 20;
        r.Control[kWanderSides] = 6;
        r.Control[kWanderDiameter] = 160;
    });
}
BENCHMARK(BM_WanderHeavy)->Unit(benchmark::kMillisecond);

}  // namespace
