// The Wander module, slot 15: a single point bounces around the screen and
// each frame draws a shape-brush stroke from its previous to its new
// position, repeated by rotational symmetry about the screen centre and
// over mirrored tiles. Nothing is erased and the module never restarts by
// itself (it has no "Duration"); its colour runs as a saw-tooth
// 1 .. 235, 0, 1 ... It allocates nothing: its state is module-level and
// starts afresh when the module is registered (the start of an animation
// run).
//
// Choices the design leaves open:
//  - "Sweep" is animatable, so a driven "Sweep" is followed like the other
//    driven controls.
//  - On a surface narrower or lower than 6 pixels the start point is 0 on
//    that axis (the random offset would be taken modulo 0).
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets):
enum WanderControl : int {
    kWanderYSpeed = 1,       // "Y Speed" [1] 1..60, default 5 (the horizontal step)
    kWanderXSpeed = 2,       // "X Speed" [2] 1..60, default 5 (the vertical step)
    kWanderStrength = 9,     // "Strength" [9] -10..10, default 1
    kWanderXTiling = 10,     // "X Tiling" [10] 1..20, default 2, animatable
    kWanderYTiling = 11,     // "Y Tiling" [11] 1..20, default 2, animatable
    kWanderTileType = 12,    // "Tile Type" [12] 0..3, default 0
    kWanderSymmetry = 14,    // "Symmetry" [14] 1..128, default 8, animatable
    kWanderSweep = 15,       // "Sweep" [15] 1..360, default 360, animatable
    kWanderType = 20,        // "Type" [20] 0..17, default 6
    kWanderDiameter = 21,    // "Diameter" [21] 1..320, default 80, animatable
    kWanderRotation = 22,    // "Rotation" [22] -100..100, default 10, animatable
    kWanderSides = 23,       // "Sides" [23] 1..10, default 4
    kWanderDiameter2 = 24,   // "Diameter (2)" [24] 1..320, default 1, animatable
    kWanderRotation2 = 25,   // "Rotation  (2)" [25] -100..100, default 10, animatable
    kWanderSides2 = 26,      // "Sides (2)" [26] 1..10, default 1
    kWanderDiameter3 = 27,   // "Diameter (3)" [27] 1..320, default 1, animatable
    kWanderRotation3 = 28,   // "Rotation  (3)" [28] -100..100, default 10, animatable
    kWanderSides3 = 29,      // "Sides (3)" [29] 1..10, default 1
    kWanderDrawStart = 30,   // "Draw Start" [-1] 0..100, default 0
    kWanderDrawStop = 31,    // "Draw Stop" [-1] 0..100, default 100
};

// The routines registered in slot 15 (DoPreInitialize and DoClose are the
// shared NoModuleWork).
int WanderDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int WanderDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int WanderInitialize(ModuleRecord* record);      // DoInitialize

struct WanderState {
    int32_t initialized;        // DoInitialize has run in this animation run
    Point point, previous;      // where the stroke ends and starts
    Point step;                 // (dx, dy) per frame
    int32_t xTiling, yTiling, tileType;
    int32_t symmetry, sweep;
    ShapeBrush brush;
    int32_t width, height;      // surface size taken at DoInitialize
    int32_t centerX, centerY;
    int32_t color;              // saw-tooth colour index 0..235
};

// The module's state, for tests and diagnostics.
WanderState& WanderWorkingState();

}  // namespace ztx
