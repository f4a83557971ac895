// The Bitmap slide show at 1920x1080: the frame loop's cost (the worker
// loads off the frame thread), and the worker's load of a 6000 x 4000 JPEG
// with its time and the process's peak memory growth.
// Run alone: zentrix_bench --benchmark_filter=Bitmap
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/heap_counter.h"
#include "bench/module_bench.h"
#include "modules/framework/controls.h"
#include "modules/raster/bitmap.h"
#include "platform/files.h"
#include "tests/picture_files.h"

using namespace ztx;

namespace {

// A folder holding one JPEG photograph-like picture (smooth shading with
// fine detail) of the given size; made once per process, removed at exit.
struct PictureFolder {
    std::string dir;
    PictureFolder(int w, int h) {
        char pattern[] = "/tmp/ztx-bitmap-bench-XXXXXX";
        if (!mkdtemp(pattern)) return;
        dir = pattern;
        const std::vector<uint8_t> jpeg = EncodeJpeg(
            w, h,
            [w, h](int x, int y, uint8_t* c) {
                c[0] = static_cast<uint8_t>(255 * x / w);
                c[1] = static_cast<uint8_t>(255 * y / h);
                c[2] = static_cast<uint8_t>((x * 7 + y * 13) & 255);
            },
            90);
        WriteFileAtomically(dir + "/photo.jpg", std::string(jpeg.begin(), jpeg.end()));
    }
    ~PictureFolder() {
        if (dir.empty()) return;
        std::remove((dir + "/photo.jpg").c_str());
        std::remove(dir.c_str());
    }
};

const std::string& HdFolder() {
    static const PictureFolder folder(1920, 1080);
    return folder.dir;
}
const std::string& LargeFolder() {
    static const PictureFolder folder(6000, 4000);
    return folder.dir;
}

void Fix(ModuleRecord& r, int slot, int value) {
    r.Check[slot] = kCheckSet;
    r.Control[slot] = value;
}

void SetPath(ModuleRecord& r, const std::string& pattern) {
    std::snprintf(r.Path, sizeof r.Path, "%s", pattern.c_str());
}

// Default controls on a 1920 x 1080 photograph: a new picture every 12
// seconds, stretched and smoothed twice. One iteration is one such period
// (720 frames, the first of them painting) after the worker has finished;
// the time shown is per frame.
void BM_BitmapDefault(benchmark::State& state) {
    constexpr int kFramesPerPicture = 720;
    ModuleHarness harness(kSlotBitmap, 1920, 1080);
    SetPath(harness.Record(), HdFolder() + "/*.jpg");
    harness.Start(12345);
    for (auto _ : state) {
        BitmapWaitForLoader(60000);
        const auto t0 = std::chrono::steady_clock::now();
        for (int f = 0; f < kFramesPerPicture; ++f) harness.Frame();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() /
                               kFramesPerPicture);
    }
    state.counters["shown"] = BitmapLastRun().shown;
}
BENCHMARK(BM_BitmapDefault)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(10);

// The heavy case for the frame loop: a 6000 x 4000 picture every frame
// ("Duration" 0), smoothed ten times, stretched over the window. Only the
// frame that paints is timed; the wait for the worker is not.
void BM_BitmapLargePictureEveryFrame(benchmark::State& state) {
    ModuleHarness harness(kSlotBitmap, 1920, 1080);
    ModuleRecord& r = harness.Record();
    SetPath(r, LargeFolder() + "/*.jpg");
    Fix(r, kBitmapDuration, 0);
    Fix(r, kBitmapSmoothing, 10);
    Fix(r, kBitmapDisplayType, 1);
    harness.Start(12345);
    for (auto _ : state) {
        state.PauseTiming();
        BitmapWaitForLoader(60000);
        state.ResumeTiming();
        harness.Frame();
    }
    state.counters["shown"] = BitmapLastRun().shown;
}
BENCHMARK(BM_BitmapLargePictureEveryFrame)->Unit(benchmark::kMillisecond)->Iterations(4);

// The worker's whole job for a 6000 x 4000 JPEG: read, decode, brightness,
// smoothing ("Smoothing" as the argument). Counters: the most memory held
// at once through operator new while the worker loads (the file, the
// pictures and any other buffer; the JPEG library's few working rows come
// on top), in MiB and in 8-bit picture sizes.
void BM_BitmapLoadJpeg6000x4000(benchmark::State& state) {
    const std::string folder = LargeFolder();
    double peakMib = 0;
    for (auto _ : state) {
        ModuleHarness harness(kSlotBitmap, 1920, 1080);
        ModuleRecord& r = harness.Record();
        SetPath(r, folder + "/*.jpg");
        Fix(r, kBitmapSmoothing, static_cast<int>(state.range(0)));
        const size_t before = HeldBytes();
        ResetPeakBytes();
        const auto t0 = std::chrono::steady_clock::now();
        harness.Start(1);  // starts the worker
        BitmapWaitForLoader(60000);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        peakMib = std::max(peakMib, double(PeakBytes() - before) / (1024 * 1024));
    }
    state.counters["peak_MiB"] = peakMib;
    state.counters["picture_sizes"] = peakMib / (6000.0 * 4000.0 / (1024 * 1024));
}
BENCHMARK(BM_BitmapLoadJpeg6000x4000)
    ->Arg(0)
    ->Arg(2)
    ->Arg(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
