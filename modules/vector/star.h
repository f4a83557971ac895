// The Star module, slot 7: a field of up to 99 stars flies toward the viewer
// in perspective while the whole field revolves about three axes. Each star
// leaves a streak from its last screen position to its new one, drawn with
// the shape brush, so a streak is a string of small turning polygons (or a
// plain wide line for the dot brush). The picture is repeated by rotational
// symmetry about the screen centre and over mirrored tiles. "Stars" 0 is the
// ring mode: a tunnel of 20 stars on a circle around the view axis.
//
// Unlike the other vector modules it keeps no trail and never restarts by
// itself (no "Duration"); its colour runs as a saw-tooth 1 .. 235, 0, 1 ...
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum StarControl : int {
    kStarStars = 0,        // "Stars" [0] 0..99, default 20 (0: ring mode)
    kStarSpeed = 2,        // "Speed" [2] 1..60, default 4, animatable
    kStarXRevolve = 3,     // "X Revolve" [3] -99..99, default 0, animatable
    kStarYRevolve = 4,     // "Y Revolve" [4] -99..99, default 0, animatable
    kStarZRevolve = 5,     // "Z Revolve" [5] -99..99, default 0, animatable
    kStarStrength = 9,     // "Strength" [9] -10..10, default 1
    kStarXTiling = 10,     // "X Tiling" [10] 1..20, default 1, animatable
    kStarYTiling = 11,     // "Y Tiling" [11] 1..20, default 1, animatable
    kStarTileType = 12,    // "Tile Type" [12] 0..3, default 0
    kStarSymmetry = 14,    // "Symmetry" [13] 1..128, default 1, animatable
    kStarType = 20,        // "Type" [8] 0..17, default 0 (shape brush type)
    kStarDiameter = 21,    // "Diameter" [1] 1..320, default 1, animatable
    kStarRotation = 22,    // "Rotation" [6] -100..100, default 10, animatable
    kStarSides = 23,       // "Sides" [7] 1..10, default 1
    kStarDiameter2 = 24,   // "Diameter (2)" [14] 1..320, default 1, animatable
    kStarRotation2 = 25,   // "Rotation  (2)" [15] -100..100, default 10, animatable
    kStarSides2 = 26,      // "Sides (2)" [16] 1..10, default 1
    kStarDiameter3 = 27,   // "Diameter (3)" [17] 1..320, default 1, animatable
    kStarRotation3 = 28,   // "Rotation  (3)" [18] -100..100, default 10, animatable
    kStarSides3 = 29,      // "Sides (3)" [19] 1..10, default 1
    kStarDrawStart = 30,   // "Draw Start" [-1] 0..100, default 0
    kStarDrawStop = 31,    // "Draw Stop" [-1] 0..100, default 100
};

// The five routines registered in slot 7.
int StarDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int StarDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int StarAllocate(ModuleRecord* record);        // DoPreInitialize
int StarInitialize(ModuleRecord* record);      // DoInitialize
int StarClose(ModuleRecord* record);           // DoClose

constexpr int kStarTableSize = 100;
constexpr int kStarRingCount = 20;     // stars of the ring mode
constexpr double kStarRingRadius = 90;  // world units around the view axis
constexpr double kStarRevolveUnit = 0.0004;  // radians per frame per revolve step
constexpr float kStarFullTurn = 6.2832f;     // symmetry step = full turn / copies

// One star: world position and its last projected screen position.
struct Star {
    double x, y, z;
    int32_t sx, sy;
};

// The module's working memory, allocated zero-filled by DoPreInitialize and
// freed by DoClose.
struct StarState {
    Camera* camera;         // perspective camera (its own allocation)
    int32_t initialized;    // DoInitialize has run since the allocation
    int32_t count;          // stars in use
    int32_t ringMode;       // "Stars" 0: a ring of 20
    int32_t speed;          // world units per frame toward the viewer
    double xRevolve, yRevolve, zRevolve;  // radians per frame
    int32_t xTiling, yTiling, tileType;
    int32_t symmetry;       // rotated copies
    float symmetryStep;     // radians between copies
    ShapeBrush brush;
    int32_t width, height;  // surface size taken at DoInitialize
    int32_t centerX, centerY;
    int32_t color;          // saw-tooth colour index 0..235
    Star stars[kStarTableSize];
};

// The working state of the running instance, or null before DoPreInitialize,
// after DoClose, or when the allocation failed. For tests and diagnostics.
StarState* StarWorkingState();

}  // namespace ztx
