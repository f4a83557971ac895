// Frame cost of the Cube module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock, so
// restarts after "Duration" come at their real rate (every 1800 frames with
// the default 30 s).
// Run alone: zentrix_bench --benchmark_filter=Cube
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include <functional>

#include "modules/vector/cube.h"

using namespace ztx;

namespace {

void RunCube(benchmark::State& state, const std::function<void(ModuleRecord&)>& configure) {
    RunModuleFrames(state, kSlotCube, configure);
}

// Default controls: 2 x 2 x 2 cubes, three rotated copies, a one-pixel pen,
// a trail of 2 frames: 24 cubes drawn and 24 erased per frame.
void BM_CubeDefault(benchmark::State& state) {
    RunCube(state, [](ModuleRecord&) {});
}
BENCHMARK(BM_CubeDefault)->Unit(benchmark::kMicrosecond);

// Heavy: a grid of 10 x 10 x 10 cubes, the other controls at their
// defaults.
void TenCubesEachWay(ModuleRecord& r) {
    for (int slot : {kCubeXCubes, kCubeYCubes, kCubeZCubes}) r.Control[slot] = 10;
}

// 3000 cubes drawn and 3000 erased per frame.
void BM_CubeHeavy(benchmark::State& state) { RunCube(state, TenCubesEachWay); }
BENCHMARK(BM_CubeHeavy)->Unit(benchmark::kMillisecond);

// The same 3000 cubes with an 8-pixel pen: every edge is a wide stroke.
void BM_CubeHeavyWidth8(benchmark::State& state) {
    RunCube(state, [](ModuleRecord& r) {
        TenCubesEachWay(r);
        r.Control[kCubeWidth] = 8;
    });
}
BENCHMARK(BM_CubeHeavyWidth8)->Unit(benchmark::kMillisecond);

// Default cubes over 4 x 4 mirrored tiles: every cube drawn 16 times, each
// time clipped to its tile.
void BM_CubeTiled(benchmark::State& state) {
    RunCube(state, [](ModuleRecord& r) {
        r.Control[kCubeXTiling] = 4;
        r.Control[kCubeYTiling] = 4;
    });
}
BENCHMARK(BM_CubeTiled)->Unit(benchmark::kMicrosecond);

}  // namespace
