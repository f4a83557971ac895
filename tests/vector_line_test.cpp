// The Line module: its controls, the bouncing corners, the trail that erases
// exactly what was drawn (driven deltas included), degenerate ribbons,
// failures, odd sizes and golden checksums.
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include "modules/framework/module_memory.h"
#include "modules/vector/line.h"

namespace ztx {
namespace {

class LineRun : public ModuleRun {
public:
    LineRun(int width, int height) : ModuleRun(kSlotLine, width, height) {}
};

const LineState& State() { return *LineWorkingState(); }

TEST(VectorLine, RegisteredInSlotTwelveWithItsControls) {
    LineRun run(32, 24);
    EXPECT_STREQ(run.record()->Name, "Line");
    EXPECT_EQ(run.record()->DoClose, &LineClose);
    ExpectControls(*run.record(), {
                                          {0, 0, "Delta X1", 0, 50, 5},
                                          {1, 1, "Delta Y1", 0, 50, 5},
                                          {2, 2, "Delta X2", 0, 50, 5},
                                          {3, 3, "Delta Y2", 0, 50, 5},
                                          {4, 4, "X1", 0, 100, 25},
                                          {5, 5, "Y1", 0, 100, 25, true},
                                          {6, 6, "X2", 0, 100, 75, true},
                                          {7, 7, "Y2", 0, 100, 75, true},
                                          {8, 16, "Duration", 1, 1000, 30},
                                          {9, 9, "Strength", -10, 10, 1},
                                          {10, 10, "X Tiling", 1, 20, 1, true},
                                          {11, 11, "Y Tiling", 1, 20, 1, true},
                                          {12, 12, "Tile Type", 0, 3, 0},
                                          {14, 14, "Symmetry", 1, 20, 3, true},
                                          {15, -1, "Sweep", 1, 360, 360, true},
                                          {18, 8, "Trail Length", 1, 100, 100},
                                          {30, -1, "Draw Start", 0, 100, 0},
                                          {31, -1, "Draw Stop", 0, 100, 100},
                                      });
}

TEST(VectorLine, CornersStartFromThePercentagesAndComeBackInsideTheBounds) {
    LineRun run(200, 100);
    run.Set(kLineX1, 0);
    run.Set(kLineDeltaX1, 50);
    run.Start(1);
    const LinePoints& q = State().drawer;
    EXPECT_EQ(q.position[0].x, 0);
    EXPECT_EQ(q.position[0].y, 25);
    EXPECT_EQ(q.position[1].x, 150);
    EXPECT_EQ(q.position[2].x, 145);  // Q1 - V1
    EXPECT_EQ(q.position[3].x, -50);  // outside the bounds (-40)
    run.Frame();
    EXPECT_EQ(State().drawer.position[3].x, 0);
    // A corner that would reach W + 40 turns round where it is.
    run.Frames(3);
    EXPECT_EQ(State().drawer.position[0].x, 200);
    run.Frame();
    EXPECT_EQ(State().drawer.position[0].x, 200);
    EXPECT_EQ(State().drawer.velocity[0].x, -50);
}

TEST(VectorLine, StillCornersDrawAZeroAreaQuadrilateral) {
    LineRun run(120, 90);
    for (int slot : {kLineDeltaX1, kLineDeltaY1, kLineDeltaX2, kLineDeltaY2}) run.Set(slot, 0);
    run.Start(2);
    run.Frames(50);
    EXPECT_EQ(run.LitCount(), 0);
}

TEST(VectorLine, TheTrailErasesExactlyWhatWasDrawnAndAFullTrailNothing) {
    for (int trail : {1, 7, 100}) {
        SCOPED_TRACE(trail);
        LineRun run(240, 180);
        run.Set(kLineTrailLength, trail);
        run.Set(kLineSymmetry, 1);
        run.Oscillate(kLineDeltaX1, 2, 30);  // the eraser must follow these
        run.Oscillate(kLineDeltaY2, 30, 2);
        run.Oscillate(kLineSymmetry, 1, 4);
        run.Start(3);
        run.Frames(400);
        EXPECT_GT(run.LitCount(), 0);
        run.Close();  // flushes the trail
        EXPECT_EQ(run.LitCount() == 0, trail < 100);
    }
}

TEST(VectorLine, ClosedGateDrawsNothing) {
    LineRun run(120, 90);
    ExpectClosedGateDrawsNothing(run, 1);
}

TEST(VectorLine, FailedAllocationDrawsNothing) {
    LineRun run(64, 48);
    FailModuleAllocations(1);
    run.Start(1);
    EXPECT_EQ(LineWorkingState(), nullptr);
    for (int f = 0; f < 20; ++f) EXPECT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(run.Close(), 0);
}

void EverythingDriven(LineRun& r) {
    r.Oscillate(kLineDeltaX1, 0, 50);
    r.Oscillate(kLineDeltaY1, 50, 0);
    r.Randomize(kLineDeltaX2, 0, 50);
    r.Oscillate(kLineXTiling, 1, 20);
    r.Oscillate(kLineYTiling, 20, 1);
    r.Randomize(kLineTileType, 0, 3);
    r.Oscillate(kLineSymmetry, 1, 20);
    r.Oscillate(kLineSweep, 1, 360);
    r.Randomize(kLineX1, 0, 100);
    r.Set(kLineTrailLength, 5);
    r.Set(kLineDuration, 1);
}

TEST(VectorLine, OddSizesAndDrivenControls) {
    for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {3840, 2160}, {41, 3}}) {
        SCOPED_TRACE(w);
        StressModule<LineRun>(w, h, EverythingDriven, w > 1000 ? 20 : 150);
    }
}

TEST(VectorLine, GoldenDefaultControls) {
    LineRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "line-default-300"), 0x3fb5420e655cafaeull);
}

TEST(VectorLine, GoldenTilesAndShortTrail) {
    LineRun run(640, 480);
    run.Set(kLineXTiling, 3);
    run.Set(kLineYTiling, 2);
    run.Set(kLineTileType, 1);
    run.Set(kLineSymmetry, 5);
    run.Set(kLineTrailLength, 10);
    run.Set(kLineDeltaX2, 17);
    EXPECT_EQ(GoldenChecksum(run, 777, 300, "line-tiles-300"), 0xff2688e0403cd60ull);
}

}  // namespace
}  // namespace ztx
