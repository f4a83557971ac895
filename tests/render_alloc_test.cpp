// Steady-state drawing must not touch the heap: pens and brushes are values
// and every scratch buffer keeps its capacity. This file counts allocations
// by replacing the global allocation functions for the test program (they
// only count and forward to malloc/free).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "modules/raster/raster_kit.h"
#include "render/draw.h"
#include "render/tiling.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// The nothrow forms too, so every allocation is paired with these deletes.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

using namespace ztx;

namespace {

// One frame's worth of every kind of drawing call the modules make.
void DrawEverything(DrawContext& dc, int frame, Region& ell, Region& tri) {
    static const uint8_t row[640] = {};
    static const uint8_t column[480 * 4] = {};
    Point quad[4] = {{10 + frame, 10}, {200, 30}, {180, 200}, {-5000, 150}};
    Point bez[4] = {{0, 0}, {300, -100}, {400, 600}, {640, 100}};
    for (int tile = 0; tile < 4; ++tile) {
        SetClipRect(dc, Rect{tile * 160, 0, tile * 160 + 160, 480});
        ExcludeClipRect(dc, Rect{100, 0, 300, 40});
        ExcludeClipRect(dc, Rect{0, 440, 200, 480});
        Brush old = SelectBrush(dc, SolidBrush(PaletteIndexColor((frame + tile) % 236)));
        SelectPen(dc, kNullPen);
        DrawPolygon(dc, quad, 4);
        SelectPen(dc, SolidPen(17, PaletteIndexColor(3)));
        DrawPolygon(dc, quad, 4);
        DrawBezier(dc, bez, 4);
        SelectPen(dc, SolidPen(1, PaletteIndexColor(4)));
        DrawPolyline(dc, bez, 4);
        MoveTo(dc, 5, 5);
        LineTo(dc, 600, 470);
        SelectBrush(dc, old);
        RemoveClip(dc);
    }
    SelectPen(dc, kNullPen);
    DrawEllipse(dc, 100, 100, 300, 260);
    DrawRectangle(dc, 50, 50, 54, 90);
    SetMix(dc, Mix::Not);
    SelectPen(dc, SolidPen(40, kRgbWhite));
    SelectBrush(dc, kHollowBrush);
    DrawEllipse(dc, 20, 20, 600, 460);
    SetMix(dc, Mix::CopyPen);
    PatBlt(dc, 0, 0, 320, 240, Rop::DestInvert);
    IndexDib r{640, 1, kIdentityIndices, 236, row};
    IndexDib c{1, 480, kIdentityIndices, 236, column};
    DrawIndexDib(dc, 0, frame % 480, 640, 1, r, 0, 0, 640, 1);
    DrawIndexDib(dc, frame % 640, 0, 1, 480, c, 0, 0, 1, 480);
    DrawIndexDib(dc, 0, 0, 320, 240, r, 0, 0, 640, 1);
    ReplicateRing(dc, MakeTileGrid(640, 480, 4, 4, 0), RingRect{10, 10, 109, 89}, RingRect{10, 10, 109, 89});
    ReplicateTile(dc, 4, 4, 160, 120, 0);
    StretchBlt(dc, 640, 0, -321, 240, dc, 0, 0, 320, 240);
    BitBlt(dc, 1, 0, 639, 480, dc, 0, 0);
    RegionFromEllipse(ell, Rect{200, 200, 300, 300}, Rect{0, 0, 640, 480});
    Point t[3] = {{250, 250}, {900, 250}, {900, -400}};
    RegionFromPolygon(tri, t, 3, FillRule::Winding, Rect{0, 0, 640, 480});
}

}  // namespace

TEST(RenderAllocations, SteadyStateDrawingDoesNotAllocate) {
    Surface surface;
    CreateSurface(surface, 640, 480);
    DrawContext dc;
    AttachSurface(dc, surface);
    // Warm-up: scratch buffers grow to their working sizes. Regions live in
    // the caller's (module's) storage and keep their capacity too.
    Region ell, tri;
    DrawEverything(dc, 0, ell, tri);
    DrawEverything(dc, 1, ell, tri);
    long before = g_allocations.load();
    for (int frame = 2; frame < 6; ++frame) {
        Point quad[4] = {{10 + frame, 10}, {200, 30}, {180, 200}, {-5000, 150}};
        SetClipRect(dc, Rect{0, 0, 160, 480});
        ExcludeClipRect(dc, Rect{100, 0, 300, 40});
        SelectBrush(dc, SolidBrush(PaletteIndexColor(frame)));
        SelectPen(dc, SolidPen(17, PaletteIndexColor(3)));
        DrawPolygon(dc, quad, 4);
        RemoveClip(dc);
        PublishSurface(surface);
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
    // Every kind of call of a whole frame.
    before = g_allocations.load();
    DrawEverything(dc, 7, ell, tri);
    EXPECT_EQ(g_allocations.load() - before, 0);
}
