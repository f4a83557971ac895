// The Wave module on a virtual clock: its controls, the checkerboard of the
// two pixel types, folding, the overlapping rings, failures, odd sizes and
// golden pictures (ZTX_VECTOR_PICTURES writes them as PPM files).
#include <gtest/gtest.h>

#include "modules/framework/module_memory.h"
#include "modules/raster/wave.h"
#include "tests/module_run.h"

namespace ztx {
namespace {

constexpr int kFirstEntry = 10;  // device index of palette entry 0

class WaveRun : public ModuleRun {
public:
    WaveRun(int width, int height) : ModuleRun(kSlotWave, width, height) {}
    // Fixed pixel types and no folding unless a test asks for it.
    void Types(int typeI, int typeII) {
        Fix(kWaveTypeI, typeI);
        Fix(kWaveTypeII, typeII);
        Fix(kWaveSymmetry, 0);
    }
};

TEST(RasterWave, RegisteredInSlotFourteenWithItsControls) {
    ExpectControlTable(kSlotWave, "Wave",
                       {
                           {0, 0, "Type I", 0, 13, 9, false, kCheckRandom},
                           {1, 1, "Type II", 0, 13, 7, false, kCheckRandom},
                           {2, 2, "Texture Type", 0, 1, 0},
                           {3, 3, "X Density", 0, 100, 50},
                           {4, 4, "Y Density", 0, 100, 50},
                           {5, 5, "Turbulence", 0, 100, 0},
                           {6, 6, "Turbulence Type", 0, 5, 1},
                           {7, 8, "Parametric", 0, 1, 0},
                           {8, 7, "Duration", 0, 1000, 30},
                           {9, 9, "Strength", -10, 10, 1},
                           {10, 10, "X Tiling", 1, 20, 1, true},
                           {11, 11, "Y Tiling", 1, 20, 1, true},
                           {12, 12, "Tile Type", 0, 3, 0},
                           {14, 14, "Symmetry", 0, 20, 1, true},
                           {15, 15, "Diffuse", 0, 64, 0, true},
                           {16, 16, "Banding", 0, 1000, 1000},
                           {17, 17, "Polar Pixel", 0, 1, 0},
                           {18, 18, "X PEL Size", 1, 100, 1},
                           {19, 19, "Y PEL Size", 1, 100, 1},
                           {30, -1, "Draw Start", 0, 100, 0},
                           {31, -1, "Draw Stop", 0, 100, 100},
                       });
}

// Types 9 and 10 are the unwarped coordinate ramps, so each pixel shows
// which type its cell uses: odd cells "Type I", even ones "Type II".
TEST(RasterWave, CellsAlternateTheTwoTypes) {
    {
        WaveRun run(300, 250);
        run.Types(9, 10);
        run.Start(1);
        EXPECT_EQ(WaveCurrent().banding, 63);
        for (int y = 0; y < 250; y += 7)
            for (int x = 0; x < 300; x += 3)
                ASSERT_EQ(WavePixel(x, y), (x + y) & 1 ? x % 236 : y % 236) << x << "," << y;
    }

    WaveRun cells(300, 250);
    cells.Types(11, 9);
    cells.Fix(kWaveXPelSize, 7);
    cells.Fix(kWaveYPelSize, 5);
    cells.Fix(kWaveTextureType, 1);
    cells.Start(2);
    for (int y = 0; y < 250; y += 3)
        for (int x = 0; x < 300; x += 2)
            ASSERT_EQ(WavePixel(x, y), (x / 7 + y / 5) & 1 ? (x + y) % 236 : x % 236) << x << "," << y;
}

TEST(RasterWave, SymmetryZeroDrawsUnfoldedAndOneFoldsTheRing) {
    {
        WaveRun plain(60, 40);
        plain.Types(0, 4);
        plain.Start(3);
        plain.Frame();
        EXPECT_EQ(WaveCurrent().fold, 0);
        for (int x = 0; x < 60; ++x) ASSERT_EQ(plain.At(x, 39), kFirstEntry + WavePixel(x, 0)) << x;
    }

    // Fold factor 2: nW = 31, the bottom line runs over samples 0..30 and
    // back from 31, so it is its own mirror image about x = 31.
    WaveRun folded(61, 40);
    folded.Types(0, 4);
    folded.Fix(kWaveSymmetry, 1);
    folded.Start(3);
    folded.Frame();
    EXPECT_EQ(WaveCurrent().fold, 2);
    for (int d = 1; d < 30; ++d) ASSERT_EQ(folded.At(31 - d, 39), folded.At(31 + d, 39)) << d;
    EXPECT_EQ(folded.At(0, 39), kFirstEntry + WavePixel(0, 0));
}

// Three rings a frame but only two further in: a 40 x 30 picture has 15
// rings and ends its texture in the eighth frame, not the sixth.
TEST(RasterWave, EachFrameRedrawsTheLastRingOfTheOneBefore) {
    WaveRun run(40, 30);
    run.Fix(kWaveDuration, 0);
    run.Start(4);
    run.Frames(7);
    EXPECT_EQ(WaveCurrent().textures, 1u);
    EXPECT_EQ(run.LitCount(), 40 * 30);
    run.Frame();
    EXPECT_EQ(WaveCurrent().textures, 2u);
}

TEST(RasterWave, FailedAllocationDrawsNothing) {
    for (int failAt = 0; failAt < 10; ++failAt) {
        WaveRun run(32, 20);
        FailModuleAllocations(1, failAt);
        run.Start(8);
        run.Frames(20);
        EXPECT_EQ(run.LitCount(), 0) << failAt;
        EXPECT_EQ(WavePixel(0, 0), -1);
        FailModuleAllocations(0);
    }
}

TEST(RasterWave, OddSizesEveryTypeAndDrivenControls) {
    for (int type = 0; type < kWavePixelTypes; ++type) {
        for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {9, 3}}) {
            StressModule<WaveRun>(
                w, h,
                [type](WaveRun& r) {
                    r.Fix(kWaveTypeI, type);
                    r.Randomize(kWaveTypeII, 0, 13);
                    r.Randomize(kWaveTextureType, 0, 1);
                    r.Set(kWaveParametric, type & 1);
                    r.Set(kWavePolarPixel, (type >> 1) & 1);
                    r.Set(kWaveTurbulence, 60);
                    r.Set(kWaveTurbulenceType, 5);
                    r.Randomize(kWaveBanding, 0, 1000);
                    r.Oscillate(kWaveSymmetry, 0, 20);
                    r.Oscillate(kWaveXTiling, 1, 5);
                    r.Oscillate(kWaveYTiling, 1, 5);
                    r.Oscillate(kWaveDiffuse, 0, 64);
                    r.Set(kWaveDuration, 0);
                },
                120);
        }
    }
    StressModule<WaveRun>(
        3840, 2160, [](WaveRun& r) { r.Fix(kWaveTextureType, 1); }, 4);
}

TEST(RasterWave, FixedSeedGivesTheSamePicture) {
    EXPECT_EQ(GoldenOf<WaveRun>(320, 200, 20261208, 40, "wave_default", [](WaveRun&) {}), 6297301945539036708ull);
    EXPECT_EQ(GoldenOf<WaveRun>(320, 200, 4242, 200, "wave_busy",
                                [](WaveRun& busy) {
                                    busy.Set(kWaveTextureType, 1);
                                    busy.Set(kWaveXTiling, 3);
                                    busy.Set(kWaveYTiling, 2);
                                    busy.Set(kWaveSymmetry, 3);
                                    busy.Set(kWaveDiffuse, 6);
                                    busy.Set(kWaveParametric, 1);
                                    busy.Set(kWaveTurbulence, 50);
                                    busy.Set(kWavePolarPixel, 1);
                                    busy.Set(kWaveXPelSize, 9);
                                    busy.Set(kWaveDuration, 0);
                                }),
              7061282024678109900ull);
}

}  // namespace
}  // namespace ztx
