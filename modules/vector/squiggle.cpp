#include "modules/vector/squiggle.h"

#include <algorithm>
#include <cmath>

#include "modules/framework/controls.h"
#include "platform/random.h"
#include "render/tiling.h"

namespace ztx {

namespace {

// The one instance's working memory (module-level storage).
SquiggleState* g_squiggle = nullptr;

constexpr float kRateUnit = 0.00033333333f;  // radians per frame per rotate step
constexpr int kRateSlots[3] = {kSquiggleRotateX, kSquiggleRotateY, kSquiggleRotateZ};

// The curve: point j at phases p + j x lathe / n, each coordinate
// trunc(rho sin phase), with random start phases.
void BuildCurve(SquiggleState& s, const ModuleRecord& r) {
    FreeModuleMemory(s.curve);
    const int n = std::clamp(r.Control[kSquigglePoints], 1, kSquiggleMaxPoints);
    s.curve = static_cast<Point3*>(AllocateModuleMemory(sizeof(Point3) * size_t(n)));
    s.count = s.curve != nullptr ? n : 0;
    const double rho = double(s.width / 2) * r.Control[kSquiggleRadius] * 0.01;
    double phase[3], lathe[3];
    for (int k = 0; k < 3; ++k) {
        phase[k] = RandomFraction() * 6.28;
        lathe[k] = double(r.Control[kSquiggleLatheX + k]) / n;
    }
    for (int j = 0; j < s.count; ++j) {
        s.curve[j] = Point3{std::trunc(rho * std::sin(phase[0])), std::trunc(rho * std::sin(phase[1])),
                            std::trunc(rho * std::sin(phase[2]))};
        for (int k = 0; k < 3; ++k) phase[k] += lathe[k];
    }
}

void DrawPolylinePiece(void* context, const Point* points, int count) {
    DrawPolyline(*static_cast<DrawContext*>(context), points, count);
}

// The polyline through `points` in every clipped tile, broken where a point
// could not be projected.
void DrawTiledCurve(SquiggleState& s, DrawContext& dc, const TileGrid& grid, const Point* points) {
    for (int start = 0; start < s.count;) {
        while (start < s.count && !s.seen[start]) ++start;
        int end = start;
        while (end < s.count && s.seen[end]) ++end;
        if (end > start) DrawTiledClipped(dc, grid, points + start, s.placed, end - start, &DrawPolylinePiece, &dc);
        start = end;
    }
}

// Draws frame f with the pen already selected: the curve turned by f's
// angles, projected, then each rotated copy over the tiles.
void DrawSnapshot(SquiggleState& s, DrawContext& dc, const SquiggleFrame& f) {
    for (int j = 0; j < s.count; ++j) {
        Point3 p = s.curve[j];
        Rotate3(&p, f.angleX, f.angleY, f.angleZ);
        s.seen[j] = Project(s.camera, &p, &s.screen[j].x, &s.screen[j].y) == 0;
    }
    const TileGrid grid = MakeTileGrid(s.width, s.height, f.xTiling, f.yTiling, f.tileType);
    if (f.symmetry <= 1) {
        DrawTiledCurve(s, dc, grid, s.screen);
        return;
    }
    const SymmetryCopies copies = MakeSymmetry(s.width, s.height, f.symmetry, f.sweep, 50, 50);
    for (int i = 0; i < copies.copies; ++i) {
        RotateCopy(&copies, i, s.screen, s.turned, s.count);
        DrawTiledCurve(s, dc, grid, s.turned);
    }
}

void DrawWithPen(SquiggleState& s, DrawContext* dc, const SquiggleFrame& f, const Pen& pen) {
    if (dc == nullptr || s.camera == nullptr) return;
    SelectPen(*dc, pen);
    DrawSnapshot(s, *dc, f);
    RestoreStockPen(dc);
}

void EraseSnapshot(SquiggleState& s, DrawContext* dc, int index) {
    DrawWithPen(s, dc, s.ring[index], EraserPen(s.penWidth));
}

}  // namespace

int SquiggleDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kSquigglePoints, .name = "Points", .store = 0, .min = 2, .max = 400, .value = 40},
        {.slot = kSquiggleLatheX, .name = "Lathe X", .store = 1, .min = 2, .max = 100, .value = 9},
        {.slot = kSquiggleLatheY, .name = "Lathe Y", .store = 2, .min = 2, .max = 100, .value = 25},
        {.slot = kSquiggleLatheZ, .name = "Lathe Z", .store = 3, .min = 2, .max = 100, .value = 22},
        {.slot = kSquiggleRadius, .name = "Radius", .store = 4, .max = 100, .value = 90},
        {.slot = kSquiggleRotateX, .name = "Rotate X", .store = 5, .max = 500, .value = 32, .animatable = true},
        {.slot = kSquiggleRotateY, .name = "Rotate Y", .store = 6, .max = 500, .value = 27, .animatable = true},
        {.slot = kSquiggleRotateZ, .name = "Rotate Z", .store = 7, .max = 500, .value = 16, .animatable = true},
        {.slot = kSquiggleDuration, .name = "Duration", .store = 16, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kSquiggleXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1,
         .animatable = true},
        {.slot = kSquiggleYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1,
         .animatable = true},
        {.slot = kSquiggleTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kSquiggleSymmetry, .name = "Symmetry", .store = 14, .min = 1, .max = 20, .value = 3,
         .animatable = true},
        {.slot = kSquiggleSweep, .name = "Sweep", .min = 1, .max = 360, .value = 360, .animatable = true},
        {.slot = kSquiggleWidth, .name = "Width", .store = 15, .min = 1, .max = 50, .value = 1},
        {.slot = kSquiggleTrailLength, .name = "Trail Length", .store = 8, .min = 1, .max = 100, .value = 100},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int SquiggleAllocate(ModuleRecord* r) {
    // A second allocation without a close in between replaces the first.
    SquiggleClose(nullptr);
    g_squiggle = static_cast<SquiggleState*>(AllocateModuleMemory(sizeof(SquiggleState)));
    if (g_squiggle == nullptr || r == nullptr) return 0;
    g_squiggle->camera = CreateCamera(nullptr);
    SetCameraSurface(g_squiggle->camera, Rect{0, 0, r->Width, r->Height});
    return 0;
}

int SquiggleInitialize(ModuleRecord* r) {
    SquiggleState* s = g_squiggle;
    if (s == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);

    s->width = r->Width;
    s->height = r->Height;
    SquiggleFrame& f = s->frame;
    f.symmetry = r->Control[kSquiggleSymmetry];
    f.sweep = r->Control[kSquiggleSweep];
    f.xTiling = r->Control[kSquiggleXTiling];
    f.yTiling = r->Control[kSquiggleYTiling];
    f.tileType = r->Control[kSquiggleTileType];
    f.angleX = f.angleY = f.angleZ = 0;
    for (int k = 0; k < 3; ++k) s->rate[k] = float(r->Control[kRateSlots[k]]) * kRateUnit;
    s->penWidth = r->Control[kSquiggleWidth];
    s->deadline = DeadlineAfterSeconds(r->Control[kSquiggleDuration]);

    BuildCurve(*s, *r);
    SetCameraSurface(s->camera, Rect{0, 0, s->width, s->height});
    if (s->camera != nullptr) {
        s->camera->depth = kSquiggleCameraDepth;
        s->camera->focal = kSquiggleCameraFocal;
    }
    StartTrail(&s->trail, kFrameRingSize, 3 * r->Control[kSquiggleTrailLength]);
    StartColorCycle(&s->color);
    s->initialized = 1;
    return 0;
}

int SquiggleDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kSquiggleDrawStart], r->Control[kSquiggleDrawStop])) return kFrameSkipped;
    SquiggleState* s = g_squiggle;
    if (s == nullptr || !s->initialized) return 0;
    DrawContext* dc = ModuleDc(r);

    const int color = StepColorCycle(&s->color);
    SquiggleFrame& f = s->frame;
    for (int k = 0; k < 3; ++k) {
        if (IsDriven(r->Check[kRateSlots[k]])) s->rate[k] = float(EvolveControl(r, kRateSlots[k])) * kRateUnit;
    }
    f.xTiling = DrivenValue(r, kSquiggleXTiling, f.xTiling);
    f.yTiling = DrivenValue(r, kSquiggleYTiling, f.yTiling);
    f.symmetry = DrivenValue(r, kSquiggleSymmetry, f.symmetry);
    f.sweep = DrivenValue(r, kSquiggleSweep, f.sweep);
    f.angleX += s->rate[0];
    f.angleY += s->rate[1];
    f.angleZ += s->rate[2];

    const int write = s->trail.writeIndex;
    s->ring[write] = f;
    DrawWithPen(*s, dc, s->ring[write], PalettePen(s->penWidth, color));

    const auto erase = [s, dc](int index) { EraseSnapshot(*s, dc, index); };
    StepTrail(s->trail, erase);
    RestartAtDeadline(r, s->trail, s->deadline, &SquiggleInitialize, erase);
    return 0;
}

int SquiggleClose(ModuleRecord* r) {
    if (g_squiggle == nullptr) return 0;
    if (g_squiggle->initialized) {
        FlushTrail(g_squiggle->trail, [dc = ModuleDc(r)](int index) { EraseSnapshot(*g_squiggle, dc, index); });
    }
    FreeModuleMemory(g_squiggle->curve);
    DestroyCamera(g_squiggle->camera);
    FreeModuleMemory(g_squiggle);
    g_squiggle = nullptr;
    return 0;
}

SquiggleState* SquiggleWorkingState() { return g_squiggle; }

}  // namespace ztx
