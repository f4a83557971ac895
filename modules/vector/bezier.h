// The Bezier module, slot 0: cubic Bezier curves whose control
// points bounce independently around the screen leave a colour-cycling
// snake; its tail is erased by replaying the same motion in black, "Trail
// Length" x 3 frames behind. The model of the vector family: colour cycle,
// frame ring, trail, restart after "Duration", tiling and symmetry are the
// vector skeleton (modules/vector/vector_kit.h).
//
// Choices the design leaves open:
//  - The working state (frame ring and point sets) is one module-level
//    block, allocated zero-filled by DoPreInitialize and freed by DoClose.
//    When the allocation fails every routine still returns 0 and nothing is
//    drawn until a later DoPreInitialize succeeds.
//  - DoInitialize draws four random numbers per point, in the order x, y,
//    x direction, y direction.
//  - The surface size is taken at DoInitialize and used by drawer and eraser
//    alike (centre, tiles, bounds), so a record whose Width or Height
//    changes mid-run cannot make the eraser miss the trail.
//  - Only points 0 .. n + 2 (the control points) are turned for the
//    symmetric copies; the others are never drawn, so turning them would
//    change nothing.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum BezierControl : int {
    kBezierBeziers = 0,      // "Beziers" [0] 1..20, default 1
    kBezierTrailLength = 2,  // "Trail Length" [2] 1..100, default 100 (T = 3 x)
    kBezierWidth = 3,        // "Width" [3] 1..200, default 12, animatable
    kBezierSpeed = 4,        // "Speed" [4] 1..320, default 4, animatable
    kBezierXCenter = 5,      // "X Center" [-1] 0..100, default 50, animatable
    kBezierYCenter = 6,      // "Y Center" [-1] 0..100, default 50, animatable
    kBezierDuration = 8,     // "Duration" [5] 1..1000 s, default 30
    kBezierStrength = 9,     // "Strength" [9] -10..10, default 1
    kBezierXTiling = 10,     // "X Tiling" [6] 1..20, default 1, animatable
    kBezierYTiling = 11,     // "Y Tiling" [7] 1..20, default 1, animatable
    kBezierTileType = 12,    // "Tile Type" [8] 0..3, default 0
    kBezierSymmetry = 14,    // "Symmetry" [1] 1..32, default 10, animatable
    kBezierSweep = 15,       // "Sweep" [-1] 1..360, default 360, animatable
    kBezierDrawStart = 30,   // "Draw Start" [-1] 0..100, default 0
    kBezierDrawStop = 31,    // "Draw Stop" [-1] 0..100, default 100
};

// The five routines registered in slot 0.
int BezierDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int BezierDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int BezierAllocate(ModuleRecord* record);        // DoPreInitialize
int BezierInitialize(ModuleRecord* record);      // DoInitialize
int BezierClose(ModuleRecord* record);           // DoClose

// What one frame draws, as remembered in the frame ring (field order as
// designed).
struct BezierFrame {
    int32_t symmetry, sweep, xTiling, yTiling, width, speed, tileType, xCenter, yCenter;
};

constexpr int kBezierMaxCurves = 20;
constexpr int kBezierMaxPoints = 2 * kBezierMaxCurves + 4;

// A set of bouncing points: positions and direction signs (+1 or -1 per
// component).
struct BezierPoints {
    Point position[kBezierMaxPoints];
    Point direction[kBezierMaxPoints];
};

// The module's working memory, allocated zero-filled by DoPreInitialize and
// freed by DoClose.
struct BezierState {
    int32_t initialized;    // DoInitialize has run since the allocation
    int32_t curves;         // n, "Beziers"
    int32_t points;         // m = 2n + 4
    int32_t width, height;  // surface size taken at DoInitialize
    // Bounds of the points: lo inclusive, hi exclusive.
    int32_t xLow, xHigh, yLow, yHigh;
    BezierPoints drawer;  // P, D
    BezierPoints eraser;  // P', D'
    BezierFrame frame;    // the working frame (controls evolved per frame)
    BezierFrame ring[kFrameRingSize];
    TrailRing trail;
    ColorCycle color;
    uint32_t deadline;
};

// The working state of the running instance, or null before DoPreInitialize,
// after DoClose, or when the allocation failed. For tests and diagnostics.
const BezierState* BezierWorkingState();

}  // namespace ztx
