// The Sphere module: its controls, the balls and where they land, wedge
// clipping and its switch-off, ball sizes, failures, odd sizes and golden
// checksums.
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include "modules/framework/module_memory.h"
#include "modules/vector/sphere.h"

namespace ztx {
namespace {

class SphereRun : public ModuleRun {
public:
    SphereRun(int width, int height) : ModuleRun(kSlotSphere, width, height) {}
    // Fixed clipping, reflection, shape and radius instead of drawn ones.
    void Plain(int clip, int radius) {
        Fix(kSphereClip, clip);
        Fix(kSphereReflect, 0);
        Fix(kSphereType, 0);
        Fix(kSphereRadius, radius);
    }
    // Bounding box of the lit pixels within `area` (the whole picture when
    // left out).
    Rect LitBox(Rect area = Rect{0, 0, 1 << 30, 1 << 30}) const {
        area = IntersectRects(area, Rect{0, 0, Width(), Height()});
        Rect box{area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (At(x, y)) box = Rect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                                         std::max(box.bottom, y + 1)};
        return box;
    }
};

TEST(VectorSphere, RegisteredInSlotFiveWithItsControls) {
    SphereRun run(32, 24);
    const ModuleRecord& r = *run.record();
    EXPECT_STREQ(r.Name, "Sphere");
    EXPECT_EQ(r.DoClose, &SphereClose);
    ExpectControls(r, {
                              {0, 0, "Size", 15, 250, 100, true},
                              {1, 1, "Clip", 0, 1, 1, false, kCheckRandom},
                              {2, 2, "Reflect", 0, 1, 0, false, kCheckRandom},
                              {3, 3, "Random Size", 0, 1, 0},
                              {4, 4, "Clip Tiles", 0, 1, 0},
                              {5, 5, "Type", 0, 3, 0, false, kCheckRandom},
                              {7, 7, "Radius", 0, 100, 100, true, kCheckRandom},
                              {8, 3, "Duration", 1, 1000, 20},
                              {9, 9, "Strength", -10, 10, 1},
                              {10, 4, "X Tiling", 1, 20, 1, true},
                              {11, 5, "Y Tiling", 1, 20, 1, true},
                              {12, 6, "Tile Type", 0, 3, 0},
                              {14, 1, "Symmetry", 2, 128, 8, true},
                              {15, -1, "Sweep", 1, 360, 360, true},
                              {17, -1, "X Center", 0, 100, 50, true},
                              {18, -1, "Y Center", 0, 100, 50, true},
                              {30, -1, "Draw Start", 0, 100, 0},
                              {31, -1, "Draw Stop", 0, 100, 100},
                          });
}

TEST(VectorSphere, RadiusZeroStacksTheBallsOnTheApex) {
    SphereRun run(300, 200);
    run.Plain(0, 0);
    run.Start(3);
    run.Frames(5);
    // Every ball (size 100, ring colours from entry 0) lands on the centre:
    // the picture's centre is the ball's centre, the last non-empty ring.
    EXPECT_EQ(run.LitBox().left, 150 - 50);
    EXPECT_EQ(run.LitBox().right, 150 + 50);
    EXPECT_EQ(run.At(150, 100), DeviceIndexOfEntry(49));
    EXPECT_EQ(run.At(100, 100), DeviceIndexOfEntry(0));
    EXPECT_EQ(run.At(101, 100), DeviceIndexOfEntry(1));
    // Symmetry 4 over half a turn: the wedges cover x >= centre only.
    run.Fix(kSphereSweep, 180);
    run.Fix(kSphereSymmetry, 4);
    run.Plain(1, 0);
    run.Start(3);
    run.Clear();
    run.Frames(3);
    EXPECT_EQ(run.LitIn(0, 0, 150, 200), 0);
    EXPECT_GT(run.LitIn(150, 0, 300, 200), 3000);
}

TEST(VectorSphere, SymmetryTwoNeverClipsToWedges) {
    SphereRun run(200, 200);
    run.Plain(1, 50);
    run.Fix(kSphereSymmetry, 2);
    run.Start(9);
    EXPECT_EQ(SphereWorkingState()->clip, 0);
    run.Fix(kSphereSymmetry, 8);
    run.Start(9);
    EXPECT_EQ(SphereWorkingState()->clip, 1);
    // A driven symmetry that falls below 3 switches it off for the rest of
    // the run.
    run.Oscillate(kSphereSymmetry, 2, 2);
    run.Frames(1);
    EXPECT_EQ(SphereWorkingState()->clip, 0);
}

TEST(VectorSphere, BallSizesStayBetweenTenAndSize) {
    // 10 x 10 tiles of 40 x 40: S x 2 / 20 is 1, raised to 10.
    SphereRun run(400, 400);
    run.Plain(0, 0);
    run.Fix(kSphereSize, 15);
    run.Fix(kSphereXTiling, 10);
    run.Fix(kSphereYTiling, 10);
    run.Start(4);
    run.Frames(2);
    const Rect first = run.LitBox(Rect{0, 0, 40, 40});
    EXPECT_EQ(first.right - first.left, 10);
    EXPECT_EQ(first.left, 20 - 5);
    // Random sizes below 10 are raised too, and none exceeds "Size".
    SphereRun random(200, 200);
    random.Plain(0, 0);
    random.Fix(kSphereSize, 15);
    random.Fix(kSphereRandomSize, 1);
    random.Start(4);
    for (int f = 0; f < 30; ++f) {
        random.Clear();
        random.Frame();
        const Rect b = random.LitBox();
        ASSERT_GE(b.right - b.left, 9);
        ASSERT_LE(b.right - b.left, 15);
    }
}

TEST(VectorSphere, ClosedGateAndTextBoxes) {
    SphereRun gated(120, 90);
    ExpectClosedGateDrawsNothing(gated, 1);
    SphereRun run(200, 150);
    run.Fix(kSphereXTiling, 2);
    ExpectTextBoxUncovered(run, 1, 30);
}

TEST(VectorSphere, FailedAllocationsDrawNothingUntilALaterRestart) {
    for (int after : {0, 1}) {  // the state, then the ball pictures
        SCOPED_TRACE(after);
        SphereRun run(120, 90);
        FailModuleAllocations(1, after);
        run.Start(1);
        for (int f = 0; f < 20; ++f) EXPECT_EQ(run.Frame(), 0);
        EXPECT_EQ(run.LitCount(), 0);
        FailModuleAllocations(0);
        if (after == 1) {
            run.Clock().Advance(25000);  // past "Duration": new balls
            run.Frames(2);
            EXPECT_GT(run.LitCount(), 0);
        }
        EXPECT_EQ(run.Close(), 0);
        EXPECT_EQ(run.Close(), 0);
    }
}

void EverythingDriven(SphereRun& r) {
    r.Oscillate(kSphereSize, 15, 250);
    r.Oscillate(kSphereRadius, 100, 0);
    r.Oscillate(kSphereXTiling, 1, 20);
    r.Oscillate(kSphereYTiling, 20, 1);
    r.Oscillate(kSphereSymmetry, 2, 128);
    r.Oscillate(kSphereSweep, 1, 360);
    r.Oscillate(kSphereXCenter, 0, 100);
    r.Oscillate(kSphereYCenter, 100, 0);
    r.Randomize(kSphereTileType, 0, 3);
    r.Randomize(kSphereRandomSize, 0, 1);
    r.Randomize(kSphereClipTiles, 0, 1);
    r.Fix(kSphereReflect, 1);
    r.Fix(kSphereDuration, 1);
}

TEST(VectorSphere, OddSizesAndDrivenControls) {
    for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {53, 7}}) {
        SCOPED_TRACE(w);
        StressModule<SphereRun>(w, h, EverythingDriven, 40);
    }
    StressModule<SphereRun>(3840, 2160, [](SphereRun& r) { r.Fix(kSphereSize, 250); }, 5);
}

TEST(VectorSphere, GoldenDefaultControls) {
    SphereRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 200, "sphere-default-200"), 0x4de751357c2ae3f3ull);
}

TEST(VectorSphere, GoldenTilesReflectedBars) {
    SphereRun run(640, 480);
    run.Fix(kSphereType, 2);
    run.Fix(kSphereReflect, 1);
    run.Fix(kSphereXTiling, 2);
    run.Fix(kSphereYTiling, 2);
    run.Fix(kSphereClipTiles, 1);
    run.Fix(kSphereTileType, 1);
    run.Fix(kSphereSymmetry, 12);
    EXPECT_EQ(GoldenChecksum(run, 777, 200, "sphere-tiles-200"), 0x38d941bf35d04753ull);
}

}  // namespace
}  // namespace ztx
