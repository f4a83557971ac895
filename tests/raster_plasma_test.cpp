// The Plasma module on a virtual clock: its controls, roughness and effect
// draws, when the growing cloud is first shown, the finishing transforms,
// tile type 1, failures, odd sizes and golden pictures
// (ZTX_VECTOR_PICTURES writes them as PPM files).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "modules/framework/module_memory.h"
#include "modules/raster/plasma.h"
#include "tests/module_run.h"

namespace ztx {
namespace {

class PlasmaRun : public ModuleRun {
public:
    PlasmaRun(int width, int height) : ModuleRun(kSlotPlasma, width, height) {}
    // Frames until the current cloud is finished and shown.
    int FramesToFinish(int limit = 100000) {
        const unsigned clouds = PlasmaCurrent().clouds;
        for (int f = 1; f <= limit; ++f) {
            Frame();
            if (PlasmaCurrent().clouds != clouds) return f;
        }
        return -1;
    }
};

TEST(RasterPlasma, RegisteredInSlotThreeWithItsControls) {
    ExpectControlTable(kSlotPlasma, "Plasma",
                       {
                           {0, 0, "Roughness", 1, 100, 10},
                           {1, 1, "Update Interval", 1, 30, 5},
                           {2, 2, "Effect", 0, 20, 0, false, kCheckRandom},
                           {8, 3, "Duration", 1, 1000, 30},
                           {9, 9, "Strength", -10, 10, 1},
                           {10, 10, "X Tiling", 1, 16, 1},
                           {11, 11, "Y Tiling", 1, 16, 1},
                           {12, 12, "Tile Type", 0, 3, 0},
                           {30, -1, "Draw Start", 0, 100, 0},
                           {31, -1, "Draw Stop", 0, 100, 100},
                       });
}

TEST(RasterPlasma, RoughnessHundredAndEffectZeroAreDrawnPerCloud) {
    PlasmaRun run(24, 16);
    run.Fix(kPlasmaRoughness, 100);
    run.Fix(kPlasmaEffect, 0);
    run.Fix(kPlasmaDuration, 1);
    run.Start(12);
    std::set<int> roughness, effects;
    for (int i = 0; i < 150; ++i) {
        roughness.insert(PlasmaCurrent().roughness);
        ASSERT_GT(run.FramesToFinish(), 0);
        effects.insert(PlasmaCurrent().effect);
        ASSERT_TRUE(PlasmaCurrent().waiting);
    }
    EXPECT_GE(*roughness.begin(), 20);
    EXPECT_LE(*roughness.rbegin(), 79);
    EXPECT_GT(roughness.size(), 30u);
    EXPECT_EQ(effects.size(), 20u);
    EXPECT_EQ(*effects.rbegin(), 19);
}

// The growing cloud is shown once its finished corner passes 127 pixels,
// half a second after the start at the earliest; a tile less than 128
// pixels high is first shown finished.
TEST(RasterPlasma, PartialViewsOnlyOnceTheCornerPassesOneHundredTwentySeven) {
    {
        PlasmaRun tall(400, 300);
        tall.Start(3);
        int firstLit = 0;
        for (int f = 1; f < 2000 && !firstLit; ++f) {
            tall.Frame();
            if (tall.LitCount() > 0) firstLit = f;
        }
        ASSERT_GT(firstLit, 30);
        EXPECT_GT(PlasmaCurrent().pending, 0);
        EXPECT_EQ(tall.LitCount(), 400 * 300);
    }

    PlasmaRun flat(400, 100);
    flat.Start(3);
    int frames = 0;
    while (PlasmaCurrent().clouds == 1 && frames < 5000) {
        ASSERT_EQ(flat.LitCount(), 0) << frames;
        flat.Frame();
        ++frames;
    }
    EXPECT_EQ(flat.LitCount(), 400 * 100);
}

// The weave rule on a 5 x 3 tile: a flag inverted at every row and after
// every element; elements are swapped while it is false.
TEST(RasterPlasma, FinishingTransformsWeaveTheirSwaps) {
    auto tile = [] {
        std::vector<uint8_t> t(8 * 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) t[y * 8 + x] = uint8_t(10 * y + x + 1);
        return t;
    };
    auto rows = [](const std::vector<uint8_t>& t) {
        std::vector<int> v;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) v.push_back(t[y * 8 + x]);
        return v;
    };
    std::vector<uint8_t> t = tile();
    PlasmaTransform(t.data(), 5, 3, 8, 2);  // left-right: (1, 0) and (1, 1) only
    EXPECT_EQ(rows(t), (std::vector<int>{1, 4, 3, 2, 5, 11, 14, 13, 12, 15, 21, 22, 23, 24, 25}));
    t = tile();
    PlasmaTransform(t.data(), 5, 3, 8, 1);  // point mirror: (1, 0) with (3, 2), then (1, 1) with (3, 1)
    EXPECT_EQ(rows(t), (std::vector<int>{1, 24, 3, 4, 5, 11, 14, 13, 12, 15, 21, 22, 23, 2, 25}));
    t = tile();
    PlasmaTransform(t.data(), 5, 3, 8, 3);  // top-bottom: row pair 0, x = 1 only
    EXPECT_EQ(rows(t), (std::vector<int>{1, 22, 3, 4, 5, 11, 12, 13, 14, 15, 21, 2, 23, 24, 25}));
    t = tile();
    t[0] = 200;
    t[8 + 1] = 130;
    PlasmaTransform(t.data(), 5, 3, 8, 4);  // bright pixels take the point-mirrored copy
    EXPECT_EQ(t[0], 25);
    EXPECT_EQ(t[8 + 1], 14);
}

TEST(RasterPlasma, TileTypeOneShowsOnlyTheMirroredTileAndItsReplicas) {
    {
        PlasmaRun run(60, 20);
        run.Fix(kPlasmaXTiling, 3);
        run.Fix(kPlasmaTileType, 1);
        run.Start(4);
        ASSERT_GT(run.FramesToFinish(), 0);
        EXPECT_EQ(run.LitIn(0, 0, 20, 20), 0);
        EXPECT_EQ(run.LitIn(40, 0, 60, 20), 0);
        EXPECT_EQ(run.LitIn(20, 0, 40, 20), 20 * 20);
    }

    PlasmaRun single(40, 30);
    single.Fix(kPlasmaTileType, 1);
    single.Start(4);
    ASSERT_GT(single.FramesToFinish(), 0);
    EXPECT_EQ(single.LitCount(), 0);
}

TEST(RasterPlasma, FailedAllocationReportsAndDrawsNothing) {
    for (int failAt = 0; failAt < 2; ++failAt) {
        PlasmaRun run(32, 20);
        FailModuleAllocations(1, failAt);
        testing::internal::CaptureStderr();
        run.Start(8);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Could not allocate buffers"), std::string::npos);
        run.Frames(100);
        EXPECT_EQ(run.LitCount(), 0) << failAt;
        FailModuleAllocations(0);
    }
    // The copy of transforms 4..9 failing leaves the cloud as grown.
    PlasmaRun run(32, 20);
    run.Fix(kPlasmaEffect, 7);
    run.Start(8);
    FailModuleAllocations(1);
    ASSERT_GT(run.FramesToFinish(), 0);
    FailModuleAllocations(0);
    EXPECT_EQ(run.LitCount(), 32 * 20);
}

TEST(RasterPlasma, OddSizesEveryEffectAndTiling) {
    for (int effect = 0; effect <= 20; ++effect) {
        for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {9, 3}, {2, 2}}) {
            StressModule<PlasmaRun>(
                w, h,
                [effect](PlasmaRun& r) {
                    r.Fix(kPlasmaEffect, effect);
                    r.Fix(kPlasmaDuration, 1);
                    r.Fix(kPlasmaUpdateInterval, 1);
                    r.Randomize(kPlasmaRoughness, 1, 100);
                    r.Randomize(kPlasmaXTiling, 1, 16);
                    r.Randomize(kPlasmaYTiling, 1, 16);
                    r.Randomize(kPlasmaTileType, 0, 3);
                },
                400);
        }
    }
    StressModule<PlasmaRun>(
        3840, 2160, [](PlasmaRun& r) { r.Fix(kPlasmaEffect, 20); }, 60);
}

TEST(RasterPlasma, FixedSeedGivesTheSamePicture) {
    EXPECT_EQ(GoldenOf<PlasmaRun>(160, 120, 20261208, 200, "plasma_default", [](PlasmaRun&) {}),
              9052631638408362057ull);
    EXPECT_EQ(GoldenOf<PlasmaRun>(320, 200, 4242, 400, "plasma_tiled",
                                  [](PlasmaRun& tiled) {
                                      tiled.Fix(kPlasmaXTiling, 3);
                                      tiled.Fix(kPlasmaYTiling, 2);
                                      tiled.Fix(kPlasmaRoughness, 100);
                                      tiled.Fix(kPlasmaEffect, 17);
                                  }),
              5419786029620368315ull);
}

}  // namespace
}  // namespace ztx
