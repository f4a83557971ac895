// The Pattern module driven directly, frame by frame, on a virtual clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "modules/framework/controls.h"
#include "modules/framework/module_harness.h"
#include "modules/framework/module_memory.h"
#include "modules/framework/module_table.h"
#include "modules/raster/pattern.h"

using namespace ztx;

namespace {

constexpr int kFirstEntry = 10;  // device index of palette entry 0

// The Pattern module in the one-module harness, its frames `ms` apart.
struct PatternRun : ModuleHarness {
    ModuleRecord* r;
    uint32_t seed;

    PatternRun(int w, int h, uint32_t seed) : ModuleHarness(kSlotPattern, w, h), r(&Record()), seed(seed) {}
    void Set(int slot, int value) { r->Control[slot] = value; }
    // Drawn from the working range at every cycle start.
    void Randomize(int slot) { r->Check[slot] = kCheckRandom; }
    void Start() { ModuleHarness::Start(seed); }
    int Frame(uint32_t ms = 20) {
        int result = r->DoDrawFrame(r);
        Clock().Advance(ms);
        return result;
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }
    int At(int x, int y) const { return Pixels()[size_t(y) * Width() + x]; }
    uint64_t Checksum() const {
        uint64_t h = 1469598103934665603ull;  // FNV-1a
        for (uint8_t p : Pixels()) h = (h ^ p) * 1099511628211ull;
        return h;
    }
    int CountValue(int v) const {
        int n = 0;
        for (uint8_t p : Pixels()) n += p == v;
        return n;
    }
};

// Every computed colour of the picture for the current cycle lies in 0..235.
void ExpectColorsInRange(int w, int h, const char* what) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = PatternPixel(x, y);
            ASSERT_GE(v, 0) << what << " type " << PatternCurrentCycle().type << " at " << x << "," << y;
            ASSERT_LE(v, 235) << what << " type " << PatternCurrentCycle().type << " at " << x << "," << y;
        }
}

}  // namespace

TEST(PatternCycle, RandomTypeAndWaveCountAndBandingPerCycle) {
    PatternRun run(16, 12, 77);
    run.Set(kPatternDuration, 0);
    run.Set(kPatternWaves, 5);
    run.Start();
    std::set<int> types, waves, shifts;
    unsigned lastCycle = PatternCurrentCycle().cycles;
    for (int i = 0; i < 2000; ++i) {
        run.Frame();
        PatternCycleInfo c = PatternCurrentCycle();
        if (c.cycles == lastCycle) continue;
        lastCycle = c.cycles;
        // "Type" 21 is a request for a random pixel function, never one itself.
        ASSERT_GE(c.type, 0);
        ASSERT_LE(c.type, 20);
        ASSERT_GE(c.waves, 1);
        ASSERT_LE(c.waves, 5);
        // Banding 0: a random divisor, always with 2048 added.
        ASSERT_GE(c.banding, 2049);
        ASSERT_LE(c.banding, 22048);
        types.insert(c.type);
        waves.insert(c.waves);
        shifts.insert(c.shift);
    }
    EXPECT_EQ(types.size(), 21u);
    EXPECT_EQ(waves.size(), 5u);
    EXPECT_EQ(shifts, (std::set<int>{6, 7}));

    // A fixed type keeps the wave count of the control; a set banding is
    // scaled by 20 and gets the same 2048.
    PatternRun fixed(16, 12, 78);
    fixed.Set(kPatternType, 13);
    fixed.Set(kPatternWaves, 7);
    fixed.Set(kPatternBanding, 10);
    fixed.Set(kPatternFolding, 4);
    fixed.Start();
    PatternCycleInfo c = PatternCurrentCycle();
    EXPECT_EQ(c.type, 13);
    EXPECT_EQ(c.waves, 7);
    EXPECT_EQ(c.banding, 10 * 20 + 2048);
    EXPECT_EQ(c.fold, 8);
}

// Every pixel function on a tall, narrow picture (so the row coordinate
// passes the width), with and without both warps: every colour index stays
// in 0..235, and no profile is read outside its entries.
TEST(PatternCycle, EveryTypeGivesColoursInRange) {
    struct Warps {
        int parametric, turbulence, turbulenceType;
        const char* name;
    };
    const Warps warps[] = {{0, 0, 1, "plain"}, {1, 0, 1, "polar"}, {0, 60, 5, "turbulent"}, {1, 40, 5, "both"}};
    for (int type = 0; type < kPatternPixelTypes; ++type) {
        for (const Warps& w : warps) {
            for (int waveType : {0, 3, 6}) {
                PatternRun run(23, 97, 1000u + unsigned(type));
                run.Set(kPatternType, type);
                run.Set(kPatternWaves, 30);
                run.Set(kPatternParametric, w.parametric);
                run.Set(kPatternTurbulence, w.turbulence);
                run.Set(kPatternTurbulenceType, w.turbulenceType);
                run.Set(kPatternWaveType, waveType);
                run.Set(kPatternDensity, type % 2 ? 0 : 100);
                run.Start();
                ASSERT_EQ(PatternCurrentCycle().type, type);
                ExpectColorsInRange(23, 97, w.name);
            }
        }
    }
}

TEST(PatternDrawing, RowsAppearUpsideDownThroughTheStrips) {
    PatternRun run(40, 30, 5);
    run.Set(kPatternType, 3);
    run.Start();
    run.Frame();
    // The first frame draws the three outer rings; values computed for row y
    // show on row top + bottom - y, which is 29 - y for every ring.
    int checked = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const int ring = std::min(std::min(x, 39 - x), std::min(y, 29 - y));
            if (ring < 3) {
                ASSERT_EQ(run.At(x, 29 - y), kFirstEntry + PatternPixel(x, y)) << x << "," << y;
                ++checked;
            } else {
                ASSERT_EQ(run.At(x, 29 - y), 0) << "inner pixel drawn early at " << x << "," << y;
            }
        }
    EXPECT_EQ(checked, 40 * 30 - 34 * 24);
}

TEST(PatternDrawing, DiffusionRaisesEachPixelByLessThanTheAmount) {
    PatternRun run(50, 40, 9);
    run.Set(kPatternType, 0);
    run.Set(kPatternDiffuse, 20);
    run.Start();
    run.Frame();
    std::set<int> raises;
    for (int x = 0; x < 50; ++x) {
        const int base = PatternPixel(x, 0);
        const int shown = run.At(x, 39) - kFirstEntry;
        ASSERT_GE(shown, base);
        if (shown == 235) continue;  // capped
        ASSERT_LT(shown - base, 20);
        raises.insert(shown - base);
    }
    EXPECT_GT(raises.size(), 5u);
}

TEST(PatternDrawing, FoldingRepeatsAShortSampleLineBackAndForth) {
    PatternRun run(61, 31, 11);
    run.Set(kPatternType, 11);
    run.Set(kPatternFolding, 5);  // fold factor 10
    run.Start();
    run.Frame();
    // Outer ring: nW = 60 / 10 + 1 = 7, nH = 30 / 10 + 1 = 4, n = 7. The
    // samples run along the top row, so sample k is pixel (k, 0).
    const int nW = 7, nH = 4;
    for (int k = 0; k < 61; ++k) {
        const int r = k % nW;
        const int sample = (k / nW) % 2 == 0 ? r : nW - r;
        ASSERT_EQ(run.At(k, 30), kFirstEntry + PatternPixel(sample, 0)) << "bottom row position " << k;
    }
    // The column folds the same samples with nH, bottom-up.
    for (int k = 0; k < 31; ++k) {
        const int r = k % nH;
        const int sample = (k / nH) % 2 == 0 ? r : nH - r;
        ASSERT_EQ(run.At(0, 30 - k), kFirstEntry + PatternPixel(sample, 0)) << "left column position " << k;
    }
}

// A 2x2 grid renders tile (0, 0) and mirrors it into the others.
TEST(PatternDrawing, TiledPictureIsMirroredAcrossTheTiles) {
    PatternRun run(64, 48, 21);
    run.Set(kPatternXTiling, 2);
    run.Set(kPatternYTiling, 2);
    run.Set(kPatternDuration, 100);
    run.Start();
    run.Frames(20);  // one cycle: 12 rings in four frames
    EXPECT_EQ(run.CountValue(0), 0);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            ASSERT_EQ(run.At(x, y), run.At(63 - x, y)) << x << "," << y;
            ASSERT_EQ(run.At(x, y), run.At(x, 47 - y)) << x << "," << y;
        }

    // "Tile Type" 1 leaves out tile (0, 0) and paints from tile (1, 0).
    PatternRun odd(64, 48, 21);
    odd.Set(kPatternXTiling, 2);
    odd.Set(kPatternYTiling, 2);
    odd.Set(kPatternTileType, 1);
    odd.Start();
    odd.Frames(20);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool drawn = (x >= 32) != (y >= 24);
            ASSERT_EQ(odd.At(x, y) != 0, drawn) << x << "," << y;
        }
}

TEST(PatternLifecycle, SingleTileOfTileTypeOneDrawsNothingAndRestartsEveryFrame) {
    PatternRun run(40, 30, 3);
    run.Set(kPatternTileType, 1);
    run.Set(kPatternDuration, 0);
    run.Start();
    const unsigned first = PatternCurrentCycle().cycles;
    run.Frames(10);
    EXPECT_EQ(run.CountValue(0), 40 * 30);
    EXPECT_EQ(PatternCurrentCycle().cycles, first + 10);
}

TEST(PatternLifecycle, WaitsDurationAfterTheRingsMeet) {
    PatternRun run(30, 24, 4);
    run.Set(kPatternDuration, 2);
    run.Start();
    // 12 rings: four frames draw them, the fifth finds the ring empty and
    // starts the next cycle.
    run.Frames(5);
    EXPECT_EQ(PatternCurrentCycle().cycles, 2u);
    EXPECT_EQ(run.CountValue(0), 0);
    const uint64_t finished = run.Checksum();
    // Nothing is drawn until two seconds have passed.
    for (int i = 0; i < 99; ++i) run.Frame(20);
    EXPECT_EQ(run.Checksum(), finished);
    run.Frame(20);
    EXPECT_NE(run.Checksum(), finished);

    // "Duration" 0 goes on drawing on the very next frame.
    PatternRun now(30, 24, 4);
    now.Set(kPatternDuration, 0);
    now.Start();
    now.Frames(5);
    const uint64_t done = now.Checksum();
    now.Frame(0);
    EXPECT_NE(now.Checksum(), done);
}

TEST(PatternLifecycle, FailedAllocationReportsAndDrawsNothing) {
    for (int failAt = 1; failAt <= 6; ++failAt) {
        PatternRun run(32, 20, 8);
        FailModuleAllocations(1, failAt - 1);
        testing::internal::CaptureStderr();
        run.Start();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("Could not allocate buffers"), std::string::npos) << failAt;
        EXPECT_FALSE(PatternCurrentCycle().buffers);
        EXPECT_EQ(PatternPixel(0, 0), -1);
        run.Frames(50);
        EXPECT_EQ(run.CountValue(0), 32 * 20) << failAt;

        // The next start with memory to spare draws again.
        FailModuleAllocations(0);
        run.r->DoClose(run.r);
        run.Start();
        run.Frames(10);
        EXPECT_EQ(run.CountValue(0), 0) << failAt;
    }
}

TEST(PatternGolden, FixedSeedGivesTheSamePicture) {
    {
        PatternRun run(320, 200, 20261208);
        run.Set(kPatternDuration, 0);
        run.Start();
        run.Frames(300);
        EXPECT_EQ(run.Checksum(), 0xf2ec53073028d77dull) << std::hex << run.Checksum();
    }
    {
        PatternRun run(320, 200, 4242);
        run.Set(kPatternDuration, 0);
        run.Set(kPatternXTiling, 3);
        run.Set(kPatternYTiling, 2);
        run.Set(kPatternFolding, 3);
        run.Set(kPatternDiffuse, 6);
        run.Set(kPatternParametric, 1);
        run.Set(kPatternTurbulence, 50);
        run.Set(kPatternTurbulenceType, 5);
        run.Start();
        run.Frames(300);
        EXPECT_EQ(run.Checksum(), 0xf10825939aea0367ull) << std::hex << run.Checksum();
    }
}

// Every pixel type for a few hundred frames, with every other control drawn
// at random each cycle or swept while drawing: no crash, no read or write
// outside the buffers, only palette entries on the picture.
void RunEveryType(int width, int height, int frames) {
    for (int type = 0; type < kPatternPixelTypes; ++type) {
        PatternRun run(width, height, 31u * unsigned(type) + unsigned(width));
        run.Set(kPatternType, type);
        run.Set(kPatternDuration, 0);
        for (int slot : {kPatternWaves, kPatternTurbulence, kPatternParametric, kPatternTurbulenceType,
                         kPatternDensity, kPatternWaveType, kPatternTileType, kPatternBanding})
            run.Randomize(slot);
        for (int slot : {kPatternFolding, kPatternDiffuse, kPatternXTiling, kPatternYTiling}) {
            if (type % 2) run.Randomize(slot);
            else run.r->Check[slot] = kCheckOscillate;
        }
        run.Start();
        for (int f = 0; f < frames; ++f) {
            ASSERT_EQ(run.Frame(), 0);
            ASSERT_EQ(PatternCurrentCycle().type, type);
        }
        for (uint8_t p : run.Pixels()) ASSERT_TRUE(p == 0 || (p >= 10 && p <= 245)) << type;
    }
}

TEST(PatternStress, EveryTypeOnATallNarrowPicture) { RunEveryType(200, 900, 300); }

TEST(PatternStress, EveryTypeOnAPreviewSizedPicture) { RunEveryType(16, 12, 300); }

TEST(PatternStress, EveryTypeOnDegeneratePictures) {
    RunEveryType(1, 1, 60);
    RunEveryType(3, 2, 60);
    RunEveryType(1, 40, 60);
}
