// Pattern (module slot 2): interference patterns from sums of waves.
//
// Each cycle builds a per-column and a per-row wave profile and colours every
// pixel of one source tile with one of 21 pixel functions of the two
// profiles, optionally warped ("Parametric", "Turbulence"). The tile is
// painted as concentric one-pixel rings from its edge inward, three rings a
// frame, each ring written through bottom-up palette-index strips and copied
// into the other tiles. When the rings meet, the module waits "Duration"
// seconds and starts a new cycle over the finished picture.
#pragma once

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots.
enum PatternControl : int {
    kPatternWaves = 0,
    kPatternTurbulence = 1,
    kPatternType = 2,
    kPatternParametric = 3,
    kPatternTurbulenceType = 4,
    kPatternDensity = 5,
    kPatternWaveType = 6,
    kPatternFolding = 7,
    kPatternDuration = 8,
    kPatternStrength = 9,
    kPatternXTiling = 10,
    kPatternYTiling = 11,
    kPatternTileType = 12,
    kPatternDiffuse = 14,
    kPatternBanding = 15,
    kPatternDrawStart = 30,
    kPatternDrawStop = 31,
};

// Number of pixel functions (0..20); "Type" 21 picks one at random.
constexpr int kPatternPixelTypes = 21;

// The five module routines.
int PatternDefineControls(ModuleRecord* record);
int PatternDrawFrame(ModuleRecord* record);
int PatternAllocate(ModuleRecord* record);
int PatternInitialize(ModuleRecord* record);
int PatternClose(ModuleRecord* record);

// What the current cycle uses, for diagnostics and tests.
struct PatternCycleInfo {
    bool buffers;        // false after a failed allocation or before DoPreInitialize
    int type;            // pixel function 0..20
    int waves;           // wave count N
    int shift;           // s (6 or 7)
    int banding;         // banding divisor B
    int divisor;         // q (1..12)
    int fold;            // fold factor (0: no folding)
    int diffuse;         // diffuse amount
    bool turbulence;     // the turbulence warp is active
    int turbulenceType;  // 0..4 for this cycle
    unsigned cycles;     // cycles started since DoPreInitialize
};
PatternCycleInfo PatternCurrentCycle();

// The colour index (0..235) the current cycle gives pixel (x, y) of the
// picture, before diffusion; -1 without buffers or outside the picture.
int PatternPixel(int x, int y);

}  // namespace ztx
