#include "modules/raster/wipe.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "engine/process_state.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_memory.h"
#include "modules/vector/vector_kit.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/tiling.h"

namespace ztx {

namespace {

// The transition works on an extent 6 pixels larger than the picture each
// way, so the last bar or block reaches past the edge.
constexpr int kExtentMargin = 6;

struct WipeState {
    int32_t extentWidth = 0, extentHeight = 0;  // W', H'
    int32_t width = 0, height = 0;
    WipeKind kind = WipeKind::BarsRight;
    int32_t xStep = 8, yStep = 8, speed = 6;
    int32_t xTiling = 1, yTiling = 1, tileType = 0;
    uint32_t nextWipe = 0;
    uint32_t pace = 0;  // polygons drawn, for the pacing of slow speeds
    bool initialized = false;
    WipeInfo info{};
};

WipeState g_wipe;

// One transition in progress: the context, the tile grid of the extent, and
// the pacing after every polygon.
class Transition {
public:
    Transition(DrawContext& dc, WipeState& s)
        : dc_(dc),
          s_(s),
          grid_(MakeTileGrid(s.extentWidth, s.extentHeight, s.xTiling, s.yTiling, s.tileType)),
          pen_(SelectPen(dc, kBlackPen)),
          brush_(SelectBrush(dc, kBlackBrush)) {}
    ~Transition() {
        SelectPen(dc_, pen_);
        SelectBrush(dc_, brush_);
    }
    Transition(const Transition&) = delete;
    Transition& operator=(const Transition&) = delete;

    // Fills the polygon in every tile, then paces. False once the animation
    // is stopping: the transition ends there.
    bool Polygon(Point a, Point b, Point c, Point d) {
        const Point points[4] = {a, b, c, d};
        DrawTiled(&grid_, points, 4, Fill, &dc_);
        ++s_.info.polygons;
        Pace();
        return AnimationRunning.load() != 0;
    }

private:
    static void Fill(void* context, const Point* points, int count) {
        DrawPolygon(*static_cast<DrawContext*>(context), points, count);
    }
    // Fast speeds pause 10 ms on "Speed" polygons of every 32; from 32 on
    // every polygon pauses 10 x "Speed" - 300 ms. The picture is published
    // first so the transition is seen while it runs.
    void Pace() {
        uint32_t ms = 0;
        if (s_.speed >= 32)
            ms = static_cast<uint32_t>(10 * s_.speed - 300);
        else if (static_cast<int32_t>(s_.pace & 31) < s_.speed)
            ms = 10;
        ++s_.pace;
        if (ms == 0) return;
        PublishContext(dc_);
        SleepMs(ms);
    }

    DrawContext& dc_;
    WipeState& s_;
    TileGrid grid_;
    Pen pen_;
    Brush brush_;
};

// Bars X pixels wide from one side to the other. Right to left, each bar
// ends at its x (not starts there), so the last bar reaches the left edge
// as the last bar left to right reaches the right one.
void Bars(Transition& t, const WipeState& s, bool rightToLeft) {
    const int X = s.xStep, W = s.extentWidth, H = s.extentHeight;
    auto bar = [&](int x) { return t.Polygon({x, 0}, {x + X, 0}, {x + X, H}, {x, H}); };
    if (rightToLeft) {
        for (int x = W; x > 0; x -= X)
            if (!bar(x - X)) return;
    } else {
        for (int x = 0; x < W; x += X)
            if (!bar(x)) return;
    }
}

// A band between two moving edges: a and b run along the top and then down
// the right side, c and d down the left side and then along the bottom.
void Diagonal(Transition& t, const WipeState& s) {
    const int X = s.xStep, Y = s.yStep, W = s.extentWidth, H = s.extentHeight;
    Point a{0, 0}, b{X, 0}, c{0, Y}, d{0, 0};
    auto alongTop = [&](Point& p) {
        if (p.x < W)
            p.x += X;
        else
            p.y += Y;
    };
    auto downLeft = [&](Point& p) {
        if (p.y < H)
            p.y += Y;
        else
            p.x += X;
    };
    while (b.y < H && d.x < W) {
        if (!t.Polygon(a, b, c, d)) return;
        alongTop(a);
        alongTop(b);
        downLeft(c);
        downLeft(d);
    }
}

struct ModuleMemoryDeleter {
    void operator()(void* p) const { FreeModuleMemory(p); }
};

// Cells of at least 15 x 15 pixels, listed column by column, shuffled by
// swapping each with a random cell, then filled in list order. The grid
// takes a last partial column and row too, so the cells cover the extent.
void Blocks(Transition& t, WipeState& s) {
    const int X = std::max(s.xStep, kWipeMinimumBlock), Y = std::max(s.yStep, kWipeMinimumBlock);
    s.info.xStep = X;
    s.info.yStep = Y;
    const int columns = (s.extentWidth + X - 1) / X, rows = (s.extentHeight + Y - 1) / Y;
    if (columns <= 0 || rows <= 0) return;
    const size_t count = size_t(columns) * size_t(rows);
    std::unique_ptr<Point, ModuleMemoryDeleter> list(static_cast<Point*>(AllocateModuleMemory(count * sizeof(Point))));
    if (!list) {
        std::fputs("Could not allocate buffers\n", stderr);
        return;
    }
    Point* cells = list.get();
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r) cells[size_t(c) * rows + r] = Point{c, r};
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            const int rc = Rand15() % columns;
            const int rr = Rand15() % rows;
            std::swap(cells[size_t(c) * rows + r], cells[size_t(rc) * rows + rr]);
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const int x = cells[i].x * X, y = cells[i].y * Y;
        if (!t.Polygon({x, y}, {x + X, y}, {x + X, y + Y}, {x, y + Y})) return;
    }
}

void RunWipe(DrawContext& dc, WipeState& s) {
    ++s.info.wipes;
    s.info.polygons = 0;
    s.info.kind = static_cast<int32_t>(s.kind);
    s.info.xStep = s.xStep;
    s.info.yStep = s.yStep;
    {
        Transition t(dc, s);
        switch (s.kind) {
            case WipeKind::BarsRight:
                Bars(t, s, false);
                break;
            case WipeKind::BarsLeft:
                Bars(t, s, true);
                break;
            case WipeKind::Diagonal:
                Diagonal(t, s);
                break;
            case WipeKind::Blocks:
                Blocks(t, s);
                break;
        }
    }
    FillRect(dc, Rect{0, 0, s.width, s.height}, kBlackBrush);
}

}  // namespace

int WipeDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kWipeType, .name = "Type", .store = 0, .max = 3, .check = kCheckRandom},
        {.slot = kWipeXStep,
         .name = "X Step",
         .store = 1,
         .min = 1,
         .max = 100,
         .rangeLo = 1,
         .rangeHi = 10,
         .value = 8,
         .check = kCheckRandom},
        {.slot = kWipeYStep,
         .name = "Y Step",
         .store = 2,
         .min = 1,
         .max = 100,
         .rangeLo = 1,
         .rangeHi = 10,
         .value = 8,
         .check = kCheckRandom},
        {.slot = kWipeSpeed, .name = "Speed", .store = 3, .min = 1, .max = 64, .value = 6},
        {.slot = kWipeDuration, .name = "Duration", .store = 8, .max = 1000, .value = 20},
        kStrengthControl,
        {.slot = kWipeXTiling,
         .name = "X Tiling",
         .store = 10,
         .min = 1,
         .max = 20,
         .rangeLo = 3,
         .rangeHi = 8,
         .value = 4,
         .check = kCheckRandom},
        {.slot = kWipeYTiling,
         .name = "Y Tiling",
         .store = 11,
         .min = 1,
         .max = 20,
         .rangeLo = 3,
         .rangeHi = 8,
         .value = 4,
         .check = kCheckRandom},
        {.slot = kWipeTileType, .name = "Tile Type", .store = 12, .max = 3},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int WipeAllocate(ModuleRecord* record) {
    WipeState& s = g_wipe;
    s = WipeState{};
    s.width = std::max(record->Width, 0);
    s.height = std::max(record->Height, 0);
    s.extentWidth = s.width + kExtentMargin;
    s.extentHeight = s.height + kExtentMargin;
    return 0;
}

int WipeInitialize(ModuleRecord* record) {
    WipeState& s = g_wipe;
    RandomizeControls(record);
    EvolveControls(record);
    const int32_t* c = record->Control;
    s.kind = static_cast<WipeKind>(std::clamp(c[kWipeType], 0, 3));
    s.xStep = std::max(c[kWipeXStep], 1);
    s.yStep = std::max(c[kWipeYStep], 1);
    s.speed = c[kWipeSpeed];
    s.xTiling = std::max(c[kWipeXTiling], 1);
    s.yTiling = std::max(c[kWipeYTiling], 1);
    s.tileType = c[kWipeTileType];
    s.nextWipe = GetTickCount() + static_cast<uint32_t>(std::max(c[kWipeDuration], 0)) * 1000u;
    s.initialized = true;
    if (DrawContext* dc = ModuleDc(record)) SetStretchColorOnColor(*dc);
    return 0;
}

int WipeDrawFrame(ModuleRecord* record) {
    if (!DrawGate(record->Control[kWipeDrawStart], record->Control[kWipeDrawStop])) return kFrameSkipped;
    WipeState& s = g_wipe;
    DrawContext* dc = ModuleDc(record);
    if (!s.initialized || dc == nullptr) return 0;
    // "Reached": a wipe started with "Duration" 0 runs in the same call.
    if (static_cast<int32_t>(GetTickCount() - s.nextWipe) < 0) return 0;
    RunWipe(*dc, s);
    return WipeInitialize(record);
}

int WipeClose(ModuleRecord*) { return 0; }

WipeInfo WipeLastRun() { return g_wipe.info; }

}  // namespace ztx
