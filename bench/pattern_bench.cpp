// Frame cost of the Pattern module at 1920x1080. Each iteration is one
// DoDrawFrame call; "Duration" is 0 so that every frame draws (a finished
// pattern would otherwise wait 30 seconds at no cost), which also spreads the
// cost of each new cycle's profiles over the frames.
// Run alone: zentrix_bench --benchmark_filter=Pattern
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/raster/pattern.h"

using namespace ztx;

namespace {

void RunPattern(benchmark::State& state, int xTiling, int yTiling, int waves, int type) {
    RunModuleFrames(
        state, kSlotPattern,
        [&](ModuleRecord& r) {
            r.Control[kPatternDuration] = 0;
            r.Control[kPatternXTiling] = xTiling;
            r.Control[kPatternYTiling] = yTiling;
            r.Control[kPatternWaves] = waves;
            r.Control[kPatternType] = type;
        },
        [](benchmark::State& st) { st.counters["cycles"] = PatternCurrentCycle().cycles; });
}

// Default controls: one tile, a random type and 1..2 waves per cycle.
void BM_PatternDefault(benchmark::State& state) { RunPattern(state, 1, 1, 2, 21); }
BENCHMARK(BM_PatternDefault)->Unit(benchmark::kMicrosecond);

// 20 x 20 tiles: 399 copies of every ring.
void BM_PatternTiles20x20(benchmark::State& state) { RunPattern(state, 20, 20, 2, 21); }
BENCHMARK(BM_PatternTiles20x20)->Unit(benchmark::kMicrosecond);

// The costliest pixel function: 30 waves summed per pixel (type 7).
void BM_PatternThirtyWavesType7(benchmark::State& state) { RunPattern(state, 1, 1, 30, 7); }
BENCHMARK(BM_PatternThirtyWavesType7)->Unit(benchmark::kMicrosecond);

}  // namespace
