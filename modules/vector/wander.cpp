#include "modules/vector/wander.h"

#include <algorithm>

#include "modules/framework/controls.h"
#include "platform/random.h"
#include "render/int_math.h"
#include "render/tiling.h"

namespace ztx {

namespace {

// The one instance's state (module-level storage; nothing is allocated).
WanderState g_wander{};

// A random start coordinate in the middle third of the first half of
// `size`: k + rand mod k with k = (size div 2) div 3 (0 when k is 0).
int StartCoordinate(int size) {
    const int k = (size / 2) / 3;
    const int offset = Rand15();
    return k > 0 ? k + offset % k : 0;
}

// One coordinate's bounce: past `high` it stops there and turns, below 0
// likewise.
void ClampHigh(int& p, int& d, int high) {
    if (p > high) {
        p = high;
        d = -d;
    }
}
void ClampLow(int& p, int& d) {
    if (p < 0) {
        p = 0;
        d = -d;
    }
}

}  // namespace

int WanderDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kWanderYSpeed, .name = "Y Speed", .store = 1, .min = 1, .max = 60, .value = 5},
        {.slot = kWanderXSpeed, .name = "X Speed", .store = 2, .min = 1, .max = 60, .value = 5},
        kStrengthControl,
        {.slot = kWanderXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 2, .animatable = true},
        {.slot = kWanderYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 2, .animatable = true},
        {.slot = kWanderTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kWanderSymmetry, .name = "Symmetry", .store = 14, .min = 1, .max = 128, .value = 8,
         .animatable = true},
        {.slot = kWanderSweep, .name = "Sweep", .store = 15, .min = 1, .max = 360, .value = 360, .animatable = true},
        {.slot = kWanderType, .name = "Type", .store = 20, .max = 17, .value = 6},
        {.slot = kWanderDiameter, .name = "Diameter", .store = 21, .min = 1, .max = 320, .value = 80,
         .animatable = true},
        {.slot = kWanderRotation, .name = "Rotation", .store = 22, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kWanderSides, .name = "Sides", .store = 23, .min = 1, .max = 10, .value = 4},
        {.slot = kWanderDiameter2, .name = "Diameter (2)", .store = 24, .min = 1, .max = 320, .value = 1,
         .animatable = true},
        {.slot = kWanderRotation2, .name = "Rotation  (2)", .store = 25, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kWanderSides2, .name = "Sides (2)", .store = 26, .min = 1, .max = 10, .value = 1},
        {.slot = kWanderDiameter3, .name = "Diameter (3)", .store = 27, .min = 1, .max = 320, .value = 1,
         .animatable = true},
        {.slot = kWanderRotation3, .name = "Rotation  (3)", .store = 28, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kWanderSides3, .name = "Sides (3)", .store = 29, .min = 1, .max = 10, .value = 1},
        kDrawStartControl,
        kDrawStopControl,
    };
    // Registration starts an animation run: nothing of an earlier run (its
    // drawing context above all) is left to draw with.
    g_wander = WanderState{};
    return DefineControls(r, kControls);
}

int WanderInitialize(ModuleRecord* r) {
    if (r == nullptr) return 0;
    WanderState& s = g_wander;
    RandomizeControls(r);
    EvolveControls(r);

    s.step = Point{r->Control[kWanderYSpeed], r->Control[kWanderXSpeed]};
    s.xTiling = r->Control[kWanderXTiling];
    s.yTiling = r->Control[kWanderYTiling];
    s.tileType = r->Control[kWanderTileType];
    s.symmetry = r->Control[kWanderSymmetry];
    s.sweep = r->Control[kWanderSweep];
    SetupBrushFrom(ModuleDc(r), ReadBrushInputs(*r), (s.step.x + s.step.y) / 3 + 3, s.brush);

    s.width = r->Width;
    s.height = r->Height;
    s.centerX = s.width / 2;
    s.centerY = s.height / 2;
    s.color = 0;
    s.point.x = StartCoordinate(s.width);
    s.point.y = StartCoordinate(s.height);
    s.previous = s.point;
    s.initialized = 1;
    return 0;
}

int WanderDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kWanderDrawStart], r->Control[kWanderDrawStop])) return kFrameSkipped;
    WanderState& s = g_wander;
    if (!s.initialized) return 0;
    DrawContext* dc = ModuleDc(r);
    s.brush.dc = dc;  // the record's surface may have been replaced

    s.color = NextSawToothColor(s.color);
    SelectBrushPen(&s.brush, s.color);
    s.xTiling = DrivenValue(r, kWanderXTiling, s.xTiling);
    s.yTiling = DrivenValue(r, kWanderYTiling, s.yTiling);
    s.symmetry = DrivenValue(r, kWanderSymmetry, s.symmetry);
    s.sweep = DrivenValue(r, kWanderSweep, s.sweep);
    EvolveBrushControls(*r, s.brush, DrivenSize::Truncated);

    // Move, then bounce: right edge, bottom, left, top, in this order.
    s.previous = s.point;
    s.point.x = ClampToInt(int64_t(s.point.x) + s.step.x);
    s.point.y = ClampToInt(int64_t(s.point.y) + s.step.y);
    ClampHigh(s.point.x, s.step.x, s.width);
    ClampHigh(s.point.y, s.step.y, s.height);
    ClampLow(s.point.x, s.step.x);
    ClampLow(s.point.y, s.step.y);

    if (dc != nullptr) {
        const TileGrid grid = MakeTileGrid(s.width, s.height, s.xTiling, s.yTiling, s.tileType);
        ShapeBrush tileBrush = TileSizedBrush(s.brush, grid);
        const SymmetryCopies copies = MakeSymmetry(s.width, s.height, s.symmetry, s.sweep, 50, 50);
        const Point ends[2] = {s.point, s.previous};
        Point turned[2];
        for (int i = 0; i < copies.copies; ++i) {
            RotateCopy(&copies, i, ends, turned, 2);
            BrushLineInTiles(grid, tileBrush, turned[0], turned[1]);
        }
    }
    for (int i = 0; i < 3; ++i) s.brush.angle[i] += s.brush.step[i];
    ReleaseBrushPen(&s.brush);
    return 0;
}

WanderState& WanderWorkingState() { return g_wander; }

}  // namespace ztx
