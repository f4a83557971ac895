// The Cube module, slot 16: a block of wire-frame cubes (up to 20 x 20 x 20
// cells) turning in perspective. Each cube spins about its own centre, the
// whole block spins about the origin, and the picture is repeated by
// rotational copies and by mirrored tiles, each tile clipped to its own
// rectangle. Colour cycle, frame ring with trail eraser and restart after
// "Duration" are the vector skeleton of modules/vector/vector_kit.h.
//
// The block's orientation carries over from one run of the module to the
// next (restarts after "Duration", restart requests); only registration of
// the module (the start of an animation run) turns it back to zero, so a
// run started with a fixed seed always gives the same pictures.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum CubeControl : int {
    kCubeXCubes = 0,         // "X Cubes" [0] 1..20, default 2, animatable
    kCubeYCubes = 1,         // "Y Cubes" [1] 1..20, default 2, animatable
    kCubeZCubes = 2,         // "Z Cubes" [2] 1..20, default 2, animatable
    kCubeXRotate = 3,        // "Cube X Rotate" [3] 0..100, Random 10..20, default 9, animatable
    kCubeYRotate = 4,        // "Cube Y Rotate" [4] 0..100, Random 10..20, default 14, animatable
    kCubeZRotate = 5,        // "Cube Z Rotate" [5] 0..100, Random 10..20, default 11, animatable
    kCubeSize = 6,           // "Cube Size" [6] 0..100, default 90, animatable
    kCubeDuration = 8,       // "Duration" [16] 1..1000 s, default 30
    kCubeStrength = 9,       // "Strength" [9] -10..10, default 1
    kCubeXTiling = 10,       // "X Tiling" [10] 1..20, default 1, animatable
    kCubeYTiling = 11,       // "Y Tiling" [11] 1..20, default 1, animatable
    kCubeTileType = 12,      // "Tile Type" [12] 0..3, default 0
    kCubeSymmetry = 14,      // "Symmetry" [14] 1..20, default 3, animatable
    kCubeSweep = 15,         // "Sweep" [-1] 1..360, default 360, animatable
    kCubeWidth = 17,         // "Width" [15] 1..50, default 1
    kCubeTrailLength = 18,   // "Trail Length" [8] 1..300 frames, default 2
    kCubeBlockXRotate = 20,  // "Block X Rotate" [20] 0..100, Random 10..20, default 9, animatable
    kCubeBlockYRotate = 21,  // "Block Y Rotate" [21] 0..100, Random 10..20, default 14, animatable
    kCubeBlockZRotate = 22,  // "Block Z Rotate" [22] 0..100, Random 10..20, default 11, animatable
    kCubeBlockSize = 23,     // "Block Size" [23] 0..100, default 30, animatable
    kCubeDrawStart = 30,     // "Draw Start" [-1] 0..100, default 0
    kCubeDrawStop = 31,      // "Draw Stop" [-1] 0..100, default 100
};

// The five routines registered in slot 16.
int CubeDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int CubeDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int CubeAllocate(ModuleRecord* record);        // DoPreInitialize
int CubeInitialize(ModuleRecord* record);      // DoInitialize
int CubeClose(ModuleRecord* record);           // DoClose

constexpr int kCubeMaxCells = 20;  // per axis
// Rotation controls are turned into radians per frame with this factor, the
// size controls into scales with the other.
constexpr float kCubeRateFactor = 0.00033333333f;   // 1 / 3000
constexpr float kCubeScaleFactor = 0.014285714f;    // 1 / 70
constexpr double kCubeCameraDepth = -3000.0;
constexpr double kCubeCameraFocal = 3000.0;

// What one frame draws, as remembered in the frame ring (16 fields of 32
// bits in this order).
struct CubeFrame {
    int32_t symmetry, sweep, xTiling, yTiling, tileType, xCubes, yCubes, zCubes;
    float cubeAngleX, cubeAngleY, cubeAngleZ;     // radians
    float blockAngleX, blockAngleY, blockAngleZ;  // radians
    float cubeScale;   // "Cube Size" / 70
    float blockScale;  // "Block Size" / 70
};
static_assert(sizeof(CubeFrame) == 64, "a cube frame is 16 fields of 32 bits");

// Indices of the six rotation rates.
enum CubeRate : int { kRateCubeX, kRateCubeY, kRateCubeZ, kRateBlockX, kRateBlockY, kRateBlockZ, kCubeRates };

// The module's working memory, allocated zero-filled by DoPreInitialize and
// freed by DoClose.
struct CubeState {
    int32_t initialized;    // DoInitialize has run since the allocation
    int32_t width, height;  // surface size taken at DoPreInitialize
    CubeFrame frame;        // the working frame (controls evolved per frame)
    float rate[kCubeRates]; // radians per frame
    int32_t penWidth;       // "Width"
    CubeFrame ring[kFrameRingSize];
    TrailRing trail;
    ColorCycle color;
    uint32_t deadline;
    Camera* camera;  // null when it could not be allocated (nothing is drawn)
};

// The working state of the running instance, or null before DoPreInitialize,
// after DoClose, or when the allocation failed. For tests and diagnostics.
const CubeState* CubeWorkingState();

// The block orientation the next DoInitialize starts from (x, y, z radians).
void CubeBlockAngles(float out[3]);

// Projects the eight corners of the cube in cell (a, b, c), rotated copy
// `copy`, of frame `f` on a width x height surface with the camera's
// settings, in the order in which they are joined (see CubeDrawFrame).
// Rejected corners come out as (0, 0). Before tiling.
void ProjectCubeCorners(Camera* camera, int width, int height, const CubeFrame& f, int copy, int a, int b, int c,
                        Point corners[8]);

}  // namespace ztx
