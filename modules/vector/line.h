// The Line module, slot 12: a segment whose two ends bounce around the
// screen sweeps a ribbon. Every frame fills the quadrilateral between the
// segment's new position and a trailing copy in the next colour of the
// ping-pong cycle, with rotational symmetry about the centre and mirrored
// tiles; the tail is erased "Trail Length" x 3 frames later by replaying the
// same motion with the black brush. Colour cycle, frame ring, trail and
// restart are the vector skeleton (modules/vector/vector_kit.h).
//
// Choices the design leaves open or gets wrong:
//  - Driven "Delta" controls change the drawer's velocities, but the eraser
//    replays the motion with velocities of its own; with only the tiling
//    and symmetry remembered per frame, the eraser would leave the driven
//    path and stop erasing it. Each frame therefore also remembers the
//    driven deltas, and the eraser applies them the same way when it
//    replays that frame.
//  - The working state is one block allocated zero-filled by
//    DoPreInitialize; when the allocation fails nothing is drawn.
//  - The surface size is taken at DoInitialize and used by drawer and
//    eraser alike.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum LineControl : int {
    kLineDeltaX1 = 0,       // "Delta X1" [0] 0..50, default 5
    kLineDeltaY1 = 1,       // "Delta Y1" [1] 0..50, default 5
    kLineDeltaX2 = 2,       // "Delta X2" [2] 0..50, default 5
    kLineDeltaY2 = 3,       // "Delta Y2" [3] 0..50, default 5
    kLineX1 = 4,            // "X1" [4] 0..100 percent, default 25
    kLineY1 = 5,            // "Y1" [5] 0..100, default 25, animatable
    kLineX2 = 6,            // "X2" [6] 0..100, default 75, animatable
    kLineY2 = 7,            // "Y2" [7] 0..100, default 75, animatable
    kLineDuration = 8,      // "Duration" [16] 1..1000 s, default 30
    kLineStrength = 9,      // "Strength" [9]
    kLineXTiling = 10,      // "X Tiling" [10] 1..20, animatable
    kLineYTiling = 11,      // "Y Tiling" [11] 1..20, animatable
    kLineTileType = 12,     // "Tile Type" [12] 0..3
    kLineSymmetry = 14,     // "Symmetry" [14] 1..20, default 3, animatable
    kLineSweep = 15,        // "Sweep" [-1] 1..360, default 360, animatable
    kLineTrailLength = 18,  // "Trail Length" [8] 1..100, default 100 (T = 3 x)
    kLineDrawStart = 30,    // "Draw Start"
    kLineDrawStop = 31,     // "Draw Stop"
};

// The five routines registered in slot 12.
int LineDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int LineDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int LineAllocate(ModuleRecord* record);        // DoPreInitialize
int LineInitialize(ModuleRecord* record);      // DoInitialize
int LineClose(ModuleRecord* record);           // DoClose

// What one frame draws, as remembered in the frame ring: the design's five
// fields, then the four deltas driven in that frame (-1: not driven).
struct LineFrame {
    int32_t symmetry, sweep, xTiling, yTiling, tileType;
    int32_t delta[4];  // Delta X1, Delta Y1, Delta X2, Delta Y2
};

// The four corners Q0..Q3 of the quadrilateral and their velocities.
struct LinePoints {
    Point position[4];
    Point velocity[4];
};

struct LineState {
    int32_t initialized;
    int32_t width, height;  // surface size taken at DoInitialize
    LinePoints drawer, eraser;
    LineFrame frame;  // the working frame (controls evolved per frame)
    LineFrame ring[kFrameRingSize];
    TrailRing trail;
    ColorCycle color;
    uint32_t deadline;
};
// The working state, or null before DoPreInitialize, after DoClose or when
// the allocation failed. For tests.
const LineState* LineWorkingState();

}  // namespace ztx
