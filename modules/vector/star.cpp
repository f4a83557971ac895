#include "modules/vector/star.h"

#include <algorithm>
#include <cmath>

#include "modules/framework/controls.h"
#include "platform/random.h"
#include "render/tiling.h"

namespace ztx {

namespace {

// The one instance's working memory (module-level storage).
StarState* g_star = nullptr;

double RandomUnit() { return double(Rand15()) / 32767.0; }

// Puts a star at a fresh random place: on the ring around the view axis
// (200..350 units ahead) in ring mode, else anywhere in a box four surfaces
// wide and high, 0..4 W deep.
void PlaceStar(const StarState& s, Star& star) {
    if (s.ringMode) {
        const double theta = RandomUnit() * 6.28;
        star.x = std::sin(theta) * kStarRingRadius;
        star.y = std::cos(theta) * kStarRingRadius;
        star.z = RandomUnit() * 150 + 200;
        return;
    }
    const double w = s.width, h = s.height;
    const double halfW = s.width / 2, halfH = s.height / 2;
    const double ux = RandomUnit();
    star.x = ux * 4 * w - 4 * halfW;
    const double uy = RandomUnit();
    star.y = uy * 4 * h - 4 * halfH;
    star.z = RandomUnit() * 4 * w;
}

void ProjectStar(StarState& s, Star& star) {
    const Point3 p{star.x, star.y, star.z};
    Project(s.camera, &p, &star.sx, &star.sy);
}

void SetSymmetry(StarState& s, int copies) {
    s.symmetry = std::max(copies, 1);
    s.symmetryStep = kStarFullTurn / float(s.symmetry);
}

// The driven controls take their evolved values for this frame.
void EvolveDriven(ModuleRecord* r, StarState& s) {
    if (IsDriven(r->Check[kStarSpeed])) s.speed = EvolveControl(r, kStarSpeed);
    if (IsDriven(r->Check[kStarXTiling])) s.xTiling = std::max(EvolveControl(r, kStarXTiling), 1);
    if (IsDriven(r->Check[kStarYTiling])) s.yTiling = std::max(EvolveControl(r, kStarYTiling), 1);
    if (IsDriven(r->Check[kStarSymmetry])) SetSymmetry(s, EvolveControl(r, kStarSymmetry));
    if (IsDriven(r->Check[kStarXRevolve])) s.xRevolve = EvolveControl(r, kStarXRevolve) * kStarRevolveUnit;
    if (IsDriven(r->Check[kStarYRevolve])) s.yRevolve = EvolveControl(r, kStarYRevolve) * kStarRevolveUnit;
    if (IsDriven(r->Check[kStarZRevolve])) s.zRevolve = EvolveControl(r, kStarZRevolve) * kStarRevolveUnit;
    EvolveBrushControls(*r, s.brush, DrivenSize::Truncated);
}

}  // namespace

int StarDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kStarStars, .name = "Stars", .store = 0, .max = 99, .value = 20},
        {.slot = kStarSpeed, .name = "Speed", .store = 2, .min = 1, .max = 60, .value = 4, .animatable = true},
        {.slot = kStarXRevolve, .name = "X Revolve", .store = 3, .min = -99, .max = 99, .animatable = true},
        {.slot = kStarYRevolve, .name = "Y Revolve", .store = 4, .min = -99, .max = 99, .animatable = true},
        {.slot = kStarZRevolve, .name = "Z Revolve", .store = 5, .min = -99, .max = 99, .animatable = true},
        kStrengthControl,
        {.slot = kStarXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kStarYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kStarTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kStarSymmetry, .name = "Symmetry", .store = 13, .min = 1, .max = 128, .value = 1, .animatable = true},
        {.slot = kStarType, .name = "Type", .store = 8, .max = 17},
        {.slot = kStarDiameter, .name = "Diameter", .store = 1, .min = 1, .max = 320, .value = 1, .animatable = true},
        {.slot = kStarRotation, .name = "Rotation", .store = 6, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kStarSides, .name = "Sides", .store = 7, .min = 1, .max = 10, .value = 1},
        {.slot = kStarDiameter2, .name = "Diameter (2)", .store = 14, .min = 1, .max = 320, .value = 1,
         .animatable = true},
        {.slot = kStarRotation2, .name = "Rotation  (2)", .store = 15, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kStarSides2, .name = "Sides (2)", .store = 16, .min = 1, .max = 10, .value = 1},
        {.slot = kStarDiameter3, .name = "Diameter (3)", .store = 17, .min = 1, .max = 320, .value = 1,
         .animatable = true},
        {.slot = kStarRotation3, .name = "Rotation  (3)", .store = 18, .min = -100, .max = 100, .value = 10,
         .animatable = true},
        {.slot = kStarSides3, .name = "Sides (3)", .store = 19, .min = 1, .max = 10, .value = 1},
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int StarAllocate(ModuleRecord* r) {
    // A second allocation without a close in between replaces the first.
    StarClose(r);
    auto* s = static_cast<StarState*>(AllocateModuleMemory(sizeof(StarState)));
    if (s == nullptr) return 0;
    s->camera = CreateCamera(nullptr);
    if (s->camera == nullptr) {
        FreeModuleMemory(s);
        return 0;
    }
    if (r != nullptr) SetCameraSurface(s->camera, Rect{0, 0, r->Width, r->Height});
    g_star = s;
    return 0;
}

int StarInitialize(ModuleRecord* r) {
    StarState* s = g_star;
    if (s == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);

    const int stars = std::clamp(r->Control[kStarStars], 0, kStarTableSize - 1);
    s->ringMode = stars == 0;
    s->count = s->ringMode ? kStarRingCount : stars;

    s->speed = r->Control[kStarSpeed];
    s->xRevolve = r->Control[kStarXRevolve] * kStarRevolveUnit;
    s->yRevolve = r->Control[kStarYRevolve] * kStarRevolveUnit;
    s->zRevolve = r->Control[kStarZRevolve] * kStarRevolveUnit;
    s->xTiling = std::max(r->Control[kStarXTiling], 1);
    s->yTiling = std::max(r->Control[kStarYTiling], 1);
    s->tileType = r->Control[kStarTileType];
    SetSymmetry(*s, r->Control[kStarSymmetry]);

    SetupBrushFrom(ModuleDc(r), ReadBrushInputs(*r), s->speed / 3 + 3, s->brush);

    s->width = r->Width;
    s->height = r->Height;
    s->centerX = s->width / 2;
    s->centerY = s->height / 2;
    SetCameraSurface(s->camera, Rect{0, 0, s->width, s->height});

    for (int k = s->count - 1; k >= 0; --k) {
        PlaceStar(*s, s->stars[k]);
        ProjectStar(*s, s->stars[k]);
    }
    s->initialized = 1;
    return 0;
}

int StarDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kStarDrawStart], r->Control[kStarDrawStop])) return kFrameSkipped;
    StarState* s = g_star;
    if (s == nullptr || !s->initialized) return 0;
    DrawContext* dc = ModuleDc(r);
    s->brush.dc = dc;  // the record's surface may have been replaced

    // Saw-tooth colour: 1, 2, ... 235, 0, 1, ...
    s->color = NextSawToothColor(s->color);
    SelectBrushPen(&s->brush, s->color);
    EvolveDriven(r, *s);

    // The brush used in the tiles: every size shrunk with the tiles.
    const TileGrid grid = MakeTileGrid(s->width, s->height, s->xTiling, s->yTiling, s->tileType);
    ShapeBrush tileBrush = TileSizedBrush(s->brush, grid);
    const SymmetryCopies copies{s->symmetry, s->centerX, s->centerY, s->symmetryStep};

    for (int k = 0; k < s->count; ++k) {
        Star& star = s->stars[k];
        star.z -= s->speed;
        Point3 p{star.x, star.y, star.z};
        Rotate3(&p, s->xRevolve, s->yRevolve, s->zRevolve);
        star.x = p.x;
        star.y = p.y;
        star.z = p.z;

        const Point from{star.sx, star.sy};
        if (Project(s->camera, &p, &star.sx, &star.sy) != 0) {
            // Passed the camera: a new star, no streak this frame.
            PlaceStar(*s, star);
            ProjectStar(*s, star);
            continue;
        }
        if (dc == nullptr) continue;
        if (!(0 < from.x && from.x < s->width && 0 < from.y && from.y < s->height)) continue;
        const Point to{star.sx, star.sy};
        if (s->symmetry <= 1) {
            BrushLineInTiles(grid, tileBrush, to, from);
            continue;
        }
        const Point ends[2] = {to, from};
        Point turned[2];
        for (int j = 0; j < s->symmetry; ++j) {
            RotateCopy(&copies, j, ends, turned, 2);
            BrushLineInTiles(grid, tileBrush, turned[0], turned[1]);
        }
    }

    // The shapes turn by one step per frame.
    for (int i = 0; i < 3; ++i) s->brush.angle[i] += s->brush.step[i];
    ReleaseBrushPen(&s->brush);
    return 0;
}

int StarClose(ModuleRecord*) {
    if (g_star == nullptr) return 0;
    DestroyCamera(g_star->camera);
    FreeModuleMemory(g_star);
    g_star = nullptr;
    return 0;
}

StarState* StarWorkingState() { return g_star; }

}  // namespace ztx
