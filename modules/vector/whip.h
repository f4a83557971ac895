// The Whip module, slot 10: cubic curves run through bouncing control
// points, as in the Bezier module, but each curve is traced sample by
// sample and painted with the shape brush, its sizes pulsing along the
// curve and its colour stepping from sample to sample, so the curves look
// like cracking whips of beads. A ring of 100 frame snapshots drives the
// eraser, which replays the motion in black "Trail Length" frames behind.
// Colour cycle, trail, restart, tiling and symmetry are the vector skeleton
// (modules/vector/vector_kit.h).
//
// Choices the design leaves open:
//  - The three persistent brush angles start at the brush's random start
//    angles at every DoInitialize.
//  - A curve's colour keeps stepping from one curve, tile and copy to the
//    next within a frame; every frame starts from the colour cycle's index
//    and step.
//  - The surface size is taken at DoInitialize (bounds, centre, tiles), so
//    drawer and eraser agree within a run.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum WhipControl : int {
    kWhipWhips = 0,         // "Whips" [0] 1..20, default 1
    kWhipTrailLength = 2,   // "Trail Length" [2] 1..100 frames, default 2
    kWhipSpeed = 4,         // "Speed" [4] 1..320, default 6, animatable
    kWhipDuration = 8,      // "Duration" [5] 1..1000 s, default 30
    kWhipStrength = 9,      // "Strength" [9] -10..10, default 1
    kWhipXTiling = 10,      // "X Tiling" [10] 1..20, default 1, animatable
    kWhipYTiling = 11,      // "Y Tiling" [11] 1..20, default 1, animatable
    kWhipTileType = 12,     // "Tile Type" [12] 0..3, default 0
    kWhipSymmetry = 14,     // "Symmetry" [1] 1..32, default 1, animatable
    kWhipSweep = 15,        // "Sweep" [-1] 1..360, default 360, animatable
    kWhipAngularity = 16,   // "Angularity" [14] 1..100, default 60 (samples per curve)
    kWhipDensity = 17,      // "Density" [15] 1..1000, default 100 (brush spacing)
    kWhipFrequency = 18,    // "Frequency" [16] 1..30, default 8, animatable
    kWhipOffset = 19,       // "Offset" [17] 1..30, default 2, animatable
    kWhipType = 20,         // "Type" [8] 0..17, default 2
    kWhipDiameter = 21,     // "Diameter" [3] 1..200, default 60, animatable
    kWhipRotation = 22,     // "Rotation" [6] -100..100, default 10, animatable
    kWhipSides = 23,        // "Sides" [7] 1..10, default 4
    kWhipDiameter2 = 24,    // "Diameter (2)" [20] 1..200, default 60, animatable
    kWhipRotation2 = 25,    // "Rotation  (2)" [21] -100..100, default 10, animatable
    kWhipSides2 = 26,       // "Sides (2)" [22] 1..10, default 4
    kWhipDiameter3 = 27,    // "Diameter (3)" [23] 1..200, default 60, animatable
    kWhipRotation3 = 28,    // "Rotation  (3)" [24] -100..100, default 10, animatable
    kWhipSides3 = 29,       // "Sides (3)" [25] 1..10, default 4
    kWhipDrawStart = 30,    // "Draw Start" [-1] 0..100, default 0
    kWhipDrawStop = 31,     // "Draw Stop" [-1] 0..100, default 100
};

// The five routines registered in slot 10.
int WhipDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int WhipDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int WhipAllocate(ModuleRecord* record);        // DoPreInitialize
int WhipInitialize(ModuleRecord* record);      // DoInitialize
int WhipClose(ModuleRecord* record);           // DoClose

constexpr int kWhipRingSize = 100;
constexpr int kWhipMaxCurves = 20;
constexpr int kWhipMaxPoints = 2 * kWhipMaxCurves + 4;
constexpr int kWhipMargin = 70;  // the points bounce this far outside the picture

// What one frame draws, as remembered in the frame ring.
struct WhipFrame {
    ShapeBrush brush;  // angles: the frame's persistent angles
    int32_t symmetry, sweep, xTiling, yTiling, speed, tileType;
    float frequency;   // "Frequency" / 30: size pulse per brush level
    float offsetRate;  // "Offset" / 300: pulse phase per sample and per curve
    float pulsePhase;
};

// A set of bouncing points: positions and direction signs.
struct WhipPoints {
    Point position[kWhipMaxPoints];
    Point direction[kWhipMaxPoints];
};

// The module's working memory, allocated zero-filled by DoPreInitialize and
// freed by DoClose.
struct WhipState {
    int32_t initialized;    // DoInitialize has run since the allocation
    int32_t curves;         // n, "Whips"
    int32_t points;         // m = 2n + 4
    int32_t samples;        // N, "Angularity": steps per curve
    int32_t width, height;  // surface size taken at DoInitialize
    Rect bounds;            // -70 .. W + 70, -70 .. H + 70 (right, bottom exclusive)
    float angle[3];         // the persistent brush angles
    WhipPoints drawer, eraser;
    WhipFrame frame;        // the working frame
    WhipFrame ring[kWhipRingSize];
    TrailRing trail;
    ColorCycle color;
    uint32_t deadline;
};

// The working state of the running instance, or null before DoPreInitialize,
// after DoClose, or when the allocation failed. For tests and diagnostics.
WhipState* WhipWorkingState();

// The point at parameter s / n of the cubic Bezier curve through p[0..3],
// by three rounds of linear interpolation (truncated toward zero).
Point WhipCurvePoint(const Point p[4], int s, int n);

}  // namespace ztx
