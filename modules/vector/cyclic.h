// The Cyclic module, slot 1: a ring of objects runs along nested sine
// curves around the screen centre, each leaving a shape-brush stroke from
// its previous to its new position. Which of eight curve formulas drives x
// and which drives y is drawn at every restart, so the figure changes
// character with each "Duration". Colour cycle, frame ring with a replayed
// eraser, restart, tiling and symmetry are the vector skeleton
// (modules/vector/vector_kit.h).
//
// Choices the design leaves open:
//  - The frame drawn is stored in the ring before its brush angles advance,
//    so the eraser replays exactly the shapes that were drawn.
//  - The symmetric copies of successive objects keep turning (copy angle =
//    stroke number x the symmetry step), so with "Sweep" below 360 later
//    objects continue around the circle.
//  - The surface size is taken at DoInitialize and serves drawer and eraser
//    alike.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum CyclicControl : int {
    kCyclicObjects = 0,       // "Objects" [0] 1..99, default 4
    kCyclicSpasticity = 1,    // "Spasticity" [1] -50..50, default 25, animatable
    kCyclicTrailLength = 2,   // "Trail Length" [2] 1..100, default 100 (T = 3 x)
    kCyclicDuration = 8,      // "Duration" [8] 1..1000 s, default 30
    kCyclicStrength = 9,      // "Strength" [9] -10..10, default 1
    kCyclicXTiling = 10,      // "X Tiling" [10] 1..20, default 1, animatable
    kCyclicYTiling = 11,      // "Y Tiling" [11] 1..20, default 1, animatable
    kCyclicTileType = 12,     // "Tile Type" [12] 0..3, default 0
    kCyclicSymmetry = 14,     // "Symmetry" [4] 1..32, default 1, animatable
    kCyclicSweep = 15,        // "Sweep" [-1] 1..360, default 360, animatable
    kCyclicType = 20,         // "Type" [7] 0..17, default 0
    kCyclicDiameter = 21,     // "Diameter" [3] 0..320, default 100, animatable (0: pulsing sizes)
    kCyclicRotation = 22,     // "Rotation" [5] -100..100, default 10, animatable
    kCyclicSides = 23,        // "Sides" [6] 1..10, default 1
    kCyclicDiameter2 = 24,    // "Diameter (2)" [14] 0..320, default 100, animatable
    kCyclicRotation2 = 25,    // "Rotation  (2)" [15] -100..100, default 10, animatable
    kCyclicSides2 = 26,       // "Sides (2)" [16] 1..10, default 1
    kCyclicDiameter3 = 27,    // "Diameter (3)" [17] 0..320, default 100, animatable
    kCyclicRotation3 = 28,    // "Rotation  (3)" [18] -100..100, default 10, animatable
    kCyclicSides3 = 29,       // "Sides (3)" [19] 1..10, default 1
    kCyclicDrawStart = 30,    // "Draw Start" [-1] 0..100, default 0
    kCyclicDrawStop = 31,     // "Draw Stop" [-1] 0..100, default 100
};

// The five routines registered in slot 1.
int CyclicDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int CyclicDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int CyclicAllocate(ModuleRecord* record);        // DoPreInitialize
int CyclicInitialize(ModuleRecord* record);      // DoInitialize
int CyclicClose(ModuleRecord* record);           // DoClose

constexpr int kCyclicMaxObjects = 101;

// One object: its position, where it was, and its angle.
struct CyclicObject {
    int32_t x, y, previousX, previousY;
    float phi;
};

// A set of objects with the phases that drive them (D = sin C).
struct CyclicObjects {
    float a, b, c, d;
    CyclicObject object[kCyclicMaxObjects];
};

// What one frame draws, as remembered in the frame ring.
struct CyclicFrame {
    ShapeBrush brush;
    float rateA, rateB, rateC;  // phase added per frame
    int32_t symmetry, sweep, xTiling, yTiling, tileType;
};

// The module's working memory, allocated zero-filled by DoPreInitialize and
// freed by DoClose.
struct CyclicState {
    int32_t initialized;    // DoInitialize has run since the allocation
    int32_t count;          // n, "Objects"
    float divisor;          // s, from "Spasticity"
    float radius;           // R = W div 2
    int32_t width, height;  // surface size taken at DoInitialize
    int32_t centerX, centerY;
    int32_t xFormula, yFormula;  // 1..8
    int32_t pulsing;             // "Diameter" 0: the sizes pulse
    float pulsePhase, pulseRate;
    CyclicObjects drawer, eraser;
    CyclicFrame frame;  // the working frame
    CyclicFrame ring[kFrameRingSize];
    TrailRing trail;
    ColorCycle color;
    uint32_t deadline;
};

// The working state of the running instance, or null before DoPreInitialize,
// after DoClose, or when the allocation failed. For tests and diagnostics.
CyclicState* CyclicWorkingState();

// The speed divisor for a "Spasticity" value: 51 - S above 0, else
// |15 S| + 1.
float CyclicDivisor(int spasticity);

}  // namespace ztx
