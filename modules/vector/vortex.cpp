#include "modules/vector/vortex.h"

#include <algorithm>
#include <cmath>

#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/vector/vector_kit.h"
#include "platform/random.h"
#include "render/int_math.h"

namespace ztx {

namespace {

VortexState g_vortex{};

float SpasticityDivisor(int spasticity) { return (float(RandomFraction()) + 3.0f) * float(301 - spasticity); }
float TurnFactor(int amplitude) { return float(amplitude) * 0.0033333334f; }
float FluxRate(int radiusFlux) { return float(radiusFlux) * 0.031836994f; }
float FluxAmplitude(int fluxAmplitude) { return float(RandomFraction()) + float(fluxAmplitude); }

void PlaceCenter(VortexState& s) {
    s.centerX = TruncSaturate(double(s.width) * s.xCenter * 0.01);
    s.centerY = TruncSaturate(double(s.height) * s.yCenter * 0.01);
}

// The colour value of vertex i: even vertices i, odd ones by "Type".
int VertexColor(int type, int i, int n) {
    if (i % 2 == 0) return i % 236;
    switch (type) {
        case 1: return (n - i) % 236;
        case 2: return (i + 20) % 236;
        case 3: return (i * i) % 236;
        case 4: return (i / 2) % 236;
        case 5: return (2 * i) % 236;
        default: return i % 236;
    }
}

// One step of the collapse: every vertex moves to its angle at the radius
// R (shifted by the flux), then the ring shrinks and turns.
void Step(VortexState& s) {
    s.visible = 0;
    for (int i = s.count - 1; i >= 0; --i) {
        VortexVertex& v = s.vertices[i];
        v.previousX = v.x;
        v.previousY = v.y;
        const float r = std::sin(float(i) * s.fluxRate) * s.fluxAmplitude + s.radius;
        float a = 0;
        if (r >= 0) {
            s.visible = 1;
            a = r;
        }
        v.x = ClampToInt(int64_t(TruncSaturate(std::sin(v.angle) * a)) + s.centerX);
        v.y = ClampToInt(int64_t(TruncSaturate(std::cos(v.angle) * a)) + s.centerY);
    }
    s.radius -= s.collapse;
    const float turn = std::sin(s.radius / s.spasticity) * s.turn;
    for (int i = 0; i < s.count; ++i) s.vertices[i].angle += turn;
}

// The palette entry of the quadrilateral that starts at vertex p.
int QuadEntry(const VortexState& s, const VortexVertex& p) {
    const int64_t value = s.direction ? int64_t(p.color) + s.stepCounter + 1000 : 1000 - int64_t(p.color) - s.stepCounter;
    return static_cast<int>(((value % 236) + 236) % 236);
}

void DrawTile(DrawContext& dc, VortexState& s, const TileGrid& grid, int column, int row) {
    const int n = s.count;
    for (int j = 1; j <= n; ++j) {
        if (s.reverses < 100 && s.frameCounter == s.reverses) {
            s.frameCounter = 0;
            s.direction = !s.direction;
        }
        if (s.checker && (j % 2 == 1) != (s.frameCounter % 2 == 0)) continue;
        const VortexVertex& p = s.vertices[j - 1];
        const VortexVertex& q = s.vertices[j % n];
        const Point quad[4] = {{p.x, p.y}, {q.x, q.y}, {q.previousX, q.previousY}, {p.previousX, p.previousY}};
        Point placed[4];
        PlaceInTile(&grid, column, row, quad, placed, 4);
        SelectBrush(dc, SolidBrush(PaletteIndexColor(QuadEntry(s, p))));
        DrawPolygon(dc, placed, 4);
        SelectBrush(dc, kHollowBrush);
    }
}

void Draw(DrawContext& dc, VortexState& s) {
    const TileGrid grid = MakeTileGrid(s.width, s.height, s.xTiling, s.yTiling, s.tileType);
    SelectPen(dc, kNullPen);
    for (int row = 0; row < grid.yTiling; ++row) {
        for (int column = 0; column < grid.xTiling; ++column) {
            if (!TileDrawn(column, row, grid.tileType)) continue;
            const int left = column * grid.tileWidth, top = row * grid.tileHeight;
            SetClipRect(dc, Rect{left, top, left + grid.tileWidth, top + grid.tileHeight});
            ExcludeTextBoxes(dc);
            DrawTile(dc, s, grid, column, row);
            RemoveClip(dc);
        }
    }
}

void TakeDrivenControls(ModuleRecord* r, VortexState& s) {
    auto driven = [r](int slot) { return IsDriven(r->Check[slot]); };
    if (driven(kVortexSpasticity)) s.spasticity = SpasticityDivisor(EvolveControl(r, kVortexSpasticity));
    if (driven(kVortexAmplitude)) s.turn = TurnFactor(EvolveControl(r, kVortexAmplitude));
    if (driven(kVortexCollapseRate)) s.collapse = float(EvolveControl(r, kVortexCollapseRate));
    if (driven(kVortexRadiusFlux)) s.fluxRate = FluxRate(EvolveControl(r, kVortexRadiusFlux));
    if (driven(kVortexFluxAmplitude)) s.fluxAmplitude = FluxAmplitude(EvolveControl(r, kVortexFluxAmplitude));
    s.xTiling = std::max(DrivenValue(r, kVortexXTiling, s.xTiling), 1);
    s.yTiling = std::max(DrivenValue(r, kVortexYTiling, s.yTiling), 1);
    s.xCenter = DrivenValue(r, kVortexXCenter, s.xCenter);
    s.yCenter = DrivenValue(r, kVortexYCenter, s.yCenter);
    PlaceCenter(s);
}

}  // namespace

int VortexDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kVortexVertices, .name = "Vertices", .store = 0, .min = 2, .max = 500, .value = 60},
        {.slot = kVortexSpasticity, .name = "Spasticity", .store = 1, .min = 1, .max = 300, .value = 300,
         .animatable = true},
        {.slot = kVortexAmplitude, .name = "Amplitude", .store = 2, .min = 1, .max = 200, .value = 20,
         .animatable = true},
        {.slot = kVortexReverses, .name = "Reverses", .min = 1, .max = 100, .value = 100},
        {.slot = kVortexType, .name = "Type", .store = 4, .max = 5, .value = 1},
        {.slot = kVortexCollapseRate, .name = "Collapse Rate", .store = 5, .min = 1, .max = 50, .value = 5,
         .animatable = true},
        {.slot = kVortexRadiusFlux, .name = "Radius Flux", .store = 6, .max = 100, .value = 34, .animatable = true},
        {.slot = kVortexFluxAmplitude, .name = "Flux Amplitude", .store = 7, .max = 400, .animatable = true},
        {.slot = kVortexDuration, .name = "Duration", .store = 3, .max = 1000, .value = 20},
        kStrengthControl,
        {.slot = kVortexXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kVortexYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kVortexTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kVortexClipTiles, .name = "Clip Tiles", .max = 1, .value = 1},
        {.slot = kVortexChecker, .name = "Checker", .max = 1},
        {.slot = kVortexXCenter, .name = "X Center", .max = 100, .value = 50, .animatable = true},
        {.slot = kVortexYCenter, .name = "Y Center", .max = 100, .value = 50, .animatable = true},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int VortexInitialize(ModuleRecord* r) {
    if (r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);
    VortexState& s = g_vortex;
    s.width = std::max(r->Width, 0);
    s.height = std::max(r->Height, 0);
    s.spasticity = SpasticityDivisor(r->Control[kVortexSpasticity]);
    s.turn = TurnFactor(r->Control[kVortexAmplitude]);
    s.collapse = float(RandomFraction()) + float(r->Control[kVortexCollapseRate]);
    s.fluxRate = FluxRate(r->Control[kVortexRadiusFlux]);
    s.fluxAmplitude = FluxAmplitude(r->Control[kVortexFluxAmplitude]);
    s.reverses = r->Control[kVortexReverses];
    s.type = r->Control[kVortexType];
    s.xTiling = std::max(r->Control[kVortexXTiling], 1);
    s.yTiling = std::max(r->Control[kVortexYTiling], 1);
    s.tileType = r->Control[kVortexTileType];
    s.checker = r->Control[kVortexChecker];
    s.xCenter = r->Control[kVortexXCenter];
    s.yCenter = r->Control[kVortexYCenter];
    PlaceCenter(s);
    s.pauseSeconds = std::max(r->Control[kVortexDuration], 0);
    s.frameCounter = 0;
    s.direction = 0;

    float farthest = 0;
    for (const Point corner : {Point{0, 0}, Point{s.width, 0}, Point{0, s.height}, Point{s.width, s.height}}) {
        farthest = std::max(farthest, float(std::hypot(double(corner.x) - s.centerX, double(corner.y) - s.centerY)));
    }
    s.radius = farthest;

    FreeModuleMemory(s.vertices);
    s.count = std::clamp(r->Control[kVortexVertices], 2, 500);
    s.vertices = static_cast<VortexVertex*>(AllocateModuleMemory(sizeof(VortexVertex) * size_t(s.count)));
    if (s.vertices == nullptr) s.count = 0;
    const int n = s.count;
    for (int i = n - 1; i >= 0; --i) {
        VortexVertex& v = s.vertices[i];
        v.x = v.previousX = s.centerX;
        v.y = v.previousY = s.centerY;
        v.angle = float(n - 1 - i) * 6.283184f / float(n);
        v.color = VertexColor(s.type, i, n);
    }
    Step(s);
    s.stepCounter = 1;
    s.visible = n > 0;
    s.deadline = DeadlineAfterSeconds(s.pauseSeconds);
    s.initialized = 1;
    return 0;
}

int VortexDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kVortexDrawStart], r->Control[kVortexDrawStop])) return kFrameSkipped;
    VortexState& s = g_vortex;
    if (!s.initialized) return kFrameSkipped;
    TakeDrivenControls(r, s);
    if (s.visible) {
        Step(s);
        if (DrawContext* dc = ModuleDc(r)) {
            Draw(*dc, s);
            ExcludeTextBoxes(*dc);
        }
        s.frameCounter += 1;
        s.stepCounter += 1;
        s.deadline = DeadlineAfterSeconds(s.pauseSeconds);
    }
    if (DeadlinePassed(s.deadline)) {
        VortexInitialize(r);
        return 0;
    }
    return kFrameSkipped;
}

int VortexClose(ModuleRecord*) {
    FreeModuleMemory(g_vortex.vertices);
    g_vortex.vertices = nullptr;
    g_vortex.count = 0;
    g_vortex.initialized = 0;
    return 0;
}

VortexState& VortexWorkingState() { return g_vortex; }

}  // namespace ztx
