// The Bezier module driven directly, frame by frame on a virtual clock: its
// edge cases, the eraser retracing the trail, restarts, failures, odd
// surface sizes and golden checksums of whole pictures.
//
// Set ZTX_VECTOR_PICTURES to a folder to have the golden pictures written
// there as PPM files (palette entries shown as a rainbow).
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "modules/vector/bezier.h"
#include "modules/vector/vector_kit.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/tiling.h"

namespace ztx {
namespace {

constexpr uint32_t kClockStart = ModuleRun::kClockStart;

class BezierRun : public ModuleRun {
public:
    BezierRun(int width, int height) : ModuleRun(kSlotBezier, width, height) {}
};

const BezierState& State() {
    const BezierState* s = BezierWorkingState();
    EXPECT_NE(s, nullptr);
    static BezierState empty{};
    return s ? *s : empty;
}

// The picture of one pen pass of curves through `points` (groups 0..3,
// 2..5, ... of the first `curves`), drawn with the drawing layer directly.
std::vector<uint8_t> CurvesPicture(int w, int h, const Point* points, int curves, int penWidth, int entry) {
    Bitmap8 b;
    CreateBitmap8(b, w, h);
    DrawContext dc;
    AttachBitmap(dc, b);
    SelectPen(dc, SolidPen(penWidth, PaletteIndexColor(entry)));
    for (int j = 0; j < curves; j += 2) DrawBezier(dc, points + j, 4);
    return b.pixels;
}

class VectorBezier : public ::testing::Test {
protected:
    void TearDown() override { FailModuleAllocations(0); }
};

TEST_F(VectorBezier, RegisteredInSlotZeroWithItsControls) {
    VirtualClock clock(kClockStart);
    SetClock(&clock);
    ResetModuleFramework();
    SetStoredSettingsLoader(nullptr);
    RegisterModules();
    const ModuleRecord& r = ModuleTable[kSlotBezier];
    EXPECT_STREQ(r.Name, "Bezier");
    EXPECT_EQ(r.DoDrawFrame, &BezierDrawFrame);
    EXPECT_EQ(r.DoPreInitialize, &BezierAllocate);
    EXPECT_EQ(r.DoAbout, nullptr);
    int defined = 0;
    for (int s = 0; s < kControlCount; ++s) defined += r.Defined[s];
    EXPECT_EQ(defined, 15);
    EXPECT_STREQ(r.ControlName[kStrengthSlot], "Strength");
    EXPECT_STREQ(r.ControlName[kDrawStartSlot], "Draw Start");
    EXPECT_STREQ(r.ControlName[kDrawStopSlot], "Draw Stop");
    ResetModuleFramework();
    SetClock(nullptr);
}

TEST_F(VectorBezier, OneBezierIsSixPointsAndOneCurveThroughPointsZeroToThree) {
    for (int beziers : {1, 2, 3}) {
        BezierRun run(200, 150);
        run.Set(kBezierBeziers, beziers);
        run.Set(kBezierSymmetry, 1);
        run.Set(kBezierWidth, 1);
        run.Start(31337);
        const BezierState& s = State();
        EXPECT_EQ(s.curves, beziers);
        EXPECT_EQ(s.points, 2 * beziers + 4);
        for (int i = 0; i < s.points; ++i) {
            EXPECT_GE(s.drawer.position[i].x, 5);
            EXPECT_LE(s.drawer.position[i].x, 200 - 5);
            EXPECT_GE(s.drawer.position[i].y, 5);
            EXPECT_LE(s.drawer.position[i].y, 150 - 5);
            EXPECT_EQ(std::abs(s.drawer.direction[i].x), 1);
            EXPECT_EQ(std::abs(s.drawer.direction[i].y), 1);
        }
        run.Frame();
        // The first frame draws in palette entry 1 with the moved points:
        // one curve (points 0..3) for 1 and 2 curves asked for, two (0..3
        // and 2..5) for 3.
        EXPECT_EQ(run.Pixels(), CurvesPicture(200, 150, s.drawer.position, beziers, 1, 1)) << beziers;
        EXPECT_GT(run.LitCount(), 0);
    }
}

TEST_F(VectorBezier, SpeedBeyondTheBoundsFlipsDirectionEveryFrameWithoutMoving) {
    // Width 1 on 16 x 12: x bounds -41 .. 57, y bounds -41 .. 53; any step
    // of 320 leaves them.
    BezierRun run(16, 12);
    run.Set(kBezierWidth, 1);
    run.Set(kBezierSpeed, 320);
    run.Set(kBezierTrailLength, 1);  // the eraser moves too, 3 frames behind
    run.Start(5);
    const BezierPoints start = State().drawer;
    for (int frame = 1; frame <= 12; ++frame) {
        run.Frame();
        const BezierState& s = State();
        const int sign = frame % 2 ? -1 : 1;
        for (int i = 0; i < s.points; ++i) {
            EXPECT_EQ(s.drawer.position[i].x, start.position[i].x);
            EXPECT_EQ(s.drawer.position[i].y, start.position[i].y);
            EXPECT_EQ(s.drawer.direction[i].x, sign * start.direction[i].x);
            EXPECT_EQ(s.drawer.direction[i].y, sign * start.direction[i].y);
            EXPECT_EQ(s.eraser.position[i].x, start.position[i].x);
        }
    }
}

TEST_F(VectorBezier, PointsBounceAtTheBoundsOfTheInitialWidth) {
    BezierRun run(100, 80);
    run.Set(kBezierWidth, 10);  // bounds -50 .. 150 and -50 .. 130 (exclusive ends)
    run.Set(kBezierSpeed, 7);
    run.Start(77);
    EXPECT_EQ(State().xLow, -50);
    EXPECT_EQ(State().xHigh, 150);
    EXPECT_EQ(State().yLow, -50);
    EXPECT_EQ(State().yHigh, 130);
    for (int frame = 0; frame < 400; ++frame) {
        const BezierPoints before = State().drawer;
        run.Frame();
        const BezierState& s = State();
        for (int i = 0; i < s.points; ++i) {
            const Point& p = s.drawer.position[i];
            ASSERT_GE(p.x, -50);
            ASSERT_LT(p.x, 150);
            ASSERT_GE(p.y, -50);
            ASSERT_LT(p.y, 130);
            // Either a step of 7 in the old direction, or a turn in place.
            const int nx = before.position[i].x + 7 * before.direction[i].x;
            if (nx >= 150 || nx < -50) {
                EXPECT_EQ(p.x, before.position[i].x);
                EXPECT_EQ(s.drawer.direction[i].x, -before.direction[i].x);
            } else {
                EXPECT_EQ(p.x, nx);
            }
        }
    }
}

TEST_F(VectorBezier, FullTrailNeverErasesAndRestartsLeaveThePicture) {
    // "Trail Length" 100 (T = 300): nothing drawn ever turns black again,
    // not even across restarts every second.
    BezierRun run(120, 90);
    run.Set(kBezierDuration, 1);
    run.Set(kBezierWidth, 3);
    run.Start(2024);
    EXPECT_EQ(State().trail.length, 300);
    std::vector<uint8_t> seen(run.Pixels().size(), 0);
    int restarts = 0;
    for (int frame = 0; frame < 400; ++frame) {
        run.Frame();
        if (State().color.index == 0) ++restarts;  // re-initialised in this frame
        const std::vector<uint8_t>& px = run.Pixels();
        for (size_t i = 0; i < px.size(); ++i) {
            if (seen[i]) {
                ASSERT_NE(px[i], 0) << "pixel " << i << " erased in frame " << frame;
            }
            seen[i] = seen[i] || px[i] != 0;
        }
    }
    EXPECT_GE(restarts, 5);
    EXPECT_GT(run.LitCount(), 1000);
    // Closing (a restart request) keeps the picture as well.
    const std::vector<uint8_t> before = run.Pixels();
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.Pixels(), before);
}

TEST_F(VectorBezier, RestartWithAShortTrailErasesEverythingFirst) {
    BezierRun run(120, 90);
    run.Set(kBezierDuration, 1);
    run.Set(kBezierTrailLength, 5);  // T = 15
    run.Set(kBezierSymmetry, 3);
    run.Start(99);
    int restarts = 0;
    for (int frame = 0; frame < 200; ++frame) {
        run.Frame();
        if (State().color.index == 0) {
            ++restarts;
            EXPECT_EQ(run.LitCount(), 0) << "frame " << frame;
        } else {
            EXPECT_GT(run.LitCount(), 0) << "frame " << frame;
        }
    }
    EXPECT_GE(restarts, 3);
}

// Runs the same seed and controls twice: once keeping every frame (T = 300)
// with each frame drawn on a fresh black picture, which gives exactly the
// pixels each frame's pen pass covers; once with a short trail on one
// picture. The second picture must be, after every frame, what painting
// each frame's pixels and blackening those of the frame T frames earlier
// gives; closing the module then leaves the screen black.
void CheckEraserRetracesTheTrail(int w, int h, int trailLength, const std::function<void(BezierRun&)>& configure,
                                 int frames) {
    std::vector<std::vector<uint8_t>> framePixels;
    {
        BezierRun keep(w, h);
        configure(keep);
        keep.Set(kBezierTrailLength, 100);
        keep.Start(4711);
        for (int f = 0; f < frames; ++f) {
            Bitmap8 fresh;
            CreateBitmap8(fresh, w, h);
            DrawContext freshDc;
            AttachBitmap(freshDc, fresh);
            keep.record()->Dc = &freshDc;
            keep.Frame();
            keep.record()->Dc = &keep.Dc();
            framePixels.push_back(fresh.pixels);
        }
    }
    BezierRun run(w, h);
    configure(run);
    run.Set(kBezierTrailLength, trailLength);
    run.Start(4711);
    const int T = 3 * trailLength;
    std::vector<uint8_t> model(size_t(w) * h, 0);
    for (int f = 0; f < frames; ++f) {
        run.Frame();
        for (size_t i = 0; i < model.size(); ++i) {
            if (framePixels[f][i]) model[i] = framePixels[f][i];
        }
        if (f >= T) {
            for (size_t i = 0; i < model.size(); ++i) {
                if (framePixels[f - T][i]) model[i] = 0;
            }
        }
        ASSERT_EQ(run.Pixels(), model) << "frame " << f;
        if (f >= T) {
            ASSERT_GT(run.LitCount(), 0);
        }
    }
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.LitCount(), 0);
}

TEST_F(VectorBezier, EraserLeavesBlackExactlyWhereTheTrailWas) {
    // Wide oscillating pens, three rotated copies, mirrored tiles.
    CheckEraserRetracesTheTrail(
        160, 120, 4,
        [](BezierRun& r) {
            r.Set(kBezierBeziers, 3);
            r.Oscillate(kBezierWidth, 1, 25);
            r.Set(kBezierSpeed, 7);
            r.Set(kBezierSymmetry, 3);
            r.Set(kBezierSweep, 300);
            r.Set(kBezierXTiling, 2);
            r.Set(kBezierDuration, 1000);
        },
        90);
}

TEST_F(VectorBezier, EraserRetracesThinLinesAndOscillatingSpeed) {
    CheckEraserRetracesTheTrail(
        90, 70, 1,
        [](BezierRun& r) {
            r.Set(kBezierBeziers, 2);
            r.Set(kBezierWidth, 1);
            r.Oscillate(kBezierSpeed, 1, 40);
            r.Set(kBezierSymmetry, 1);
            r.Set(kBezierDuration, 1000);
        },
        80);
}

TEST_F(VectorBezier, OscillatingWidthChangesThePenEveryFrame) {
    BezierRun run(100, 100);
    run.Oscillate(kBezierWidth, 1, 40);
    run.Set(kBezierTrailLength, 2);
    run.Start(8);
    std::vector<int> widths;
    for (int f = 0; f < 20; ++f) {
        const int slot = State().trail.writeIndex;
        run.Frame();
        widths.push_back(State().ring[slot].width);
    }
    // A 40-frame sine period over 1..40: neighbouring frames differ.
    int changes = 0;
    for (size_t i = 1; i < widths.size(); ++i) changes += widths[i] != widths[i - 1];
    EXPECT_GE(changes, 15);
}

TEST_F(VectorBezier, SymmetryOneIgnoresCentreAndSweep) {
    auto picture = [](int symmetry, int xc, int yc, int sweep) {
        BezierRun run(150, 100);
        run.Set(kBezierSymmetry, symmetry);
        run.Set(kBezierXCenter, xc);
        run.Set(kBezierYCenter, yc);
        run.Set(kBezierSweep, sweep);
        run.Set(kBezierBeziers, 4);
        run.Start(1234);
        run.Frames(60);
        return run.Checksum();
    };
    EXPECT_EQ(picture(1, 50, 50, 360), picture(1, 7, 93, 33));
    EXPECT_NE(picture(2, 50, 50, 360), picture(2, 7, 93, 33));
}

TEST_F(VectorBezier, HalfSweepWithFourCopiesFansThemFortyFiveDegreesApart) {
    const float step = SymmetryAngleStep(180, 4);
    EXPECT_NEAR(step * 180.0 / M_PI, 45.0, 0.01);
    auto firstFrame = [](int symmetry, int sweep, BezierPoints* points) {
        BezierRun run(200, 200);
        run.Set(kBezierSymmetry, symmetry);
        run.Set(kBezierSweep, sweep);
        run.Set(kBezierWidth, 1);
        run.Start(555);
        run.Frame();
        if (points) *points = State().drawer;
        return run.Pixels();
    };
    BezierPoints q;
    const std::vector<uint8_t> fan = firstFrame(4, 180, &q);
    // Copy i is the curve turned by i x 45 degrees about the centre (100, 100).
    std::vector<uint8_t> expected(200 * 200, 0);
    for (int i = 0; i < 4; ++i) {
        Point turned[4];
        for (int k = 0; k < 4; ++k) {
            int x = q.position[k].x - 100, y = q.position[k].y - 100;
            RotatePoint(x, y, float(i) * step);
            turned[k] = Point{x + 100, y + 100};
        }
        const std::vector<uint8_t> one = CurvesPicture(200, 200, turned, 1, 1, 1);
        for (size_t p = 0; p < one.size(); ++p) {
            if (one[p]) expected[p] = one[p];
        }
    }
    EXPECT_EQ(fan, expected);
    // Those are the first four of eight copies over a whole turn.
    const std::vector<uint8_t> full = firstFrame(8, 360, nullptr);
    int extra = 0;
    for (size_t p = 0; p < fan.size(); ++p) {
        if (fan[p]) {
            EXPECT_EQ(full[p], fan[p]);
        }
        extra += full[p] && !fan[p];
    }
    EXPECT_GT(extra, 0);
}

TEST_F(VectorBezier, ClosedDrawGateSkipsTheFrame) {
    BezierRun run(64, 48);
    run.Set(kBezierDrawStart, 80);
    run.Set(kBezierDrawStop, 90);  // the gate starts near 50
    run.Start(3);
    EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(State().color.index, 0);
    EXPECT_EQ(State().trail.writeIndex, 0);  // T = 300: indices start at 0
    run.Set(kBezierDrawStart, 0);
    run.Set(kBezierDrawStop, 100);
    EXPECT_EQ(run.Frame(), 0);
    EXPECT_GT(run.LitCount(), 0);
}

TEST_F(VectorBezier, FailedAllocationDrawsNothingAndDoesNotCrash) {
    BezierRun run(64, 48);
    FailModuleAllocations(1);
    run.Start(1);
    EXPECT_EQ(BezierWorkingState(), nullptr);
    for (int f = 0; f < 50; ++f) EXPECT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.Close(), 0);
    // The next run allocates again.
    EXPECT_EQ(run.record()->DoPreInitialize(run.record()), 0);
    EXPECT_NE(BezierWorkingState(), nullptr);
    run.record()->DoInitialize(run.record());
    run.Frame();
    EXPECT_GT(run.LitCount(), 0);
}

TEST_F(VectorBezier, DrawingBeforeInitialisationOrWithoutASurfaceIsHarmless) {
    BezierRun run(64, 48);
    AnimationRunning.store(1);
    EXPECT_EQ(run.record()->DoDrawFrame(run.record()), 0);  // nothing allocated
    EXPECT_EQ(run.record()->DoPreInitialize(run.record()), 0);
    EXPECT_EQ(run.record()->DoDrawFrame(run.record()), 0);  // not initialised
    EXPECT_EQ(run.LitCount(), 0);
    run.record()->Dc = nullptr;  // the configuration tool's table has no surface
    run.record()->DoInitialize(run.record());
    for (int f = 0; f < 20; ++f) EXPECT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.LitCount(), 0);
}

TEST_F(VectorBezier, ClosingAfterTheAnimationStoppedLeavesThePicture) {
    BezierRun run(200, 150);
    run.Set(kBezierTrailLength, 5);
    run.Set(kBezierSymmetry, 1);
    run.Set(kBezierWidth, 2);
    run.Start(21);
    run.Frames(30);
    const std::vector<uint8_t> before = run.Pixels();
    ASSERT_GT(run.LitCount(), 0);
    AnimationRunning.store(0);
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.Pixels(), before);
}

void StressRun(int w, int h, const std::function<void(BezierRun&)>& configure, int frames) {
    StressModule<BezierRun>(w, h, configure, frames);
}

// 20 curves, 200-pixel pens, a step of 320, a 3-frame trail.
void HeavyCurves(BezierRun& r, int symmetry) {
    r.Set(kBezierBeziers, 20);
    r.Set(kBezierTrailLength, 1);
    r.Set(kBezierWidth, 200);
    r.Set(kBezierSpeed, 320);
    r.Set(kBezierSymmetry, symmetry);
    r.Set(kBezierDuration, 1);
}
// 20 x 20 tiles, every other one drawn, two copies.
void HeavyTiles(BezierRun& r, int width) {
    r.Set(kBezierBeziers, 4);
    r.Set(kBezierTrailLength, 2);
    r.Set(kBezierWidth, width);
    r.Set(kBezierXTiling, 20);
    r.Set(kBezierYTiling, 20);
    r.Set(kBezierTileType, 1);
    r.Set(kBezierSymmetry, 2);
    r.Set(kBezierDuration, 1);
}
// Every control drawn at random at each restart (every one or two
// seconds) or oscillating, ranges reversed in places (pens up to 60 pixels
// and up to 8 x 16 tiled copies, to keep the run short).
void EverythingDriven(BezierRun& r) {
    r.Randomize(kBezierBeziers, 1, 20);
    r.Randomize(kBezierTrailLength, 1, 100);
    r.Randomize(kBezierDuration, 1, 2);
    r.Randomize(kBezierTileType, 0, 3);
    r.Oscillate(kBezierWidth, 60, 1);
    r.Oscillate(kBezierSpeed, 1, 320);
    r.Oscillate(kBezierXCenter, 0, 100);
    r.Oscillate(kBezierYCenter, 100, 0);
    r.Oscillate(kBezierXTiling, 1, 4);
    r.Oscillate(kBezierYTiling, 1, 4);
    r.Oscillate(kBezierSymmetry, 1, 8);
    r.Oscillate(kBezierSweep, 1, 360);
}

// A tall narrow surface (200 x 900) and tiny ones (16 x 12, 1 x 1). The
// widest pens cost the drawing layer about a millisecond per curve on the
// tall surface, so the heaviest settings run fewer frames there.
void DefaultControls(BezierRun&) {}
void WidestPensFewCopies(BezierRun& r) { HeavyCurves(r, 4); }
void WidestPensAllCopies(BezierRun& r) { HeavyCurves(r, 32); }
void ManyTilesThinPens(BezierRun& r) { HeavyTiles(r, 12); }
void ManyTilesWidePens(BezierRun& r) { HeavyTiles(r, 60); }

TEST_F(VectorBezier, TallNarrowSurfaceDefaultControls) { StressRun(200, 900, DefaultControls, 300); }
TEST_F(VectorBezier, TallNarrowSurfaceEverythingDriven) { StressRun(200, 900, EverythingDriven, 300); }
TEST_F(VectorBezier, TallNarrowSurfaceWidestPens) { StressRun(200, 900, WidestPensFewCopies, 15); }
TEST_F(VectorBezier, TallNarrowSurfaceManyTiles) { StressRun(200, 900, ManyTilesThinPens, 25); }
TEST_F(VectorBezier, TinySurfaceDefaultControls) { StressRun(16, 12, DefaultControls, 300); }
TEST_F(VectorBezier, TinySurfaceEverythingDriven) {
    StressRun(16, 12, EverythingDriven, 300);
    StressRun(1, 1, EverythingDriven, 300);
}
TEST_F(VectorBezier, TinySurfaceWidestPens) { StressRun(16, 12, WidestPensAllCopies, 150); }
TEST_F(VectorBezier, TinySurfaceManyTiles) { StressRun(16, 12, ManyTilesWidePens, 100); }

// Golden pictures (see GoldenChecksum; ZTX_VECTOR_PICTURES writes them).
TEST_F(VectorBezier, GoldenDefaultControls) {
    BezierRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "bezier-default-300"), 0x7d63fda34a86e635ull);
}

TEST_F(VectorBezier, GoldenTrailTilesAndOscillation) {
    BezierRun run(640, 480);
    run.Set(kBezierBeziers, 5);
    run.Set(kBezierTrailLength, 20);
    run.Set(kBezierSymmetry, 6);
    run.Set(kBezierXTiling, 2);
    run.Set(kBezierYTiling, 2);
    run.Oscillate(kBezierWidth, 2, 16);
    run.Set(kBezierDuration, 2);  // a restart near frame 120
    EXPECT_EQ(GoldenChecksum(run, 777, 200, "bezier-busy-200"), 0xb7626a025eb6d37full);
}

}  // namespace
}  // namespace ztx
