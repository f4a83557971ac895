#include "modules/vector/flow.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/engine_state.h"
#include "modules/framework/controls.h"
#include "render/int_math.h"
#include "render/tiling.h"

namespace ztx {

namespace {

// The one instance's working memory (module-level storage).
FlowWork* g_flow = nullptr;

constexpr float kRateUnit = 0.005f;        // "X Rate", "Y Rate"
constexpr float kTurnUnit = 0.0033333334f;  // "Rotate Rate"
constexpr float k3dUnit = 0.001f;          // "X Rotation" .. "Z Rotation"
constexpr int kFluxOffset = 3;
constexpr int kSpacingUnit = 20;
// Projected corners beyond these are out of the drawing's reach.
constexpr int kReachLow = -8192, kReachHigh = 8193;

constexpr int kRotationSlots[3] = {kFlowXRotation, kFlowYRotation, kFlowZRotation};

// How each driven control sets its field of the current state.
float Amplitude(int span, int size) { return float(span) * 0.01f * float(size); }

void EvolveDriven(ModuleRecord* r, FlowWork& w) {
    FlowState& s = w.history[0];
    auto driven = [r](int slot) { return IsDriven(r->Check[slot]); };
    s.sides = DrivenValue(r, kFlowSides, s.sides);
    s.thickness = DrivenValue(r, kFlowThickness, s.thickness);
    s.count = DrivenValue(r, kFlowDepth, s.count);
    s.xTiling = DrivenValue(r, kFlowXTiling, s.xTiling);
    s.yTiling = DrivenValue(r, kFlowYTiling, s.yTiling);
    if (driven(kFlowXRate)) s.xRate = float(EvolveControl(r, kFlowXRate)) * kRateUnit;
    if (driven(kFlowYRate)) s.yRate = float(EvolveControl(r, kFlowYRate)) * kRateUnit;
    if (driven(kFlowRotateRate)) s.turnRate = float(EvolveControl(r, kFlowRotateRate)) * kTurnUnit;
    if (driven(kFlowXSpan)) s.xAmplitude = Amplitude(EvolveControl(r, kFlowXSpan), w.width);
    if (driven(kFlowYSpan)) s.yAmplitude = Amplitude(EvolveControl(r, kFlowYSpan), w.height);
    if (driven(kFlowFlux)) s.flux = float(EvolveControl(r, kFlowFlux) + kFluxOffset);
    if (driven(kFlowSpacing)) s.spacing = EvolveControl(r, kFlowSpacing) * kSpacingUnit;
    for (int k = 0; k < 3; ++k) {
        if (driven(kRotationSlots[k])) w.rate3d[k] = float(EvolveControl(r, kRotationSlots[k])) * k3dUnit;
    }
}

// A polygon, or the point it has shrunk to (the first of the chain has
// radius 0).
void DrawPolygonPiece(void* context, const Point* points, int count) {
    DrawContext& dc = *static_cast<DrawContext*>(context);
    const bool point = std::all_of(points, points + count, [&](const Point& p) {
        return p.x == points[0].x && p.y == points[0].y;
    });
    if (point) {
        DrawPenDot(dc, points[0].x, points[0].y);
    } else {
        DrawPolygon(dc, points, count);
    }
}

// Polygon i of state s with the pen already selected: plain on a single
// tile, else into every clipped tile.
void DrawChainPolygon(const FlowWork& w, DrawContext& dc, const FlowState& s, int i, int m) {
    Point corners[kFlowMaxSides], placed[kFlowMaxSides];
    const int n = FlowPolygon(w, s, i, m, corners);
    if (n == 0) return;
    const TileGrid grid = MakeTileGrid(w.width, w.height, s.xTiling, s.yTiling, s.tileType);
    if (grid.xTiling == 1 && grid.yTiling == 1) {
        DrawPolygonPiece(&dc, corners, n);
        return;
    }
    DrawTiledClipped(dc, grid, corners, placed, n, &DrawPolygonPiece, &dc);
}

// One drawing pass: polygon by polygon, polygon i of the old state `erased`
// in black, then (when `draw`) polygon i of the new state `drawn` in the
// chain's colour for position i, which runs 1, 2 .. 235 and back.
void DrawPass(const FlowWork& w, DrawContext* dc, const FlowState& drawn, const FlowState& erased, bool draw) {
    if (dc == nullptr) return;
    const int m = std::max(drawn.count, erased.count);
    SelectBrush(*dc, kHollowBrush);
    int index = 0, step = 1;
    for (int i = 0; i < m; ++i) {
        int next = index + step;
        if (next > kLastPaletteEntry - 1) {
            next = kLastPaletteEntry;
            step = -step;
        }
        if (i < erased.count) {
            SelectPen(*dc, EraserPen(erased.thickness));
            DrawChainPolygon(w, *dc, erased, i, m);
        }
        if (next <= 0) step = -step;
        index = std::max(next, 0);
        if (draw && i < drawn.count) {
            SelectPen(*dc, PalettePen(drawn.thickness, index));
            DrawChainPolygon(w, *dc, drawn, i, m);
        }
    }
    RestoreStockPen(dc);
    SelectBrush(*dc, kBlackBrush);
}

}  // namespace

int FlowPolygon(const FlowWork& w, const FlowState& s, int i, int m, Point corners[kFlowMaxSides]) {
    const int cx = w.width / 2, cy = w.height / 2;
    const float fi = float(i);
    const int px = ClampToInt(int64_t(TruncateToInt(std::sin(fi * s.xRate + s.xPhase) * s.xAmplitude)) + cx);
    const int py = ClampToInt(int64_t(TruncateToInt(std::sin(fi * s.yRate + s.yPhase) * s.yAmplitude)) + cy);
    const float turn = std::sin(fi / s.flux) + fi * s.turnRate + s.turnPhase;
    const float radius = w.threeD ? w.extent / 3 : fi * w.extent / float(std::max(s.count, 1));
    const int sides = std::clamp(s.sides, 1, kFlowMaxSides);
    const float step = 6.2831855f / float(sides);
    const int64_t z = int64_t(i) * s.spacing - int64_t(m) * s.spacing / 2;
    for (int k = 0; k < sides; ++k) {
        const float angle = turn + float(k) * step;
        Point& c = corners[k];
        c.x = ClampToInt(int64_t(px) + TruncateToInt(std::sin(angle) * radius));
        c.y = ClampToInt(int64_t(py) + TruncateToInt(std::cos(angle) * radius));
        if (!w.threeD) continue;
        Point3 p{double(c.x) - cx, double(c.y) - cy, double(z)};
        Rotate3(&p, s.angleX, s.angleY, s.angleZ);
        if (Project(w.camera, &p, &c.x, &c.y) != 0) return 0;
        if (c.x == 0 && c.y == 0) return 0;
        if (c.x < kReachLow || c.x >= kReachHigh || c.y < kReachLow || c.y >= kReachHigh) return 0;
    }
    return sides;
}

int FlowDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kFlowSides, .name = "Sides", .store = 0, .min = 3, .max = 20, .value = 5, .animatable = true},
        {.slot = kFlowThickness, .name = "Thickness", .store = 1, .min = 1, .max = 50, .value = 1,
         .animatable = true},
        {.slot = kFlowXRate, .name = "X Rate", .store = 2, .min = -100, .max = 100, .value = 15, .animatable = true},
        {.slot = kFlowYRate, .name = "Y Rate", .store = 3, .min = -100, .max = 100, .value = 11, .animatable = true},
        {.slot = kFlowRotateRate, .name = "Rotate Rate", .store = 4, .min = -100, .max = 100, .value = 1,
         .animatable = true},
        {.slot = kFlowDepth, .name = "Depth", .store = 8, .min = 1, .max = 198, .value = 32, .animatable = true},
        {.slot = kFlowXSpan, .name = "X Span", .store = 6, .min = 1, .max = 50, .value = 20, .animatable = true},
        {.slot = kFlowYSpan, .name = "Y Span", .store = 7, .min = 1, .max = 50, .value = 20, .animatable = true},
        {.slot = kFlowDuration, .name = "Duration", .store = 5, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kFlowXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kFlowYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kFlowTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kFlowFlux, .name = "Flux", .store = 14, .min = 1, .max = 50, .value = 25, .animatable = true},
        {.slot = kFlowTrailLength, .name = "Trail Length", .store = 15, .min = 1, .max = 30, .value = 1},
        {.slot = kFlowXRotation, .name = "X Rotation", .store = 16, .min = -100, .max = 100, .animatable = true},
        {.slot = kFlowYRotation, .name = "Y Rotation", .store = 17, .min = -100, .max = 100, .animatable = true},
        {.slot = kFlowZRotation, .name = "Z Rotation", .store = 18, .min = -100, .max = 100, .animatable = true},
        {.slot = kFlowSpacing, .name = "Spacing", .store = 19, .max = 100, .value = 25, .animatable = true},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int FlowAllocate(ModuleRecord* r) {
    // A second allocation without a close in between replaces the first.
    if (g_flow != nullptr) {
        DestroyCamera(g_flow->camera);
        FreeModuleMemory(g_flow);
    }
    g_flow = static_cast<FlowWork*>(AllocateModuleMemory(sizeof(FlowWork)));
    if (g_flow == nullptr || r == nullptr) return 0;
    g_flow->camera = CreateCamera(nullptr);
    SetCameraSurface(g_flow->camera, Rect{0, 0, r->Width, r->Height});
    return 0;
}

int FlowInitialize(ModuleRecord* r) {
    FlowWork* w = g_flow;
    if (w == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);

    w->width = r->Width;
    w->height = r->Height;
    std::memset(w->history, 0, sizeof w->history);
    FlowState& s = w->history[0];
    s.xTiling = r->Control[kFlowXTiling];
    s.yTiling = r->Control[kFlowYTiling];
    s.thickness = r->Control[kFlowThickness];
    s.tileType = r->Control[kFlowTileType];
    s.sides = r->Control[kFlowSides];
    s.count = r->Control[kFlowDepth];
    s.xRate = float(r->Control[kFlowXRate]) * kRateUnit;
    s.yRate = float(r->Control[kFlowYRate]) * kRateUnit;
    s.turnRate = float(r->Control[kFlowRotateRate]) * kTurnUnit;
    s.flux = float(r->Control[kFlowFlux] + kFluxOffset);
    s.xAmplitude = Amplitude(r->Control[kFlowXSpan], w->width);
    s.yAmplitude = Amplitude(r->Control[kFlowYSpan], w->height);
    s.spacing = r->Control[kFlowSpacing] * kSpacingUnit;
    w->trailLength = std::clamp(r->Control[kFlowTrailLength], 1, kFlowHistory - 1);
    w->threeD = 0;
    for (int k = 0; k < 3; ++k) {
        w->rate3d[k] = float(r->Control[kRotationSlots[k]]) * k3dUnit;
        if (std::fabs(w->rate3d[k]) > 0.0001f) w->threeD = 1;
    }
    w->deadline = DeadlineAfterSeconds(r->Control[kFlowDuration]);

    SetCameraSurface(w->camera, Rect{0, 0, w->width, w->height});
    if (w->camera != nullptr) {
        w->camera->depth = kFlowCameraDepth;
        w->camera->focal = kFlowCameraFocal;
    }
    w->extent = float(std::max(int64_t(w->height) + TruncateToInt(s.yAmplitude),
                               int64_t(w->width) + TruncateToInt(s.xAmplitude)));
    w->initialized = 1;
    return 0;
}

int FlowDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kFlowDrawStart], r->Control[kFlowDrawStop])) return kFrameSkipped;
    FlowWork* w = g_flow;
    if (w == nullptr || !w->initialized) return 0;
    DrawContext* dc = ModuleDc(r);

    EvolveDriven(r, *w);
    FlowState* h = w->history;
    const int t = w->trailLength;
    DrawPass(*w, dc, h[0], h[t], true);
    std::memmove(&h[1], &h[0], sizeof(FlowState) * (kFlowHistory - 1));
    h[0].xPhase += h[0].xRate;
    h[0].yPhase += h[0].yRate;
    h[0].turnPhase += h[0].turnRate;
    h[0].angleX += w->rate3d[0];
    h[0].angleY += w->rate3d[1];
    h[0].angleZ += w->rate3d[2];

    if (DeadlinePassed(w->deadline)) {
        DrawPass(*w, dc, h[0], h[t], false);
        FlowInitialize(r);
    }
    return 0;
}

int FlowClose(ModuleRecord* r) {
    if (g_flow == nullptr) return 0;
    if (g_flow->initialized && AnimationRunning.load(std::memory_order_relaxed)) {
        const FlowState* h = g_flow->history;
        DrawPass(*g_flow, ModuleDc(r), h[0], h[g_flow->trailLength], false);
    }
    DestroyCamera(g_flow->camera);
    FreeModuleMemory(g_flow);
    g_flow = nullptr;
    return 0;
}

FlowWork* FlowWorkingState() { return g_flow; }

}  // namespace ztx
