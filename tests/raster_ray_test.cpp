// The Ray module on a virtual clock: its controls, the line around the ring,
// rotation and modulation, failures, odd sizes and golden pictures
// (ZTX_VECTOR_PICTURES writes them as PPM files).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/framework/module_memory.h"
#include "modules/raster/ray.h"
#include "tests/module_run.h"

namespace ztx {
namespace {

constexpr int kFirstEntry = 10;  // device index of palette entry 0

class RayRun : public ModuleRun {
public:
    RayRun(int width, int height) : ModuleRun(kSlotRay, width, height) {}
    std::vector<uint8_t> Line() const {
        const auto line = RayLine();
        return {line.begin(), line.end()};
    }
};

TEST(RasterRay, RegisteredInSlotNineWithItsControls) {
    ExpectControlTable(kSlotRay, "Ray",
                       {
                           {0, 0, "Frequency", 1, 200, 50, true},
                           {1, 1, "Amplitude", 1, 200, 12, true},
                           {2, 2, "Density", 1, 500, 1},
                           {3, 3, "Folding", 0, 20, 2, true},
                           {4, 4, "Shift Rate", -500, 500, 3, true},
                           {5, 5, "Ray Type", 0, 3, 0},
                           {8, 6, "Duration", 0, 1000, 20},
                           {9, 9, "Strength", -10, 10, 1},
                           {10, 10, "X Tiling", 1, 20, 1, true},
                           {11, 11, "Y Tiling", 1, 20, 1, true},
                           {12, 12, "Tile Type", 0, 3, 0},
                           {14, 14, "Diffuse", 0, 64, 0, true},
                           {30, -1, "Draw Start", 0, 100, 0},
                           {31, -1, "Draw Stop", 0, 100, 100},
                       });
}

// Unfolded, the outer ring shows the whole line counter-clockwise from the
// bottom-left corner.
TEST(RasterRay, TheOuterRingShowsTheWholeLine) {
    const int W = 50, H = 30;
    RayRun run(W, H);
    run.Fix(kRayFolding, 0);
    run.Start(2);
    run.Frame();
    const std::vector<uint8_t> line = run.Line();
    ASSERT_EQ(line.size(), size_t(2 * (W + H)));
    // Sides are drawn bottom, right, top, left; later ones take the corners.
    for (int x = 1; x < W - 1; ++x) ASSERT_EQ(run.At(x, H - 1), kFirstEntry + line[x]) << "bottom " << x;
    for (int x = 1; x < W; ++x) ASSERT_EQ(run.At(x, 0), kFirstEntry + line[2 * W + H - 1 - x]) << "top " << x;
    for (int j = 0; j < H - 1; ++j) ASSERT_EQ(run.At(W - 1, H - 1 - j), kFirstEntry + line[W + j]) << "right " << j;
    for (int j = 0; j < H; ++j) ASSERT_EQ(run.At(0, H - 1 - j), kFirstEntry + line[2 * W + 2 * H - 1 - j]) << j;
}

// Rotation and a modulation by byte value commute: a run shifted by s ends
// with the line of an unshifted run rotated by s.
TEST(RasterRay, ShiftRateRotatesTheLine) {
    auto lineAfter = [](int shift, int frames) {
        RayRun run(40, 24);
        run.Fix(kRayType, 1);
        run.Fix(kRayShiftRate, shift);
        run.Start(6);
        run.Frames(frames);
        return run.Line();
    };
    const std::vector<uint8_t> still = lineAfter(0, 2);
    const int L = int(still.size());
    for (int shift : {3, -5, 500, -500}) {
        const std::vector<uint8_t> moved = lineAfter(shift, 2);
        for (int i = 0; i < L; ++i)
            ASSERT_EQ(moved[i], still[((i + 2 * shift) % L + L) % L]) << "shift " << shift << " at " << i;
    }
}

// "+ A + 1": without a shift, every byte still changes each frame, and every
// byte stays a palette entry whatever the type.
TEST(RasterRay, ModulationChangesEveryByteAndStaysInThePalette) {
    RayRun run(64, 48);
    run.Fix(kRayType, 1);
    run.Fix(kRayShiftRate, 0);
    run.Fix(kRayAmplitude, 100);
    run.Fix(kRayDuration, 0);
    run.Start(9);
    for (int f = 0; f < 20; ++f) {
        const std::vector<uint8_t> before = run.Line();
        run.Frame();
        const std::vector<uint8_t> after = run.Line();
        for (size_t i = 0; i < after.size(); ++i) ASSERT_NE(after[i], before[i]) << "frame " << f << " byte " << i;
    }
    for (int type = 0; type < 4; ++type) {
        RayRun each(64, 48);
        each.Fix(kRayType, type);
        each.Fix(kRayAmplitude, 200);
        each.Fix(kRayFrequency, 1 + 60 * type);
        each.Start(10);
        each.Frames(30);
        for (uint8_t b : each.Line()) ASSERT_LT(b, 236) << type;
    }
}

TEST(RasterRay, FailedAllocationReportsAndDrawsNothing) {
    for (int failAt = 0; failAt < 5; ++failAt) {
        RayRun run(32, 20);
        FailModuleAllocations(1, failAt);
        testing::internal::CaptureStderr();
        run.Start(8);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Could not allocate buffers"), std::string::npos);
        run.Frames(20);
        EXPECT_EQ(run.LitCount(), 0) << failAt;
        EXPECT_TRUE(RayLine().empty());
        FailModuleAllocations(0);
    }
}

TEST(RasterRay, OddSizesEveryTypeAndDrivenControls) {
    for (int type = 0; type < 4; ++type) {
        for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {9, 3}}) {
            StressModule<RayRun>(
                w, h,
                [type](RayRun& r) {
                    r.Set(kRayType, type);
                    r.Set(kRayDuration, 0);
                    r.Oscillate(kRayFrequency, 1, 200);
                    r.Oscillate(kRayAmplitude, 1, 200);
                    r.Oscillate(kRayDensity, 1, 500);
                    r.Oscillate(kRayFolding, 0, 20);
                    r.Oscillate(kRayShiftRate, -500, 500);
                    r.Oscillate(kRayXTiling, 1, 5);
                    r.Oscillate(kRayYTiling, 1, 5);
                    r.Oscillate(kRayDiffuse, 0, 64);
                    r.Randomize(kRayTileType, 0, 3);
                },
                150);
        }
    }
    StressModule<RayRun>(
        3840, 2160, [](RayRun& r) { r.Set(kRayFolding, 0); }, 6);
}

TEST(RasterRay, FixedSeedGivesTheSamePicture) {
    EXPECT_EQ(GoldenOf<RayRun>(320, 200, 20261208, 40, "ray_default", [](RayRun&) {}), 13775548813263436511ull);
    EXPECT_EQ(GoldenOf<RayRun>(320, 200, 4242, 200, "ray_busy",
                               [](RayRun& busy) {
                                   busy.Set(kRayType, 2);
                                   busy.Set(kRayFolding, 0);
                                   busy.Set(kRayXTiling, 3);
                                   busy.Set(kRayYTiling, 2);
                                   busy.Set(kRayDiffuse, 6);
                                   busy.Set(kRayShiftRate, -40);
                                   busy.Set(kRayDuration, 0);
                               }),
              18091584559008269443ull);
}

}  // namespace
}  // namespace ztx
