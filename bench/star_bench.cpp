// Frame cost of the Star module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Star
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include <functional>

#include "modules/vector/star.h"

using namespace ztx;

namespace {

void RunStar(benchmark::State& state, const std::function<void(ModuleRecord&)>& configure) {
    RunModuleFrames(state, kSlotStar, configure);
}

// Default controls: 20 stars, one-pixel streaks, no copies, one tile.
void BM_StarDefault(benchmark::State& state) {
    RunStar(state, [](ModuleRecord&) {});
}
BENCHMARK(BM_StarDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 99 stars in 16 rotated copies (1584 streaks per frame).
void BM_StarHeavy(benchmark::State& state) {
    RunStar(state, [](ModuleRecord& r) {
        r.Control[kStarStars] = 99;
        r.Control[kStarSymmetry] = 16;
    });
}
BENCHMARK(BM_StarHeavy)->Unit(benchmark::kMicrosecond);

// Heavy with shapes: the same, each streak a string of filled pentagons of
// radius 12 every 5 pixels.
void BM_StarHeavyShapes(benchmark::State& state) {
    RunStar(state, [](ModuleRecord& r) {
        r.Control[kStarStars] = 99;
        r.Control[kStarSymmetry] = 16;
        r.Control[kStarType] = 1;
        r.Control[kStarSides] = 5;
        r.Control[kStarDiameter] = 12;
    });
}
BENCHMARK(BM_StarHeavyShapes)->Unit(benchmark::kMillisecond);

}  // namespace
