// The Squiggle module on a virtual clock: its control table, the lathe
// curve, a collapsed curve, the replayed eraser and the full trail, failed
// allocations, odd surfaces and golden pictures.
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include <cmath>

#include "modules/vector/squiggle.h"

namespace ztx {
namespace {

class SquiggleRun : public ModuleRun {
public:
    SquiggleRun(int width, int height) : ModuleRun(kSlotSquiggle, width, height) {}
};

SquiggleState& State() {
    SquiggleState* s = SquiggleWorkingState();
    EXPECT_NE(s, nullptr);
    static SquiggleState empty{};
    return s ? *s : empty;
}

TEST(VectorSquiggle, RegisteredInSlotThirteenWithItsControls) {
    const ExpectedControl table[] = {
        {0, 0, "Points", 2, 400, 40, false},
        {1, 1, "Lathe X", 2, 100, 9, false},
        {2, 2, "Lathe Y", 2, 100, 25, false},
        {3, 3, "Lathe Z", 2, 100, 22, false},
        {4, 4, "Radius", 0, 100, 90, false},
        {5, 5, "Rotate X", 0, 500, 32, true},
        {6, 6, "Rotate Y", 0, 500, 27, true},
        {7, 7, "Rotate Z", 0, 500, 16, true},
        {8, 16, "Duration", 1, 1000, 30, false},
        {9, 9, "Strength", -10, 10, 1, false},
        {10, 10, "X Tiling", 1, 20, 1, true},
        {11, 11, "Y Tiling", 1, 20, 1, true},
        {12, 12, "Tile Type", 0, 3, 0, false},
        {14, 14, "Symmetry", 1, 20, 3, true},
        {15, -1, "Sweep", 1, 360, 360, true},
        {17, 15, "Width", 1, 50, 1, false},
        {18, 8, "Trail Length", 1, 100, 100, false},
        {30, -1, "Draw Start", 0, 100, 0, false},
        {31, -1, "Draw Stop", 0, 100, 100, false},
    };
    ExpectRegistered(kSlotSquiggle, "Squiggle",
                     {SquiggleDefineControls, SquiggleDrawFrame, SquiggleAllocate, SquiggleInitialize, SquiggleClose},
                     table);
}

TEST(VectorSquiggle, TheCurveIsALatheFigureOfWholeNumbers) {
    SquiggleRun run(400, 300);
    run.Set(kSquigglePoints, 300);
    run.Set(kSquiggleLatheX, 2);
    run.Start(7);
    const SquiggleState& s = State();
    ASSERT_EQ(s.count, 300);
    // rho = 200 x 0.9: every coordinate a whole number within it; x covers
    // two radians in steps of 2 / 300, y (25 radians) swings through
    // everything.
    double yLow = 0, yHigh = 0;
    for (int j = 0; j < s.count; ++j) {
        const Point3& p = s.curve[j];
        for (double v : {p.x, p.y, p.z}) {
            EXPECT_EQ(v, std::trunc(v));
            EXPECT_LE(std::fabs(v), 180.0);
        }
        if (j > 0) {
            EXPECT_LE(std::fabs(p.x - s.curve[j - 1].x), 180 * 2.0 / 300 + 1);
        }
        yLow = std::min(yLow, p.y);
        yHigh = std::max(yHigh, p.y);
    }
    EXPECT_LT(yLow, -170);
    EXPECT_GT(yHigh, 170);
    EXPECT_FLOAT_EQ(s.rate[0], 32 / 3000.0f);
}

TEST(VectorSquiggle, RadiusZeroCollapsesTheCurveToTheCentre) {
    SquiggleRun run(200, 160);
    run.Set(kSquiggleRadius, 0);
    run.Set(kSquiggleWidth, 5);
    run.Start(3);
    for (int j = 0; j < State().count; ++j) EXPECT_EQ(State().curve[j].x, 0.0);
    run.Frames(30);
    EXPECT_GT(run.LitCount(), 0);
    EXPECT_EQ(run.LitCount(), run.LitIn(95, 75, 106, 86));
}

// A short trail replays every frame in black, so the restart leaves a black
// screen; "Trail Length" 100 never erases.
TEST(VectorSquiggle, TheEraserReplaysExactlyWhatWasDrawn) {
    for (int trail : {4, 100}) {
        SCOPED_TRACE(trail);
        SquiggleRun run(320, 240);
        run.Set(kSquiggleTrailLength, trail);
        run.Set(kSquiggleDuration, 2);
        run.Set(kSquiggleWidth, 3);
        run.Set(kSquiggleXTiling, 2);
        run.Set(kSquiggleYTiling, 3);
        run.Oscillate(kSquiggleSymmetry, 1, 6);
        run.Oscillate(kSquiggleRotateZ, 0, 500);
        run.Start(11);
        const uint32_t first = State().deadline;
        run.Frames(30);
        EXPECT_GT(run.LitCount(), 1000);
        ASSERT_TRUE(RunUntilRestart<SquiggleRun>(run, [&] { return State().deadline != first; }, 200));
        if (trail == 100) {
            EXPECT_GT(run.LitCount(), 1000);
        } else {
            EXPECT_EQ(run.LitCount(), 0);
        }
    }
}

TEST(VectorSquiggle, ClosedDrawGateSkipsTheFrame) {
    SquiggleRun run(64, 48);
    run.Set(kSquiggleDrawStart, 80);
    run.Set(kSquiggleDrawStop, 90);
    run.Start(3);
    EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(State().frame.angleX, 0.0f);
}

TEST(VectorSquiggle, FailedAllocationsDrawNothing) {
    // The state, the camera, the curve: each missing in turn.
    for (int after : {0, 1, 2}) {
        SCOPED_TRACE(after);
        SquiggleRun run(64, 48);
        FailModuleAllocations(1, after);
        run.Start(1);
        run.Frames(10);
        EXPECT_EQ(run.LitCount(), 0);
        EXPECT_EQ(run.Close(), 0);
        FailModuleAllocations(0);
    }
}

TEST(VectorSquiggle, OddSurfacesUnderHeavyAndDrivenSettings) {
    StressOddSizes<SquiggleRun>(
        [](SquiggleRun& r) {
            r.Set(kSquiggleRadius, 100);
            r.Set(kSquiggleTrailLength, 2);
            r.Set(kSquiggleDuration, 1);
            r.Drive(kSquigglePoints, kCheckRandom, 2, 400);
            r.Drive(kSquiggleTileType, kCheckRandom, 0, 3);
            r.Drive(kSquiggleWidth, kCheckRandom, 1, 50);
            r.Oscillate(kSquiggleRotateX, 0, 500);
            r.Oscillate(kSquiggleRotateY, 500, 0);
            r.Oscillate(kSquiggleXTiling, 1, 6);
            r.Oscillate(kSquiggleYTiling, 6, 1);
            r.Oscillate(kSquiggleSymmetry, 1, 20);
            r.Oscillate(kSquiggleSweep, 1, 360);
        },
        40);
}

// Golden pictures (see GoldenChecksum; ZTX_VECTOR_PICTURES writes them).
TEST(VectorSquiggle, GoldenDefaultControls) {
    SquiggleRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "squiggle-default-300"), 0xd15599894a1a53feull);
}

TEST(VectorSquiggle, GoldenWideTrailSymmetryAndTiles) {
    SquiggleRun run(640, 480);
    run.Set(kSquigglePoints, 200);
    run.Set(kSquiggleWidth, 3);
    run.Set(kSquiggleTrailLength, 5);
    run.Set(kSquiggleSymmetry, 5);
    run.Set(kSquiggleSweep, 270);
    run.Set(kSquiggleXTiling, 2);
    run.Set(kSquiggleYTiling, 2);
    run.Set(kSquiggleTileType, 1);
    EXPECT_EQ(GoldenChecksum(run, 4242, 100, "squiggle-busy-100"), 0x299338e5c2c80ffaull);
}

}  // namespace
}  // namespace ztx
