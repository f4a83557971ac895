#include "modules/vector/bezier.h"

#include <algorithm>

#include "modules/framework/controls.h"

namespace ztx {

namespace {

// The one instance's working memory (module-level storage, as every module keeps it).
BezierState* g_bezier = nullptr;

// Snapshot of the current control values, in the frame's field order.
BezierFrame FrameFromControls(const ModuleRecord* r) {
    BezierFrame f;
    f.symmetry = r->Control[kBezierSymmetry];
    f.sweep = r->Control[kBezierSweep];
    f.xTiling = r->Control[kBezierXTiling];
    f.yTiling = r->Control[kBezierYTiling];
    f.width = r->Control[kBezierWidth];
    f.speed = r->Control[kBezierSpeed];
    f.tileType = r->Control[kBezierTileType];
    f.xCenter = r->Control[kBezierXCenter];
    f.yCenter = r->Control[kBezierYCenter];
    return f;
}

// The fields of the working frame whose controls are driven this frame
// take the control's evolved value (Tile Type is never animated).
void EvolveDrivenFields(ModuleRecord* r, BezierFrame& f) {
    static constexpr DrivenField<BezierFrame> kFields[] = {
        {kBezierWidth, &BezierFrame::width},       {kBezierSpeed, &BezierFrame::speed},
        {kBezierXCenter, &BezierFrame::xCenter},   {kBezierYCenter, &BezierFrame::yCenter},
        {kBezierXTiling, &BezierFrame::xTiling},   {kBezierYTiling, &BezierFrame::yTiling},
        {kBezierSymmetry, &BezierFrame::symmetry}, {kBezierSweep, &BezierFrame::sweep},
    };
    TakeDrivenFields(r, f, kFields);
}

// Moves every point by its direction times `speed` inside the bounds.
void MovePoints(const BezierState& s, BezierPoints& q, int speed) {
    MoveBouncingPoints(q.position, q.direction, s.points, Rect{s.xLow, s.yLow, s.xHigh, s.yHigh}, speed);
}

void DrawCurve(void* context, const Point* points, int count) {
    DrawBezier(*static_cast<DrawContext*>(context), points, count);
}

// The curves through points (0..3), (2..5), ... of one copy, over the tiles.
void DrawCurves(const TileGrid& grid, int curves, const Point* points, DrawContext& dc) {
    for (int j = 0; j < curves; j += 2) DrawTiled(&grid, points + j, 4, &DrawCurve, &dc);
}

// Draws frame f with point set q and the pen already selected.
void DrawSnapshot(const BezierState& s, DrawContext& dc, const BezierFrame& f, const BezierPoints& q) {
    const TileGrid grid = MakeTileGrid(s.width, s.height, f.xTiling, f.yTiling, f.tileType);
    if (f.symmetry <= 1) {
        DrawCurves(grid, s.curves, q.position, dc);
        return;
    }
    // Only points up to n + 2 are control points; the others need no turning.
    const int used = std::min(s.points, (s.curves - 1) / 2 * 2 + 4);
    const SymmetryCopies copies = MakeSymmetry(s.width, s.height, f.symmetry, f.sweep, f.xCenter, f.yCenter);
    Point turned[kBezierMaxPoints];
    for (int i = 0; i < copies.copies; ++i) {
        RotateCopy(&copies, i, q.position, turned, used);
        DrawCurves(grid, s.curves, turned, dc);
    }
}

// Erases the snapshot at `index`: the eraser's points move with that
// frame's speed and the frame is drawn again in black with its own width.
void EraseSnapshot(BezierState& s, DrawContext* dc, int index) {
    const BezierFrame& f = s.ring[index];
    MovePoints(s, s.eraser, f.speed);
    if (dc == nullptr) return;
    SelectPen(*dc, EraserPen(f.width));
    DrawSnapshot(s, *dc, f, s.eraser);
    RestoreStockPen(dc);
}

}  // namespace

int BezierDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kBezierBeziers, .name = "Beziers", .store = 0, .min = 1, .max = 20, .value = 1},
        {.slot = kBezierTrailLength, .name = "Trail Length", .store = 2, .min = 1, .max = 100, .value = 100},
        {.slot = kBezierWidth, .name = "Width", .store = 3, .min = 1, .max = 200, .value = 12, .animatable = true},
        {.slot = kBezierSpeed, .name = "Speed", .store = 4, .min = 1, .max = 320, .value = 4, .animatable = true},
        {.slot = kBezierXCenter, .name = "X Center", .max = 100, .value = 50, .animatable = true},
        {.slot = kBezierYCenter, .name = "Y Center", .max = 100, .value = 50, .animatable = true},
        {.slot = kBezierDuration, .name = "Duration", .store = 5, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kBezierXTiling, .name = "X Tiling", .store = 6, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kBezierYTiling, .name = "Y Tiling", .store = 7, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kBezierTileType, .name = "Tile Type", .store = 8, .max = 3},
        {.slot = kBezierSymmetry, .name = "Symmetry", .store = 1, .min = 1, .max = 32, .value = 10, .animatable = true},
        {.slot = kBezierSweep, .name = "Sweep", .min = 1, .max = 360, .value = 360, .animatable = true},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int BezierAllocate(ModuleRecord*) {
    // A second allocation without a close in between replaces the first.
    FreeModuleMemory(g_bezier);
    g_bezier = static_cast<BezierState*>(AllocateModuleMemory(sizeof(BezierState)));
    return 0;
}

int BezierInitialize(ModuleRecord* r) {
    BezierState* s = g_bezier;
    if (s == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);

    s->curves = std::clamp(r->Control[kBezierBeziers], 1, kBezierMaxCurves);
    const int trailLength = 3 * r->Control[kBezierTrailLength];
    s->frame = FrameFromControls(r);
    s->deadline = DeadlineAfterSeconds(r->Control[kBezierDuration]);
    s->points = 2 * s->curves + 4;

    const int w = r->Width, h = r->Height;
    s->width = w;
    s->height = h;
    const int margin = std::clamp(r->Control[kBezierWidth], 0, 100000) + 40;
    s->xLow = -margin;
    s->xHigh = w + margin;
    s->yLow = -margin;
    s->yHigh = h + margin;

    ScatterBouncingPoints(s->drawer.position, s->drawer.direction, s->points, w, h);
    s->eraser = s->drawer;

    StartTrail(&s->trail, kFrameRingSize, trailLength);
    StartColorCycle(&s->color);
    s->initialized = 1;
    return 0;
}

int BezierDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kBezierDrawStart], r->Control[kBezierDrawStop])) return kFrameSkipped;
    BezierState* s = g_bezier;
    if (s == nullptr || !s->initialized) return 0;
    DrawContext* dc = ModuleDc(r);

    const int color = StepColorCycle(&s->color);
    EvolveDrivenFields(r, s->frame);
    const int write = s->trail.writeIndex;
    s->ring[write] = s->frame;
    const BezierFrame& f = s->ring[write];

    MovePoints(*s, s->drawer, f.speed);
    if (dc != nullptr) {
        SelectPen(*dc, PalettePen(f.width, color));
        DrawSnapshot(*s, *dc, f, s->drawer);
        RestoreStockPen(dc);
    }

    const auto erase = [s, dc](int index) { EraseSnapshot(*s, dc, index); };
    StepTrail(s->trail, erase);
    RestartAtDeadline(r, s->trail, s->deadline, &BezierInitialize, erase);
    return 0;
}

int BezierClose(ModuleRecord* r) {
    if (g_bezier == nullptr) return 0;
    if (g_bezier->initialized) {
        FlushTrail(g_bezier->trail, [dc = ModuleDc(r)](int index) { EraseSnapshot(*g_bezier, dc, index); });
    }
    FreeModuleMemory(g_bezier);
    g_bezier = nullptr;
    return 0;
}

const BezierState* BezierWorkingState() { return g_bezier; }

}  // namespace ztx
