// The Squiggle module, slot 13: a closed-looking 3-D Lissajous curve (each
// coordinate a sine of its own frequency, a "lathe" figure) turns slowly in
// perspective and is drawn as a polyline, repeated by rotational symmetry
// about the centre and over mirrored tiles clipped to their rectangles.
// Colour cycle, frame ring with trail eraser and restart after "Duration"
// are the vector skeleton (modules/vector/vector_kit.h).
//
// Choices the design leaves open:
//  - A curve point the camera rejects (behind it: possible on surfaces
//    wider than about 3400 pixels at "Radius" 100) breaks the polyline
//    there instead of joining the neighbours to the picture's corner.
//  - The surface size is taken at DoInitialize (centre, curve radius,
//    tiles, camera), so drawer and eraser agree within a run.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum SquiggleControl : int {
    kSquigglePoints = 0,        // "Points" [0] 2..400, default 40
    kSquiggleLatheX = 1,        // "Lathe X" [1] 2..100, default 9 (radians over the curve)
    kSquiggleLatheY = 2,        // "Lathe Y" [2] 2..100, default 25
    kSquiggleLatheZ = 3,        // "Lathe Z" [3] 2..100, default 22
    kSquiggleRadius = 4,        // "Radius" [4] 0..100, default 90 (percent of W div 2)
    kSquiggleRotateX = 5,       // "Rotate X" [5] 0..500, default 32, animatable (1/3000 radian per frame)
    kSquiggleRotateY = 6,       // "Rotate Y" [6] 0..500, default 27, animatable
    kSquiggleRotateZ = 7,       // "Rotate Z" [7] 0..500, default 16, animatable
    kSquiggleDuration = 8,      // "Duration" [16] 1..1000 s, default 30
    kSquiggleStrength = 9,      // "Strength" [9] -10..10, default 1
    kSquiggleXTiling = 10,      // "X Tiling" [10] 1..20, default 1, animatable
    kSquiggleYTiling = 11,      // "Y Tiling" [11] 1..20, default 1, animatable
    kSquiggleTileType = 12,     // "Tile Type" [12] 0..3, default 0
    kSquiggleSymmetry = 14,     // "Symmetry" [14] 1..20, default 3, animatable
    kSquiggleSweep = 15,        // "Sweep" [-1] 1..360, default 360, animatable
    kSquiggleWidth = 17,        // "Width" [15] 1..50, default 1
    kSquiggleTrailLength = 18,  // "Trail Length" [8] 1..100, default 100 (T = 3 x)
    kSquiggleDrawStart = 30,    // "Draw Start" [-1] 0..100, default 0
    kSquiggleDrawStop = 31,     // "Draw Stop" [-1] 0..100, default 100
};

// The five routines registered in slot 13.
int SquiggleDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int SquiggleDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int SquiggleAllocate(ModuleRecord* record);        // DoPreInitialize
int SquiggleInitialize(ModuleRecord* record);      // DoInitialize
int SquiggleClose(ModuleRecord* record);           // DoClose

constexpr int kSquiggleMaxPoints = 400;
constexpr double kSquiggleCameraDepth = -3000.0;
constexpr double kSquiggleCameraFocal = 3000.0;

// What one frame draws, as remembered in the frame ring (eight fields of 32
// bits in this order).
struct SquiggleFrame {
    int32_t symmetry, sweep, xTiling, yTiling, tileType;
    float angleX, angleY, angleZ;  // radians
};

// The module's working memory, allocated zero-filled by DoPreInitialize and
// freed by DoClose.
struct SquiggleState {
    int32_t initialized;    // DoInitialize has run since the allocation
    int32_t width, height;  // surface size taken at DoInitialize
    int32_t count;          // curve points (0 when the curve could not be had)
    Point3* curve;          // its own block, made anew at every restart
    float rate[3];          // radians per frame about x, y, z
    int32_t penWidth;       // "Width"
    SquiggleFrame frame;    // the working frame
    SquiggleFrame ring[kFrameRingSize];
    TrailRing trail;
    ColorCycle color;
    uint32_t deadline;
    Camera* camera;  // null when it could not be allocated (nothing is drawn)
    // Room for one drawing: the projected curve, whether each point was
    // projected, a rotated copy and a copy placed in a tile.
    Point screen[kSquiggleMaxPoints];
    uint8_t seen[kSquiggleMaxPoints];
    Point turned[kSquiggleMaxPoints];
    Point placed[kSquiggleMaxPoints];
};

// The working state of the running instance, or null before DoPreInitialize,
// after DoClose, or when the allocation failed. For tests and diagnostics.
SquiggleState* SquiggleWorkingState();

}  // namespace ztx
