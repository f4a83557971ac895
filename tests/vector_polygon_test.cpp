// The Polygon module: its controls, the bouncing corners and their bounds,
// outline colours, the two-corner line, odd sizes and golden checksums.
#include <gtest/gtest.h>

#include <set>

#include "tests/module_run.h"

#include "modules/vector/polygon.h"

namespace ztx {
namespace {

class PolygonRun : public ModuleRun {
public:
    PolygonRun(int width, int height) : ModuleRun(kSlotPolygon, width, height) {}
    std::set<int> Colours() const {
        std::set<int> seen;
        for (uint8_t p : Pixels())
            if (p) seen.insert(p);
        return seen;
    }
};

TEST(VectorPolygon, RegisteredInSlotFourWithItsControls) {
    PolygonRun run(32, 24);
    EXPECT_STREQ(run.record()->Name, "Polygon");
    ExpectControls(*run.record(), {
                                          {0, 0, "Vertices", 2, 20, 3},
                                          {2, 2, "Speed", 1, 320, 4, true},
                                          {3, 3, "Outline", 0, 1, 0},
                                          {8, 8, "Duration", 1, 1000, 30},
                                          {9, 9, "Strength", -10, 10, 1},
                                          {10, 4, "X Tiling", 1, 20, 1, true},
                                          {11, 5, "Y Tiling", 1, 20, 1, true},
                                          {12, 6, "Tile Type", 0, 3, 0},
                                          {14, 1, "Symmetry", 1, 50, 10, true},
                                          {15, -1, "Sweep", 1, 360, 360, true},
                                          {30, -1, "Draw Start", 0, 100, 0},
                                          {31, -1, "Draw Stop", 0, 100, 100},
                                      });
}

TEST(VectorPolygon, OutlinesTakeTheMirroredPaletteEntry) {
    PolygonRun run(200, 150);
    run.Set(kPolygonOutline, 1);
    run.Set(kPolygonSymmetry, 1);
    run.Set(kPolygonVertices, 5);
    run.Start(6);
    run.Frame();  // the first frame fills with entry 2
    EXPECT_EQ(run.Colours(), (std::set<int>{DeviceIndexOfEntry(2), DeviceIndexOfEntry(234)}));
    run.Frames(232);
    run.Clear();
    run.Frame();  // entry 235 at the turn of the cycle
    EXPECT_EQ(PolygonWorkingState().color.index, 235);
    EXPECT_EQ(run.Colours(), (std::set<int>{DeviceIndexOfEntry(235), DeviceIndexOfEntry(1)}));
}

TEST(VectorPolygon, TwoCornersDrawAnOutlinedLine) {
    PolygonRun run(200, 150);
    run.Set(kPolygonVertices, 2);
    run.Set(kPolygonSymmetry, 1);
    run.Start(8);
    EXPECT_EQ(PolygonWorkingState().outline, 1);
    run.Frame();
    const PolygonState& s = PolygonWorkingState();
    EXPECT_EQ(run.Colours(), std::set<int>{DeviceIndexOfEntry(234)});
    EXPECT_LE(run.LitCount(), std::max(std::abs(s.position[0].x - s.position[1].x),
                                       std::abs(s.position[0].y - s.position[1].y)) + 10);
}

TEST(VectorPolygon, CornersMayReachTheFarEdgeButNotPassIt) {
    PolygonRun run(100, 80);
    run.Set(kPolygonSpeed, 5);
    run.Start(2);
    PolygonState& s = PolygonWorkingState();
    s.position[0] = Point{95, 0};
    s.direction[0] = Point{1, -1};
    run.Frame();
    EXPECT_EQ(s.position[0].x, 100);  // exactly on W
    EXPECT_EQ(s.position[0].y, 0);    // would go below 0: turns
    EXPECT_EQ(s.direction[0].y, 1);
    run.Frame();
    EXPECT_EQ(s.position[0].x, 100);
    EXPECT_EQ(s.direction[0].x, -1);
    // A speed above 100 is cut at the start, not when driven later.
    run.Set(kPolygonSpeed, 320);
    run.Start(2);
    EXPECT_EQ(s.speed, 100);
    run.Oscillate(kPolygonSpeed, 320, 320);
    run.Frame();
    EXPECT_EQ(s.speed, 320);
}

TEST(VectorPolygon, ClosedGateDrawsNothing) {
    PolygonRun run(120, 90);
    ExpectClosedGateDrawsNothing(run, 1);
}

void EverythingDriven(PolygonRun& r) {
    r.Randomize(kPolygonVertices, 2, 20);
    r.Oscillate(kPolygonSpeed, 1, 320);
    r.Randomize(kPolygonOutline, 0, 1);
    r.Oscillate(kPolygonXTiling, 1, 20);
    r.Oscillate(kPolygonYTiling, 20, 1);
    r.Randomize(kPolygonTileType, 0, 3);
    r.Oscillate(kPolygonSymmetry, 1, 50);
    r.Oscillate(kPolygonSweep, 360, 1);
    r.Set(kPolygonDuration, 1);
}

TEST(VectorPolygon, OddSizesAndDrivenControls) {
    for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {3840, 2160}, {5, 77}}) {
        SCOPED_TRACE(w);
        StressModule<PolygonRun>(w, h, EverythingDriven, w > 1000 ? 10 : 150);
    }
}

TEST(VectorPolygon, GoldenDefaultControls) {
    PolygonRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "polygon-default-300"), 0x26bfd2deb9eb3547ull);
}

TEST(VectorPolygon, GoldenOutlinedTiles) {
    PolygonRun run(640, 480);
    run.Set(kPolygonVertices, 7);
    run.Set(kPolygonOutline, 1);
    run.Set(kPolygonXTiling, 2);
    run.Set(kPolygonYTiling, 3);
    run.Set(kPolygonTileType, 2);
    run.Set(kPolygonSymmetry, 4);
    run.Set(kPolygonSpeed, 9);
    EXPECT_EQ(GoldenChecksum(run, 777, 200, "polygon-tiles-200"), 0x842a7dd2636fadadull);
}

}  // namespace
}  // namespace ztx
