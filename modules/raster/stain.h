// Stain (module slot 6): colours by the distances to two to four random
// nodes, each carrying a colour index.
//
// Each stain seeds a ring on the centre line of the source tile and grows it
// outward, four rings a frame, each pixel coloured by one of ten functions
// of its distances to the nodes (optionally warped by "Parametric" and
// "Turbulence"); rings are painted and copied into the other tiles with the
// raster kit, as Pattern's are. When a ring passes the tile's edge the
// module waits "Duration" seconds and grows a new stain over the old one.
#pragma once

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots.
enum StainControl : int {
    kStainNodes = 0,
    kStainFolding = 1,
    kStainType = 2,
    kStainParametric = 3,
    kStainTurbulence = 6,
    kStainTurbulenceType = 7,
    kStainDuration = 8,
    kStainXTiling = 10,
    kStainYTiling = 11,
    kStainTileType = 12,
    kStainDiffuse = 14,
};

// Number of pixel functions (0..9); "Type" 10 picks one at random.
constexpr int kStainPixelTypes = 10;
constexpr int kStainMaxNodes = 4;

// The five module routines.
int StainDefineControls(ModuleRecord* record);
int StainDrawFrame(ModuleRecord* record);
int StainAllocate(ModuleRecord* record);
int StainInitialize(ModuleRecord* record);
int StainClose(ModuleRecord* record);

// What the current stain uses, for tests and diagnostics.
struct StainNode {
    int x, y, color;
};
struct StainInfo {
    bool buffers;  // false after a failed allocation or before DoPreInitialize
    int type;      // pixel function 0..9
    int nodes;     // node count
    StainNode node[kStainMaxNodes];
    int rings;        // rings grown so far (the ring counter)
    unsigned stains;  // stains started since DoPreInitialize
};
StainInfo StainCurrent();
// Moves node i of the current stain (tests place nodes on chosen pixels).
void StainMoveNode(int i, int x, int y);
// The colour index (0..235) the current stain gives pixel (x, y), before
// diffusion; -1 without buffers or outside the picture.
int StainPixel(int x, int y);

}  // namespace ztx
