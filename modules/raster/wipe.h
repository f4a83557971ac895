// Wipe (module slot 17): clears the screen for the other modules of the
// display. Every "Duration" seconds it paints the picture black with an
// animated transition (bars left to right or right to left, a diagonal
// sweep, or random blocks), drawn as black polygons placed in a mirrored
// tile grid, and then blackens the whole picture, so nothing of the old
// picture is left whatever the transition covered. The transition runs to
// its end inside one DoDrawFrame call, publishing the picture and pausing on
// the clock between polygons ("Speed"); it ends early when the animation is
// stopping. The random meta-module runs one wipe (with "Duration" 0) before
// each switch.
//
// Everything runs on the animation thread.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots.
enum WipeControl : int {
    kWipeType = 0,
    kWipeXStep = 1,
    kWipeYStep = 2,
    kWipeSpeed = 3,
    kWipeDuration = 8,
    kWipeStrength = 9,
    kWipeXTiling = 10,
    kWipeYTiling = 11,
    kWipeTileType = 12,
    kWipeDrawStart = 30,
    kWipeDrawStop = 31,
};

// The transitions ("Type").
enum class WipeKind : int32_t { BarsRight = 0, BarsLeft = 1, Diagonal = 2, Blocks = 3 };

// Random blocks are never smaller than this many pixels each way.
constexpr int kWipeMinimumBlock = 15;

// The five module routines.
int WipeDefineControls(ModuleRecord* record);
int WipeDrawFrame(ModuleRecord* record);
int WipeAllocate(ModuleRecord* record);
int WipeInitialize(ModuleRecord* record);
int WipeClose(ModuleRecord* record);

// What the module did, for tests and diagnostics.
struct WipeInfo {
    int32_t wipes;     // transitions run since DoPreInitialize
    int32_t polygons;  // polygons (each placed in every tile) of the last one
    int32_t kind;      // its transition (WipeKind)
    int32_t xStep, yStep;
};
WipeInfo WipeLastRun();

}  // namespace ztx
