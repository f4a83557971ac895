// Wave (module slot 14): procedural textures, a smooth lattice noise or a
// sum of cosine waves, combined by fourteen pixel types.
//
// Each texture draws its tables at random, then paints the source tile as
// rings from the edge inward, three a frame (each frame starting one ring
// further out than the last ended), with the raster kit as Pattern does. The
// pixels form a checkerboard of cells ("X PEL Size" by "Y PEL Size",
// optionally on a polar grid) alternating "Type I" and "Type II". When the
// rings meet, the module waits "Duration" seconds and starts a new texture.
#pragma once

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots.
enum WaveControl : int {
    kWaveTypeI = 0,
    kWaveTypeII = 1,
    kWaveTextureType = 2,
    kWaveXDensity = 3,
    kWaveYDensity = 4,
    kWaveTurbulence = 5,
    kWaveTurbulenceType = 6,
    kWaveParametric = 7,
    kWaveDuration = 8,
    kWaveXTiling = 10,
    kWaveYTiling = 11,
    kWaveTileType = 12,
    kWaveSymmetry = 14,
    kWaveDiffuse = 15,
    kWaveBanding = 16,
    kWavePolarPixel = 17,
    kWaveXPelSize = 18,
    kWaveYPelSize = 19,
};

constexpr int kWavePixelTypes = 14;

// The five module routines.
int WaveDefineControls(ModuleRecord* record);
int WaveDrawFrame(ModuleRecord* record);
int WaveAllocate(ModuleRecord* record);
int WaveInitialize(ModuleRecord* record);
int WaveClose(ModuleRecord* record);

// What the current texture uses, for tests and diagnostics.
struct WaveInfo {
    bool buffers;       // false after a failed allocation or before DoPreInitialize
    int typeI, typeII;  // the two pixel types
    int terms;          // cosine terms K (2..5)
    int tables;         // table choice 0..13
    int banding;        // banding divisor B
    int fold;           // fold factor (0: no folding)
    unsigned textures;  // textures started since DoPreInitialize
};
WaveInfo WaveCurrent();
// The colour index the current texture gives pixel (x, y), before
// diffusion; -1 without buffers or outside the picture.
int WavePixel(int x, int y);

}  // namespace ztx
