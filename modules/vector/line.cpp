#include "modules/vector/line.h"

#include <algorithm>

#include "modules/framework/controls.h"

namespace ztx {

namespace {

LineState* g_line = nullptr;

// How far outside the picture the corners may go.
constexpr int kLineMargin = 40;
constexpr int kDeltaSlots[4] = {kLineDeltaX1, kLineDeltaY1, kLineDeltaX2, kLineDeltaY2};

// A driven delta takes its magnitude with the sign of the first point of its
// pair (Q0 for the first end, Q1 for the second) and sets both points of the
// pair: Q0 and Q3 for delta 1, Q1 and Q2 for delta 2.
void ApplyDeltas(LinePoints& q, const LineFrame& f) {
    for (int k = 0; k < 4; ++k) {
        if (f.delta[k] < 0) continue;
        const bool second = k >= 2, alongY = k % 2 == 1;
        const int lead = second ? 1 : 0, follow = second ? 2 : 3;
        int& leadComponent = alongY ? q.velocity[lead].y : q.velocity[lead].x;
        const int value = leadComponent < 0 ? -f.delta[k] : f.delta[k];
        leadComponent = value;
        (alongY ? q.velocity[follow].y : q.velocity[follow].x) = value;
    }
}

// Moves one coordinate by its velocity; one that would leave lo..hi - 1
// turns round and stays.
void Bounce(int& at, int& velocity, int lo, int hi) {
    const int64_t next = int64_t(at) + velocity;
    if (next >= hi || next < lo) velocity = -velocity;
    else at = static_cast<int>(next);
}

void MovePoints(const LineState& s, LinePoints& q) {
    for (int i = 0; i < 4; ++i) {
        Bounce(q.position[i].x, q.velocity[i].x, -kLineMargin, s.width + kLineMargin);
        Bounce(q.position[i].y, q.velocity[i].y, -kLineMargin, s.height + kLineMargin);
    }
}

void DrawQuad(void* context, const Point* points, int count) {
    DrawPolygon(*static_cast<DrawContext*>(context), points, count);
}

// The quadrilateral Q0..Q3 of frame f in every copy and tile, with the pen
// and brush already selected.
void DrawSnapshot(const LineState& s, DrawContext& dc, const LineFrame& f, const LinePoints& q) {
    const TileGrid grid = MakeTileGrid(s.width, s.height, f.xTiling, f.yTiling, f.tileType);
    const SymmetryCopies copies = MakeSymmetry(s.width, s.height, f.symmetry, f.sweep, 50, 50);
    Point turned[4];
    for (int i = 0; i < copies.copies; ++i) {
        RotateCopy(&copies, i, q.position, turned, 4);
        DrawTiled(&grid, turned, 4, &DrawQuad, &dc);
    }
}

void DrawWithBrush(const LineState& s, DrawContext* dc, const LineFrame& f, const LinePoints& q, uint32_t color) {
    if (dc == nullptr) return;
    SelectPen(*dc, kNullPen);
    SelectBrush(*dc, SolidBrush(color));
    DrawSnapshot(s, *dc, f, q);
    SelectBrush(*dc, kBlackBrush);
    RestoreStockPen(dc);
}

// Erases snapshot `index`: the eraser replays that frame's motion and
// draws it with the black brush.
void EraseSnapshot(LineState& s, DrawContext* dc, int index) {
    const LineFrame& f = s.ring[index];
    ApplyDeltas(s.eraser, f);
    MovePoints(s, s.eraser);
    DrawWithBrush(s, dc, f, s.eraser, kRgbBlack);
}

void TakeDrivenControls(ModuleRecord* r, LineFrame& f) {
    for (int k = 0; k < 4; ++k) f.delta[k] = IsDriven(r->Check[kDeltaSlots[k]]) ? std::max(EvolveControl(r, kDeltaSlots[k]), 0) : -1;
    static constexpr DrivenField<LineFrame> kFields[] = {
        {kLineXTiling, &LineFrame::xTiling},
        {kLineYTiling, &LineFrame::yTiling},
        {kLineSymmetry, &LineFrame::symmetry},
        {kLineSweep, &LineFrame::sweep},
    };
    TakeDrivenFields(r, f, kFields);
}

}  // namespace

int LineDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kLineDeltaX1, .name = "Delta X1", .store = 0, .max = 50, .value = 5},
        {.slot = kLineDeltaY1, .name = "Delta Y1", .store = 1, .max = 50, .value = 5},
        {.slot = kLineDeltaX2, .name = "Delta X2", .store = 2, .max = 50, .value = 5},
        {.slot = kLineDeltaY2, .name = "Delta Y2", .store = 3, .max = 50, .value = 5},
        {.slot = kLineX1, .name = "X1", .store = 4, .max = 100, .value = 25},
        {.slot = kLineY1, .name = "Y1", .store = 5, .max = 100, .value = 25, .animatable = true},
        {.slot = kLineX2, .name = "X2", .store = 6, .max = 100, .value = 75, .animatable = true},
        {.slot = kLineY2, .name = "Y2", .store = 7, .max = 100, .value = 75, .animatable = true},
        {.slot = kLineDuration, .name = "Duration", .store = 16, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kLineXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kLineYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kLineTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kLineSymmetry, .name = "Symmetry", .store = 14, .min = 1, .max = 20, .value = 3, .animatable = true},
        {.slot = kLineSweep, .name = "Sweep", .min = 1, .max = 360, .value = 360, .animatable = true},
        {.slot = kLineTrailLength, .name = "Trail Length", .store = 8, .min = 1, .max = 100, .value = 100},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int LineAllocate(ModuleRecord*) {
    FreeModuleMemory(g_line);
    g_line = static_cast<LineState*>(AllocateModuleMemory(sizeof(LineState)));
    return 0;
}

int LineInitialize(ModuleRecord* r) {
    LineState* s = g_line;
    if (s == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);
    s->width = std::max(r->Width, 0);
    s->height = std::max(r->Height, 0);

    const Point v1{r->Control[kLineDeltaX1], r->Control[kLineDeltaY1]};
    const Point v2{r->Control[kLineDeltaX2], r->Control[kLineDeltaY2]};
    LinePoints& q = s->drawer;
    q.velocity[0] = q.velocity[3] = v1;
    q.velocity[1] = q.velocity[2] = v2;
    q.position[0] = Point{int(int64_t(r->Control[kLineX1]) * s->width / 100),
                          int(int64_t(r->Control[kLineY1]) * s->height / 100)};
    q.position[1] = Point{int(int64_t(r->Control[kLineX2]) * s->width / 100),
                          int(int64_t(r->Control[kLineY2]) * s->height / 100)};
    q.position[2] = Point{q.position[1].x - v2.x, q.position[1].y - v2.y};
    q.position[3] = Point{q.position[0].x - v1.x, q.position[0].y - v1.y};
    s->eraser = q;

    s->frame = LineFrame{.symmetry = r->Control[kLineSymmetry], .sweep = r->Control[kLineSweep],
                         .xTiling = r->Control[kLineXTiling], .yTiling = r->Control[kLineYTiling],
                         .tileType = r->Control[kLineTileType], .delta = {-1, -1, -1, -1}};
    s->deadline = DeadlineAfterSeconds(r->Control[kLineDuration]);
    StartTrail(&s->trail, kFrameRingSize, 3 * r->Control[kLineTrailLength]);
    StartColorCycle(&s->color);
    s->initialized = 1;
    return 0;
}

int LineDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kLineDrawStart], r->Control[kLineDrawStop])) return kFrameSkipped;
    LineState* s = g_line;
    if (s == nullptr || !s->initialized) return 0;
    DrawContext* dc = ModuleDc(r);

    const int color = StepColorCycle(&s->color);
    TakeDrivenControls(r, s->frame);
    const int write = s->trail.writeIndex;
    s->ring[write] = s->frame;
    ApplyDeltas(s->drawer, s->frame);
    MovePoints(*s, s->drawer);
    DrawWithBrush(*s, dc, s->ring[write], s->drawer, PaletteIndexColor(color));

    const auto erase = [s, dc](int index) { EraseSnapshot(*s, dc, index); };
    StepTrail(s->trail, erase);
    RestartAtDeadline(r, s->trail, s->deadline, &LineInitialize, erase);
    return 0;
}

int LineClose(ModuleRecord* r) {
    if (g_line == nullptr) return 0;
    if (g_line->initialized) {
        FlushTrail(g_line->trail, [dc = ModuleDc(r)](int index) { EraseSnapshot(*g_line, dc, index); });
    }
    FreeModuleMemory(g_line);
    g_line = nullptr;
    return 0;
}

const LineState* LineWorkingState() { return g_line; }

}  // namespace ztx
