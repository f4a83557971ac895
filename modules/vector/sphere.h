// The Sphere module, slot 5: balls of concentric rings in consecutive
// palette colours stamped around a centre as a kaleidoscope. The circle is
// cut into "Symmetry" wedges; every frame each wedge gets a ball at the
// current radius, optionally clipped to the wedge ("Clip") and mirrored
// inside it ("Reflect"), repeated over the tiles. The balls are the palette
// blocks of the Effect module, rendered once per restart into ten small
// pictures (start colours 0, 20, ... 180) and then copied with clipped
// blits.
//
// Choices the design leaves open or gets wrong:
//  - The ten ball pictures are device-index pixels in the module's working
//    memory: drawing palette entry i gives the index the screen shows for
//    entry i, which is what the design's private palette arranged.
//  - The working memory (state and ball pictures) is allocated with the
//    module kit; when either allocation fails nothing is drawn until a
//    later restart succeeds.
//  - A driven "Size" is evaluated every frame (its evolution advances) but
//    the ball size of a frame comes from the size taken at the restart.
//  - On a surface too small for a wedge radius (u = 0) the colour offset
//    is 0 instead of a division by zero.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum SphereControl : int {
    kSphereSize = 0,         // "Size" [0] 15..250, default 100, animatable
    kSphereClip = 1,         // "Clip" [1] 0..1, default 1, Random
    kSphereReflect = 2,      // "Reflect" [2] 0..1, default 0, Random
    kSphereRandomSize = 3,   // "Random Size" [3] 0..1
    kSphereClipTiles = 4,    // "Clip Tiles" [4] 0..1
    kSphereType = 5,         // "Type" [5] 0..3, Random: the block shape
    kSphereRadius = 7,       // "Radius" [7] 0..100, default 100, Random, animatable
    kSphereDuration = 8,     // "Duration" [3] 1..1000 s, default 20
    kSphereStrength = 9,     // "Strength" [9]
    kSphereXTiling = 10,     // "X Tiling" [4] 1..20, animatable
    kSphereYTiling = 11,     // "Y Tiling" [5] 1..20, animatable
    kSphereTileType = 12,    // "Tile Type" [6] 0..3
    kSphereSymmetry = 14,    // "Symmetry" [1] 2..128, default 8, animatable
    kSphereSweep = 15,       // "Sweep" [-1] 1..360, default 360, animatable
    kSphereXCenter = 17,     // "X Center" [-1] 0..100, default 50, animatable
    kSphereYCenter = 18,     // "Y Center" [-1] 0..100, default 50, animatable
    kSphereDrawStart = 30,   // "Draw Start"
    kSphereDrawStop = 31,    // "Draw Stop"
};

// The five routines registered in slot 5.
int SphereDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int SphereDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int SphereAllocate(ModuleRecord* record);        // DoPreInitialize
int SphereInitialize(ModuleRecord* record);      // DoInitialize
int SphereClose(ModuleRecord* record);           // DoClose

constexpr int kSphereBalls = 10;

// The module's working memory.
struct SphereState {
    int32_t initialized;
    int32_t width, height;  // surface size taken at the restart
    int32_t ballSize;       // S
    int32_t clip, reflect, randomSize, clipTiles, type;
    int32_t xTiling, yTiling, tileType, symmetry, sweep, xCenter, yCenter;
    int32_t multiplier;  // m, 0..7
    double maxRadius;    // R
    uint8_t* balls;      // ten (S + 2) x (S + 2) pictures, one after another
    uint32_t deadline;
};
// The working state, or null before DoPreInitialize, after DoClose or when
// the allocation failed. For tests.
const SphereState* SphereWorkingState();

}  // namespace ztx
