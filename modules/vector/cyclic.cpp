#include "modules/vector/cyclic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "modules/framework/controls.h"
#include "platform/random.h"
#include "render/int_math.h"
#include "render/tiling.h"

namespace ztx {

namespace {

// The one instance's working memory (module-level storage).
CyclicState* g_cyclic = nullptr;

// Fresh phase rates for the current divisor.
void DrawRates(const CyclicState& s, CyclicFrame& f) {
    f.rateA = (float(RandomFraction()) + 0.05f) / (3 * s.divisor);
    f.rateB = (float(RandomFraction()) + 0.05f) / (5 * s.divisor);
    f.rateC = (float(RandomFraction()) + 0.05f) / (4 * s.divisor);
}

// Radius r and angle t of curve formula `formula` for an object at angle
// `phi`.
struct Polar {
    float r, t;
};
Polar Formula(int formula, const CyclicObjects& q, float radius, float phi) {
    const float a = q.a, b = q.b, d = q.d;
    switch (formula) {
        case 1: return {std::sin(a) * radius, std::cos(b) * phi};
        case 2: return {std::sin(a) * radius, std::sin(a + b) * phi};
        case 3: return {std::sin(a + b) * radius, std::sin(b) * phi};
        case 4: return {std::sin(a + d) * radius, std::sin(b + d) * phi};
        case 5: return {std::sin(a) * radius, std::sin(std::cos(b) + d) * phi};
        case 6: return {std::sin(std::cos(a) + d) * radius, std::sin(a) * phi};
        case 7: return {std::sin(d) * radius, std::sin(std::sin(d) + d) * phi};
        default: return {std::sin(b + d) * radius, std::sin(d) * phi};
    }
}

// Moves every object (last to first) along its curves, then advances the
// phases by the frame's rates and turns every object a little.
void StepObjects(const CyclicState& s, CyclicObjects& q, const CyclicFrame& f) {
    for (int k = s.count - 1; k >= 0; --k) {
        CyclicObject& o = q.object[k];
        o.previousX = o.x;
        o.previousY = o.y;
        const Polar px = Formula(s.xFormula, q, s.radius, o.phi);
        const Polar py = Formula(s.yFormula, q, s.radius, o.phi);
        o.x = ClampToInt(int64_t(TruncateToInt(std::sin(px.t) * px.r)) + s.centerX);
        o.y = ClampToInt(int64_t(TruncateToInt(std::cos(py.t) * py.r)) + s.centerY);
    }
    q.a += f.rateA;
    q.b += f.rateB;
    q.c += f.rateC;
    q.d = std::sin(q.c);
    const float turn = 0.01f * std::sin(q.a + q.b);
    for (int k = 0; k < s.count; ++k) q.object[k].phi += turn;
}

// Draws one stroke per object (last to first) from its previous to its new
// position with frame f's brush, the pen already selected; then f's brush
// angles advance by their steps.
void DrawObjects(const CyclicState& s, DrawContext* dc, CyclicFrame& f, const CyclicObjects& q) {
    if (dc != nullptr) {
        const TileGrid grid = MakeTileGrid(s.width, s.height, f.xTiling, f.yTiling, f.tileType);
        ShapeBrush tileBrush = TileSizedBrush(f.brush, grid);
        tileBrush.dc = dc;
        const int copies = f.symmetry < 2 ? 1 : f.symmetry;
        const SymmetryCopies symmetry = MakeSymmetry(s.width, s.height, copies, f.sweep, 50, 50);
        int stroke = 0;  // the copy angle keeps growing from object to object
        for (int k = s.count - 1; k >= 0; --k) {
            const CyclicObject& o = q.object[k];
            const Point ends[2] = {{o.x, o.y}, {o.previousX, o.previousY}};
            if (copies == 1) {
                BrushLineInTiles(grid, tileBrush, ends[0], ends[1]);
                continue;
            }
            Point turned[2];
            for (int i = 0; i < copies; ++i) {
                RotateCopy(&symmetry, stroke++, ends, turned, 2);
                BrushLineInTiles(grid, tileBrush, turned[0], turned[1]);
            }
        }
    }
    for (int i = 0; i < 3; ++i) f.brush.angle[i] += f.brush.step[i];
}

// Erases the snapshot at `index`: the eraser's objects move with that
// frame's rates and their strokes are drawn again in black.
void EraseSnapshot(CyclicState& s, DrawContext* dc, int index) {
    CyclicFrame f = s.ring[index];
    f.brush.dc = dc;
    SelectBrushPenColor(&f.brush, kRgbBlack);
    StepObjects(s, s.eraser, f);
    DrawObjects(s, dc, f, s.eraser);
    ReleaseBrushPen(&f.brush);
}

// The driven controls take their evolved values for this frame.
void EvolveDriven(ModuleRecord* r, CyclicState& s) {
    CyclicFrame& f = s.frame;
    if (IsDriven(r->Check[kCyclicSpasticity])) {
        s.divisor = CyclicDivisor(EvolveControl(r, kCyclicSpasticity));
        DrawRates(s, f);
    }
    f.xTiling = DrivenValue(r, kCyclicXTiling, f.xTiling);
    f.yTiling = DrivenValue(r, kCyclicYTiling, f.yTiling);
    f.symmetry = DrivenValue(r, kCyclicSymmetry, f.symmetry);
    f.sweep = DrivenValue(r, kCyclicSweep, f.sweep);
    EvolveBrushControls(*r, f.brush, DrivenSize::Exact);
}

}  // namespace

float CyclicDivisor(int spasticity) {
    return spasticity > 0 ? float(51 - spasticity) : float(std::abs(15 * spasticity) + 1);
}

int CyclicDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kCyclicObjects, .name = "Objects", .store = 0, .min = 1, .max = 99, .value = 4},
        {.slot = kCyclicSpasticity, .name = "Spasticity", .store = 1, .min = -50, .max = 50, .value = 25,
         .animatable = true},
        {.slot = kCyclicTrailLength, .name = "Trail Length", .store = 2, .min = 1, .max = 100, .value = 100},
        {.slot = kCyclicDuration, .name = "Duration", .store = 8, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kCyclicXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kCyclicYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kCyclicTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kCyclicSymmetry, .name = "Symmetry", .store = 4, .min = 1, .max = 32, .value = 1, .animatable = true},
        {.slot = kCyclicSweep, .name = "Sweep", .min = 1, .max = 360, .value = 360, .animatable = true},
        {.slot = kCyclicType, .name = "Type", .store = 7, .max = 17},
        {.slot = kCyclicDiameter, .name = "Diameter", .store = 3, .max = 320, .value = 100, .animatable = true},
        {.slot = kCyclicRotation, .name = "Rotation", .store = 5, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kCyclicSides, .name = "Sides", .store = 6, .min = 1, .max = 10, .value = 1},
        {.slot = kCyclicDiameter2, .name = "Diameter (2)", .store = 14, .max = 320, .value = 100, .animatable = true},
        {.slot = kCyclicRotation2, .name = "Rotation  (2)", .store = 15, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kCyclicSides2, .name = "Sides (2)", .store = 16, .min = 1, .max = 10, .value = 1},
        {.slot = kCyclicDiameter3, .name = "Diameter (3)", .store = 17, .max = 320, .value = 100, .animatable = true},
        {.slot = kCyclicRotation3, .name = "Rotation  (3)", .store = 18, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kCyclicSides3, .name = "Sides (3)", .store = 19, .min = 1, .max = 10, .value = 1},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int CyclicAllocate(ModuleRecord*) {
    // A second allocation without a close in between replaces the first.
    FreeModuleMemory(g_cyclic);
    g_cyclic = static_cast<CyclicState*>(AllocateModuleMemory(sizeof(CyclicState)));
    return 0;
}

int CyclicInitialize(ModuleRecord* r) {
    CyclicState* s = g_cyclic;
    if (s == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);

    s->count = std::clamp(r->Control[kCyclicObjects], 1, kCyclicMaxObjects);
    const int spasticity = r->Control[kCyclicSpasticity];
    s->divisor = CyclicDivisor(spasticity);
    s->deadline = DeadlineAfterSeconds(r->Control[kCyclicDuration]);
    CyclicFrame& f = s->frame;
    f.xTiling = r->Control[kCyclicXTiling];
    f.yTiling = r->Control[kCyclicYTiling];
    f.tileType = r->Control[kCyclicTileType];
    f.symmetry = r->Control[kCyclicSymmetry];
    f.sweep = r->Control[kCyclicSweep];

    // "Diameter" 0 pulses the three sizes (from the first frame on).
    BrushInputs brush = ReadBrushInputs(*r);
    s->pulsePhase = 0;
    const float fraction = float(RandomFraction());
    s->pulseRate = fraction / float(5 + Rand15() % 5);
    s->pulsing = brush.diameters[0] == 0;
    if (s->pulsing) brush.diameters[0] = 80;
    SetupBrushFrom(ModuleDc(r), brush, (spasticity + 51) / 10 + 1, f.brush);
    DrawRates(*s, f);

    s->width = r->Width;
    s->height = r->Height;
    s->centerX = s->width / 2;
    s->centerY = s->height / 2;
    s->xFormula = Rand15() % 8 + 1;
    s->yFormula = Rand15() % 8 + 1;
    s->radius = float(s->width / 2);

    // Every object at the centre; the angles share out a full turn, the last
    // object at 0.
    CyclicObjects& q = s->drawer;
    q.a = q.b = q.c = 0;
    q.d = std::sin(0.0f);
    for (int k = 0; k < s->count; ++k) {
        q.object[k] = CyclicObject{s->centerX, s->centerY, s->centerX, s->centerY,
                                   float(s->count - 1 - k) * (6.283184f / float(s->count))};
    }
    StepObjects(*s, q, f);
    s->eraser = q;

    StartTrail(&s->trail, kFrameRingSize, 3 * r->Control[kCyclicTrailLength]);
    StartColorCycle(&s->color);
    s->initialized = 1;
    return 0;
}

int CyclicDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kCyclicDrawStart], r->Control[kCyclicDrawStop])) return kFrameSkipped;
    CyclicState* s = g_cyclic;
    if (s == nullptr || !s->initialized) return 0;
    DrawContext* dc = ModuleDc(r);
    CyclicFrame& f = s->frame;

    if (s->pulsing) {
        const float p = s->pulsePhase += s->pulseRate;
        f.brush.size[0] = std::fabs(std::sin(p) * 70) + 70;
        f.brush.size[1] = std::fabs(std::sin(2 * p) * 30) + 30;
        f.brush.size[2] = std::fabs(std::sin(3 * p) * 10) + 10;
    }
    EvolveDriven(r, *s);

    const int color = StepColorCycle(&s->color);
    s->ring[s->trail.writeIndex] = f;
    f.brush.dc = dc;
    SelectBrushPen(&f.brush, color);
    StepObjects(*s, s->drawer, f);
    DrawObjects(*s, dc, f, s->drawer);
    ReleaseBrushPen(&f.brush);

    const auto erase = [s, dc](int index) { EraseSnapshot(*s, dc, index); };
    StepTrail(s->trail, erase);
    RestartAtDeadline(r, s->trail, s->deadline, &CyclicInitialize, erase);
    return 0;
}

int CyclicClose(ModuleRecord* r) {
    if (g_cyclic == nullptr) return 0;
    if (g_cyclic->initialized) {
        FlushTrail(g_cyclic->trail, [dc = ModuleDc(r)](int index) { EraseSnapshot(*g_cyclic, dc, index); });
    }
    FreeModuleMemory(g_cyclic);
    g_cyclic = nullptr;
    return 0;
}

CyclicState* CyclicWorkingState() { return g_cyclic; }

}  // namespace ztx
