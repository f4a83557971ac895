// Plasma (module slot 3): a fractal cloud grown by recursive midpoint
// displacement in an off-screen tile of palette indices.
//
// Each cloud subdivides rectangles depth-first, up to 512 a frame, from the
// quadrant shown at the top left; once that finished corner is larger than
// 127 pixels it is shown stretched over the tile every "Update Interval"
// seconds. The finished cloud gets one of twenty finishing transforms
// ("Effect"), is shown whole and replicated over the tile grid, and stays
// for "Duration" seconds while the next cloud is seeded.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots.
enum PlasmaControl : int {
    kPlasmaRoughness = 0,
    kPlasmaUpdateInterval = 1,
    kPlasmaEffect = 2,
    kPlasmaDuration = 8,
    kPlasmaXTiling = 10,
    kPlasmaYTiling = 11,
    kPlasmaTileType = 12,
};

// The five module routines (there is nothing to allocate before a cloud).
int PlasmaDefineControls(ModuleRecord* record);
int PlasmaDrawFrame(ModuleRecord* record);
int PlasmaInitialize(ModuleRecord* record);
int PlasmaClose(ModuleRecord* record);

// Finishing transform `effect` (0..20, 0 leaves the tile alone) of a
// width x height tile whose stored rows are `stride` bytes apart.
void PlasmaTransform(uint8_t* bits, int width, int height, int stride, int effect);

// What the current cloud uses, for tests and diagnostics.
struct PlasmaInfo {
    bool buffer;      // the tile buffer exists
    int roughness;    // r (1..99, or 20..79 drawn for "Roughness" 100)
    int effect;       // the last finishing transform applied (-1 before any)
    int pending;      // rectangles still to subdivide
    bool waiting;     // showing a finished cloud for "Duration" seconds
    unsigned clouds;  // clouds started since the module was initialised
};
PlasmaInfo PlasmaCurrent();

}  // namespace ztx
