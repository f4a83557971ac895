// The Whip module on a virtual clock: its control table, the traced curve,
// an "Angularity" of 1, the replayed eraser and the full trail, the brush
// angles that carry over, the draw gate, failures, odd surfaces and golden
// pictures.
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include <cmath>

#include "modules/vector/whip.h"

namespace ztx {
namespace {

class WhipRun : public ModuleRun {
public:
    WhipRun(int width, int height) : ModuleRun(kSlotWhip, width, height) {}
};

WhipState& State() {
    WhipState* s = WhipWorkingState();
    EXPECT_NE(s, nullptr);
    static WhipState empty{};
    return s ? *s : empty;
}

TEST(VectorWhip, RegisteredInSlotTenWithItsControls) {
    const ExpectedControl table[] = {
        {0, 0, "Whips", 1, 20, 1, false},
        {2, 2, "Trail Length", 1, 100, 2, false},
        {4, 4, "Speed", 1, 320, 6, true},
        {8, 5, "Duration", 1, 1000, 30, false},
        {9, 9, "Strength", -10, 10, 1, false},
        {10, 10, "X Tiling", 1, 20, 1, true},
        {11, 11, "Y Tiling", 1, 20, 1, true},
        {12, 12, "Tile Type", 0, 3, 0, false},
        {14, 1, "Symmetry", 1, 32, 1, true},
        {15, -1, "Sweep", 1, 360, 360, true},
        {16, 14, "Angularity", 1, 100, 60, false},
        {17, 15, "Density", 1, 1000, 100, false},
        {18, 16, "Frequency", 1, 30, 8, true},
        {19, 17, "Offset", 1, 30, 2, true},
        {20, 8, "Type", 0, 17, 2, false},
        {21, 3, "Diameter", 1, 200, 60, true},
        {22, 6, "Rotation", -100, 100, 10, true},
        {23, 7, "Sides", 1, 10, 4, false},
        {24, 20, "Diameter (2)", 1, 200, 60, true},
        {25, 21, "Rotation  (2)", -100, 100, 10, true},
        {26, 22, "Sides (2)", 1, 10, 4, false},
        {27, 23, "Diameter (3)", 1, 200, 60, true},
        {28, 24, "Rotation  (3)", -100, 100, 10, true},
        {29, 25, "Sides (3)", 1, 10, 4, false},
        {30, -1, "Draw Start", 0, 100, 0, false},
        {31, -1, "Draw Stop", 0, 100, 100, false},
    };
    ExpectRegistered(kSlotWhip, "Whip", {WhipDefineControls, WhipDrawFrame, WhipAllocate, WhipInitialize, WhipClose},
                     table);
}

TEST(VectorWhip, CurvePointsRunFromTheFirstToTheLastControlPoint) {
    const Point p[4] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    EXPECT_EQ(WhipCurvePoint(p, 0, 10).x, 0);
    EXPECT_EQ(WhipCurvePoint(p, 10, 10).y, 100);
    EXPECT_EQ(WhipCurvePoint(p, 10, 10).x, 0);
    // Half way: (0 + 3 x 100 + 3 x 100 + 0) / 8 = 75 across, 50 down.
    EXPECT_EQ(WhipCurvePoint(p, 5, 10).x, 75);
    EXPECT_EQ(WhipCurvePoint(p, 5, 10).y, 50);
}

TEST(VectorWhip, AngularityOneDrawsAStraightStrokeBetweenTheEnds) {
    WhipRun run(400, 300);
    run.Set(kWhipAngularity, 1);
    run.Set(kWhipSides, 1);  // a plain line as wide as the pulsing size
    run.Set(kWhipDiameter, 6);
    run.Set(kWhipTrailLength, 100);
    run.Start(12);
    run.Frame();
    const Point a = State().drawer.position[0], b = State().drawer.position[3];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    ASSERT_GT(length, 20);
    int lit = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            if (!run.At(x, y)) continue;
            ++lit;
            const double along = ((x - a.x) * (b.x - a.x) + (y - a.y) * (b.y - a.y)) / length;
            const double across = std::fabs((x - a.x) * (b.y - a.y) - (y - a.y) * (b.x - a.x)) / length;
            EXPECT_LE(across, 5.0) << x << "," << y;
            EXPECT_GE(along, -6.0);
            EXPECT_LE(along, length + 6.0);
        }
    }
    EXPECT_GT(lit, length);
}

// A short trail replays every frame in black, so the restart leaves a black
// screen; "Trail Length" 100 never erases.
TEST(VectorWhip, TheEraserReplaysExactlyWhatWasDrawn) {
    for (int trail : {3, 100}) {
        SCOPED_TRACE(trail);
        WhipRun run(320, 240);
        run.Set(kWhipTrailLength, trail);
        run.Set(kWhipDuration, 1);
        run.Set(kWhipWhips, 3);
        run.Set(kWhipSymmetry, 3);
        run.Set(kWhipXTiling, 2);
        run.Set(kWhipType, 4);
        run.Set(kWhipDensity, 15);
        run.Set(kWhipAngularity, 30);
        run.Oscillate(kWhipDiameter, 10, 60);
        run.Oscillate(kWhipSpeed, 1, 20);
        run.Start(21);
        const uint32_t first = State().deadline;
        run.Frames(30);
        EXPECT_GT(run.LitCount(), 1000);
        ASSERT_TRUE(RunUntilRestart<WhipRun>(run, [&] { return State().deadline != first; }, 200));
        if (trail == 100) {
            EXPECT_GT(run.LitCount(), 1000);
        } else {
            EXPECT_EQ(run.LitCount(), 0);
        }
    }
}

TEST(VectorWhip, BrushAnglesAccumulateTheStepsFromFrameToFrame) {
    WhipRun run(160, 120);
    run.Start(2);
    const float start = State().angle[0], step = State().frame.brush.step[0];
    EXPECT_FLOAT_EQ(step, 10 * 0.007f);
    EXPECT_EQ(State().frame.brush.fillMode, kBrushOutline);  // type 2
    run.Frames(5);
    EXPECT_NEAR(State().angle[0], start + 5 * step, 1e-5);
    EXPECT_EQ(State().frame.brush.angle[0], State().angle[0]);
}

TEST(VectorWhip, ClosedDrawGateSkipsTheFrame) {
    WhipRun run(64, 48);
    run.Set(kWhipDrawStart, 80);
    run.Set(kWhipDrawStop, 90);
    run.Start(3);
    const Point p = State().drawer.position[0];
    EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(State().drawer.position[0].x, p.x);
    EXPECT_EQ(State().color.index, 0);
}

TEST(VectorWhip, FailedAllocationOrNoSurfaceDrawsNothing) {
    WhipRun run(64, 48);
    FailModuleAllocations(1);
    run.Start(1);
    EXPECT_EQ(WhipWorkingState(), nullptr);
    run.Frames(10);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(run.Close(), 0);
    FailModuleAllocations(0);
    run.Record().Dc = nullptr;
    run.Start(1);
    run.Frames(10);
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.LitCount(), 0);
}

TEST(VectorWhip, OddSurfacesUnderHeavyAndDrivenSettings) {
    StressOddSizes<WhipRun>(
        [](WhipRun& r) {
            r.Set(kWhipWhips, 20);
            r.Set(kWhipTrailLength, 3);
            r.Set(kWhipDuration, 1);
            r.Set(kWhipAngularity, 20);
            r.Drive(kWhipType, kCheckRandom, 0, 17);
            r.Drive(kWhipSides, kCheckRandom, 1, 5);
            r.Drive(kWhipSides2, kCheckRandom, 1, 4);
            r.Drive(kWhipDensity, kCheckRandom, 1, 1000);
            r.Drive(kWhipTileType, kCheckRandom, 0, 3);
            r.Oscillate(kWhipSpeed, 1, 320);
            r.Oscillate(kWhipXTiling, 1, 4);
            r.Oscillate(kWhipYTiling, 4, 1);
            r.Oscillate(kWhipSymmetry, 1, 6);
            r.Oscillate(kWhipFrequency, 1, 30);
            r.Oscillate(kWhipOffset, 30, 1);
            r.Oscillate(kWhipDiameter, 1, 200);
        },
        40);
}

// Golden pictures (see GoldenChecksum; ZTX_VECTOR_PICTURES writes them).
TEST(VectorWhip, GoldenDefaultControls) {
    WhipRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "whip-default-300"), 0xc779baae819ea2b4ull);
}

TEST(VectorWhip, GoldenManyWhipsCopiesAndTiles) {
    WhipRun run(640, 480);
    run.Set(kWhipWhips, 5);
    run.Set(kWhipTrailLength, 20);
    run.Set(kWhipSymmetry, 3);
    run.Set(kWhipXTiling, 2);
    run.Set(kWhipTileType, 3);
    run.Set(kWhipType, 1);
    run.Set(kWhipSides, 3);
    run.Set(kWhipDiameter, 20);
    run.Set(kWhipDensity, 5);
    EXPECT_EQ(GoldenChecksum(run, 4242, 150, "whip-busy-150"), 0x12555a08c58e0bc0ull);
}

}  // namespace
}  // namespace ztx
