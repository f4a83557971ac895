#include "modules/vector/sphere.h"

#include <algorithm>
#include <cmath>

#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/vector/effect.h"
#include "modules/vector/vector_kit.h"
#include "platform/random.h"
#include "render/int_math.h"
#include "render/tiling.h"

namespace ztx {

namespace {

SphereState* g_sphere = nullptr;
// The context the balls are drawn into and copied from.
DrawContext g_ballDc;
// The clip of one ball centred on `at` in tile (0, 0): its circle of
// diameter p, cut to the wedge (P0, P1, P2) when clipping to wedges. Every
// other tile uses the same shape moved by the tile's offset.
struct BallClip {
    Rect box;
    Region region;
};
// Clips of a wedge's ball and its reflection, and the wedge, kept between
// frames so they are built in place.
BallClip g_ball, g_reflected;
Region g_wedge;

int BallSide(const SphereState& s) { return s.ballSize + 2; }

void FreeBalls(SphereState& s) {
    AttachPixels(g_ballDc, nullptr, 0, 0);
    FreeModuleMemory(s.balls);
    s.balls = nullptr;
}

void AttachBall(const SphereState& s, int k) {
    const int side = BallSide(s);
    AttachPixels(g_ballDc, s.balls + size_t(k) * side * side, side, side);
}

// Ball k: the palette block of the restart's shape starting at entry 20 k.
void RenderBalls(SphereState& s) {
    const int side = BallSide(s);
    s.balls = static_cast<uint8_t*>(AllocateModuleMemory(size_t(kSphereBalls) * side * side));
    if (s.balls == nullptr) return;
    for (int k = 0; k < kSphereBalls; ++k) {
        AttachBall(s, k);
        DrawPaletteBlock(g_ballDc, PaletteBlock{.x = s.ballSize / 2, .y = s.ballSize / 2, .size = side,
                                                .firstEntry = 20 * k, .shape = static_cast<BlockShape>(s.type)});
    }
}

// The "Radius" of this frame: evolved while driven, a fresh random value
// each frame with the "Random" source, else the value.
float FrameRadius(ModuleRecord* r) {
    const int slot = kSphereRadius;
    if (IsDriven(r->Check[slot]))
        return EvolveValue(r->Check[slot], &r->EvolveState[slot], r->Sense[slot], r->RangeLo[slot], r->RangeHi[slot]);
    if (r->Check[slot] == kCheckRandom) return RandomInRange(r, slot);
    return float(r->Control[slot]);
}

void TakeDrivenControls(ModuleRecord* r, SphereState& s) {
    static constexpr DrivenField<SphereState> kFields[] = {
        {kSphereXTiling, &SphereState::xTiling},   {kSphereYTiling, &SphereState::yTiling},
        {kSphereSymmetry, &SphereState::symmetry}, {kSphereSweep, &SphereState::sweep},
        {kSphereXCenter, &SphereState::xCenter},   {kSphereYCenter, &SphereState::yCenter},
    };
    TakeDrivenFields(r, s, kFields);
    // Evaluated for its evolution only (see the header).
    if (IsDriven(r->Check[kSphereSize])) EvolveControl(r, kSphereSize);
    s.xTiling = std::clamp(s.xTiling, 1, 20);
    s.yTiling = std::clamp(s.yTiling, 1, 20);
    s.symmetry = std::clamp(s.symmetry, 1, 128);
    if (s.symmetry < 3) s.clip = 0;
}

// One frame's geometry, the same for every wedge and tile.
struct Kaleidoscope {
    float wedgeRadius;  // u
    float distance;     // v
    float wedgeAngle;   // a
    int ball;           // which of the ten pictures
    int ballSize;       // p
    int tileWidth, tileHeight;
    Point centerOffset;
};

void BuildBallClip(BallClip& clip, const SphereState& s, const Kaleidoscope& k, Point at, const Point wedge[3]) {
    const int half = k.ballSize / 2;
    clip.box = Rect{ClampToInt(int64_t(at.x) - half), ClampToInt(int64_t(at.y) - half),
                    ClampToInt(int64_t(at.x) - half + k.ballSize), ClampToInt(int64_t(at.y) - half + k.ballSize)};
    RegionFromEllipse(clip.region, clip.box, clip.box);
    if (s.clip) {
        RegionFromPolygon(g_wedge, wedge, 3, FillRule::Winding, clip.box);
        RegionCombine(clip.region, clip.region, g_wedge, RegionOp::And);
    }
}

// Copies the middle p x p square of the frame's ball through the ball's
// clip moved by (dx, dy), cut to the tile when clipping tiles; the text
// boxes stay clear.
void StampBall(DrawContext& dc, const SphereState& s, const Kaleidoscope& k, const BallClip& clip, int dx, int dy,
               const Rect& tile) {
    const Rect box{clip.box.left + dx, clip.box.top + dy, clip.box.right + dx, clip.box.bottom + dy};
    if (RegionEmpty(clip.region) || RectEmpty(IntersectRects(box, Rect{0, 0, dc.canvas.width, dc.canvas.height})))
        return;
    SetClipRegion(dc, clip.region);
    OffsetClipRegion(dc, dx, dy);
    if (s.clipTiles) IntersectClipRect(dc, tile);
    ExcludeTextBoxes(dc);
    const int from = s.ballSize / 2 - k.ballSize / 2;
    BitBlt(dc, box.left, box.top, k.ballSize, k.ballSize, g_ballDc, from, from);
    RemoveClip(dc);
}

Point Polar(Point origin, float angle, float length) {
    return Point{ClampToInt(int64_t(origin.x) + TruncSaturate(std::sin(angle) * length)),
                 ClampToInt(int64_t(origin.y) + TruncSaturate(std::cos(angle) * length))};
}

// Every wedge's ball (and its reflection) in every tile that passes the
// tile test; tiles are not mirrored, so each tile shows the first one's
// shapes moved by its offset.
void DrawKaleidoscope(DrawContext& dc, SphereState& s, const Kaleidoscope& k, float offset) {
    AttachBall(s, k.ball);
    for (int i = 0; i < s.symmetry; ++i) {
        offset = k.wedgeAngle - offset;
        const float start = float(i) * k.wedgeAngle;
        const Point p0 = k.centerOffset;
        const Point wedge[3] = {p0, Polar(p0, start, k.wedgeRadius),
                                Polar(p0, float(i + 1) * k.wedgeAngle, k.wedgeRadius)};
        BuildBallClip(g_ball, s, k, Polar(p0, start + offset, k.distance), wedge);
        if (s.reflect) BuildBallClip(g_reflected, s, k, Polar(p0, start + (k.wedgeAngle - offset), k.distance), wedge);
        for (int j = 0; j < s.xTiling; ++j) {
            for (int row = 0; row < s.yTiling; ++row) {
                if (!TileDrawn(j, row, s.tileType)) continue;
                const int dx = j * k.tileWidth, dy = row * k.tileHeight;
                const Rect tile{dx, dy, dx + k.tileWidth, dy + k.tileHeight};
                StampBall(dc, s, k, g_ball, dx, dy, tile);
                if (s.reflect) StampBall(dc, s, k, g_reflected, dx, dy, tile);
            }
        }
    }
}

}  // namespace

int SphereDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kSphereSize, .name = "Size", .store = 0, .min = 15, .max = 250, .value = 100, .animatable = true},
        {.slot = kSphereClip, .name = "Clip", .store = 1, .max = 1, .value = 1, .check = kCheckRandom},
        {.slot = kSphereReflect, .name = "Reflect", .store = 2, .max = 1, .check = kCheckRandom},
        {.slot = kSphereRandomSize, .name = "Random Size", .store = 3, .max = 1},
        {.slot = kSphereClipTiles, .name = "Clip Tiles", .store = 4, .max = 1},
        {.slot = kSphereType, .name = "Type", .store = 5, .max = 3, .check = kCheckRandom},
        {.slot = kSphereRadius, .name = "Radius", .store = 7, .max = 100, .value = 100, .check = kCheckRandom,
         .animatable = true},
        {.slot = kSphereDuration, .name = "Duration", .store = 3, .min = 1, .max = 1000, .value = 20},
        kStrengthControl,
        {.slot = kSphereXTiling, .name = "X Tiling", .store = 4, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kSphereYTiling, .name = "Y Tiling", .store = 5, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kSphereTileType, .name = "Tile Type", .store = 6, .max = 3},
        {.slot = kSphereSymmetry, .name = "Symmetry", .store = 1, .min = 2, .max = 128, .value = 8,
         .animatable = true},
        {.slot = kSphereSweep, .name = "Sweep", .min = 1, .max = 360, .value = 360, .animatable = true},
        {.slot = kSphereXCenter, .name = "X Center", .max = 100, .value = 50, .animatable = true},
        {.slot = kSphereYCenter, .name = "Y Center", .max = 100, .value = 50, .animatable = true},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int SphereAllocate(ModuleRecord*) {
    if (g_sphere != nullptr) FreeBalls(*g_sphere);
    FreeModuleMemory(g_sphere);
    g_sphere = static_cast<SphereState*>(AllocateModuleMemory(sizeof(SphereState)));
    return 0;
}

int SphereInitialize(ModuleRecord* r) {
    SphereState* s = g_sphere;
    if (s == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);
    FreeBalls(*s);

    const bool sizeDriven = r->Check[kSphereSize] >= kCheckOscillate;
    const int size = sizeDriven ? std::max(r->RangeLo[kSphereSize], r->RangeHi[kSphereSize]) : r->Control[kSphereSize];
    s->ballSize = std::clamp(size, 15, 250);
    s->clip = r->Control[kSphereClip];
    s->reflect = r->Control[kSphereReflect];
    s->randomSize = r->Control[kSphereRandomSize];
    s->clipTiles = r->Control[kSphereClipTiles];
    s->type = std::clamp(r->Control[kSphereType], 0, 3);
    s->xTiling = std::clamp(r->Control[kSphereXTiling], 1, 20);
    s->yTiling = std::clamp(r->Control[kSphereYTiling], 1, 20);
    s->tileType = r->Control[kSphereTileType];
    s->symmetry = std::clamp(r->Control[kSphereSymmetry], 1, 128);
    s->sweep = r->Control[kSphereSweep];
    s->xCenter = r->Control[kSphereXCenter];
    s->yCenter = r->Control[kSphereYCenter];
    s->multiplier = Rand15() % 8;
    s->width = std::max(r->Width, 0);
    s->height = std::max(r->Height, 0);
    s->maxRadius = std::sqrt(double(s->width / 2) * (s->width / 2) + double(s->height / 2) * (s->height / 2));
    s->deadline = DeadlineAfterSeconds(r->Control[kSphereDuration]);
    if (s->symmetry < 3) s->clip = 0;
    RenderBalls(*s);
    s->initialized = 1;
    return 0;
}

int SphereDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kSphereDrawStart], r->Control[kSphereDrawStop])) return kFrameSkipped;
    SphereState* s = g_sphere;
    if (s == nullptr || !s->initialized) return 0;

    const float radius = FrameRadius(r);
    TakeDrivenControls(r, *s);
    Kaleidoscope k{};
    k.wedgeRadius = float(s->maxRadius / ((s->xTiling + s->yTiling) / 2));
    k.distance = radius * 0.01f * k.wedgeRadius;
    const int offsetColor = k.wedgeRadius > 0 ? TruncSaturate(k.distance / k.wedgeRadius * 236) * s->multiplier : 0;
    k.ball = (offsetColor / 20) % kSphereBalls;
    k.wedgeAngle = SymmetryAngleStep(s->sweep, s->symmetry);
    const float offset = float(RandomFraction()) * k.wedgeAngle;
    k.ballSize = s->randomSize ? Rand15() % s->ballSize : s->ballSize * 2 / (s->xTiling + s->yTiling);
    k.ballSize = std::min(std::max(k.ballSize, 10), int(s->ballSize));
    k.tileWidth = s->width / s->xTiling;
    k.tileHeight = s->height / s->yTiling;
    k.centerOffset = Point{int(int64_t(s->width) * s->xCenter / (s->xTiling * 100)),
                           int(int64_t(s->height) * s->yCenter / (s->yTiling * 100))};

    DrawContext* dc = ModuleDc(r);
    if (dc != nullptr && s->balls != nullptr && k.ball >= 0) DrawKaleidoscope(*dc, *s, k, offset);

    if (DeadlinePassed(s->deadline)) SphereInitialize(r);
    if (dc != nullptr) ExcludeTextBoxes(*dc);
    return 0;
}

int SphereClose(ModuleRecord*) {
    if (g_sphere == nullptr) return 0;
    FreeBalls(*g_sphere);
    FreeModuleMemory(g_sphere);
    g_sphere = nullptr;
    return 0;
}

const SphereState* SphereWorkingState() { return g_sphere; }

}  // namespace ztx
