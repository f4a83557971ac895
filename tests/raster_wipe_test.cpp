// The Wipe module in the one-module harness: its control table, every
// transition at odd sizes and tile types, the progress seen at each pause,
// the pacing, random blocks, and the wipe the random meta-module runs before
// a switch.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/random_module.h"
#include "engine/sequencing.h"
#include "modules/framework/module_memory.h"
#include "modules/raster/wipe.h"
#include "tests/module_run.h"

namespace ztx {
namespace {

class WipeRun : public ModuleRun {
public:
    WipeRun(int width, int height) : ModuleRun(kSlotWipe, width, height) {}
    // Fixed controls: one transition, steps and tiles as given, no pauses
    // beyond the fastest pacing, a wipe at every frame.
    void Configure(WipeKind kind, int xStep, int yStep, int xTiling = 1, int yTiling = 1, int tileType = 0) {
        Fix(kWipeType, static_cast<int>(kind));
        Fix(kWipeXStep, xStep);
        Fix(kWipeYStep, yStep);
        Fix(kWipeXTiling, xTiling);
        Fix(kWipeYTiling, yTiling);
        Fix(kWipeTileType, tileType);
        Fix(kWipeDuration, 0);
    }
    // One draw call, then the clock moves on (the harness's Frame puts the
    // clock at the frame's time, back before the pauses of a long wipe).
    int Wipe() {
        const int result = record()->DoDrawFrame(record());
        Clock().Advance(1000 / 60);
        return result;
    }
    // Paints the whole picture with a palette colour (the "old picture").
    void Paint() { FillRect(Dc(), Rect{0, 0, Width(), Height()}, SolidBrush(PaletteIndexColor(77))); }
};

// A clock that calls `onPause` whenever the module pauses, then lets the
// harness's virtual time run on.
class PauseProbe final : public Clock {
public:
    PauseProbe(VirtualClock& inner, std::function<void(uint32_t ms)> onPause)
        : inner_(inner), onPause_(std::move(onPause)) {
        SetClock(this);
    }
    ~PauseProbe() override { SetClock(&inner_); }
    uint32_t TickCount() override { return inner_.TickCount(); }
    void Sleep(uint32_t ms) override {
        onPause_(ms);
        inner_.Advance(ms);
    }

private:
    VirtualClock& inner_;
    std::function<void(uint32_t)> onPause_;
};

TEST(RasterWipe, RegisteredInSlotSeventeenWithItsControls) {
    WipeRun run(8, 8);
    const ModuleRecord& r = *run.record();
    EXPECT_STREQ(r.Name, "Wipe");
    EXPECT_EQ(r.DoDrawFrame, &WipeDrawFrame);
    EXPECT_EQ(r.DoPreInitialize, &WipeAllocate);
    EXPECT_EQ(r.DoInitialize, &WipeInitialize);
    EXPECT_EQ(r.DoClose, &WipeClose);
    ExpectControls(r, {
                          {0, 0, "Type", 0, 3, 0, false, kCheckRandom},
                          {1, 1, "X Step", 1, 100, 8, false, kCheckRandom, 1, 10},
                          {2, 2, "Y Step", 1, 100, 8, false, kCheckRandom, 1, 10},
                          {3, 3, "Speed", 1, 64, 6},
                          {8, 8, "Duration", 0, 1000, 20},
                          {9, 9, "Strength", -10, 10, 1},
                          {10, 10, "X Tiling", 1, 20, 4, false, kCheckRandom, 3, 8},
                          {11, 11, "Y Tiling", 1, 20, 4, false, kCheckRandom, 3, 8},
                          {12, 12, "Tile Type", 0, 3, 0},
                          {30, -1, "Draw Start", 0, 100, 0},
                          {31, -1, "Draw Stop", 0, 100, 100},
                      });
}

// Every transition with every tile type, at the odd sizes: nothing of the
// old picture is left, and "Duration" 0 wipes at every frame.
TEST(RasterWipe, EveryTransitionLeavesNoPixelOfTheOldPictureAtAnySize) {
    struct Size {
        int w, h;
    };
    for (Size size : {Size{1, 1}, Size{16, 12}, Size{200, 900}, Size{37, 5}}) {
        for (int kind = 0; kind < 4; ++kind) {
            for (int tileType = 0; tileType < 4; ++tileType) {
                SCOPED_TRACE(testing::Message()
                             << size.w << "x" << size.h << " type " << kind << " tiles " << tileType);
                WipeRun run(size.w, size.h);
                run.Configure(static_cast<WipeKind>(kind), 7, 3, 3, 2, tileType);
                run.Start(5);
                for (int f = 1; f <= 2; ++f) {
                    run.Paint();
                    ASSERT_EQ(run.Wipe(), 0);
                    ASSERT_EQ(run.LitCount(), 0);
                    EXPECT_EQ(WipeLastRun().wipes, f);
                }
            }
        }
    }
    // 4K: more random blocks than a 160 x 140 list holds, and a sweep.
    for (WipeKind kind : {WipeKind::Blocks, WipeKind::Diagonal}) {
        WipeRun big(3840, 2160);
        big.Configure(kind, 15, 20, 2, 2);
        big.Fix(kWipeSpeed, 1);
        big.Start(11);
        big.Paint();
        ASSERT_EQ(big.Frame(), 0);
        EXPECT_EQ(big.LitCount(), 0);
    }
    EXPECT_EQ(WipeLastRun().wipes, 1);
}

// At each pause the transition has blackened more: the bars grow from the
// side they start on, and blocks cover the picture cell by cell.
TEST(RasterWipe, TheTransitionAdvancesAtEveryPause) {
    for (WipeKind kind : {WipeKind::BarsRight, WipeKind::BarsLeft, WipeKind::Diagonal, WipeKind::Blocks}) {
        SCOPED_TRACE(static_cast<int>(kind));
        WipeRun run(94, 64);  // extent 100 x 70
        run.Configure(kind, 10, 5);
        run.Fix(kWipeSpeed, 32);  // every polygon pauses (20 ms)
        run.Start(9);
        run.Paint();
        std::vector<int> lit;
        bool leftBlackFirst = true, rightBlackFirst = true;
        {
            PauseProbe probe(run.Clock(), [&](uint32_t) {
                lit.push_back(run.LitCount());
                leftBlackFirst = leftBlackFirst && (run.At(0, 0) == 0 || run.At(93, 0) != 0);
                rightBlackFirst = rightBlackFirst && (run.At(93, 0) == 0 || run.At(0, 0) != 0);
            });
            run.Frame();
        }
        ASSERT_GE(lit.size(), 10u);
        int steps = 0;
        for (size_t i = 1; i < lit.size(); ++i) {
            EXPECT_LE(lit[i], lit[i - 1]) << "pause " << i;
            steps += lit[i] < lit[i - 1];
        }
        EXPECT_GT(steps, static_cast<int>(lit.size()) / 2);
        // One tile: bars and blocks alone cover the picture.
        if (kind != WipeKind::Diagonal) {
            EXPECT_EQ(lit.back(), 0);
        }
        EXPECT_EQ(run.LitCount(), 0);
        if (kind == WipeKind::BarsRight) {
            EXPECT_EQ(lit.size(), 10u);
            EXPECT_TRUE(leftBlackFirst);
        }
        if (kind == WipeKind::BarsLeft) {
            EXPECT_TRUE(rightBlackFirst);
        }
        if (kind == WipeKind::Blocks) {
            // Steps below 15 become 15: 7 x 5 cells cover the extent.
            EXPECT_EQ(WipeLastRun().xStep, kWipeMinimumBlock);
            EXPECT_EQ(WipeLastRun().polygons, 35);
        }
    }
}

TEST(RasterWipe, SpeedPacesThePolygons) {
    struct Case {
        int speed;
        uint32_t expectedMs;  // for 10 polygons
    };
    // 64: 340 ms every polygon; 1: 10 ms on one polygon of 32; 6: the first
    // six of 32; 32: 20 ms every polygon.
    for (Case c : {Case{64, 3400}, Case{1, 10}, Case{6, 60}, Case{32, 200}}) {
        SCOPED_TRACE(c.speed);
        WipeRun run(94, 10);
        run.Configure(WipeKind::BarsRight, 10, 1);
        run.Fix(kWipeSpeed, c.speed);
        run.Start(1);
        const uint32_t before = run.Clock().TickCount();
        run.record()->DoDrawFrame(run.record());
        EXPECT_EQ(run.Clock().TickCount() - before, c.expectedMs);
    }
}

TEST(RasterWipe, StopsAfterOnePolygonWhenTheAnimationStopsAndWaitsForItsDuration) {
    WipeRun run(94, 10);
    run.Configure(WipeKind::BarsRight, 10, 1);
    run.Fix(kWipeDuration, 3);
    run.Start(1);
    run.Paint();
    run.Frames(179);  // 2.98 s: not yet
    EXPECT_EQ(WipeLastRun().wipes, 0);
    EXPECT_EQ(run.LitCount(), 94 * 10);
    AnimationRunning.store(0);
    run.Frames(2);
    EXPECT_EQ(WipeLastRun().wipes, 1);
    EXPECT_EQ(WipeLastRun().polygons, 1);
}

TEST(RasterWipe, ClosedGateAndFailedBlockListAreHarmless) {
    WipeRun run(64, 48);
    run.Configure(WipeKind::Blocks, 1, 1);
    run.Fix(kWipeDrawStart, 80);
    run.Fix(kWipeDrawStop, 90);  // the gate starts near 50
    run.Start(2);
    run.Paint();
    EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 64 * 48);
    run.Fix(kWipeDrawStart, 0);
    run.Fix(kWipeDrawStop, 100);
    FailModuleAllocations(1);
    EXPECT_EQ(run.Frame(), 0);
    FailModuleAllocations(0);
    EXPECT_EQ(WipeLastRun().polygons, 0);
    EXPECT_EQ(run.LitCount(), 0);  // the final blackening still clears
}

// The random meta-module's switch runs one wipe with "Duration" 0 on the
// real module, even when it does not clear the screen itself, and puts the
// module's own "Duration" back.
TEST(RasterWipe, TheRandomSwitchWipesTheOldPictureAway) {
    ResetRandomModule();
    {
        WipeRun run(120, 90);
        RegisterFromCatalog(kSlotRandom);
        ModuleRecord& random = ModuleTable[kSlotRandom];
        random.Name = "Random";
        random.Control[kRandomSelection] = kSelectActiveModules;
        random.Control[kRandomClearScreen] = 0;
        ModuleActive[kSlotRandom] = 1;
        run.Start(4);  // Wipe waits its 20 seconds
        RandomAllocate(&random);
        RandomInitialize(&random);
        ASSERT_TRUE(ModuleActive[kSlotWipe]);
        run.Paint();
        run.Clock().Advance(16001);
        RandomDrawFrame(&random);
        EXPECT_EQ(run.LitCount(), 0);
        EXPECT_EQ(run.record()->Control[kWipeDuration], 20);
        RandomClose(&random);
    }
    ResetRandomModule();
}

// Golden: the pictures seen at every pause of seeded wipes with random
// controls (the end of a wipe is always black).
TEST(RasterWipe, GoldenTransitions) {
    WipeRun run(160, 100);
    run.Fix(kWipeDuration, 0);
    run.Fix(kWipeSpeed, 32);
    run.Start(20240611);
    uint64_t sum = 0;
    int pauses = 0;
    PauseProbe probe(run.Clock(), [&](uint32_t) {
        sum = sum * 31 + run.Checksum();
        if (++pauses % 6 == 0) MaybeWritePicture(run, ("wipe-pause-" + std::to_string(pauses)).c_str());
    });
    for (int f = 0; f < 4; ++f) {
        run.Paint();
        run.Wipe();
    }
    EXPECT_EQ(sum, 0x2b43acdb7d3913f6ull);
}

}  // namespace
}  // namespace ztx
