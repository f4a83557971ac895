// Ray (module slot 9): one line of colour indices as long as the picture's
// perimeter, rotated and modulated every frame and wrapped around rings.
//
// Each cycle fills the line with a triangle ramp. Every frame rotates it by
// "Shift Rate" and adds a sine modulation ("Ray Type"), then paints three
// rings from the edge of the source tile inward, each showing the whole
// line once around (or, folded, a short stretch of it laid out back and
// forth), and copies them into the other tiles. Because the line changes
// between frames the rings form rays converging on the centre. When the
// rings meet, the module waits "Duration" seconds and starts a new line.
#pragma once
#include <cstdint>
#include <span>

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots.
enum RayControl : int {
    kRayFrequency = 0,
    kRayAmplitude = 1,
    kRayDensity = 2,
    kRayFolding = 3,
    kRayShiftRate = 4,
    kRayType = 5,
    kRayDuration = 8,
    kRayXTiling = 10,
    kRayYTiling = 11,
    kRayTileType = 12,
    kRayDiffuse = 14,
};

// The five module routines.
int RayDefineControls(ModuleRecord* record);
int RayDrawFrame(ModuleRecord* record);
int RayAllocate(ModuleRecord* record);
int RayInitialize(ModuleRecord* record);
int RayClose(ModuleRecord* record);

// The line as the last frame left it (empty without buffers), and the
// cycles started since DoPreInitialize, for tests and diagnostics.
std::span<const uint8_t> RayLine();
unsigned RayCycles();

}  // namespace ztx
