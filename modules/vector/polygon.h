// The Polygon module, slot 4: one filled polygon whose corners bounce
// independently across the screen is painted every frame in the next colour
// of the ping-pong cycle, optionally outlined in the mirrored palette entry
// (236 - colour), with rotational symmetry about the centre and mirrored
// tiles. Nothing is erased: the frames pile up into layered bands of
// colour. A restart after "Duration" places new corners over the picture.
//
// Choices the design leaves open or gets wrong:
//  - The state is module-level storage; the module allocates nothing.
//  - Corners start at rand mod the tile size; a tile narrower than a pixel
//    (more tiles than pixels) counts as one pixel instead of dividing by
//    zero.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum PolygonControl : int {
    kPolygonVertices = 0,    // "Vertices" [0] 2..20, default 3
    kPolygonSpeed = 2,       // "Speed" [2] 1..320, default 4, animatable
    kPolygonOutline = 3,     // "Outline" [3] 0..1
    kPolygonDuration = 8,    // "Duration" [8] 1..1000 s, default 30
    kPolygonStrength = 9,    // "Strength" [9]
    kPolygonXTiling = 10,    // "X Tiling" [4] 1..20, animatable
    kPolygonYTiling = 11,    // "Y Tiling" [5] 1..20, animatable
    kPolygonTileType = 12,   // "Tile Type" [6] 0..3
    kPolygonSymmetry = 14,   // "Symmetry" [1] 1..50, default 10, animatable
    kPolygonSweep = 15,      // "Sweep" [-1] 1..360, default 360, animatable
    kPolygonDrawStart = 30,  // "Draw Start"
    kPolygonDrawStop = 31,   // "Draw Stop"
};

// The five routines registered in slot 4 (allocation and close are the
// shared no-op).
int PolygonDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int PolygonDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int PolygonInitialize(ModuleRecord* record);      // DoInitialize

constexpr int kPolygonMaxVertices = 20;

struct PolygonState {
    int32_t initialized;
    int32_t width, height;  // surface size taken at DoInitialize
    int32_t vertices;       // n
    Point position[kPolygonMaxVertices];
    Point direction[kPolygonMaxVertices];  // +1 or -1 per axis
    int32_t speed, outline;
    int32_t xTiling, yTiling, tileType, symmetry, sweep;
    ColorCycle color;
    uint32_t deadline;
};
// The module's state (module-level storage), for tests.
PolygonState& PolygonWorkingState();

}  // namespace ztx
