// Frame cost of the Polygon module at 1920x1080. Each iteration is one
// DoDrawFrame call followed by a 1000/60 ms step of the virtual clock.
// Run alone: zentrix_bench --benchmark_filter=Polygon
#include <benchmark/benchmark.h>

#include "bench/module_bench.h"

#include "modules/vector/polygon.h"

using namespace ztx;

namespace {

// Default controls: a triangle in 10 copies.
void BM_PolygonDefault(benchmark::State& state) {
    RunModuleFrames(state, kSlotPolygon, [](ModuleRecord&) {});
}
BENCHMARK(BM_PolygonDefault)->Unit(benchmark::kMicrosecond);

// Heavy: 20 corners, outlined, 50 copies in 20 x 20 tiles (20000 filled
// polygons a frame).
void BM_PolygonHeavy(benchmark::State& state) {
    RunModuleFrames(state, kSlotPolygon, [](ModuleRecord& r) {
        r.Control[kPolygonVertices] = 20;
        r.Control[kPolygonOutline] = 1;
        r.Control[kPolygonSymmetry] = 50;
        r.Control[kPolygonXTiling] = 20;
        r.Control[kPolygonYTiling] = 20;
    });
}
BENCHMARK(BM_PolygonHeavy)->Unit(benchmark::kMillisecond);

// Big shapes: 20 corners, outlined, 50 copies over the whole picture.
void BM_PolygonBigCopies(benchmark::State& state) {
    RunModuleFrames(state, kSlotPolygon, [](ModuleRecord& r) {
        r.Control[kPolygonVertices] = 20;
        r.Control[kPolygonOutline] = 1;
        r.Control[kPolygonSymmetry] = 50;
    });
}
BENCHMARK(BM_PolygonBigCopies)->Unit(benchmark::kMillisecond);

}  // namespace
