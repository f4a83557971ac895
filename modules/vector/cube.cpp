#include "modules/vector/cube.h"

#include <algorithm>
#include <cmath>

#include "modules/framework/controls.h"
#include "render/tiling.h"

namespace ztx {

namespace {

// The one instance's working memory.
CubeState* g_cube = nullptr;
// The block orientation survives the working memory: each run of the module
// continues turning the block from where the previous run left it.
float g_blockAngle[3] = {0, 0, 0};

// The order in which a cube's corners are joined: a polyline through all
// eight, then the single edges that close the remaining faces. The figure
// has always drawn edge 0-3 a second time after 6-1; with a copying pen that
// second pass changes no pixel, so it is left out.
constexpr WireEdge kEdges[5] = {{0, 3}, {7, 4}, {6, 1}, {7, 0}, {5, 2}};

int CellCount(int value) { return std::clamp(value, 1, kCubeMaxCells); }


// Everything about one frame's geometry that is the same for every cell of
// one rotated copy.
struct CubeGeometry {
    int xCubes, yCubes, zCubes;
    double sx, sy, sz;       // cell spacing
    Point3 corner[8];        // corners turned by the cube angles
    Turn3 block;             // the block angles
    Turn copyTurn;           // this copy's symmetry angle

    CubeGeometry(int width, int height, const CubeFrame& f, int copy)
        : xCubes(CellCount(f.xCubes)),
          yCubes(CellCount(f.yCubes)),
          zCubes(CellCount(f.zCubes)),
          block(f.blockAngleX, f.blockAngleY, f.blockAngleZ),
          copyTurn(double(copy) * SymmetryAngleStep(f.sweep, std::max(f.symmetry, 1))) {
        sx = double(width) * f.blockScale / xCubes;
        sy = double(height) * f.blockScale / yCubes;
        sz = double(height) * f.blockScale / zCubes;
        const double hx = double(width / 2) * f.cubeScale / xCubes;
        const double hy = double(height / 2) * f.cubeScale / yCubes;
        const double hz = f.cubeScale * double(height / 4) / zCubes;
        const Point3 corners[8] = {{-hx, -hy, -hz}, {hx, -hy, -hz}, {hx, hy, -hz}, {-hx, hy, -hz},
                                   {-hx, hy, hz},   {hx, hy, hz},   {hx, -hy, hz}, {-hx, -hy, hz}};
        for (int k = 0; k < 8; ++k) {
            corner[k] = corners[k];
            Rotate3(&corner[k], f.cubeAngleX, f.cubeAngleY, f.cubeAngleZ);
        }
    }

    // The projected corners of cell (a, b, c). The grid is centred on the
    // origin in x and y; in z the cells start at the middle of the first one,
    // so the block sits half a cell towards the camera.
    void Project(Camera* camera, int a, int b, int c, Point out[8]) const {
        const double cx = (a - xCubes / 2.0) * sx + sx / 2;
        const double cy = (b - yCubes / 2.0) * sy + sy / 2;
        const double cz = (c - zCubes / 2.0) * sz;
        for (int k = 0; k < 8; ++k) {
            Point3 p{corner[k].x + cx, corner[k].y + cy, corner[k].z + cz};
            block.Apply(p);
            copyTurn.Apply(p.x, p.y);
            ztx::Project(camera, &p, &out[k].x, &out[k].y);
        }
    }
};

void DrawCube(DrawContext& dc, const Point placed[8]) { DrawWireFrame(dc, placed, 8, kEdges, 5); }

void DrawCubePiece(void* context, const Point* placed, int) { DrawCube(*static_cast<DrawContext*>(context), placed); }

// Draws frame f with the pen already selected: every rotated copy of every
// cell, in the order copy, x, y, z.
void DrawSnapshot(const CubeState& s, DrawContext& dc, const CubeFrame& f) {
    const TileGrid grid = MakeTileGrid(s.width, s.height, std::clamp(f.xTiling, 1, 20),
                                       std::clamp(f.yTiling, 1, 20), f.tileType);
    const int copies = std::clamp(f.symmetry, 1, 20);
    Point corners[8], placed[8];
    for (int i = 0; i < copies; ++i) {
        const CubeGeometry g(s.width, s.height, f, i);
        for (int a = 0; a < g.xCubes; ++a) {
            for (int b = 0; b < g.yCubes; ++b) {
                for (int c = 0; c < g.zCubes; ++c) {
                    g.Project(s.camera, a, b, c, corners);
                    DrawTiledClipped(dc, grid, corners, placed, 8, &DrawCubePiece, &dc);
                }
            }
        }
    }
}

void DrawWithPen(const CubeState& s, DrawContext* dc, const CubeFrame& f, const Pen& pen) {
    if (dc == nullptr || s.camera == nullptr) return;
    SelectPen(*dc, pen);
    DrawSnapshot(s, *dc, f);
    RestoreStockPen(dc);
}

// Draws snapshot `index` of the ring again in black.
void EraseSnapshot(const CubeState& s, DrawContext* dc, int index) {
    DrawWithPen(s, dc, s.ring[index], EraserPen(s.penWidth));
}

// The evolved value of a driven control, not truncated.
float EvolvedFloat(ModuleRecord* r, int slot) {
    return EvolveValue(r->Check[slot], &r->EvolveState[slot], r->Sense[slot], r->RangeLo[slot], r->RangeHi[slot]);
}

constexpr int kRateSlots[kCubeRates] = {kCubeXRotate,      kCubeYRotate,      kCubeZRotate,
                                        kCubeBlockXRotate, kCubeBlockYRotate, kCubeBlockZRotate};

// Driven controls take their evolved value for this frame: counts, tiling,
// symmetry and sweep truncated, rates and scales as they come.
void EvolveDrivenControls(ModuleRecord* r, CubeState& s) {
    static constexpr DrivenField<CubeFrame> kFields[] = {
        {kCubeXCubes, &CubeFrame::xCubes},     {kCubeYCubes, &CubeFrame::yCubes},
        {kCubeZCubes, &CubeFrame::zCubes},     {kCubeXTiling, &CubeFrame::xTiling},
        {kCubeYTiling, &CubeFrame::yTiling},   {kCubeSymmetry, &CubeFrame::symmetry},
        {kCubeSweep, &CubeFrame::sweep},
    };
    TakeDrivenFields(r, s.frame, kFields);
    for (int k = 0; k < kCubeRates; ++k) {
        if (IsDriven(r->Check[kRateSlots[k]])) s.rate[k] = EvolvedFloat(r, kRateSlots[k]) * kCubeRateFactor;
    }
    if (IsDriven(r->Check[kCubeSize])) s.frame.cubeScale = EvolvedFloat(r, kCubeSize) * kCubeScaleFactor;
    if (IsDriven(r->Check[kCubeBlockSize])) s.frame.blockScale = EvolvedFloat(r, kCubeBlockSize) * kCubeScaleFactor;
}

}  // namespace

int CubeDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kCubeXCubes, .name = "X Cubes", .store = 0, .min = 1, .max = 20, .value = 2, .animatable = true},
        {.slot = kCubeYCubes, .name = "Y Cubes", .store = 1, .min = 1, .max = 20, .value = 2, .animatable = true},
        {.slot = kCubeZCubes, .name = "Z Cubes", .store = 2, .min = 1, .max = 20, .value = 2, .animatable = true},
        {.slot = kCubeXRotate, .name = "Cube X Rotate", .store = 3, .max = 100,
         .rangeLo = 10, .rangeHi = 20, .value = 9, .check = kCheckRandom, .animatable = true},
        {.slot = kCubeYRotate, .name = "Cube Y Rotate", .store = 4, .max = 100,
         .rangeLo = 10, .rangeHi = 20, .value = 14, .check = kCheckRandom, .animatable = true},
        {.slot = kCubeZRotate, .name = "Cube Z Rotate", .store = 5, .max = 100,
         .rangeLo = 10, .rangeHi = 20, .value = 11, .check = kCheckRandom, .animatable = true},
        {.slot = kCubeSize, .name = "Cube Size", .store = 6, .max = 100, .value = 90, .animatable = true},
        {.slot = kCubeDuration, .name = "Duration", .store = 16, .min = 1, .max = 1000, .value = 30},
        kStrengthControl,
        {.slot = kCubeXTiling, .name = "X Tiling", .store = 10, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kCubeYTiling, .name = "Y Tiling", .store = 11, .min = 1, .max = 20, .value = 1, .animatable = true},
        {.slot = kCubeTileType, .name = "Tile Type", .store = 12, .max = 3},
        {.slot = kCubeSymmetry, .name = "Symmetry", .store = 14, .min = 1, .max = 20, .value = 3, .animatable = true},
        {.slot = kCubeSweep, .name = "Sweep", .min = 1, .max = 360, .value = 360, .animatable = true},
        {.slot = kCubeWidth, .name = "Width", .store = 15, .min = 1, .max = 50, .value = 1},
        {.slot = kCubeTrailLength, .name = "Trail Length", .store = 8, .min = 1, .max = 300, .value = 2},
        {.slot = kCubeBlockXRotate, .name = "Block X Rotate", .store = 20, .max = 100,
         .rangeLo = 10, .rangeHi = 20, .value = 9, .check = kCheckRandom, .animatable = true},
        {.slot = kCubeBlockYRotate, .name = "Block Y Rotate", .store = 21, .max = 100,
         .rangeLo = 10, .rangeHi = 20, .value = 14, .check = kCheckRandom, .animatable = true},
        {.slot = kCubeBlockZRotate, .name = "Block Z Rotate", .store = 22, .max = 100,
         .rangeLo = 10, .rangeHi = 20, .value = 11, .check = kCheckRandom, .animatable = true},
        {.slot = kCubeBlockSize, .name = "Block Size", .store = 23, .max = 100, .value = 30, .animatable = true},
        kDrawStartControl,
        kDrawStopControl,
    };
    DefineControls(r, kControls);
    // Registration starts an animation run: the block starts unturned, so
    // every run from the same seed draws the same pictures.
    g_blockAngle[0] = g_blockAngle[1] = g_blockAngle[2] = 0;
    return 0;
}

int CubeAllocate(ModuleRecord* r) {
    // A second allocation without a close in between replaces the first.
    if (g_cube != nullptr) {
        DestroyCamera(g_cube->camera);
        FreeModuleMemory(g_cube);
    }
    g_cube = static_cast<CubeState*>(AllocateModuleMemory(sizeof(CubeState)));
    if (g_cube == nullptr || r == nullptr) return 0;
    g_cube->width = std::max(r->Width, 0);
    g_cube->height = std::max(r->Height, 0);
    g_cube->camera = CreateCamera(nullptr);
    SetCameraSurface(g_cube->camera, Rect{0, 0, g_cube->width, g_cube->height});
    return 0;
}

int CubeInitialize(ModuleRecord* r) {
    CubeState* s = g_cube;
    if (s == nullptr || r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);

    CubeFrame& f = s->frame;
    f.symmetry = r->Control[kCubeSymmetry];
    f.sweep = r->Control[kCubeSweep];
    f.xTiling = r->Control[kCubeXTiling];
    f.yTiling = r->Control[kCubeYTiling];
    f.tileType = r->Control[kCubeTileType];
    f.xCubes = r->Control[kCubeXCubes];
    f.yCubes = r->Control[kCubeYCubes];
    f.zCubes = r->Control[kCubeZCubes];
    f.cubeScale = float(r->Control[kCubeSize]) * kCubeScaleFactor;
    f.blockScale = float(r->Control[kCubeBlockSize]) * kCubeScaleFactor;
    for (int k = 0; k < kCubeRates; ++k) s->rate[k] = float(r->Control[kRateSlots[k]]) * kCubeRateFactor;
    s->penWidth = r->Control[kCubeWidth];
    s->deadline = DeadlineAfterSeconds(r->Control[kCubeDuration]);

    if (s->camera != nullptr) {
        s->camera->depth = kCubeCameraDepth;
        s->camera->focal = kCubeCameraFocal;
    }

    // The cubes start unturned; the block goes on from where it was.
    f.cubeAngleX = f.cubeAngleY = f.cubeAngleZ = 0;
    f.blockAngleX = g_blockAngle[0];
    f.blockAngleY = g_blockAngle[1];
    f.blockAngleZ = g_blockAngle[2];

    StartTrail(&s->trail, kFrameRingSize, r->Control[kCubeTrailLength]);
    StartColorCycle(&s->color);
    s->initialized = 1;
    return 0;
}

int CubeDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kCubeDrawStart], r->Control[kCubeDrawStop])) return kFrameSkipped;
    CubeState* s = g_cube;
    if (s == nullptr || !s->initialized) return 0;
    DrawContext* dc = ModuleDc(r);

    const int color = StepColorCycle(&s->color);
    EvolveDrivenControls(r, *s);

    CubeFrame& f = s->frame;
    f.cubeAngleX += s->rate[kRateCubeX];
    f.cubeAngleY += s->rate[kRateCubeY];
    f.cubeAngleZ += s->rate[kRateCubeZ];
    f.blockAngleX += s->rate[kRateBlockX];
    f.blockAngleY += s->rate[kRateBlockY];
    f.blockAngleZ += s->rate[kRateBlockZ];
    g_blockAngle[0] = f.blockAngleX;
    g_blockAngle[1] = f.blockAngleY;
    g_blockAngle[2] = f.blockAngleZ;

    const int write = s->trail.writeIndex;
    s->ring[write] = f;
    DrawWithPen(*s, dc, s->ring[write], PalettePen(s->penWidth, color));

    const auto erase = [s, dc](int index) { EraseSnapshot(*s, dc, index); };
    StepTrail(s->trail, erase);
    RestartAtDeadline(r, s->trail, s->deadline, &CubeInitialize, erase);
    return 0;
}

int CubeClose(ModuleRecord* r) {
    if (g_cube == nullptr) return 0;
    if (g_cube->initialized) {
        FlushTrail(g_cube->trail, [dc = ModuleDc(r)](int index) { EraseSnapshot(*g_cube, dc, index); });
    }
    DestroyCamera(g_cube->camera);
    FreeModuleMemory(g_cube);
    g_cube = nullptr;
    return 0;
}

const CubeState* CubeWorkingState() { return g_cube; }

void CubeBlockAngles(float out[3]) {
    for (int k = 0; k < 3; ++k) out[k] = g_blockAngle[k];
}

void ProjectCubeCorners(Camera* camera, int width, int height, const CubeFrame& f, int copy, int a, int b, int c,
                        Point corners[8]) {
    const CubeGeometry g(width, height, f, copy);
    g.Project(camera, a, b, c, corners);
}

}  // namespace ztx
