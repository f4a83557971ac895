#include "modules/vector/polygon.h"

#include <algorithm>

#include "modules/framework/controls.h"
#include "platform/random.h"

namespace ztx {

namespace {

PolygonState g_polygon{};

void TakeDrivenControls(ModuleRecord* r, PolygonState& s) {
    static constexpr DrivenField<PolygonState> kFields[] = {
        {kPolygonSpeed, &PolygonState::speed},       {kPolygonXTiling, &PolygonState::xTiling},
        {kPolygonYTiling, &PolygonState::yTiling},   {kPolygonSymmetry, &PolygonState::symmetry},
        {kPolygonSweep, &PolygonState::sweep},
    };
    TakeDrivenFields(r, s, kFields);
    s.xTiling = std::max(s.xTiling, 1);
    s.yTiling = std::max(s.yTiling, 1);
}

// A corner moves by its direction times the speed; one that would leave
// 0..size (both ends allowed) turns round and stays.
void Bounce(int& at, int& direction, int speed, int size) {
    const int64_t next = int64_t(at) + int64_t(direction) * speed;
    if (next < 0 || next > size) direction = -direction;
    else at = static_cast<int>(next);
}

void FillFigure(void* context, const Point* points, int count) {
    DrawPolygon(*static_cast<DrawContext*>(context), points, count);
}

void DrawCopies(const PolygonState& s, DrawContext& dc) {
    const TileGrid grid = MakeTileGrid(s.width, s.height, s.xTiling, s.yTiling, s.tileType);
    const SymmetryCopies copies = MakeSymmetry(s.width, s.height, s.symmetry, s.sweep, 50, 50);
    Point turned[kPolygonMaxVertices];
    for (int i = 0; i < copies.copies; ++i) {
        RotateCopy(&copies, i, s.position, turned, s.vertices);
        DrawTiled(&grid, turned, s.vertices, &FillFigure, &dc);
    }
}

}  // namespace

int PolygonDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kPolygonVertices, .name = "Vertices", .store = 0, .min = 2, .max = 20, .value = 3},
        {.slot = kPolygonSpeed, .name = "Speed", .store = 2, .min = 1, .max = 320, .value = 4, .animatable = true},
        {.slot = kPolygonOutline, .name = "Outline", .store = 3, .max = 1},
        {.slot = kPolygonDuration, .name = "Duration", .store = 8, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kPolygonXTiling, .name = "X Tiling", .store = 4, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kPolygonYTiling, .name = "Y Tiling", .store = 5, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kPolygonTileType, .name = "Tile Type", .store = 6, .max = 3},
        {.slot = kPolygonSymmetry, .name = "Symmetry", .store = 1, .min = 1, .max = 50, .value = 10,
         .animatable = true},
        {.slot = kPolygonSweep, .name = "Sweep", .min = 1, .max = 360, .value = 360, .animatable = true},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int PolygonInitialize(ModuleRecord* r) {
    if (r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);
    PolygonState& s = g_polygon;
    s.width = std::max(r->Width, 0);
    s.height = std::max(r->Height, 0);
    s.vertices = std::clamp(r->Control[kPolygonVertices], 2, kPolygonMaxVertices);
    s.speed = std::min(r->Control[kPolygonSpeed], 100);
    s.outline = r->Control[kPolygonOutline] != 0 || s.vertices == 2;
    s.xTiling = std::max(r->Control[kPolygonXTiling], 1);
    s.yTiling = std::max(r->Control[kPolygonYTiling], 1);
    s.tileType = r->Control[kPolygonTileType];
    s.symmetry = r->Control[kPolygonSymmetry];
    s.sweep = r->Control[kPolygonSweep];
    StartColorCycle(&s.color);
    s.color.index = 1;

    const int tileWidth = std::max(s.width / s.xTiling, 1), tileHeight = std::max(s.height / s.yTiling, 1);
    for (int i = s.vertices - 1; i >= 0; --i) {
        s.position[i].x = Rand15() % tileWidth;
        s.position[i].y = Rand15() % tileHeight;
        s.direction[i].x = (Rand15() & 1) ? -1 : 1;
        s.direction[i].y = (Rand15() & 1) ? -1 : 1;
    }
    s.deadline = DeadlineAfterSeconds(r->Control[kPolygonDuration]);
    s.initialized = 1;
    return 0;
}

int PolygonDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kPolygonDrawStart], r->Control[kPolygonDrawStop])) return kFrameSkipped;
    PolygonState& s = g_polygon;
    if (!s.initialized) return 0;
    TakeDrivenControls(r, s);
    const int color = StepColorCycle(&s.color);

    if (DrawContext* dc = ModuleDc(r)) {
        SelectPen(*dc, s.outline ? PalettePen(1, 236 - color) : kNullPen);
        SelectBrush(*dc, SolidBrush(PaletteIndexColor(color)));
        DrawCopies(s, *dc);
        SelectBrush(*dc, kBlackBrush);
        SelectPen(*dc, kNullPen);
    }

    for (int i = 0; i < s.vertices; ++i) {
        Bounce(s.position[i].x, s.direction[i].x, s.speed, s.width);
        Bounce(s.position[i].y, s.direction[i].y, s.speed, s.height);
    }
    if (DeadlinePassed(s.deadline)) PolygonInitialize(r);
    return 0;
}

PolygonState& PolygonWorkingState() { return g_polygon; }

}  // namespace ztx
