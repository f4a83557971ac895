// Tile grid, symmetry and warps.
#include <gtest/gtest.h>

#include <vector>

#include "platform/random.h"
#include "modules/raster/raster_kit.h"
#include "render/tiling.h"
#include "tests/render_helpers.h"

using namespace ztx;
using ztx_test::TestCanvas;

TEST(RenderTiling, TileTestAndMirroredCoordinates) {
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 5; ++r) {
            EXPECT_EQ(TileDrawn(c, r, 3), TileDrawn(c, r, 0));
            EXPECT_TRUE(TileDrawn(c, r, 0));
            EXPECT_EQ(TileDrawn(c, r, 1), (c + r) % 2 == 1);
            EXPECT_EQ(TileDrawn(c, r, 2), (c + r) % 2 == 0);
        }
    EXPECT_FALSE(TileDrawn(0, 0, 1));  // a 1x1 grid of type 1 draws nothing
    // 300 wide, 3 tiles of 100: x = 60 lands at 20, 200 - 20, 220.
    EXPECT_EQ(TiledCoordinate(60, 0, 3, 100), 20);
    EXPECT_EQ(TiledCoordinate(60, 1, 3, 100), 180);
    EXPECT_EQ(TiledCoordinate(60, 2, 3, 100), 220);
}

TEST(RenderTiling, RotationalSymmetry) {
    float step = SymmetryAngleStep(360, 4);
    EXPECT_NEAR(step, 1.5707f, 0.0002f);
    int pts[4][2];
    for (int k = 0; k < 4; ++k) {
        int x = 100, y = 0;
        RotatePoint(x, y, k * step);
        pts[k][0] = x;
        pts[k][1] = y;
    }
    EXPECT_EQ(pts[0][0], 100);
    EXPECT_EQ(pts[0][1], 0);
    // Within the 6.283 approximation and truncation toward zero.
    EXPECT_LE(std::abs(pts[1][0]), 1);
    EXPECT_GE(pts[1][1], -100);
    EXPECT_LE(pts[1][1], -99);
    EXPECT_LE(pts[2][0], -99);
    EXPECT_LE(std::abs(pts[2][1]), 1);
    EXPECT_GE(pts[3][1], 99);
}

namespace {
// Picture of a 2x2 grid with the first tile's outer ring numbered.
void DrawNumberedRing(TestCanvas& c) {
    for (int x = 0; x < 4; ++x) {
        c.bitmap.pixels[x] = uint8_t(10 + x);
        c.bitmap.pixels[3 * 8 + x] = uint8_t(20 + x);
    }
    for (int y = 1; y < 3; ++y) {
        c.bitmap.pixels[y * 8] = uint8_t(30 + y);
        c.bitmap.pixels[y * 8 + 3] = uint8_t(40 + y);
    }
}
}  // namespace

TEST(RenderTiling, RingReplicationMirrorsOddColumnsAndRows) {
    TestCanvas c(8, 8);
    DrawNumberedRing(c);
    ReplicateRing(c.dc, MakeTileGrid(8, 8, 2, 2, 0), RingRect{0, 0, 3, 3}, RingRect{0, 0, 3, 3});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(c.At(x, y), c.At(7 - x, y)) << x << "," << y;
            EXPECT_EQ(c.At(x, y), c.At(x, 7 - y)) << x << "," << y;
        }
    EXPECT_EQ(c.At(7, 0), 10);
    EXPECT_EQ(c.At(0, 7), 10);
    EXPECT_EQ(c.At(4, 4), 23);
    EXPECT_EQ(c.At(5, 5), 0);  // the inside of the ring is not touched

    // A 1x1 grid replicates nothing.
    TestCanvas d(8, 8);
    DrawNumberedRing(d);
    auto before = d.bitmap.pixels;
    ReplicateRing(d.dc, MakeTileGrid(8, 8, 1, 1, 0), RingRect{0, 0, 3, 3}, RingRect{0, 0, 3, 3});
    EXPECT_EQ(d.bitmap.pixels, before);
}

TEST(RenderTiling, TileReplicationMakesAKaleidoscope) {
    TestCanvas c(8, 6);
    SeedRandom(7);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) c.bitmap.pixels[y * 8 + x] = uint8_t(10 + Rand15() % 200);
    ReplicateTile(c.dc, 2, 2, 4, 3, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(c.At(x, y), c.At(7 - x, y));
            EXPECT_EQ(c.At(x, y), c.At(x, 5 - y));
        }

    // Type 1: the source is tile (1, 0); tile (0, 1) is its upside-down copy
    // and the undrawn tiles stay black.
    TestCanvas d(8, 6);
    for (int y = 0; y < 3; ++y)
        for (int x = 4; x < 8; ++x) d.bitmap.pixels[y * 8 + x] = uint8_t(10 + y * 4 + x);
    ReplicateTile(d.dc, 2, 2, 4, 3, 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(d.At(x, 5 - y), d.At(x + 4, y));
            EXPECT_EQ(d.At(x, y), 0);
            EXPECT_EQ(d.At(x + 4, y + 3), 0);
        }
}

TEST(RenderWarps, PolarMapAndTurbulenceStayInsideTheTables) {
    std::vector<int32_t> cols(64), rows(48);
    for (int i = 0; i < 64; ++i) cols[i] = i * 997;
    for (int i = 0; i < 48; ++i) rows[i] = i * 1013;
    WarpRecord w;
    w.spanX = 63;
    w.spanY = 47;
    w.columns = cols.data();
    w.rows = rows.data();
    w.centerX = 20;
    w.centerY = 10;
    w.directionX = 0.5f;
    w.directionY = -0.7f;
    int x = 20, y = 10;
    PolarMap(w, x, y);  // the centre itself: no division by zero
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    x = 30, y = 10;  // distance 10 along +x
    PolarMap(w, x, y);
    EXPECT_EQ(y, 10);
    EXPECT_EQ(x, int(0.5f * 0.3184713f * 63));

    for (int type = 0; type <= 5; ++type) {
        w.scale = type == 3 ? 1100000.0f * 0.3f : 30000.0f * 0.3f;
        for (int py = 0; py <= 47; ++py)
            for (int px = 0; px <= 63; ++px) {
                int wx = px, wy = py;
                TurbulenceWarp(w, wx, wy, type);
                ASSERT_GE(wx, 0);
                ASSERT_LE(wx, 63);
                ASSERT_GE(wy, 0);
                ASSERT_LE(wy, 47);
                if (type == 5) {
                    ASSERT_EQ(wx, px);
                    ASSERT_EQ(wy, py);
                }
            }
    }
    // A zero scale must not trap.
    w.scale = 0;
    x = 5, y = 5;
    TurbulenceWarp(w, x, y, 0);
    TurbulenceWarp(w, x, y, 3);
}

TEST(RenderWarps, TurbulenceSetUp) {
    WarpRecord w;
    w.spanX = 639;
    w.spanY = 479;
    SeedRandom(1234);
    int type = -1;
    for (int i = 0; i < 50; ++i) {
        EXPECT_FALSE(SetUpTurbulence(w, 0, 1, type));
        EXPECT_EQ(type, 1);
        EXPECT_GE(w.centerX, 0);
        EXPECT_LT(w.centerX, 639);
        EXPECT_GE(w.directionX, -0.99f);
        EXPECT_LE(w.directionX, 1.0099f);
    }
    EXPECT_TRUE(SetUpTurbulence(w, 50, 0, type));
    EXPECT_FLOAT_EQ(w.scale, 0.5f * 1100000.125f);
    int active = 0;
    for (int i = 0; i < 3000; ++i) active += SetUpTurbulence(w, 100, 2, type);
    EXPECT_GT(active, 800);
    EXPECT_LT(active, 1200);
    // Type 5 becomes a random type 0..4 for the cycle.
    int seen[5] = {};
    for (int i = 0; i < 200; ++i) {
        SetUpTurbulence(w, 30, 5, type);
        ASSERT_GE(type, 0);
        ASSERT_LE(type, 4);
        ++seen[type];
    }
    for (int n : seen) EXPECT_GT(n, 10);
}
