// The Stain module on a virtual clock: its controls, the random type and
// node count, the seed ring, field strength at a node, tiling, failures, odd
// sizes and golden pictures (ZTX_VECTOR_PICTURES writes them as PPM files).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "modules/framework/module_memory.h"
#include "modules/raster/stain.h"
#include "tests/module_run.h"

namespace ztx {
namespace {

class StainRun : public ModuleRun {
public:
    StainRun(int width, int height) : ModuleRun(kSlotStain, width, height) {}
};

TEST(RasterStain, RegisteredInSlotSixWithItsControls) {
    ExpectControlTable(kSlotStain, "Stain",
                       {
                           {0, 0, "Nodes", 2, 4, 2},
                           {1, 1, "Folding", 0, 20, 0, true},
                           {2, 2, "Type", 0, 10, 4},
                           {3, 8, "Parametric", 0, 1, 0},
                           {6, 6, "Turbulence", 0, 100, 0},
                           {7, 7, "Turbulence Type", 0, 5, 1},
                           {8, 3, "Duration", 1, 1000, 20},
                           {9, 9, "Strength", -10, 10, 1},
                           {10, 10, "X Tiling", 1, 20, 1, true},
                           {11, 11, "Y Tiling", 1, 20, 1, true},
                           {12, 12, "Tile Type", 0, 3, 0},
                           {14, 14, "Diffuse", 0, 64, 0, true},
                           {30, -1, "Draw Start", 0, 100, 0},
                           {31, -1, "Draw Stop", 0, 100, 100},
                       });
}

TEST(RasterStain, TypeTenDrawsATypeAndANodeCountEachStain) {
    StainRun run(64, 48);
    run.Set(kStainType, 10);
    run.Set(kStainNodes, 4);
    run.Start(11);
    std::set<int> types, nodes;
    for (int i = 0; i < 300; ++i) {
        run.record()->DoInitialize(run.record());
        const StainInfo info = StainCurrent();
        types.insert(info.type);
        nodes.insert(info.nodes);
        // Nodes keep 4 pixels from the edge and alternate dark and light colours.
        for (int k = 0; k < info.nodes; ++k) {
            ASSERT_GE(info.node[k].x, 4);
            ASSERT_LT(info.node[k].x, 63 - 4);
            ASSERT_GE(info.node[k].y, 4);
            ASSERT_LT(info.node[k].y, 47 - 4);
            if (k & 1)
                ASSERT_LT(info.node[k].color, 59);
            else
                ASSERT_GT(info.node[k].color, 235 - 59);
        }
    }
    EXPECT_EQ(types.size(), 10u);
    EXPECT_EQ(nodes, (std::set<int>{2, 3, 4}));
}

TEST(RasterStain, FieldStrengthIsZeroOnANode) {
    StainRun run(80, 60);
    run.Set(kStainType, 5);
    run.Set(kStainNodes, 3);
    run.Start(5);
    StainMoveNode(1, 30, 20);
    EXPECT_EQ(StainPixel(30, 20), 0);
    int lit = 0;
    for (int x = 0; x < 80; ++x) lit += StainPixel(x, 40) != 0;
    EXPECT_GT(lit, 0);
}

// The seed ring of a square tile is its centre point; four rings a frame
// grow from it, and the stain ends when a ring would leave the tile.
TEST(RasterStain, GrowsFourRingsAFrameFromTheCentre) {
    {
        StainRun run(41, 41);
        run.Set(kStainDuration, 1);
        run.Start(3);
        run.Frame();
        EXPECT_EQ(run.LitIn(17, 17, 24, 24), 49);
        EXPECT_EQ(run.LitCount(), 49);
        run.Frames(4);  // rings 4..19, then 20
        EXPECT_EQ(StainCurrent().stains, 1u);
        run.Frame();
        EXPECT_EQ(run.LitCount(), 41 * 41);
        EXPECT_EQ(StainCurrent().stains, 2u);
    }

    // A wide tile seeds a line: after one frame a band of 2 x 4 - 1 rows.
    StainRun wide(81, 21);
    wide.Start(3);
    wide.Frame();
    EXPECT_EQ(wide.LitCount(), (80 - 10 - 10 + 1 + 6) * 7);
}

TEST(RasterStain, TilesMirrorTheSourceAndASkippedSingleTileDrawsNothing) {
    {
        StainRun run(64, 48);
        run.Set(kStainXTiling, 2);
        run.Set(kStainYTiling, 2);
        run.Start(8);
        run.Frames(10);
        // Tiles are W1 / "X Tiling" by H1 / "Y Tiling" wide: a tile's last
        // row can stay undrawn.
        EXPECT_GE(run.LitCount(), 64 * 46);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 32; ++x) ASSERT_EQ(run.At(x, y), run.At(63 - x, y)) << x << "," << y;
    }

    StainRun none(40, 30);
    none.Set(kStainTileType, 1);
    none.Start(8);
    none.Frames(20);
    EXPECT_EQ(none.LitCount(), 0);
}

TEST(RasterStain, FailedAllocationReportsAndDrawsNothing) {
    for (int failAt = 0; failAt < 6; ++failAt) {
        StainRun run(32, 20);
        FailModuleAllocations(1, failAt);
        testing::internal::CaptureStderr();
        run.Start(8);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Could not allocate buffers"), std::string::npos);
        run.Frames(20);
        EXPECT_EQ(run.LitCount(), 0) << failAt;
        FailModuleAllocations(0);
    }
}

TEST(RasterStain, OddSizesEveryTypeAndDrivenControls) {
    for (int type = 0; type <= 10; ++type) {
        for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {9, 3}}) {
            StressModule<StainRun>(
                w, h,
                [type](StainRun& r) {
                    r.Set(kStainType, type);
                    r.Set(kStainNodes, 4);
                    r.Set(kStainParametric, type & 1);
                    r.Set(kStainTurbulence, 60);
                    r.Set(kStainTurbulenceType, 5);
                    r.Oscillate(kStainFolding, 0, 20);
                    r.Oscillate(kStainXTiling, 1, 5);
                    r.Oscillate(kStainYTiling, 1, 5);
                    r.Oscillate(kStainDiffuse, 0, 64);
                    r.Set(kStainDuration, 1);
                },
                150);
        }
    }
    // A 4K picture: squared distances times colours pass 32 bits.
    StressModule<StainRun>(
        3840, 2160, [](StainRun& r) { r.Set(kStainType, 9); }, 8);
}

TEST(RasterStain, FixedSeedGivesTheSamePicture) {
    EXPECT_EQ(GoldenOf<StainRun>(320, 200, 20261208, 40, "stain_default", [](StainRun&) {}), 17029168867910795317ull);
    EXPECT_EQ(GoldenOf<StainRun>(320, 200, 4242, 200, "stain_busy",
                                 [](StainRun& busy) {
                                     busy.Set(kStainType, 10);
                                     busy.Set(kStainFolding, 3);
                                     busy.Set(kStainXTiling, 3);
                                     busy.Set(kStainYTiling, 2);
                                     busy.Set(kStainDiffuse, 6);
                                     busy.Set(kStainParametric, 1);
                                     busy.Set(kStainTurbulence, 50);
                                     busy.Set(kStainDuration, 1);
                                 }),
              17841020735745517719ull);
}

}  // namespace
}  // namespace ztx
