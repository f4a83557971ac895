// The Wander module on a virtual clock: its control table, the start point,
// the bounce at the edges, the colour saw-tooth, the count of copies, the
// draw gate, a fresh state at every registration, odd surfaces and golden
// pictures.
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include "modules/vector/wander.h"

namespace ztx {
namespace {

class WanderRun : public ModuleRun {
public:
    WanderRun(int width, int height) : ModuleRun(kSlotWander, width, height) {}
};

WanderState& State() { return WanderWorkingState(); }

TEST(VectorWander, RegisteredInSlotFifteenWithItsControls) {
    const ExpectedControl table[] = {
        {1, 1, "Y Speed", 1, 60, 5, false},
        {2, 2, "X Speed", 1, 60, 5, false},
        {9, 9, "Strength", -10, 10, 1, false},
        {10, 10, "X Tiling", 1, 20, 2, true},
        {11, 11, "Y Tiling", 1, 20, 2, true},
        {12, 12, "Tile Type", 0, 3, 0, false},
        {14, 14, "Symmetry", 1, 128, 8, true},
        {15, 15, "Sweep", 1, 360, 360, true},
        {20, 20, "Type", 0, 17, 6, false},
        {21, 21, "Diameter", 1, 320, 80, true},
        {22, 22, "Rotation", -100, 100, 10, true},
        {23, 23, "Sides", 1, 10, 4, false},
        {24, 24, "Diameter (2)", 1, 320, 1, true},
        {25, 25, "Rotation  (2)", -100, 100, 10, true},
        {26, 26, "Sides (2)", 1, 10, 1, false},
        {27, 27, "Diameter (3)", 1, 320, 1, true},
        {28, 28, "Rotation  (3)", -100, 100, 10, true},
        {29, 29, "Sides (3)", 1, 10, 1, false},
        {30, -1, "Draw Start", 0, 100, 0, false},
        {31, -1, "Draw Stop", 0, 100, 100, false},
    };
    ExpectRegistered(kSlotWander, "Wander",
                     {WanderDefineControls, WanderDrawFrame, NoModuleWork, WanderInitialize, NoModuleWork}, table);
}

TEST(VectorWander, ThePointStartsInTheUpperLeftAndBouncesOffEveryEdge) {
    WanderRun run(600, 300);
    run.Set(kWanderYSpeed, 7);  // the horizontal step
    run.Set(kWanderXSpeed, 3);  // the vertical step
    run.Start(4);
    WanderState& s = State();
    EXPECT_GE(s.point.x, 100);
    EXPECT_LT(s.point.x, 200);
    EXPECT_GE(s.point.y, 50);
    EXPECT_LT(s.point.y, 100);
    EXPECT_EQ(s.step.x, 7);
    EXPECT_EQ(s.step.y, 3);
    EXPECT_EQ(s.brush.spacing, 10 / 3 + 3);
    // Touching the right edge clamps the point there; the next frame turns
    // it back.
    s.point = Point{596, 150};
    run.Frame();
    EXPECT_EQ(s.point.x, 600);
    EXPECT_EQ(s.step.x, -7);
    run.Frame();
    EXPECT_EQ(s.point.x, 593);
    EXPECT_EQ(s.previous.x, 600);
    s.point = Point{4, 1};
    s.step = Point{-7, -3};
    run.Frame();
    EXPECT_EQ(s.point.x, 0);
    EXPECT_EQ(s.point.y, 0);
    EXPECT_EQ(s.step.x, 7);
    EXPECT_EQ(s.step.y, 3);
    // The colour runs 1, 2, ... 235, 0, 1 ...
    EXPECT_EQ(s.color, 3);
    s.color = 234;
    run.Frame();
    EXPECT_EQ(s.color, 235);
    run.Frame();
    EXPECT_EQ(s.color, 0);
}

TEST(VectorWander, EveryStrokeIsDrawnOncePerCopyAndTile) {
    // A dot brush (plain lines) on a picture large enough that no copy
    // leaves it: the lit area grows with copies x tiles.
    auto lit = [](int symmetry, int tiles) {
        WanderRun run(400, 400);
        run.Set(kWanderType, 0);
        run.Set(kWanderSides, 1);
        run.Set(kWanderDiameter, 1);
        run.Set(kWanderSymmetry, symmetry);
        run.Set(kWanderXTiling, tiles);
        run.Set(kWanderYTiling, tiles);
        run.Start(6);
        run.Frames(3);
        return run.LitCount();
    };
    // Turned copies of a diagonal stroke are up to 1.4 times as many pixels
    // long; strokes in 2 x 2 tiles half as long.
    const double one = lit(1, 1);
    EXPECT_GT(one, 10);
    auto strokes = [&](int symmetry, int tiles) { return lit(symmetry, tiles) / one * tiles; };
    EXPECT_NEAR(strokes(1, 2), 4, 1);
    EXPECT_NEAR(strokes(8, 1), 8 * 1.2, 8 * 0.2);
    EXPECT_NEAR(strokes(8, 2), 32 * 1.2, 32 * 0.25);  // the defaults
}

TEST(VectorWander, ClosedDrawGateSkipsTheFrame) {
    WanderRun run(64, 48);
    run.Set(kWanderDrawStart, 80);
    run.Set(kWanderDrawStop, 90);
    run.Start(3);
    const Point start = State().point;
    EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(State().point.x, start.x);
    EXPECT_EQ(State().color, 0);
}

TEST(VectorWander, ANewRunForgetsTheLastOne) {
    {
        WanderRun run(64, 48);
        run.Start(1);
        run.Frames(5);
    }
    // Registered again (a new animation run) and drawn before any
    // DoInitialize: nothing of the old surface is used.
    WanderRun run(32, 24);
    EXPECT_EQ(State().initialized, 0);
    EXPECT_EQ(State().brush.dc, nullptr);
    EXPECT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.LitCount(), 0);
}

TEST(VectorWander, OddSurfacesUnderHeavyAndDrivenSettings) {
    StressOddSizes<WanderRun>(
        [](WanderRun& r) {
            r.Set(kWanderYSpeed, 60);
            r.Set(kWanderXSpeed, 1);
            r.Drive(kWanderType, kCheckRandom, 0, 17);
            r.Drive(kWanderSides, kCheckRandom, 1, 6);
            r.Drive(kWanderSides2, kCheckRandom, 1, 4);
            r.Drive(kWanderTileType, kCheckRandom, 0, 3);
            r.Oscillate(kWanderXTiling, 1, 8);
            r.Oscillate(kWanderYTiling, 8, 1);
            r.Oscillate(kWanderSymmetry, 1, 40);
            r.Oscillate(kWanderSweep, 1, 360);
            r.Oscillate(kWanderDiameter, 1, 320);
            r.Oscillate(kWanderDiameter2, 320, 1);
            r.Oscillate(kWanderRotation, -100, 100);
        },
        60);
}

// Golden pictures (see GoldenChecksum; ZTX_VECTOR_PICTURES writes them).
TEST(VectorWander, GoldenDefaultControls) {
    WanderRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "wander-default-300"), 0x9159872878d41ccaull);
}

TEST(VectorWander, GoldenNestedShapesAndCopies) {
    WanderRun run(640, 480);
    run.Set(kWanderXTiling, 1);
    run.Set(kWanderYTiling, 1);
    run.Set(kWanderType, 13);
    run.Set(kWanderSides, 3);
    run.Set(kWanderDiameter, 30);
    run.Set(kWanderSides2, 5);
    run.Set(kWanderDiameter2, 12);
    run.Set(kWanderSymmetry, 5);
    run.Set(kWanderSweep, 300);
    run.Set(kWanderYSpeed, 9);
    EXPECT_EQ(GoldenChecksum(run, 4242, 300, "wander-shapes-300"), 0x8e9e90bfba7b4a9eull);
}

}  // namespace
}  // namespace ztx
