// Throughput of the drawing layer and of the presenter's expansion step.
// Run alone: zentrix_bench --benchmark_filter=Expand
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "bench/noise_picture.h"
#include "platform/random.h"
#include "modules/raster/raster_kit.h"
#include "render/draw.h"
#include "render/tiling.h"

using namespace ztx;

namespace {

void Table(uint32_t t[256]) {
    for (int i = 0; i < 256; ++i) t[i] = 0x010101u * uint32_t(i);
}

// Times `expand(source, table, target)` on a w x h noise picture (the
// benchmark's two arguments), counting one byte a pixel.
template <class Expand>
void ExpandNoise(benchmark::State& state, Expand&& expand) {
    const int w = int(state.range(0)), h = int(state.range(1));
    auto src = NoisePicture(w, h);
    std::vector<uint32_t> dst(size_t(w) * h);
    uint32_t table[256];
    Table(table);
    for (auto _ : state) {
        expand(src.data(), table, dst.data());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * w * h);
}

// The expansion the presenter runs at every frame and palette step.
void BM_Expand(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    ExpandNoise(state, [&](const uint8_t* src, const uint32_t* table, uint32_t* dst) {
        ExpandIndices(src, w, w, h, table, dst, w);
    });
}
BENCHMARK(BM_Expand)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

// The same on a picture like the modules draw (wide curves and filled
// shapes over black, long runs of one index), with new colours at every
// picture as the palette thread makes them.
void BM_ExpandDrawnPicture(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    Surface surface;
    CreateSurface(surface, w, h);
    DrawContext dc;
    AttachSurface(dc, surface);
    SeedRandom(4);
    for (int k = 0; k < 120; ++k) {
        SelectPen(dc, SolidPen(1 + Rand15() % 40, PaletteIndexColor(k % 236)));
        Point curve[4];
        for (auto& p : curve) p = Point{Rand15() % w, Rand15() % h};
        DrawBezier(dc, curve, 4);
        if (k % 4 == 0) {
            SelectBrush(dc, SolidBrush(PaletteIndexColor((k * 7) % 236)));
            Point shape[3];
            for (auto& p : shape) p = Point{Rand15() % w, Rand15() % h};
            DrawPolygon(dc, shape, 3);
        }
    }
    std::vector<uint32_t> dst(size_t(w) * h);
    uint32_t tables[2][256];
    Table(tables[0]);
    for (int i = 0; i < 256; ++i) tables[1][i] = tables[0][255 - i];
    int k = 0;
    for (auto _ : state) {
        ExpandIndices(surface.picture.pixels.data(), w, w, h, tables[k++ & 1], dst.data(), w);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * w * h);
}
BENCHMARK(BM_ExpandDrawnPicture)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

// The yardstick: a plain byte-to-word lookup loop.
__attribute__((noinline)) void PlainLookup(const uint8_t* s, const uint32_t* t, uint32_t* d, size_t n) {
    for (size_t i = 0; i < n; ++i) d[i] = t[s[i]];
}

void BM_ExpandPlainLookupLoop(benchmark::State& state) {
    const size_t pixels = size_t(state.range(0)) * size_t(state.range(1));
    ExpandNoise(state, [&](const uint8_t* src, const uint32_t* table, uint32_t* dst) {
        PlainLookup(src, table, dst, pixels);
    });
}
BENCHMARK(BM_ExpandPlainLookupLoop)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

// Expansion into a window of another size (preview, scaled presenter).
void BM_ExpandScaled(benchmark::State& state) {
    const int w = 1920, h = 1080;
    const int dw = int(state.range(0)), dh = int(state.range(1));
    auto src = NoisePicture(w, h);
    std::vector<uint32_t> dst(size_t(dw) * dh);
    uint32_t table[256];
    Table(table);
    for (auto _ : state) {
        ExpandIndicesScaled(src.data(), w, w, h, table, dst.data(), dw, dw, dh);
        benchmark::DoNotOptimize(dst.data());
    }
}
BENCHMARK(BM_ExpandScaled)->Args({2560, 1440})->Args({152, 112})->Unit(benchmark::kMicrosecond);

struct Screen {
    Surface surface;
    DrawContext dc;
    Screen(int w = 1920, int h = 1080) {
        CreateSurface(surface, w, h);
        AttachSurface(dc, surface);
    }
};

// Filled polygons of 4..10 corners, about 200 px across, new brush each.
void BM_FilledPolygon(benchmark::State& state) {
    Screen s;
    const int corners = int(state.range(0));
    SeedRandom(1);
    std::vector<Point> pts(size_t(corners) * 64);
    for (auto& p : pts) p = Point{200 + Rand15() % 1500, 100 + Rand15() % 800};
    for (int k = 0; k < 64; ++k)
        for (int i = 0; i < corners; ++i) {
            Point& p = pts[size_t(k) * corners + i];
            Point& c = pts[size_t(k) * corners];
            p.x = c.x + (p.x % 200) - 100;
            p.y = c.y + (p.y % 200) - 100;
        }
    SelectPen(s.dc, kNullPen);
    int k = 0, colour = 0;
    for (auto _ : state) {
        Brush b = SolidBrush(PaletteIndexColor(colour++ % 236));
        Brush old = SelectBrush(s.dc, b);
        DrawPolygon(s.dc, &pts[size_t(k) * corners], corners);
        SelectBrush(s.dc, old);
        k = (k + 1) & 63;
    }
}
BENCHMARK(BM_FilledPolygon)->Arg(4)->Arg(10);

void LineBench(benchmark::State& state, int width, int span) {
    Screen s;
    SelectPen(s.dc, SolidPen(width, PaletteIndexColor(5)));
    SeedRandom(2);
    std::vector<Point> pts(256);
    for (auto& p : pts) p = Point{960 - span / 2 + Rand15() % span, 540 - span / 2 + Rand15() % span};
    size_t k = 0;
    for (auto _ : state) {
        MoveTo(s.dc, pts[k].x, pts[k].y);
        LineTo(s.dc, pts[(k + 1) & 255].x, pts[(k + 1) & 255].y);
        k = (k + 1) & 255;
    }
}
void BM_Line1px(benchmark::State& state) { LineBench(state, 1, 800); }
void BM_Line20px(benchmark::State& state) { LineBench(state, 20, 800); }
BENCHMARK(BM_Line1px);
BENCHMARK(BM_Line20px);

// Wide strokes (even widths, as WideStroke scans them) against a plain
// memset of exactly the spans they cover, timed in the same iterations. The
// reported time is the strokes'; "memset_share" is the memset time over the
// stroke time: the fraction of the memset rate the strokes fill at.
void BM_WideStrokeVsMemset(benchmark::State& state) {
    Screen s;
    const int width = int(state.range(0));
    SelectPen(s.dc, SolidPen(width, PaletteIndexColor(5)));
    SeedRandom(2);
    constexpr int kLines = 256;
    std::vector<Point> pts(kLines + 1);
    for (auto& p : pts) p = Point{560 + Rand15() % 800, 140 + Rand15() % 800};
    struct Run {
        int y, x0, x1;
    };
    std::vector<Run> runs;
    const Rect picture{0, 0, 1920, 1080};
    for (int k = 0; k < kLines; ++k) {
        const PointD ends[2] = {{double(pts[k].x), double(pts[k].y)}, {double(pts[k + 1].x), double(pts[k + 1].y)}};
        ScanStroke(ends, 2, false, width / 2.0, picture,
                   SpanSink{[](void* ctx, int y, int x0, int x1) {
                                static_cast<std::vector<Run>*>(ctx)->push_back({y, x0, x1});
                            },
                            &runs});
    }
    uint8_t* const origin = s.dc.canvas.origin;
    const ptrdiff_t stride = s.dc.canvas.stride;
    double strokeSeconds = 0, memsetSeconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int k = 0; k < kLines; ++k) {
            MoveTo(s.dc, pts[k].x, pts[k].y);
            LineTo(s.dc, pts[k + 1].x, pts[k + 1].y);
        }
        const auto t1 = std::chrono::steady_clock::now();
        for (const Run& r : runs) std::memset(origin + r.y * stride + r.x0, 15, size_t(r.x1 - r.x0));
        benchmark::ClobberMemory();
        const auto t2 = std::chrono::steady_clock::now();
        const double stroke = std::chrono::duration<double>(t1 - t0).count();
        strokeSeconds += stroke;
        memsetSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(stroke);
    }
    state.counters["memset_share"] = strokeSeconds > 0 ? memsetSeconds / strokeSeconds : 0;
    state.counters["spans"] = double(runs.size());
}
BENCHMARK(BM_WideStrokeVsMemset)->Arg(8)->Arg(20)->Arg(40)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A line crossing the picture between end points a million pixels away
// costs about what its visible part costs.
void BM_LineOffSurface20px(benchmark::State& state) {
    Screen s;
    SelectPen(s.dc, SolidPen(20, PaletteIndexColor(5)));
    for (auto _ : state) {
        MoveTo(s.dc, -1000000, -500000);
        LineTo(s.dc, 1000000, 500000 + 1080);
    }
}
BENCHMARK(BM_LineOffSurface20px);

// Polygons whose vertices are a billion pixels away: entirely off the
// picture (rejected at once), and crossing it (only visible rows cost).
void BM_PolygonFarOff(benchmark::State& state) {
    Screen s;
    SelectPen(s.dc, SolidPen(int(state.range(1)), PaletteIndexColor(3)));
    SelectBrush(s.dc, SolidBrush(PaletteIndexColor(4)));
    const bool crossing = state.range(0) != 0;
    Point off[4] = {{-1000000000, -1000000000}, {-900000000, -1000000000}, {-900000000, 900000000}, {-1000000000, 5}};
    Point across[3] = {{-1000000000, 100}, {1000000000, 300}, {0, 1000000000}};
    for (auto _ : state) {
        if (crossing) DrawPolygon(s.dc, across, 3);
        else DrawPolygon(s.dc, off, 4);
    }
}
BENCHMARK(BM_PolygonFarOff)->Args({0, 1})->Args({0, 20})->Args({1, 1})->Args({1, 20});

void BM_BezierWidePen(benchmark::State& state) {
    Screen s;
    SelectPen(s.dc, SolidPen(int(state.range(0)), PaletteIndexColor(9)));
    SeedRandom(3);
    std::vector<Point> pts(256);
    for (auto& p : pts) p = Point{Rand15() % 1920, Rand15() % 1080};
    size_t k = 0;
    for (auto _ : state) {
        DrawBezier(s.dc, &pts[k], 4);
        k = (k + 4) & 255;
    }
}
BENCHMARK(BM_BezierWidePen)->Arg(1)->Arg(20)->Arg(200);

// One-pixel row and column strips through a palette-index header.
void BM_StripRowAndColumn(benchmark::State& state) {
    Screen s;
    std::vector<uint8_t> row(1920), col(1080 * 4);
    for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i % 236);
    for (size_t i = 0; i < col.size(); ++i) col[i] = uint8_t(i % 236);
    IndexDib r{1920, 1, kIdentityIndices, 236, row.data()};
    IndexDib c{1, 1080, kIdentityIndices, 236, col.data()};
    int y = 0;
    for (auto _ : state) {
        DrawIndexDib(s.dc, 0, y, 1920, 1, r, 0, 0, 1920, 1);
        DrawIndexDib(s.dc, y, 0, 1, 1080, c, 0, 0, 1, 1080);
        y = (y + 1) % 1080;
    }
}
BENCHMARK(BM_StripRowAndColumn);

// One ring copied into a 20 x 20 grid (399 tiles x 4 one-pixel copies).
void BM_MirroredRingCopies(benchmark::State& state) {
    Screen s;
    const TileGrid grid = MakeTileGrid(1920, 1080, 20, 20, 0);  // 96 x 54 tiles
    int ring = 0;
    for (auto _ : state) {
        const RingRect r{ring, ring, grid.tileWidth - 1 - ring, grid.tileHeight - 1 - ring};
        ReplicateRing(s.dc, grid, r, r);
        ring = (ring + 1) % 20;
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 399 * 4);
}
BENCHMARK(BM_MirroredRingCopies)->Unit(benchmark::kMicrosecond);

// A tile clip set, three overlay boxes cut out, then removed.
void BM_ClipSetAndRemove(benchmark::State& state) {
    Screen s;
    int k = 0;
    for (auto _ : state) {
        int c = k % 20, r = (k / 20) % 20;
        SetClipRect(s.dc, Rect{c * 96, r * 54, c * 96 + 96, r * 54 + 54});
        ExcludeClipRect(s.dc, Rect{800, 0, 1120, 60});
        ExcludeClipRect(s.dc, Rect{0, 1000, 400, 1080});
        ExcludeClipRect(s.dc, Rect{1500, 1000, 1920, 1080});
        RemoveClip(s.dc);
        ++k;
    }
}
BENCHMARK(BM_ClipSetAndRemove);

// One ball of a sphere-like module: ellipse region, intersected with a
// wedge triangle (winding) and a tile rectangle, overlays cut out, then a
// 200 x 200 block copied from a memory bitmap through that clip.
void BM_BallClipAndBlit(benchmark::State& state) {
    Screen s;
    Bitmap8 ball;
    CreateBitmap8(ball, 202, 202);
    DrawContext mem;
    AttachBitmap(mem, ball);
    SelectPen(mem, kNullPen);
    for (int k = 0; k < 50; ++k) {
        SelectBrush(mem, SolidBrush(PaletteIndexColor(k * 4)));
        DrawEllipse(mem, k * 2, k * 2, 202 - k * 2, 202 - k * 2);
    }
    Region ellipse, wedge;
    int k = 0;
    for (auto _ : state) {
        const int bx = 300 + (k % 7) * 150, by = 200 + (k % 5) * 120;
        const Rect box{bx - 100, by - 100, bx + 100, by + 100};
        RegionFromEllipse(ellipse, box, box);
        Point tri[3] = {{bx, by}, {bx + 400, by - 300 + (k % 11) * 40}, {bx + 400, by + 300}};
        RegionFromPolygon(wedge, tri, 3, FillRule::Winding, box);
        SetClipRegion(s.dc, ellipse);
        IntersectClipRegion(s.dc, wedge);
        IntersectClipRect(s.dc, Rect{0, 0, 1200, 1080});
        ExcludeClipRect(s.dc, Rect{800, 0, 1120, 60});
        BitBlt(s.dc, bx - 100, by - 100, 200, 200, mem, 1, 1);
        RemoveClip(s.dc);
        ++k;
    }
}
BENCHMARK(BM_BallClipAndBlit)->Unit(benchmark::kMicrosecond);

void BM_PublishFrame(benchmark::State& state) {
    Screen s;
    for (auto _ : state) PublishSurface(s.surface);
}
BENCHMARK(BM_PublishFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
