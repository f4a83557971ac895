#include "modules/vector/whip.h"

#include <algorithm>
#include <cmath>

#include "modules/framework/controls.h"
#include "render/int_math.h"
#include "render/tiling.h"

namespace ztx {

namespace {

// The one instance's working memory (module-level storage).
WhipState* g_whip = nullptr;

constexpr float kFrequencyUnit = 0.033333335f;  // "Frequency"
constexpr float kOffsetUnit = 0.0033333334f;    // "Offset"
constexpr float kStartPhase = -10000.0f;
// The start colour that draws black (the eraser).
constexpr int kBlackColor = 4095;

// The colour of one sample, and how it steps along the curves.
struct SampleColor {
    int index, step;
    void Step() {
        if (index == kBlackColor) return;
        index += step;
        if (index > kLastPaletteEntry - 1) {
            index = kLastPaletteEntry;
            step = -step;
        } else if (index <= 0) {
            index = 0;
            step = -step;
        }
    }
    void Select(ShapeBrush& brush) const {
        if (index == kBlackColor) {
            SelectBrushPenColor(&brush, kRgbBlack);
        } else {
            SelectBrushPen(&brush, index);
        }
    }
};

// What tracing one curve in one tile needs.
struct Trace {
    const WhipFrame* frame;
    int samples;
    SampleColor* color;
};

// Traces the curve through the four placed points: at every sample the
// brush sizes pulse about two thirds of the frame's sizes, the colour steps
// and a brush line joins the previous sample to this one; the working
// brush's angles then grow by the frame's persistent angles.
void TraceCurve(void* context, const Point* p, int) {
    const Trace& t = *static_cast<Trace*>(context);
    const WhipFrame& f = *t.frame;
    ShapeBrush work = f.brush;
    float phase = f.pulsePhase;
    Point previous = p[0];
    for (int s = 0; s <= t.samples; ++s) {
        const Point at = WhipCurvePoint(p, s, t.samples);
        for (int k = 0; k < 3; ++k) {
            const float base = f.brush.size[k];
            work.size[k] = std::sin(float(k) * f.frequency + phase) * (base * 0.33f) + base * 0.66f;
        }
        t.color->Step();
        t.color->Select(work);
        BrushLine(at.x, at.y, previous.x, previous.y, &work);
        ReleaseBrushPen(&work);
        for (int k = 0; k < 3; ++k) work.angle[k] += f.brush.angle[k];
        phase += f.offsetRate;
        previous = at;
    }
}

// Draws frame f with point set q, the colours starting at `color`: every
// rotated copy of every curve (through points j .. j + 3 for j = 0, 2, ...
// below n) over the tiles; f's pulse phase advances after each curve.
void DrawSnapshot(const WhipState& s, DrawContext* dc, WhipFrame& f, const WhipPoints& q, SampleColor color) {
    if (dc == nullptr) return;
    f.brush.dc = dc;
    const TileGrid grid = MakeTileGrid(s.width, s.height, f.xTiling, f.yTiling, f.tileType);
    const int copies = std::max(f.symmetry, 1);
    const SymmetryCopies symmetry = MakeSymmetry(s.width, s.height, copies, f.sweep, 50, 50);
    // Only points up to n + 2 are control points.
    const int used = std::min(s.points, (s.curves - 1) / 2 * 2 + 4);
    Point turned[kWhipMaxPoints];
    Trace trace{&f, s.samples, &color};
    for (int i = 0; i < copies; ++i) {
        const Point* points = q.position;
        if (copies > 1) {
            RotateCopy(&symmetry, i, q.position, turned, used);
            points = turned;
        }
        for (int j = 0; j < s.curves; j += 2) {
            DrawTiled(&grid, points + j, 4, &TraceCurve, &trace);
            f.pulsePhase += f.offsetRate;
        }
    }
}

void MovePoints(const WhipState& s, WhipPoints& q, int speed) {
    MoveBouncingPoints(q.position, q.direction, s.points, s.bounds, speed);
}

// Erases the snapshot at `index`: the eraser's points move with that
// frame's speed and the frame is traced again in black.
void EraseSnapshot(WhipState& s, DrawContext* dc, int index) {
    WhipFrame f = s.ring[index];
    MovePoints(s, s.eraser, f.speed);
    DrawSnapshot(s, dc, f, s.eraser, SampleColor{kBlackColor, 0});
}

void EvolveDriven(ModuleRecord* r, WhipFrame& f) {
    f.speed = DrivenValue(r, kWhipSpeed, f.speed);
    f.xTiling = DrivenValue(r, kWhipXTiling, f.xTiling);
    f.yTiling = DrivenValue(r, kWhipYTiling, f.yTiling);
    f.symmetry = DrivenValue(r, kWhipSymmetry, f.symmetry);
    f.sweep = DrivenValue(r, kWhipSweep, f.sweep);
    if (IsDriven(r->Check[kWhipFrequency])) f.frequency = float(EvolveControl(r, kWhipFrequency)) * kFrequencyUnit;
    if (IsDriven(r->Check[kWhipOffset])) f.offsetRate = float(EvolveControl(r, kWhipOffset)) * kOffsetUnit;
    EvolveBrushControls(*r, f.brush, DrivenSize::Truncated);
}

}  // namespace

Point WhipCurvePoint(const Point p[4], int s, int n) {
    const double b = n > 0 ? double(s) / n : 0, a = n > 0 ? double(n - s) / n : 1;
    double x[4], y[4];
    for (int k = 0; k < 4; ++k) {
        x[k] = p[k].x;
        y[k] = p[k].y;
    }
    for (int round = 3; round > 0; --round) {
        for (int k = 0; k < round; ++k) {
            x[k] = a * x[k] + b * x[k + 1];
            y[k] = a * y[k] + b * y[k + 1];
        }
    }
    return Point{TruncSaturate(x[0]), TruncSaturate(y[0])};
}

int WhipDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kWhipWhips, .name = "Whips", .store = 0, .min = 1, .max = 20, .value = 1},
        {.slot = kWhipTrailLength, .name = "Trail Length", .store = 2, .min = 1, .max = 100, .value = 2},
        {.slot = kWhipSpeed, .name = "Speed", .store = 4, .min = 1, .max = 320, .value = 6, .animatable = true},
        {.slot = kWhipDuration, .name = "Duration", .store = 5, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kWhipXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kWhipYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kWhipTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kWhipSymmetry, .name = "Symmetry", .store = 1, .min = 1, .max = 32, .value = 1, .animatable = true},
        {.slot = kWhipSweep, .name = "Sweep", .min = 1, .max = 360, .value = 360, .animatable = true},
        {.slot = kWhipAngularity, .name = "Angularity", .store = 14, .min = 1, .max = 100, .value = 60},
        {.slot = kWhipDensity, .name = "Density", .store = 15, .min = 1, .max = 1000, .value = 100},
        {.slot = kWhipFrequency, .name = "Frequency", .store = 16, .min = 1, .max = 30, .value = 8,
         .animatable = true},
        {.slot = kWhipOffset, .name = "Offset", .store = 17, .min = 1, .max = 30, .value = 2, .animatable = true},
        {.slot = kWhipType, .name = "Type", .store = 8, .max = 17, .value = 2},
        {.slot = kWhipDiameter, .name = "Diameter", .store = 3, .min = 1, .max = 200, .value = 60, .animatable = true},
        {.slot = kWhipRotation, .name = "Rotation", .store = 6, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kWhipSides, .name = "Sides", .store = 7, .min = 1, .max = 10, .value = 4},
        {.slot = kWhipDiameter2, .name = "Diameter (2)", .store = 20, .min = 1, .max = 200, .value = 60,
         .animatable = true},
        {.slot = kWhipRotation2, .name = "Rotation  (2)", .store = 21, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kWhipSides2, .name = "Sides (2)", .store = 22, .min = 1, .max = 10, .value = 4},
        {.slot = kWhipDiameter3, .name = "Diameter (3)", .store = 23, .min = 1, .max = 200, .value = 60,
         .animatable = true},
        {.slot = kWhipRotation3, .name = "Rotation  (3)", .store = 24, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kWhipSides3, .name = "Sides (3)", .store = 25, .min = 1, .max = 10, .value = 4},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int WhipAllocate(ModuleRecord*) {
    // A second allocation without a close in between replaces the first.
    FreeModuleMemory(g_whip);
    g_whip = static_cast<WhipState*>(AllocateModuleMemory(sizeof(WhipState)));
    return 0;
}

int WhipInitialize(ModuleRecord* r) {
    WhipState* s = g_whip;
    if (s == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);

    WhipFrame& f = s->frame;
    f.symmetry = r->Control[kWhipSymmetry];
    f.sweep = r->Control[kWhipSweep];
    f.xTiling = r->Control[kWhipXTiling];
    f.yTiling = r->Control[kWhipYTiling];
    f.speed = r->Control[kWhipSpeed];
    f.tileType = r->Control[kWhipTileType];
    f.frequency = float(r->Control[kWhipFrequency]) * kFrequencyUnit;
    f.offsetRate = float(r->Control[kWhipOffset]) * kOffsetUnit;
    s->curves = std::clamp(r->Control[kWhipWhips], 1, kWhipMaxCurves);
    s->samples = std::max(r->Control[kWhipAngularity], 1);
    s->deadline = DeadlineAfterSeconds(r->Control[kWhipDuration]);

    SetupBrushFrom(ModuleDc(r), ReadBrushInputs(*r), r->Control[kWhipDensity], f.brush);
    for (int k = 0; k < 3; ++k) s->angle[k] = f.brush.angle[k];
    f.pulsePhase = kStartPhase;
    s->points = 2 * s->curves + 4;
    s->width = r->Width;
    s->height = r->Height;
    s->bounds = Rect{-kWhipMargin, -kWhipMargin, ClampToInt(int64_t(s->width) + kWhipMargin),
                     ClampToInt(int64_t(s->height) + kWhipMargin)};
    ScatterBouncingPoints(s->drawer.position, s->drawer.direction, s->points, s->width, s->height);
    s->eraser = s->drawer;

    StartTrail(&s->trail, kWhipRingSize, r->Control[kWhipTrailLength]);
    StartColorCycle(&s->color);
    s->initialized = 1;
    return 0;
}

int WhipDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kWhipDrawStart], r->Control[kWhipDrawStop])) return kFrameSkipped;
    WhipState* s = g_whip;
    if (s == nullptr || !s->initialized) return 0;
    DrawContext* dc = ModuleDc(r);

    StepColorCycle(&s->color);
    WhipFrame& f = s->frame;
    EvolveDriven(r, f);
    for (int k = 0; k < 3; ++k) {
        s->angle[k] += f.brush.step[k];
        f.brush.angle[k] = s->angle[k];
    }

    s->ring[s->trail.writeIndex] = f;
    MovePoints(*s, s->drawer, f.speed);
    DrawSnapshot(*s, dc, f, s->drawer, SampleColor{s->color.index, s->color.step});

    const auto erase = [s, dc](int index) { EraseSnapshot(*s, dc, index); };
    StepTrail(s->trail, erase);
    RestartAtDeadline(r, s->trail, s->deadline, &WhipInitialize, erase);
    return 0;
}

int WhipClose(ModuleRecord* r) {
    if (g_whip == nullptr) return 0;
    if (g_whip->initialized) {
        FlushTrail(g_whip->trail, [dc = ModuleDc(r)](int index) { EraseSnapshot(*g_whip, dc, index); });
    }
    FreeModuleMemory(g_whip);
    g_whip = nullptr;
    return 0;
}

WhipState* WhipWorkingState() { return g_whip; }

}  // namespace ztx
