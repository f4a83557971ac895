// The Vortex module: its controls, the collapsing ring, the quadrilateral
// colours and their reversal, the pause and restart, failures, odd sizes and
// golden checksums.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "tests/module_run.h"

#include "modules/framework/module_memory.h"
#include "modules/vector/vortex.h"

namespace ztx {
namespace {

class VortexRun : public ModuleRun {
public:
    VortexRun(int width, int height) : ModuleRun(kSlotVortex, width, height) {}
};

VortexState& State() { return VortexWorkingState(); }

TEST(VectorVortex, RegisteredInSlotEightWithItsControls) {
    VortexRun run(32, 24);
    EXPECT_STREQ(run.record()->Name, "Vortex");
    EXPECT_EQ(run.record()->DoClose, &VortexClose);
    ExpectControls(*run.record(), {
                                          {0, 0, "Vertices", 2, 500, 60},
                                          {1, 1, "Spasticity", 1, 300, 300, true},
                                          {2, 2, "Amplitude", 1, 200, 20, true},
                                          {3, -1, "Reverses", 1, 100, 100},
                                          {4, 4, "Type", 0, 5, 1},
                                          {5, 5, "Collapse Rate", 1, 50, 5, true},
                                          {6, 6, "Radius Flux", 0, 100, 34, true},
                                          {7, 7, "Flux Amplitude", 0, 400, 0, true},
                                          {8, 3, "Duration", 0, 1000, 20},
                                          {9, 9, "Strength", -10, 10, 1},
                                          {10, 10, "X Tiling", 1, 20, 1, true},
                                          {11, 11, "Y Tiling", 1, 20, 1, true},
                                          {12, 12, "Tile Type", 0, 3, 0},
                                          {13, -1, "Clip Tiles", 0, 1, 1},
                                          {15, -1, "Checker", 0, 1, 0},
                                          {17, -1, "X Center", 0, 100, 50, true},
                                          {18, -1, "Y Center", 0, 100, 50, true},
                                          {30, -1, "Draw Start", 0, 100, 0},
                                          {31, -1, "Draw Stop", 0, 100, 100},
                                      });
}

TEST(VectorVortex, WithoutFluxTheRingStaysACircleAndShrinks) {
    VortexRun run(300, 200);
    run.Set(kVortexRadiusFlux, 0);
    run.Start(5);
    const VortexState& s = State();
    EXPECT_EQ(s.count, 60);
    EXPECT_NEAR(s.radius + s.collapse, std::hypot(150.0, 100.0), 1e-3);
    for (int frame = 0; frame < 20; ++frame) {
        const float r = s.radius;
        EXPECT_EQ(run.Frame(), kFrameSkipped);  // drawn frames say so too
        for (int i = 0; i < s.count; ++i) {
            const VortexVertex& v = s.vertices[i];
            ASSERT_NEAR(std::hypot(v.x - 150.0, v.y - 100.0), r, 1.5) << frame << " " << i;
        }
    }
    EXPECT_GT(run.LitCount(), 0);
}

TEST(VectorVortex, TwoVerticesPaintOneQuadrilateralTwiceInTheSecondColour) {
    VortexRun run(200, 200);
    run.Set(kVortexVertices, 2);
    run.Start(5);
    run.Frame();
    // Type 1: vertex 0 has colour 0, vertex 1 colour n - 1 = 1; on the first
    // drawn frame (step counter 1) the quadrilateral from vertex 1, drawn
    // second over the same pixels, takes 1000 - 1 - 1 = 998, entry 54.
    std::set<int> seen;
    for (uint8_t p : run.Pixels())
        if (p) seen.insert(p);
    EXPECT_EQ(seen, std::set<int>{DeviceIndexOfEntry(54)});
}

TEST(VectorVortex, ReversesFlipTheColourDirectionAndOneHundredNever) {
    for (int reverses : {5, 100}) {
        VortexRun run(200, 200);
        run.Set(kVortexReverses, reverses);
        run.Set(kVortexCollapseRate, 1);  // still spinning after 40 frames
        run.Start(5);
        int flips = 0, direction = State().direction;
        for (int f = 0; f < 40; ++f) {
            run.Frame();
            flips += State().direction != direction;
            direction = State().direction;
        }
        // The counter reaches 5 on frame 6, then every 5 frames.
        EXPECT_EQ(flips, reverses == 5 ? 7 : 0) << reverses;
    }
}

TEST(VectorVortex, AfterTheCollapseItPausesForDurationThenStartsAgain) {
    for (int duration : {0, 1}) {
        SCOPED_TRACE(duration);
        VortexRun run(100, 80);
        run.Set(kVortexDuration, duration);
        run.Set(kVortexCollapseRate, 50);
        run.Start(5);
        int frames = 0;
        while (State().visible && frames < 100) {
            EXPECT_EQ(run.Frame(), kFrameSkipped);
            ++frames;
        }
        ASSERT_LT(frames, 100);
        const int drawnFrames = State().stepCounter;
        // Waiting: every call is skipped until the pause is over.
        int waited = 0;
        while (run.Frame() == kFrameSkipped) {
            ASSERT_EQ(State().stepCounter, drawnFrames);
            ASSERT_LT(++waited, 100);
        }
        EXPECT_EQ(waited, duration == 0 ? 0 : 60);  // a second of frames
        EXPECT_EQ(State().stepCounter, 1);
        EXPECT_TRUE(State().visible);
    }
}

TEST(VectorVortex, ClosedGateAndTextBoxes) {
    VortexRun gated(120, 90);
    ExpectClosedGateDrawsNothing(gated, 1);
    VortexRun run(200, 150);
    run.Set(kVortexXTiling, 2);
    ExpectTextBoxUncovered(run, 1, 30);
}

TEST(VectorVortex, FailedAllocationDrawsNothingAndRetries) {
    VortexRun run(100, 80);
    run.Set(kVortexDuration, 1);
    FailModuleAllocations(1);
    run.Start(1);
    EXPECT_EQ(State().vertices, nullptr);
    run.Frames(30);
    EXPECT_EQ(run.LitCount(), 0);
    run.Frames(40);  // a second later it starts again
    EXPECT_NE(State().vertices, nullptr);
    EXPECT_GT(run.LitCount(), 0);
}

TEST(VectorVortex, OddSizesAndDrivenControls) {
    for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {3840, 2160}, {3, 50}}) {
        SCOPED_TRACE(w);
        VortexRun run(w, h);
        run.Randomize(kVortexVertices, 2, 500);
        run.Oscillate(kVortexSpasticity, 1, 300);
        run.Oscillate(kVortexAmplitude, 200, 1);
        run.Oscillate(kVortexCollapseRate, 1, 50);
        run.Oscillate(kVortexRadiusFlux, 0, 100);
        run.Oscillate(kVortexFluxAmplitude, 0, 400);
        run.Oscillate(kVortexXTiling, 1, 20);
        run.Oscillate(kVortexYTiling, 20, 1);
        run.Oscillate(kVortexXCenter, 0, 100);
        run.Oscillate(kVortexYCenter, 100, 0);
        run.Randomize(kVortexType, 0, 5);
        run.Randomize(kVortexTileType, 0, 3);
        run.Set(kVortexChecker, 1);
        run.Set(kVortexReverses, 3);
        run.Set(kVortexDuration, 0);
        run.Start(11);
        run.Frames(w > 1000 ? 20 : 300);
        for (uint8_t p : run.Pixels()) ASSERT_TRUE(p == 0 || (p >= 10 && p <= 245)) << int(p);
        EXPECT_EQ(run.Close(), 0);
    }
}

TEST(VectorVortex, GoldenDefaultControls) {
    VortexRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 120, "vortex-default-120"), 0x853da8a2e1f74b29ull);
}

TEST(VectorVortex, GoldenTilesFluxAndChecker) {
    VortexRun run(640, 480);
    run.Set(kVortexXTiling, 2);
    run.Set(kVortexYTiling, 2);
    run.Set(kVortexTileType, 2);
    run.Set(kVortexFluxAmplitude, 60);
    run.Set(kVortexChecker, 1);
    run.Set(kVortexType, 3);
    run.Set(kVortexVertices, 24);
    EXPECT_EQ(GoldenChecksum(run, 777, 120, "vortex-tiles-120"), 0x4eda68ad183c557cull);
}

}  // namespace
}  // namespace ztx
