// The Cube module driven directly, frame by frame on a virtual clock: its
// controls, the geometry of the grid, mirrored and clipped tiles, the trail,
// the block orientation across restarts, failures, odd surface sizes and
// golden checksums of whole pictures.
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
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "modules/vector/cube.h"
#include "modules/vector/vector_kit.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"

namespace ztx {
namespace {

constexpr uint32_t kClockStart = ModuleRun::kClockStart;

class CubeRun : public ModuleRun {
public:
    CubeRun(int width, int height) : ModuleRun(kSlotCube, width, height) {}
    // The value, fixed ("Set" source).
    void Set(int slot, int value) { Fix(slot, value); }
    // Every cube and the block still.
    void NoSpin() {
        for (int slot : {kCubeXRotate, kCubeYRotate, kCubeZRotate, kCubeBlockXRotate, kCubeBlockYRotate,
                         kCubeBlockZRotate})
            Set(slot, 0);
    }
};

const CubeState& State() {
    const CubeState* s = CubeWorkingState();
    EXPECT_NE(s, nullptr);
    static CubeState empty{};
    return s ? *s : empty;
}

class VectorCube : public ::testing::Test {
protected:
    void TearDown() override { FailModuleAllocations(0); }
};

TEST_F(VectorCube, RegisteredInSlotSixteenWithItsControls) {
    VirtualClock clock(kClockStart);
    SetClock(&clock);
    ResetModuleFramework();
    SetStoredSettingsLoader(nullptr);
    RegisterModules();
    const ModuleRecord& r = ModuleTable[kSlotCube];
    EXPECT_STREQ(r.Name, "Cube");
    EXPECT_EQ(r.DoDrawFrame, &CubeDrawFrame);
    EXPECT_EQ(r.DoPreInitialize, &CubeAllocate);
    EXPECT_EQ(r.DoInitialize, &CubeInitialize);
    EXPECT_EQ(r.DoClose, &CubeClose);
    EXPECT_EQ(r.DoAbout, nullptr);
    // Store indices are what saved displays refer to; ranges and sources
    // are what the pages and restarts use.
    struct Expected {
        int slot, store;
        const char* name;
        int min, max, lo, hi, value, check, animatable;
    };
    const Expected table[] = {
        {0, 0, "X Cubes", 1, 20, 1, 20, 2, kCheckSet, 1},
        {1, 1, "Y Cubes", 1, 20, 1, 20, 2, kCheckSet, 1},
        {2, 2, "Z Cubes", 1, 20, 1, 20, 2, kCheckSet, 1},
        {3, 3, "Cube X Rotate", 0, 100, 10, 20, 9, kCheckRandom, 1},
        {4, 4, "Cube Y Rotate", 0, 100, 10, 20, 14, kCheckRandom, 1},
        {5, 5, "Cube Z Rotate", 0, 100, 10, 20, 11, kCheckRandom, 1},
        {6, 6, "Cube Size", 0, 100, 0, 100, 90, kCheckSet, 1},
        {8, 16, "Duration", 1, 1000, 1, 1000, 30, kCheckSet, 0},
        {9, 9, "Strength", -10, 10, -10, 10, 1, kCheckSet, 0},
        {10, 10, "X Tiling", 1, 20, 1, 20, 1, kCheckSet, 1},
        {11, 11, "Y Tiling", 1, 20, 1, 20, 1, kCheckSet, 1},
        {12, 12, "Tile Type", 0, 3, 0, 3, 0, kCheckSet, 0},
        {14, 14, "Symmetry", 1, 20, 1, 20, 3, kCheckSet, 1},
        {15, -1, "Sweep", 1, 360, 1, 360, 360, kCheckSet, 1},
        {17, 15, "Width", 1, 50, 1, 50, 1, kCheckSet, 0},
        {18, 8, "Trail Length", 1, 300, 1, 300, 2, kCheckSet, 0},
        {20, 20, "Block X Rotate", 0, 100, 10, 20, 9, kCheckRandom, 1},
        {21, 21, "Block Y Rotate", 0, 100, 10, 20, 14, kCheckRandom, 1},
        {22, 22, "Block Z Rotate", 0, 100, 10, 20, 11, kCheckRandom, 1},
        {23, 23, "Block Size", 0, 100, 0, 100, 30, kCheckSet, 1},
        {30, -1, "Draw Start", 0, 100, 0, 100, 0, kCheckSet, 0},
        {31, -1, "Draw Stop", 0, 100, 0, 100, 100, kCheckSet, 0},
    };
    int defined = 0;
    for (int s = 0; s < kControlCount; ++s) defined += r.Defined[s];
    EXPECT_EQ(defined, int(std::size(table)));
    for (const Expected& e : table) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(r.Defined[e.slot], 1);
        EXPECT_STREQ(r.ControlName[e.slot], e.name);
        EXPECT_EQ(r.StoreIndex[e.slot], e.store);
        EXPECT_EQ(r.Min[e.slot], e.min);
        EXPECT_EQ(r.Max[e.slot], e.max);
        EXPECT_EQ(r.RangeLo[e.slot], e.lo);
        EXPECT_EQ(r.RangeHi[e.slot], e.hi);
        EXPECT_EQ(r.ControlDefault[e.slot], e.value);
        EXPECT_EQ(r.CheckDefault[e.slot], e.check);
        EXPECT_EQ(r.Sense[e.slot], 10);
        EXPECT_EQ(r.Animatable[e.slot], e.animatable);
    }
    ResetModuleFramework();
    SetClock(nullptr);
}

// A frame of still cubes: angles 0, one copy, no tiling.
CubeFrame StillFrame(int xc, int yc, int zc, int cubeSize, int blockSize) {
    CubeFrame f{};
    f.symmetry = 1;
    f.sweep = 360;
    f.xTiling = f.yTiling = 1;
    f.xCubes = xc;
    f.yCubes = yc;
    f.zCubes = zc;
    f.cubeScale = float(cubeSize) * kCubeScaleFactor;
    f.blockScale = float(blockSize) * kCubeScaleFactor;
    return f;
}

Camera* CubeCamera(int w, int h) {
    Camera* camera = CreateCamera(nullptr);
    SetCameraSurface(camera, Rect{0, 0, w, h});
    camera->depth = kCubeCameraDepth;
    camera->focal = kCubeCameraFocal;
    return camera;
}

TEST_F(VectorCube, CubeSizeSeventyMakesNeighboursTouchInX) {
    // Half extent = (W div 2) / 2 = half spacing = W / 2 / 2: the right face
    // of cell 0 is the left face of cell 1, on the block's axis.
    const int w = 640, h = 480;
    Camera* camera = CubeCamera(w, h);
    Point left[8], right[8];
    CubeFrame f = StillFrame(2, 1, 1, 70, 70);
    ProjectCubeCorners(camera, w, h, f, 0, 0, 0, 0, left);
    ProjectCubeCorners(camera, w, h, f, 0, 1, 0, 0, right);
    // Corners 1, 2, 5, 6 (x = +hx) of the left cube are 0, 3, 4, 7 of the right.
    const int pairs[4][2] = {{1, 0}, {2, 3}, {5, 4}, {6, 7}};
    for (const auto& p : pairs) {
        EXPECT_EQ(left[p[0]].x, right[p[1]].x);
        EXPECT_EQ(left[p[0]].y, right[p[1]].y);
        EXPECT_EQ(left[p[0]].x, w / 2);
    }
    // The two cubes are mirror images about the vertical centre line, and
    // each is symmetric about the horizontal one.
    EXPECT_NEAR(left[4].x + right[5].x, w, 1);
    EXPECT_NEAR(left[0].x + right[1].x, w, 1);
    EXPECT_NEAR(left[4].y + left[7].y, h, 1);
    // A smaller cube leaves a gap between them.
    f.cubeScale = 60 * kCubeScaleFactor;
    ProjectCubeCorners(camera, w, h, f, 0, 0, 0, 0, left);
    ProjectCubeCorners(camera, w, h, f, 0, 1, 0, 0, right);
    EXPECT_LT(left[1].x, right[0].x);
    DestroyCamera(camera);
}

TEST_F(VectorCube, GridIsCentredInXAndYButHalfACellNearerInZ) {
    const int w = 600, h = 600;
    Camera* camera = CubeCamera(w, h);
    const CubeFrame f = StillFrame(3, 3, 2, 10, 70);
    // Cell centres in x and y: -sx, 0, +sx; the middle cell's front and
    // back faces are centred on the screen centre.
    Point middle[8], first[8], last[8];
    ProjectCubeCorners(camera, w, h, f, 0, 1, 1, 1, middle);
    EXPECT_NEAR(middle[0].x + middle[1].x, w, 1);
    EXPECT_NEAR(middle[0].y + middle[3].y, h, 1);
    ProjectCubeCorners(camera, w, h, f, 0, 0, 1, 1, first);
    ProjectCubeCorners(camera, w, h, f, 0, 2, 1, 1, last);
    EXPECT_NEAR(first[0].x + last[1].x, w, 1);
    // Cell z = 1 of 2 is centred on z = 0 itself: its front corner 0 lies
    // at (-hx, -hy, -hz) in front of the eye 3000 units away.
    const double s = double(f.cubeScale);
    const double hx = (w / 2) * s / 3, hy = (h / 2) * s / 3, hz = s * (h / 4) / 2;
    const double k = 3000.0 / (-hz + 3000.0);
    EXPECT_EQ(middle[0].x, int(w / 2 - hx * k));
    EXPECT_EQ(middle[0].y, int(h / 2 + hy * k));
    // z cells 0 and 1 sit at -sz and 0: cell 1's back face is at z = +hz,
    // cell 0 is nearer the camera and so projects larger.
    Point nearer[8], farther[8];
    ProjectCubeCorners(camera, w, h, f, 0, 0, 0, 0, nearer);
    ProjectCubeCorners(camera, w, h, f, 0, 0, 0, 1, farther);
    EXPECT_LT(nearer[0].x, farther[0].x);
    DestroyCamera(camera);
}

TEST_F(VectorCube, SymmetryCopiesTurnAboutTheScreenCentre) {
    // Four copies over a whole turn: copy 1 is copy 0 turned a quarter
    // turn about the centre (within the 6.283 approximation and a pixel).
    const int w = 500, h = 500;
    Camera* camera = CubeCamera(w, h);
    CubeFrame f = StillFrame(2, 1, 1, 40, 70);
    f.symmetry = 4;
    f.blockAngleX = 0.3f;
    Point c0[8], c1[8];
    ProjectCubeCorners(camera, w, h, f, 0, 1, 0, 0, c0);
    ProjectCubeCorners(camera, w, h, f, 1, 1, 0, 0, c1);
    const double t = 360 * 0.0027777778 * 6.283 / 4;
    for (int k = 0; k < 8; ++k) {
        // The turn (u, v) <- (u cos t + v sin t, v cos t - u sin t) in the
        // block's coordinates; the screen's y axis points the other way.
        const double u = c0[k].x - w / 2, v = h / 2 - c0[k].y;
        const double x = u * std::cos(t) + v * std::sin(t), y = v * std::cos(t) - u * std::sin(t);
        EXPECT_NEAR(c1[k].x, w / 2 + x, 2.0) << k;
        EXPECT_NEAR(c1[k].y, h / 2 - y, 2.0) << k;
    }
    DestroyCamera(camera);
}

// Frames of the same seed and controls, each drawn alone on a fresh black
// picture (a trail of 300 never erases), giving exactly the pixels each
// frame's pen pass covers.
std::vector<std::vector<uint8_t>> FramePictures(int w, int h, const std::function<void(CubeRun&)>& configure,
                                                int frames) {
    std::vector<std::vector<uint8_t>> pictures;
    CubeRun keep(w, h);
    configure(keep);
    keep.Set(kCubeTrailLength, 300);
    keep.Start(4711);
    for (int f = 0; f < frames; ++f) {
        Bitmap8 fresh;
        CreateBitmap8(fresh, w, h);
        DrawContext freshDc;
        AttachBitmap(freshDc, fresh);
        keep.record()->Dc = &freshDc;
        keep.Frame();
        keep.record()->Dc = &keep.Dc();
        pictures.push_back(fresh.pixels);
    }
    return pictures;
}

// With a trail of T frames the picture after each frame is: the frame's
// pixels painted, then those of the frame T earlier blackened. Closing
// leaves the screen black.
void CheckTrail(int w, int h, int trailLength, const std::function<void(CubeRun&)>& configure, int frames) {
    const auto framePixels = FramePictures(w, h, configure, frames);
    CubeRun run(w, h);
    configure(run);
    run.Set(kCubeTrailLength, trailLength);
    run.Start(4711);
    std::vector<uint8_t> model(size_t(w) * h, 0);
    for (int f = 0; f < frames; ++f) {
        run.Frame();
        for (size_t i = 0; i < model.size(); ++i) {
            if (framePixels[f][i]) model[i] = framePixels[f][i];
        }
        if (f >= trailLength) {
            for (size_t i = 0; i < model.size(); ++i) {
                if (framePixels[f - trailLength][i]) model[i] = 0;
            }
        }
        ASSERT_EQ(run.Pixels(), model) << "frame " << f;
        ASSERT_GT(run.LitCount(), 0) << "frame " << f;
    }
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.LitCount(), 0);
}

TEST_F(VectorCube, TrailLengthOneKeepsExactlyOneFrameOnScreen) {
    CheckTrail(240, 180, 1, [](CubeRun&) {}, 60);
}

TEST_F(VectorCube, LongerTrailErasesWithTheFramesOwnTilesAndCopies) {
    // Tiling, symmetry and cube counts oscillate, so the eraser must replay
    // each frame's own snapshot rather than the current controls.
    CheckTrail(
        200, 160, 7,
        [](CubeRun& r) {
            r.Oscillate(kCubeXTiling, 1, 3);
            r.Oscillate(kCubeSymmetry, 1, 5);
            r.Oscillate(kCubeXCubes, 1, 4);
            r.Oscillate(kCubeSize, 20, 100);
            r.Set(kCubeWidth, 3);
        },
        70);
}

TEST_F(VectorCube, FullTrailNeverErasesNotEvenAtRestarts) {
    CubeRun run(160, 120);
    run.Set(kCubeTrailLength, 300);
    run.Set(kCubeDuration, 1);
    run.Start(2024);
    std::vector<uint8_t> seen(run.Pixels().size(), 0);
    for (int frame = 0; frame < 200; ++frame) {
        run.Frame();
        const std::vector<uint8_t>& px = run.Pixels();
        for (size_t i = 0; i < px.size(); ++i) {
            if (seen[i]) {
                ASSERT_NE(px[i], 0) << "pixel " << i << " erased in frame " << frame;
            }
            seen[i] = seen[i] || px[i] != 0;
        }
    }
    const std::vector<uint8_t> before = run.Pixels();
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.Pixels(), before);
}

TEST_F(VectorCube, RestartEraseTheTrailAndResetsTheCubeSpinButNotTheBlock) {
    CubeRun run(160, 120);
    run.Set(kCubeDuration, 1);  // a restart every 61 frames
    run.Set(kCubeTrailLength, 5);
    run.Start(99);
    int restarts = 0;
    for (int frame = 0; frame < 200; ++frame) {
        const CubeFrame before = State().frame;
        const float blockRate[3] = {State().rate[kRateBlockX], State().rate[kRateBlockY], State().rate[kRateBlockZ]};
        run.Frame();
        const CubeFrame& f = State().frame;
        if (State().color.index == 0) {  // re-initialised in this frame
            ++restarts;
            EXPECT_EQ(run.LitCount(), 0) << "frame " << frame;
            EXPECT_EQ(f.cubeAngleX, 0.0f);
            EXPECT_EQ(f.cubeAngleY, 0.0f);
            EXPECT_EQ(f.cubeAngleZ, 0.0f);
        } else {
            EXPECT_GT(f.cubeAngleX, before.cubeAngleX);
        }
        // The block turned by its rate in this frame, restart or not.
        EXPECT_EQ(f.blockAngleX, before.blockAngleX + blockRate[0]);
        EXPECT_EQ(f.blockAngleY, before.blockAngleY + blockRate[1]);
        EXPECT_EQ(f.blockAngleZ, before.blockAngleZ + blockRate[2]);
    }
    EXPECT_EQ(restarts, 3);
    EXPECT_GT(State().frame.blockAngleX, 200 * 10 * kCubeRateFactor * 0.99f);

    // A restart request (close, allocate, initialise) continues the block too.
    float angles[3];
    CubeBlockAngles(angles);
    EXPECT_EQ(angles[0], State().frame.blockAngleX);
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.LitCount(), 0);
    run.Start(5);
    EXPECT_EQ(State().frame.blockAngleX, angles[0]);
    EXPECT_EQ(State().frame.blockAngleZ, angles[2]);
    // Registration (a new animation run) starts the block unturned.
    run.record()->DoPreInitializeControls(run.record());
    run.Start(5);
    EXPECT_EQ(State().frame.blockAngleX, 0.0f);
    EXPECT_EQ(State().frame.blockAngleY, 0.0f);
}

TEST_F(VectorCube, DrivenRatesAndSizesAreNotTruncated) {
    CubeRun run(160, 120);
    run.Oscillate(kCubeXRotate, 0, 1);
    run.Oscillate(kCubeSize, 0, 1);
    run.Oscillate(kCubeBlockSize, 1, 0);
    run.Oscillate(kCubeXCubes, 1, 3);  // counts are truncated
    run.Start(3);
    int fractionalRates = 0, fractionalSizes = 0;
    for (int frame = 0; frame < 40; ++frame) {
        const float angle = State().frame.cubeAngleX;
        run.Frame();
        const CubeState& s = State();
        const float step = (s.frame.cubeAngleX - angle) * 3000;
        fractionalRates += step > 0.05f && step < 0.95f;
        const float size = s.frame.cubeScale * 70;
        fractionalSizes += size > 0.05f && size < 0.95f;
        EXPECT_NEAR(s.frame.cubeScale + s.frame.blockScale, 1.0f / 70, 1e-5);
        EXPECT_GE(s.frame.xCubes, 1);
        EXPECT_LE(s.frame.xCubes, 3);
    }
    EXPECT_GE(fractionalRates, 20);
    EXPECT_GE(fractionalSizes, 20);
}

// The first frame of still cubes (so that tilings compare like with like)
// with the given tiling.
std::vector<uint8_t> TiledPicture(int w, int h, int xt, int yt, int type, int frames = 1) {
    CubeRun run(w, h);
    run.Set(kCubeXTiling, xt);
    run.Set(kCubeYTiling, yt);
    run.Set(kCubeTileType, type);
    run.Set(kCubeTrailLength, 3);
    run.Start(321);
    run.Frames(frames);
    return run.Pixels();
}

TEST_F(VectorCube, XTilingTwoMirrorsTheLeftHalfIntoTheRightEachClippedToItsTile) {
    const int w = 300, h = 200, tw = w / 2;
    const std::vector<uint8_t> both = TiledPicture(w, h, 2, 1, 0, 20);
    const std::vector<uint8_t> leftOnly = TiledPicture(w, h, 2, 1, 2, 20);   // tile (0, 0): c + r even
    const std::vector<uint8_t> rightOnly = TiledPicture(w, h, 2, 1, 1, 20);  // tile (1, 0): c + r odd
    int lit = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            // Nothing spills over the tile's edge, though the cubes reach far
            // beyond it.
            if (x < tw) {
                ASSERT_EQ(rightOnly[i], 0) << x << "," << y;
                ASSERT_EQ(leftOnly[i], both[i]) << x << "," << y;
            } else {
                ASSERT_EQ(leftOnly[i], 0) << x << "," << y;
                ASSERT_EQ(rightOnly[i], both[i]) << x << "," << y;
            }
            // Column x of the left tile is column 2 tw - x of the right one.
            if (x >= 1 && x < tw) {
                ASSERT_EQ(both[i], both[size_t(y) * w + (2 * tw - x)]) << x << "," << y;
                lit += both[i] != 0;
            }
        }
    }
    EXPECT_GT(lit, 200);
    // Tile type 3 is type 0.
    EXPECT_EQ(TiledPicture(w, h, 2, 1, 3, 20), both);
}

TEST_F(VectorCube, TwoByTwoTilesMeetAsFourMirrorImagesAtTheCentre) {
    const int w = 240, h = 180, tw = w / 2, th = h / 2;
    const std::vector<uint8_t> p = TiledPicture(w, h, 2, 2, 0, 10);
    int lit = 0;
    for (int y = 1; y < th; ++y) {
        for (int x = 1; x < tw; ++x) {
            const uint8_t v = p[size_t(y) * w + x];
            ASSERT_EQ(v, p[size_t(y) * w + (2 * tw - x)]) << x << "," << y;
            ASSERT_EQ(v, p[size_t(2 * th - y) * w + x]) << x << "," << y;
            ASSERT_EQ(v, p[size_t(2 * th - y) * w + (2 * tw - x)]) << x << "," << y;
            lit += v != 0;
        }
    }
    EXPECT_GT(lit, 100);
}

TEST_F(VectorCube, OneTileOfTypeOneDrawsNothing) {
    // A 1 x 1 grid's only tile (0, 0) fails the test of type 1.
    CubeRun run(120, 90);
    run.Set(kCubeTileType, 1);
    run.Start(8);
    run.Frames(30);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(run.Close(), 0);
}

TEST_F(VectorCube, TextBoxesStayUncoveredAndKeepTheirCutOut) {
    CubeRun run(200, 150);
    run.Set(kCubeXTiling, 2);
    run.Set(kCubeTrailLength, 300);
    TextBoxes.dc = &run.Dc();
    TextBoxes.title = TextBoxState::Box{60, 0, 140, 40, 1u << 30};
    const Rect box{60, 0, 140, 40};
    ExcludeClipRect(run.Dc(), box);
    run.Start(17);
    run.Frames(40);
    ASSERT_GT(run.LitCount(), 1000);
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) ASSERT_EQ(run.At(x, y), 0) << x << "," << y;
    }
    // Between frames the box is still cut out of the context's clip.
    ASSERT_TRUE(run.Dc().clipped);
    EXPECT_FALSE(RegionContains(run.Dc().clip, 100, 20));
    EXPECT_TRUE(RegionContains(run.Dc().clip, 100, 60));
}

TEST_F(VectorCube, ClosedDrawGateSkipsTheFrame) {
    CubeRun run(64, 48);
    run.Set(kCubeDrawStart, 80);
    run.Set(kCubeDrawStop, 90);  // the gate starts near 50
    run.Start(3);
    EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(State().color.index, 0);
    EXPECT_EQ(State().frame.cubeAngleX, 0.0f);
    run.Set(kCubeDrawStart, 0);
    run.Set(kCubeDrawStop, 100);
    EXPECT_EQ(run.Frame(), 0);
    EXPECT_GT(run.LitCount(), 0);
}

TEST_F(VectorCube, FailedAllocationDrawsNothingAndDoesNotCrash) {
    CubeRun run(64, 48);
    FailModuleAllocations(1);
    run.Start(1);
    EXPECT_EQ(CubeWorkingState(), nullptr);
    for (int f = 0; f < 50; ++f) EXPECT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.LitCount(), 0);
    EXPECT_EQ(run.Close(), 0);
    EXPECT_EQ(run.Close(), 0);
    // An allocation replacing an earlier one that fails leaves nothing.
    EXPECT_EQ(run.record()->DoPreInitialize(run.record()), 0);
    ASSERT_NE(CubeWorkingState(), nullptr);
    FailModuleAllocations(1);
    EXPECT_EQ(run.record()->DoPreInitialize(run.record()), 0);
    EXPECT_EQ(CubeWorkingState(), nullptr);
    EXPECT_EQ(run.record()->DoInitialize(run.record()), 0);
    EXPECT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.LitCount(), 0);
    // The next run allocates again and draws.
    run.Start(1);
    ASSERT_NE(State().camera, nullptr);
    run.Frame();
    EXPECT_GT(run.LitCount(), 0);
}

TEST_F(VectorCube, DrawingBeforeInitialisationOrWithoutASurfaceIsHarmless) {
    CubeRun run(64, 48);
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

void StressRun(int w, int h, const std::function<void(CubeRun&)>& configure, int frames) {
    StressModule<CubeRun>(w, h, configure, frames);
}

void DefaultControls(CubeRun&) {}
// Every control drawn at random at each restart (every one or two seconds)
// or oscillating, ranges reversed in places (up to 6 x 6 x 5 cubes, 8
// copies and 5 x 6 tiles, to keep the run short).
void EverythingDriven(CubeRun& r) {
    r.Randomize(kCubeTrailLength, 1, 40);
    r.Randomize(kCubeDuration, 1, 2);
    r.Randomize(kCubeTileType, 0, 3);
    r.Randomize(kCubeWidth, 1, 4);
    r.Oscillate(kCubeXCubes, 1, 6);
    r.Oscillate(kCubeYCubes, 6, 1);
    r.Oscillate(kCubeZCubes, 1, 5);
    r.Oscillate(kCubeXRotate, 0, 100);
    r.Oscillate(kCubeBlockYRotate, 100, 0);
    r.Oscillate(kCubeSize, 0, 100);
    r.Oscillate(kCubeBlockSize, 100, 0);
    r.Oscillate(kCubeXTiling, 1, 5);
    r.Oscillate(kCubeYTiling, 6, 1);
    r.Oscillate(kCubeSymmetry, 1, 8);
    r.Oscillate(kCubeSweep, 1, 360);
}
// 1000 cubes in two copies with wide pens.
void ManyCubes(CubeRun& r) {
    r.Set(kCubeXCubes, 10);
    r.Set(kCubeYCubes, 10);
    r.Set(kCubeZCubes, 10);
    r.Set(kCubeWidth, 3);
    r.Set(kCubeSymmetry, 2);
    r.Set(kCubeDuration, 1);
}
// The biggest sizes: corners pass close to the eye and project far away.
void HugeBlock(CubeRun& r) {
    r.Set(kCubeXCubes, 1);
    r.Set(kCubeYCubes, 1);
    r.Set(kCubeZCubes, 1);
    r.Set(kCubeSize, 100);
    r.Set(kCubeBlockSize, 100);
    r.Set(kCubeWidth, 50);
    r.Set(kCubeXTiling, 3);
    r.Set(kCubeYTiling, 2);
    r.Oscillate(kCubeBlockXRotate, 100, 100);
}

// The finest grid of tiles, every other one drawn, six copies.
void ManyTiles(CubeRun& r) {
    r.Set(kCubeXTiling, 20);
    r.Set(kCubeYTiling, 20);
    r.Set(kCubeTileType, 1);
    r.Set(kCubeSymmetry, 6);
    r.Set(kCubeDuration, 1);
}

TEST_F(VectorCube, TallNarrowSurfaceDefaultControls) { StressRun(200, 900, DefaultControls, 300); }
TEST_F(VectorCube, TallNarrowSurfaceEverythingDriven) { StressRun(200, 900, EverythingDriven, 150); }
TEST_F(VectorCube, TallNarrowSurfaceManyCubes) { StressRun(200, 900, ManyCubes, 6); }
TEST_F(VectorCube, TallNarrowSurfaceHugeBlock) { StressRun(200, 900, HugeBlock, 40); }
TEST_F(VectorCube, TallNarrowSurfaceManyTiles) { StressRun(200, 900, ManyTiles, 8); }
TEST_F(VectorCube, TinySurfaceDefaultControls) { StressRun(16, 12, DefaultControls, 300); }
TEST_F(VectorCube, TinySurfaceEverythingDriven) {
    StressRun(16, 12, EverythingDriven, 300);
    StressRun(1, 1, EverythingDriven, 300);
}
TEST_F(VectorCube, TinySurfaceManyCubesAndHugeBlock) {
    StressRun(16, 12, ManyCubes, 20);
    StressRun(16, 12, HugeBlock, 300);
    StressRun(16, 12, ManyTiles, 60);
}

// Golden pictures (see GoldenChecksum; ZTX_VECTOR_PICTURES writes them).
TEST_F(VectorCube, GoldenDefaultControls) {
    CubeRun run(640, 480);
    EXPECT_EQ(GoldenChecksum(run, 20240601, 300, "cube-default-300"), 0x790cd40afedf296bull);
}

TEST_F(VectorCube, GoldenGridTilesAndTrail) {
    CubeRun run(640, 480);
    run.Set(kCubeXCubes, 3);
    run.Set(kCubeYCubes, 3);
    run.Set(kCubeZCubes, 3);
    run.Set(kCubeSize, 40);
    run.Set(kCubeBlockSize, 60);
    run.Set(kCubeTrailLength, 20);
    run.Set(kCubeSymmetry, 2);
    run.Set(kCubeXTiling, 2);
    run.Set(kCubeYTiling, 2);
    run.Set(kCubeWidth, 2);
    run.Oscillate(kCubeSweep, 30, 180);
    run.Set(kCubeDuration, 2);  // a restart near frame 120
    EXPECT_EQ(GoldenChecksum(run, 777, 200, "cube-grid-200"), 0x48e7dd042154f143ull);
}

}  // namespace
}  // namespace ztx
