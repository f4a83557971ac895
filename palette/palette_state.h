// Process-wide state of the palette engine shared by its source files (not
// for use outside palette/).
#pragma once
#include <cstdint>

#include "palette/palette.h"

namespace ztx::palette_detail {

struct EngineState {
    PaletteRecord* current = nullptr;
    // One wave table per channel, replaced at each regeneration.
    int32_t waves[kChannels][kWaveSize] = {};
    // The last ramp sine sample per channel (a falling sample lets light
    // through).
    int32_t previousRampSample[kChannels] = {};
    // Palette steps since the last regeneration of any channel.
    int32_t stepCounter = 0;
};

EngineState& Engine();

}  // namespace ztx::palette_detail
