// Frame cost of the Sphere module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Sphere
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/sphere.h"

using namespace ztx;

namespace {

// Default controls: 8 wedges of balls of 100 pixels.
void BM_SphereDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotSphere, [](ModuleRecord&) {});
}
BENCHMARK(BM_SphereDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 128 wedges, clipped and reflected, in 20 x 20 tiles clipped to
// their rectangles (102400 clipped balls a frame).
void BM_SphereHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotSphere, [](ModuleRecord& r) {
        r.Check[kSphereClip] = r.Check[kSphereReflect] = 0;
        r.Control[kSphereClip] = 1;
        r.Control[kSphereReflect] = 1;
        r.Control[kSphereClipTiles] = 1;
        r.Control[kSphereSymmetry] = 128;
        r.Control[kSphereXTiling] = 20;
        r.Control[kSphereYTiling] = 20;
    });
}
BENCHMARK(BM_SphereHeavy)->Unit(benchmark::kMillisecond);

// The biggest balls: size 250, clipped and reflected, 128 wedges, one tile.
void BM_SphereBigBalls(benchmark::State& state) {
    RunModuleFrames(state, kSlotSphere, [](ModuleRecord& r) {
        r.Check[kSphereClip] = r.Check[kSphereReflect] = 0;
        r.Control[kSphereClip] = 1;
        r.Control[kSphereReflect] = 1;
        r.Control[kSphereSize] = 250;
        r.Control[kSphereSymmetry] = 128;
    });
}
BENCHMARK(BM_SphereBigBalls)->Unit(benchmark::kMillisecond);

}  // namespace
