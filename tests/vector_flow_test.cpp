// The Flow module on a virtual clock: its control table, the chain's
// geometry, the trail of chain states and what a restart leaves, the 3-D
// decision at the start of a run, failures, odd surfaces and golden
// pictures.
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include <cmath>

#include "modules/vector/flow.h"

namespace ztx {
namespace {

class FlowRun : public ModuleRun {
public:
    FlowRun(int width, int height) : ModuleRun(kSlotFlow, width, height) {}
};

FlowWork& Work() {
    FlowWork* w = FlowWorkingState();
    EXPECT_NE(w, nullptr);
    static FlowWork empty{};
    return w ? *w : empty;
}

TEST(VectorFlow, RegisteredInSlotElevenWithItsControls) {
    const ExpectedControl table[] = {
        {0, 0, "Sides", 3, 20, 5, true},
        {1, 1, "Thickness", 1, 50, 1, true},
        {2, 2, "X Rate", -100, 100, 15, true},
        {3, 3, "Y Rate", -100, 100, 11, true},
        {4, 4, "Rotate Rate", -100, 100, 1, true},
        {5, 8, "Depth", 1, 198, 32, true},
        {6, 6, "X Span", 1, 50, 20, true},
        {7, 7, "Y Span", 1, 50, 20, true},
        {8, 5, "Duration", 1, 1000, 30, false},
        {9, 9, "Strength", -10, 10, 1, false},
        {10, 10, "X Tiling", 1, 20, 1, true},
        {11, 11, "Y Tiling", 1, 20, 1, true},
        {12, 12, "Tile Type", 0, 3, 0, false},
        {14, 14, "Flux", 1, 50, 25, true},
        {15, 15, "Trail Length", 1, 30, 1, false},
        {16, 16, "X Rotation", -100, 100, 0, true},
        {17, 17, "Y Rotation", -100, 100, 0, true},
        {18, 18, "Z Rotation", -100, 100, 0, true},
        {19, 19, "Spacing", 0, 100, 25, true},
        {30, -1, "Draw Start", 0, 100, 0, false},
        {31, -1, "Draw Stop", 0, 100, 100, false},
    };
    ExpectRegistered(kSlotFlow, "Flow", {FlowDefineControls, FlowDrawFrame, FlowAllocate, FlowInitialize, FlowClose},
                     table);
}

TEST(VectorFlow, TheChainGrowsFromAPointAlongTheSinePaths) {
    FlowRun run(400, 300);
    run.Start(1);
    const FlowWork& w = Work();
    EXPECT_EQ(w.threeD, 0);
    // E = max(300 + 60, 400 + 80) (79.99... truncated for 20% of 400).
    EXPECT_NEAR(w.extent, 480.0f, 1);
    const FlowState& s = w.history[0];
    Point corners[kFlowMaxSides];
    // The first polygon has radius 0: every corner on its centre.
    ASSERT_EQ(FlowPolygon(w, s, 0, s.count, corners), 5);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(corners[k].x, corners[0].x);
    // Polygon i has radius i x E / n around its point of the two sine paths.
    const int i = 16;
    ASSERT_EQ(FlowPolygon(w, s, i, s.count, corners), 5);
    const int px = int(std::sin(i * 15 * 0.005f) * 80) + 200;
    const int py = int(std::sin(i * 11 * 0.005f) * 60) + 150;
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(std::hypot(corners[k].x - px, corners[k].y - py), i * w.extent / 32, 1.5);

    // A chain of one draws that single point.
    FlowRun dot(400, 300);
    dot.Set(kFlowDepth, 1);
    dot.Start(1);
    dot.Frame();
    EXPECT_EQ(dot.LitCount(), 1);
}

// Trail Length 1 keeps one chain on the screen, which the restart erases;
// a longer trail leaves the younger chains there after the restart.
TEST(VectorFlow, ARestartErasesOnlyTheOldestChainOnScreen) {
    for (int trail : {1, 6}) {
        SCOPED_TRACE(trail);
        FlowRun run(320, 240);
        run.Set(kFlowTrailLength, trail);
        run.Set(kFlowDuration, 1);
        run.Set(kFlowXTiling, 2);
        run.Set(kFlowThickness, 3);
        run.Start(5);
        const uint32_t first = Work().deadline;
        run.Frames(20);
        EXPECT_GT(run.LitCount(), 500);
        ASSERT_TRUE(RunUntilRestart<FlowRun>(run, [&] { return Work().deadline != first; }, 100));
        if (trail == 1) {
            EXPECT_EQ(run.LitCount(), 0);
        } else {
            EXPECT_GT(run.LitCount(), 500);
        }
        // The history starts again from the current controls.
        EXPECT_EQ(Work().history[1].count, 0);
    }
}

TEST(VectorFlow, TheThirdDimensionIsDecidedAtTheStartOfARun) {
    FlowRun run(320, 240);
    run.Start(2);
    run.Oscillate(kFlowYRotation, 50, 100);
    run.Frames(5);
    EXPECT_EQ(Work().threeD, 0);
    EXPECT_GT(Work().rate3d[1], 0.04f);
    EXPECT_GT(run.LitCount(), 0);
    // Set at the start, the chain is laid out in depth and seen in
    // perspective: polygons behind the camera are left out.
    FlowRun deep(320, 240);
    deep.Set(kFlowXRotation, 30);
    deep.Start(2);
    EXPECT_EQ(Work().threeD, 1);
    EXPECT_EQ(Work().camera->depth, kFlowCameraDepth);
    const FlowState& s = Work().history[0];
    Point corners[kFlowMaxSides];
    EXPECT_EQ(FlowPolygon(Work(), s, 0, s.count, corners), 0);  // z = -8000
    EXPECT_EQ(FlowPolygon(Work(), s, s.count - 1, s.count, corners), 5);
    deep.Frames(60);
    EXPECT_GT(deep.LitCount(), 0);
}

TEST(VectorFlow, ClosedDrawGateSkipsTheFrame) {
    FlowRun run(64, 48);
    run.Set(kFlowDrawStart, 80);
    run.Set(kFlowDrawStop, 90);
    run.Start(3);
    EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(Work().history[0].xPhase, 0.0f);
}

TEST(VectorFlow, FailedAllocationsDrawNothingOrNoDepth) {
    FlowRun run(64, 48);
    FailModuleAllocations(1);
    run.Start(1);
    EXPECT_EQ(FlowWorkingState(), nullptr);
    run.Frames(10);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(run.Close(), 0);
    // Without a camera a chain laid out in depth draws nothing.
    FailModuleAllocations(1, 1);
    run.Set(kFlowZRotation, 40);
    run.Start(1);
    ASSERT_NE(FlowWorkingState(), nullptr);
    EXPECT_EQ(Work().camera, nullptr);
    run.Frames(10);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(run.Close(), 0);
}

TEST(VectorFlow, OddSurfacesUnderHeavyAndDrivenSettings) {
    StressOddSizes<FlowRun>(
        [](FlowRun& r) {
            r.Set(kFlowTrailLength, 30);
            r.Set(kFlowDuration, 1);
            r.Drive(kFlowTileType, kCheckRandom, 0, 3);
            r.Drive(kFlowXRotation, kCheckRandom, -100, 100);
            r.Oscillate(kFlowSides, 3, 20);
            r.Oscillate(kFlowThickness, 1, 50);
            r.Oscillate(kFlowDepth, 1, 198);
            r.Oscillate(kFlowXTiling, 1, 6);
            r.Oscillate(kFlowYTiling, 6, 1);
            r.Oscillate(kFlowXSpan, 1, 50);
            r.Oscillate(kFlowFlux, 50, 1);
            r.Oscillate(kFlowSpacing, 0, 100);
            r.Oscillate(kFlowZRotation, -100, 100);
        },
        40);
}

// Golden pictures (see GoldenChecksum; ZTX_VECTOR_PICTURES writes them).
TEST(VectorFlow, GoldenDefaultControls) {
    FlowRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "flow-default-300"), 0xd1968bcbec4dece6ull);
}

TEST(VectorFlow, GoldenDepthTrailAndTiles) {
    FlowRun run(640, 480);
    run.Set(kFlowXRotation, 20);
    run.Set(kFlowYRotation, -13);
    run.Set(kFlowTrailLength, 8);
    run.Set(kFlowXTiling, 2);
    run.Set(kFlowYTiling, 2);
    run.Set(kFlowTileType, 1);
    run.Set(kFlowThickness, 2);
    EXPECT_EQ(GoldenChecksum(run, 4242, 200, "flow-deep-200"), 0x08888a88c9992b6bull);
}

}  // namespace
}  // namespace ztx
