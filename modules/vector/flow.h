// The Flow module, slot 11: a chain of outlined regular polygons of growing
// size follows two sine paths, each polygon turned a little more than the
// one before; when any 3-D rotation is set at the start of a run the chain
// is laid out in depth, turned in 3-D and seen in perspective. The last 30
// chain states are kept so that the chain drawn "Trail Length" frames ago
// can be erased in black, polygon by polygon as the new chain is drawn.
// Colours run along the chain (the same for every frame), tiles are mirrored
// and clipped to their rectangles.
//
// Choices the design leaves open:
//  - The surface size is taken at DoInitialize (centre, amplitudes, tiles,
//    camera), so drawer and eraser agree within a run.
//  - A restart erases only the oldest state still on the screen, as the
//    chain always has; the younger trailing chains stay until overdrawn.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/vector/vector_kit.h"

namespace ztx {

// Control slots (store indices in brackets; -1: not stored):
enum FlowControl : int {
    kFlowSides = 0,         // "Sides" [0] 3..20, default 5, animatable
    kFlowThickness = 1,     // "Thickness" [1] 1..50, default 1, animatable
    kFlowXRate = 2,         // "X Rate" [2] -100..100, default 15, animatable
    kFlowYRate = 3,         // "Y Rate" [3] -100..100, default 11, animatable
    kFlowRotateRate = 4,    // "Rotate Rate" [4] -100..100, default 1, animatable
    kFlowDepth = 5,         // "Depth" [8] 1..198, default 32, animatable (polygons in the chain)
    kFlowXSpan = 6,         // "X Span" [6] 1..50, default 20, animatable
    kFlowYSpan = 7,         // "Y Span" [7] 1..50, default 20, animatable
    kFlowDuration = 8,      // "Duration" [5] 1..1000 s, default 30
    kFlowStrength = 9,      // "Strength" [9] -10..10, default 1
    kFlowXTiling = 10,      // "X Tiling" [10] 1..20, default 1, animatable
    kFlowYTiling = 11,      // "Y Tiling" [11] 1..20, default 1, animatable
    kFlowTileType = 12,     // "Tile Type" [12] 0..3, default 0
    kFlowFlux = 14,         // "Flux" [14] 1..50, default 25, animatable
    kFlowTrailLength = 15,  // "Trail Length" [15] 1..30, default 1
    kFlowXRotation = 16,    // "X Rotation" [16] -100..100, default 0, animatable
    kFlowYRotation = 17,    // "Y Rotation" [17] -100..100, default 0, animatable
    kFlowZRotation = 18,    // "Z Rotation" [18] -100..100, default 0, animatable
    kFlowSpacing = 19,      // "Spacing" [19] 0..100, default 25, animatable
    kFlowDrawStart = 30,    // "Draw Start" [-1] 0..100, default 0
    kFlowDrawStop = 31,     // "Draw Stop" [-1] 0..100, default 100
};

// The five routines registered in slot 11.
int FlowDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int FlowDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int FlowAllocate(ModuleRecord* record);        // DoPreInitialize
int FlowInitialize(ModuleRecord* record);      // DoInitialize
int FlowClose(ModuleRecord* record);           // DoClose

constexpr int kFlowHistory = 31;  // the current state and 30 before it
constexpr int kFlowMaxSides = 20;
constexpr double kFlowCameraDepth = -500.0;
constexpr double kFlowCameraFocal = 400.0;

// One chain state (19 fields of 32 bits in this order).
struct FlowState {
    int32_t xTiling, yTiling, thickness, tileType, sides, count;
    float xPhase, yPhase, xRate, yRate;  // rates: "X Rate", "Y Rate" x 0.005
    float turnPhase, turnRate;           // rate: "Rotate Rate" / 300
    float flux;                          // "Flux" + 3
    float xAmplitude, yAmplitude;        // "X Span", "Y Span" percent of W, H
    float angleX, angleY, angleZ;        // 3-D turn, radians
    int32_t spacing;                     // "Spacing" x 20, depth between polygons
};
static_assert(sizeof(FlowState) == 76, "a chain state is 19 fields of 32 bits");

// The module's working memory, allocated zero-filled by DoPreInitialize and
// freed by DoClose.
struct FlowWork {
    int32_t initialized;    // DoInitialize has run since the allocation
    int32_t width, height;  // surface size taken at DoInitialize
    int32_t trailLength;    // T, "Trail Length"
    float rate3d[3];        // radians per frame about x, y, z
    int32_t threeD;         // decided at DoInitialize
    float extent;           // E, the largest polygon radius
    FlowState history[kFlowHistory];  // [0] now, [k] k frames ago
    uint32_t deadline;
    Camera* camera;  // null when it could not be allocated (no 3-D chain is drawn)
};

// The working memory of the running instance, or null before
// DoPreInitialize, after DoClose, or when the allocation failed. For tests
// and diagnostics.
FlowWork* FlowWorkingState();

// The corners of polygon `i` of state `s` (before tiling), `m` being the
// longer chain of the two drawn together; the corner count, or 0 when the
// polygon is not drawn (a 3-D corner rejected or projected out of reach).
int FlowPolygon(const FlowWork& work, const FlowState& s, int i, int m, Point corners[kFlowMaxSides]);

}  // namespace ztx
