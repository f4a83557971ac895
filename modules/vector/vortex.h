// The Vortex module, slot 8: a ring of vertices starts at the farthest
// corner's distance from a centre and spirals inward. Every frame the ring
// shrinks by the collapse rate while each vertex turns by an amount that
// depends on the current radius; the quadrilateral between each vertex's
// previous and new position and its neighbour's is filled in a palette
// colour derived from the vertex, so the collapse leaves a swirling filled
// spiral. Once the ring has fully collapsed the module waits "Duration"
// seconds and starts a new vortex. Each tile is clipped to its rectangle
// (whatever "Clip Tiles" says) and the text boxes stay clear.
//
// Choices the design leaves open or gets wrong:
//  - The colour value 1000 - colour - step counter turns negative after a
//    few hundred frames; its palette entry is taken modulo 236 into
//    0..235 rather than as a negative remainder.
//  - The colour direction and the reversal counter start cleared at every
//    restart.
//  - When the vertex array cannot be allocated nothing is drawn; the module
//    tries again after "Duration".
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum VortexControl : int {
    kVortexVertices = 0,       // "Vertices" [0] 2..500, default 60
    kVortexSpasticity = 1,     // "Spasticity" [1] 1..300, default 300, animatable
    kVortexAmplitude = 2,      // "Amplitude" [2] 1..200, default 20, animatable
    kVortexReverses = 3,       // "Reverses" [-1] 1..100, default 100 (never)
    kVortexType = 4,           // "Type" [4] 0..5, default 1: vertex colours
    kVortexCollapseRate = 5,   // "Collapse Rate" [5] 1..50, default 5, animatable
    kVortexRadiusFlux = 6,     // "Radius Flux" [6] 0..100, default 34, animatable
    kVortexFluxAmplitude = 7,  // "Flux Amplitude" [7] 0..400, default 0, animatable
    kVortexDuration = 8,       // "Duration" [3] 0..1000 s, default 20: the pause
    kVortexStrength = 9,       // "Strength" [9]
    kVortexXTiling = 10,       // "X Tiling" [10] 1..20, animatable
    kVortexYTiling = 11,       // "Y Tiling" [11] 1..20, animatable
    kVortexTileType = 12,      // "Tile Type" [12] 0..3
    kVortexClipTiles = 13,     // "Clip Tiles" [-1] 0..1, default 1 (tiles are always clipped)
    kVortexChecker = 15,       // "Checker" [-1] 0..1
    kVortexXCenter = 17,       // "X Center" [-1] 0..100, default 50, animatable
    kVortexYCenter = 18,       // "Y Center" [-1] 0..100, default 50, animatable
    kVortexDrawStart = 30,     // "Draw Start"
    kVortexDrawStop = 31,      // "Draw Stop"
};

// The five routines registered in slot 8 (allocation is the shared no-op).
int VortexDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int VortexDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0 after a restart, else FrameSkipped (42)
int VortexInitialize(ModuleRecord* record);      // DoInitialize
int VortexClose(ModuleRecord* record);           // DoClose

struct VortexVertex {
    int32_t x, y, previousX, previousY;
    int32_t color;
    float angle;  // radians
};

struct VortexState {
    int32_t initialized;
    int32_t width, height;
    int32_t count;          // n
    VortexVertex* vertices; // n vertices, or null when the allocation failed
    float radius;           // R
    float spasticity;       // Dv
    float turn;             // At
    float collapse;
    float fluxRate, fluxAmplitude;
    int32_t reverses, type, xTiling, yTiling, tileType, checker;
    int32_t xCenter, yCenter;  // percent
    int32_t centerX, centerY;  // pixels
    int32_t visible;
    int32_t stepCounter, frameCounter, direction;
    int32_t pauseSeconds;  // "Duration"
    uint32_t deadline;
};
// The module's state (module-level storage), for tests.
VortexState& VortexWorkingState();

}  // namespace ztx
