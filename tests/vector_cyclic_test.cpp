// The Cyclic module on a virtual clock: its control table, the objects'
// start, the speed divisor, the pulsing brush, the replayed eraser (a
// restart leaves a black screen, a full trail leaves everything), the draw
// gate, failures, odd surfaces and golden pictures.
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include <cmath>

#include "modules/vector/cyclic.h"

namespace ztx {
namespace {

class CyclicRun : public ModuleRun {
public:
    CyclicRun(int width, int height) : ModuleRun(kSlotCyclic, width, height) {}
};

CyclicState& State() {
    CyclicState* s = CyclicWorkingState();
    EXPECT_NE(s, nullptr);
    static CyclicState empty{};
    return s ? *s : empty;
}

TEST(VectorCyclic, RegisteredInSlotOneWithItsControls) {
    const ExpectedControl table[] = {
        {0, 0, "Objects", 1, 99, 4, false},
        {1, 1, "Spasticity", -50, 50, 25, true},
        {2, 2, "Trail Length", 1, 100, 100, false},
        {8, 8, "Duration", 1, 1000, 30, false},
        {9, 9, "Strength", -10, 10, 1, false},
        {10, 10, "X Tiling", 1, 20, 1, true},
        {11, 11, "Y Tiling", 1, 20, 1, true},
        {12, 12, "Tile Type", 0, 3, 0, false},
        {14, 4, "Symmetry", 1, 32, 1, true},
        {15, -1, "Sweep", 1, 360, 360, true},
        {20, 7, "Type", 0, 17, 0, false},
        {21, 3, "Diameter", 0, 320, 100, true},
        {22, 5, "Rotation", -100, 100, 10, true},
        {23, 6, "Sides", 1, 10, 1, false},
        {24, 14, "Diameter (2)", 0, 320, 100, true},
        {25, 15, "Rotation  (2)", -100, 100, 10, true},
        {26, 16, "Sides (2)", 1, 10, 1, false},
        {27, 17, "Diameter (3)", 0, 320, 100, true},
        {28, 18, "Rotation  (3)", -100, 100, 10, true},
        {29, 19, "Sides (3)", 1, 10, 1, false},
        {30, -1, "Draw Start", 0, 100, 0, false},
        {31, -1, "Draw Stop", 0, 100, 100, false},
    };
    ExpectRegistered(kSlotCyclic, "Cyclic",
                     {CyclicDefineControls, CyclicDrawFrame, CyclicAllocate, CyclicInitialize, CyclicClose}, table);
}

TEST(VectorCyclic, ObjectsStartAtTheCentreSpreadOverAFullTurn) {
    CyclicRun run(300, 200);
    run.Set(kCyclicObjects, 5);
    run.Start(17);
    const CyclicState& s = State();
    ASSERT_EQ(s.count, 5);
    EXPECT_EQ(s.radius, 150.0f);
    EXPECT_GE(s.xFormula, 1);
    EXPECT_LE(s.xFormula, 8);
    // One step at the start: everything came from the centre, and the drawer
    // and the eraser start alike.
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(s.drawer.object[k].previousX, 150);
        EXPECT_EQ(s.drawer.object[k].previousY, 100);
        EXPECT_LE(std::abs(s.drawer.object[k].x - 150), 150);
        EXPECT_LE(std::abs(s.drawer.object[k].y - 100), 150);
        EXPECT_EQ(s.eraser.object[k].x, s.drawer.object[k].x);
    }
    // The last object's angle started at 0, each one before it a fifth of a
    // turn further; all have turned alike since.
    const float turned = s.drawer.object[4].phi;
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(s.drawer.object[k].phi - turned, (4 - k) * 6.283184f / 5, 1e-5f);
}

TEST(VectorCyclic, SpasticitySetsTheSpeed) {
    EXPECT_EQ(CyclicDivisor(50), 1.0f);
    EXPECT_EQ(CyclicDivisor(1), 50.0f);
    EXPECT_EQ(CyclicDivisor(0), 1.0f);
    EXPECT_EQ(CyclicDivisor(-50), 751.0f);
    // Rates are (u + 0.05) / (3s), / (5s), / (4s), and the spacing of the
    // stamps follows the control too.
    for (int spasticity : {-50, 50}) {
        CyclicRun run(64, 48);
        run.Set(kCyclicSpasticity, spasticity);
        run.Start(5);
        const float s = CyclicDivisor(spasticity);
        const CyclicFrame& f = State().frame;
        EXPECT_GE(f.rateA, 0.05f / (3 * s) - 1e-7f);
        EXPECT_LE(f.rateA, 1.05f / (3 * s));
        EXPECT_LE(f.rateB, 1.05f / (5 * s));
        EXPECT_LE(f.rateC, 1.05f / (4 * s));
        EXPECT_EQ(f.brush.spacing, (spasticity + 51) / 10 + 1);
    }
}

TEST(VectorCyclic, DiameterZeroPulsesTheThreeSizes) {
    CyclicRun run(200, 150);
    run.Set(kCyclicDiameter, 0);
    run.Set(kCyclicDuration, 1000);
    run.Start(8);
    EXPECT_EQ(State().pulsing, 1);
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {0, 0, 0};
    for (int frame = 0; frame < 3000; ++frame) {
        run.Frame();
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], State().frame.brush.size[i]);
            hi[i] = std::max(hi[i], State().frame.brush.size[i]);
        }
    }
    const float bounds[3][2] = {{70, 140}, {30, 60}, {10, 20}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(lo[i], bounds[i][0]) << i;
        EXPECT_LE(hi[i], bounds[i][1]) << i;
        EXPECT_GT(hi[i] - lo[i], (bounds[i][1] - bounds[i][0]) / 2) << i;
    }
    // Any other diameter holds still.
    CyclicRun still(200, 150);
    still.Start(8);
    EXPECT_EQ(State().pulsing, 0);
    still.Frames(50);
    EXPECT_EQ(State().frame.brush.size[0], 100.0f);
}

// With a short trail the eraser replays every stroke in black, so the
// restart after "Duration" leaves nothing on the screen, whatever the brush,
// copies and tiles; with the longest trail nothing is ever erased.
TEST(VectorCyclic, TheEraserReplaysExactlyWhatWasDrawn) {
    for (int trail : {5, 100}) {
        SCOPED_TRACE(trail);
        CyclicRun run(320, 240);
        run.Set(kCyclicTrailLength, trail);
        run.Set(kCyclicDuration, 2);
        run.Set(kCyclicObjects, 6);
        run.Set(kCyclicType, 1);
        run.Set(kCyclicSides, 4);
        run.Set(kCyclicDiameter, 0);
        run.Set(kCyclicSymmetry, 3);
        run.Set(kCyclicSweep, 200);
        run.Set(kCyclicXTiling, 2);
        run.Oscillate(kCyclicRotation, -100, 100);
        run.Start(99);
        const uint32_t first = State().deadline;
        run.Frames(30);
        EXPECT_GT(run.LitCount(), 1000);
        ASSERT_TRUE(RunUntilRestart<CyclicRun>(run, [&] { return State().deadline != first; }, 200));
        if (trail == 100) {
            EXPECT_GT(run.LitCount(), 1000);
        } else {
            EXPECT_EQ(run.LitCount(), 0);
        }
    }
}

TEST(VectorCyclic, ClosedDrawGateSkipsTheFrame) {
    CyclicRun run(64, 48);
    run.Set(kCyclicDrawStart, 80);
    run.Set(kCyclicDrawStop, 90);  // the gate starts near 50
    run.Start(3);
    const int x = State().drawer.object[0].x;
    EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(State().color.index, 0);
    EXPECT_EQ(State().drawer.object[0].previousX, 32);
    EXPECT_EQ(State().drawer.object[0].x, x);
}

TEST(VectorCyclic, FailedAllocationOrNoSurfaceDrawsNothing) {
    CyclicRun run(64, 48);
    FailModuleAllocations(1);
    run.Start(1);
    EXPECT_EQ(CyclicWorkingState(), nullptr);
    run.Frames(20);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(run.Close(), 0);
    FailModuleAllocations(0);
    run.Record().Dc = nullptr;
    run.Start(1);
    run.Frames(20);
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.LitCount(), 0);
}

TEST(VectorCyclic, OddSurfacesUnderHeavyAndDrivenSettings) {
    StressOddSizes<CyclicRun>(
        [](CyclicRun& r) {
            r.Set(kCyclicObjects, 30);
            r.Set(kCyclicTrailLength, 3);
            r.Set(kCyclicDuration, 1);
            r.Drive(kCyclicType, kCheckRandom, 0, 17);
            r.Drive(kCyclicSides, kCheckRandom, 1, 5);
            r.Drive(kCyclicSides2, kCheckRandom, 1, 4);
            r.Drive(kCyclicTileType, kCheckRandom, 0, 3);
            r.Oscillate(kCyclicSpasticity, -50, 50);
            r.Oscillate(kCyclicXTiling, 1, 3);
            r.Oscillate(kCyclicYTiling, 3, 1);
            r.Oscillate(kCyclicSymmetry, 1, 6);
            r.Oscillate(kCyclicSweep, 1, 360);
            r.Oscillate(kCyclicDiameter, 0, 320);
            r.Oscillate(kCyclicDiameter2, 320, 0);
            r.Oscillate(kCyclicRotation3, -100, 100);
        },
        80);
}

// Golden pictures (see GoldenChecksum; ZTX_VECTOR_PICTURES writes them).
TEST(VectorCyclic, GoldenDefaultControls) {
    CyclicRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "cyclic-default-300"), 0x76a275ee0b5a4563ull);
}

TEST(VectorCyclic, GoldenShapesSymmetryAndTiles) {
    CyclicRun run(640, 480);
    run.Set(kCyclicObjects, 7);
    run.Set(kCyclicType, 4);
    run.Set(kCyclicSides, 5);
    run.Set(kCyclicDiameter, 30);
    run.Set(kCyclicSymmetry, 3);
    run.Set(kCyclicSweep, 300);
    run.Set(kCyclicXTiling, 2);
    run.Set(kCyclicYTiling, 2);
    run.Set(kCyclicTileType, 2);
    run.Set(kCyclicTrailLength, 20);
    EXPECT_EQ(GoldenChecksum(run, 4242, 200, "cyclic-busy-200"), 0x1b33c3f8116f3007ull);
}

}  // namespace
}  // namespace ztx
