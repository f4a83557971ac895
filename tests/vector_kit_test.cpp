// The vector drawing kit: camera, shape brush, and the module skeleton
// pieces (colour cycle, frame ring, deadline, tiling, symmetry).
#include "modules/vector/vector_kit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "engine/engine_state.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/raster.h"
#include "render/tiling.h"
#include "tests/render_helpers.h"

namespace ztx {
namespace {

using ztx_test::TestCanvas;

std::set<std::pair<int, int>> LitPixels(const TestCanvas& c) {
    std::set<std::pair<int, int>> lit;
    for (int y = 0; y < c.bitmap.height; ++y) {
        for (int x = 0; x < c.bitmap.width; ++x) {
            if (c.At(x, y) != 0) lit.insert({x, y});
        }
    }
    return lit;
}

class VectorKit : public ::testing::Test {
protected:
    void SetUp() override {
        SeedRandom(777);
        AnimationRunning.store(1);
    }
    void TearDown() override {
        AnimationRunning.store(0);
        FailModuleAllocations(0);
        SetClock(nullptr);
    }
};

// ---- camera ---------------------------------------------------------------------------

TEST_F(VectorKit, CameraWithoutWindowIs320By200WithDefaults) {
    Camera* cam = CreateCamera(nullptr);
    ASSERT_NE(cam, nullptr);
    EXPECT_EQ(cam->width, 320);
    EXPECT_EQ(cam->height, 200);
    EXPECT_EQ(cam->focal, 200.0);
    EXPECT_EQ(cam->depth, -125.0);
    EXPECT_EQ(cam->clipZMin, -125.0);
    EXPECT_EQ(cam->clipZMax, 200.0);
    EXPECT_EQ(cam->project, &Project);
    SetCameraSurface(cam, Rect{0, 0, 640, 480});
    EXPECT_EQ(cam->halfWidth, 320);
    EXPECT_EQ(cam->clipXMin, -640);
    EXPECT_EQ(cam->clipYMax, 480);
    DestroyCamera(cam);
}

TEST_F(VectorKit, ProjectRejectsPointsLessThanTenUnitsInFront) {
    Camera* cam = CreateCamera(nullptr);
    ASSERT_NE(cam, nullptr);
    int x = 99, y = 99;
    Point3 near{0, 0, cam->depth + 5};
    EXPECT_NE(Project(cam, &near, &x, &y), 0);
    EXPECT_EQ(cam->behind, 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    // Exactly ten units in front is accepted; the centre lands mid-surface.
    Point3 ten{0, 0, cam->depth + 10};
    EXPECT_EQ(Project(cam, &ten, &x, &y), 0);
    EXPECT_EQ(cam->behind, 0);
    EXPECT_EQ(x, 160);
    EXPECT_EQ(y, 100);
    // d = 125: x = 100 / 125 * 200 + 160, y = 100 - 50 / 125 * 200.
    Point3 p{100, 50, 0};
    EXPECT_EQ(Project(cam, &p, &x, &y), 0);
    EXPECT_EQ(x, 320);
    EXPECT_EQ(y, 20);
    DestroyCamera(cam);
}

TEST_F(VectorKit, BoxClipIsStrictOnBothSides) {
    Camera* cam = CreateCamera(nullptr);
    ASSERT_NE(cam, nullptr);
    cam->boxClip = 1;
    int x, y;
    Point3 edge{320, 0, 0};  // x == +width is outside
    EXPECT_NE(Project(cam, &edge, &x, &y), 0);
    EXPECT_EQ(cam->outside, 1);
    Point3 inside{319, 0, 0};
    EXPECT_EQ(Project(cam, &inside, &x, &y), 0);
    EXPECT_EQ(cam->outside, 0);
    Point3 far{0, 0, 200};  // z == focal scale is outside
    EXPECT_NE(Project(cam, &far, &x, &y), 0);
    // With the box on, a point close to the eye but inside the box passes.
    Point3 close{0, 0, -120};
    EXPECT_EQ(Project(cam, &close, &x, &y), 0);
    DestroyCamera(cam);
}

TEST_F(VectorKit, RotationStepsRunInTheDesignedOrder) {
    // c turns (x, y) first: (1, 0, 0) by a quarter turn becomes (0, -1, 0);
    // then a turns (y, z): (0, -1, 0) becomes (0, 0, 1).
    Point3 p{1, 0, 0};
    Rotate3(&p, M_PI / 2, 0, M_PI / 2);
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 0, 1e-12);
    EXPECT_NEAR(p.z, 1, 1e-12);
    // b turns (z, x) last: (0, 0, 1) becomes (-1, 0, 0) after a quarter turn.
    Point3 q{0, 0, 1};
    Rotate3(&q, 0, M_PI / 2, 0);
    EXPECT_NEAR(q.x, -1, 1e-12);
    EXPECT_NEAR(q.z, 0, 1e-12);
    Point3 r{3, 4, 5};
    Rotate2(&r, M_PI);
    EXPECT_NEAR(r.x, -3, 1e-12);
    EXPECT_NEAR(r.y, -4, 1e-12);
    EXPECT_EQ(r.z, 5);
}

TEST_F(VectorKit, CameraAllocationFailureGivesNull) {
    FailModuleAllocations(1);
    EXPECT_EQ(CreateCamera(nullptr), nullptr);
    Camera* cam = CreateCamera(nullptr);
    EXPECT_NE(cam, nullptr);
    DestroyCamera(cam);
    int x = 5, y = 5;
    Point3 p{};
    EXPECT_NE(Project(nullptr, &p, &x, &y), 0);
    EXPECT_EQ(x, 0);
}

// ---- shape brush ------------------------------------------------------------------------

// Corners of one level as StampShape computes them.
std::vector<Point> Corners(const ShapeBrush& b, int level, int x, int y) {
    std::vector<Point> out;
    const int n = b.sides[level];
    const float step = 6.2831855f / float(n);
    for (int k = 0; k < n; ++k) {
        const float a = float(k) * step + b.angle[level];
        out.push_back(Point{x + int(std::sin(a) * b.size[level]), y + int(std::cos(a) * b.size[level])});
    }
    return out;
}

TEST_F(VectorKit, DepthTwoBrushDrawsFifteenDotsOnTrianglesOnAPentagon) {
    // Types 9..17 keep the three levels as passed; type 15 is depth 2 with
    // fill mode 0 (type 9 itself has depth 0, so a depth-two brush of that
    // family is 15 = 9 + 2 x 3).
    TestCanvas c(200, 200);
    const int sides[3] = {5, 3, 1};
    const float sizes[3] = {60, 20, 1};
    const float steps[3] = {0, 0, 0};
    ShapeBrush b{};
    SetupBrush(&c.dc, sides, 15, 4, sizes, steps, &b);
    EXPECT_EQ(b.depth, 2);
    EXPECT_EQ(b.fillMode, 0);
    EXPECT_EQ(b.sides[0], 5);
    EXPECT_EQ(b.sides[1], 3);
    EXPECT_EQ(b.sides[2], 1);
    SelectBrushPen(&b, 7);
    StampShape(100, 100, &b);
    ReleaseBrushPen(&b);
    std::set<std::pair<int, int>> expected;
    for (const Point& p : Corners(b, 0, 100, 100)) {
        for (const Point& q : Corners(b, 1, p.x, p.y)) expected.insert({q.x, q.y});
    }
    ASSERT_EQ(expected.size(), 15u);
    EXPECT_EQ(LitPixels(c), expected);
    for (const auto& [x, y] : expected) EXPECT_EQ(c.At(x, y), DeviceIndexOfEntry(7));
    // Release leaves the stock black pen and brush selected.
    EXPECT_EQ(c.dc.pen.color, kRgbBlack);
    EXPECT_EQ(c.dc.brush.color, kRgbBlack);
}

TEST_F(VectorKit, DerivedLevelsFollowTheFirst) {
    TestCanvas c(10, 10);
    const int sides[3] = {6, 9, 9};
    const float sizes[3] = {200, 1, 1};
    const float steps[3] = {0.5f, 7, 7};
    SeedRandom(4242);
    const float u1 = float(Rand15()) * 3.051851e-05f, u2 = float(Rand15()) * 3.051851e-05f;
    SeedRandom(4242);
    ShapeBrush b{};
    SetupBrush(&c.dc, sides, 8, 3, sizes, steps, &b);  // t = 8: outline, depth 2
    EXPECT_EQ(b.fillMode, 2);
    EXPECT_EQ(b.depth, 2);
    EXPECT_EQ(b.sides[1], 6);
    EXPECT_EQ(b.sides[2], 6);
    EXPECT_FLOAT_EQ(b.size[1], 200 / (4 * u1 + 1.5f) + 1);
    EXPECT_FLOAT_EQ(b.size[2], b.size[1] / (4 * u1 + 1.5f) + 1);
    EXPECT_FLOAT_EQ(b.step[1], 0.5f * (u2 + 0.5f));
    EXPECT_FLOAT_EQ(b.step[2], 7 * (u2 + 0.5f));  // from the rotation passed for level 1
    EXPECT_EQ(b.spacing, 3);
    EXPECT_EQ(b.dc, &c.dc);
    // Type 17 (= 9 + 8) keeps the levels as passed.
    SetupBrush(&c.dc, sides, 17, 3, sizes, steps, &b);
    EXPECT_EQ(b.sides[1], 9);
    EXPECT_EQ(b.size[1], 1);
    EXPECT_EQ(b.step[1], 7);
    EXPECT_EQ(b.sides[2], 1);  // innermost size 1 < 4: a dot
}

TEST_F(VectorKit, SmallInnermostSizeDrawsDotsWhateverItsSides) {
    for (int sides0 : {2, 3, 6, 12}) {
        TestCanvas c(40, 40), ref(40, 40);
        const int sides[3] = {sides0, sides0, sides0};
        const float sizes[3] = {3.5f, 1, 1};
        const float steps[3] = {0, 0, 0};
        ShapeBrush b{};
        SetupBrush(&c.dc, sides, 0, 1, sizes, steps, &b);  // depth 0, level 0 is innermost
        EXPECT_EQ(b.sides[0], 1) << sides0;
        SelectBrushPen(&b, 3);
        EXPECT_EQ(c.dc.pen.width, 3);
        StampShape(20, 20, &b);
        // A dot: a line from (x, y) to (x + 1, y + 1) with the 3-pixel pen.
        SelectPen(ref.dc, SolidPen(3, PaletteIndexColor(3)));
        MoveTo(ref.dc, 20, 20);
        LineTo(ref.dc, 21, 21);
        EXPECT_EQ(c.Rows(), ref.Rows()) << sides0;
        EXPECT_GT(LitPixels(c).size(), 1u);
    }
}

TEST_F(VectorKit, TwoSidedInnermostLevelIsAnOutlinedLine) {
    TestCanvas c(60, 60);
    const int sides[3] = {2, 2, 2};
    const float sizes[3] = {20, 1, 1};
    const float steps[3] = {0, 0, 0};
    ShapeBrush b{};
    SetupBrush(&c.dc, sides, 0, 1, sizes, steps, &b);  // fill mode 0 asked for
    EXPECT_EQ(b.fillMode, 2);
    SelectBrushPen(&b, 5);
    EXPECT_TRUE(c.dc.brush.hollow);
    EXPECT_EQ(c.dc.pen.color, PaletteIndexColor(5));
    StampShape(30, 30, &b);
    const std::vector<Point> ends = Corners(b, 0, 30, 30);
    TestCanvas ref(60, 60);
    SelectPen(ref.dc, SolidPen(0, PaletteIndexColor(5)));
    MoveTo(ref.dc, ends[0].x, ends[0].y);
    LineTo(ref.dc, ends[1].x, ends[1].y);
    EXPECT_EQ(c.Rows(), ref.Rows());
}

TEST_F(VectorKit, FilledPolygonsWithBlackOrColouredOutline) {
    const int sides[3] = {4, 4, 4};
    const float sizes[3] = {10, 1, 1};
    const float steps[3] = {0, 0, 0};
    for (int type : {0, 1}) {
        TestCanvas c(40, 40);
        ShapeBrush b{};
        SetupBrush(&c.dc, sides, type, 1, sizes, steps, &b);
        SelectBrushPen(&b, 9);
        StampShape(20, 20, &b);
        const std::vector<Point> q = Corners(b, 0, 20, 20);
        // Every corner is on the outline; the centre is filled.
        for (const Point& p : q) EXPECT_EQ(c.At(p.x, p.y), type == 0 ? 0 : DeviceIndexOfEntry(9)) << type;
        EXPECT_EQ(c.At(20, 20), DeviceIndexOfEntry(9));
    }
}

TEST_F(VectorKit, BrushLineWithEqualXStillDraws) {
    // A plain brush (one side, depth 0): a line with the brush's pen, made
    // one pixel wider in x.
    TestCanvas c(40, 40), ref(40, 40);
    const int sides[3] = {1, 1, 1};
    const float sizes[3] = {1, 1, 1};
    const float steps[3] = {0, 0, 0};
    ShapeBrush b{};
    SetupBrush(&c.dc, sides, 0, 2, sizes, steps, &b);
    SelectBrushPen(&b, 4);
    BrushLine(10, 30, 10, 5, &b);
    SelectPen(ref.dc, SolidPen(1, PaletteIndexColor(4)));
    MoveTo(ref.dc, 11, 30);
    LineTo(ref.dc, 10, 5);
    EXPECT_EQ(c.Rows(), ref.Rows());
    EXPECT_EQ(LitPixels(c).size(), 25u);

    // A stamping brush walks from (x0, y0) towards (x1 + 1, y1) too.
    TestCanvas s(40, 40);
    const int sides2[3] = {1, 1, 1};
    const float sizes2[3] = {0, 1, 1};
    ShapeBrush d{};
    SetupBrush(&s.dc, sides2, 12, 0, sizes2, steps, &d);  // depth 1: a dot at each step
    SelectBrushPen(&d, 4);
    BrushLine(10, 30, 10, 5, &d);
    EXPECT_EQ(LitPixels(s).size(), 25u);
    EXPECT_NE(s.At(10, 5), 0);
    EXPECT_EQ(s.At(11, 30), 0);  // the end point is left out
}

TEST_F(VectorKit, BrushLineStampsEverySpacingPlusOnePixelsAndRestoresTheBrush) {
    TestCanvas c(80, 20);
    const int sides[3] = {1, 1, 1};
    const float sizes[3] = {0, 1, 1};
    const float steps[3] = {1.0f, 2.0f, 3.0f};
    ShapeBrush b{};
    SetupBrush(&c.dc, sides, 12, 4, sizes, steps, &b);
    const ShapeBrush before = b;
    SelectBrushPen(&b, 2);
    BrushLine(50, 5, 0, 5, &b);
    std::set<std::pair<int, int>> expected;
    for (int x = 0; x < 50; x += 5) expected.insert({x, 5});
    EXPECT_EQ(LitPixels(c), expected);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(b.angle[i], before.angle[i]);
        EXPECT_EQ(b.step[i], before.step[i]);
    }
    EXPECT_EQ(b.counter, before.counter);
}

// The plain brush walk: every point of the line walker, a stamp when
// the counter is 0, steps divided by length / spacing.
void ReferenceBrushLine(int x1, int y1, int x0, int y0, ShapeBrush b) {
    if (x1 == x0) ++x1;
    const int len = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    const float divisor = float(len) / float(b.spacing);
    for (float& s : b.step) s /= divisor;
    b.counter = 0;
    struct Ctx {
        ShapeBrush* b;
    } ctx{&b};
    WalkLine(
        x0, y0, x1, y1,
        [](int x, int y, void* p) {
            ShapeBrush* br = static_cast<Ctx*>(p)->b;
            if (br->counter == 0) {
                StampShape(x, y, br);
                for (int i = 0; i < 3; ++i) br->angle[i] += br->step[i];
            }
            br->counter = br->counter >= br->spacing ? 0 : br->counter + 1;
        },
        &ctx);
}

TEST_F(VectorKit, BrushLineFarOffThePictureMatchesTheFullWalk) {
    // Lines that start or end far outside are walked only where stamps can
    // reach the picture; the stamps and their turning must not change.
    const int sides[3] = {3, 4, 1};
    const float sizes[3] = {9, 4, 1};
    const float steps[3] = {2.5f, -4.0f, 0};
    const int lines[][4] = {
        {-3000, 10, 150, 70}, {150, 70, -3000, 10}, {40, -5000, 60, 5000}, {-2000, -1500, 2000, 1700},
        {5, 5, 5, 90},        {120, 3, -40, 97},    {2500, 40, -2500, 41}, {30, 30, 31, 31},
    };
    for (const auto& l : lines) {
        TestCanvas a(160, 100), r(160, 100);
        ShapeBrush b{};
        SeedRandom(99);
        SetupBrush(&a.dc, sides, 9, 3, sizes, steps, &b);  // depth 0, filled triangles
        ShapeBrush rb = b;
        rb.dc = &r.dc;
        SelectBrushPen(&b, 11);
        SelectBrushPen(&rb, 11);
        BrushLine(l[0], l[1], l[2], l[3], &b);
        ReferenceBrushLine(l[0], l[1], l[2], l[3], rb);
        EXPECT_EQ(a.Rows(), r.Rows()) << l[0] << "," << l[1] << " " << l[2] << "," << l[3];
    }
}

TEST_F(VectorKit, NullBrushAndContextDrawNothing) {
    ShapeBrush b{};
    const int sides[3] = {3, 3, 3};
    const float sizes[3] = {5, 5, 5};
    const float steps[3] = {0, 0, 0};
    SetupBrush(nullptr, sides, 0, 1, sizes, steps, &b);
    SelectBrushPen(&b, 1);
    StampShape(1, 1, &b);
    BrushLine(0, 0, 10, 10, &b);
    ReleaseBrushPen(&b);
    StampShape(1, 1, nullptr);
    BrushLine(0, 0, 10, 10, nullptr);
}

// ---- skeleton ----------------------------------------------------------------------------

TEST_F(VectorKit, ColourCyclePingPongsBetween0And235) {
    ColorCycle cc;
    StartColorCycle(&cc);
    EXPECT_EQ(StepColorCycle(&cc), 1);
    for (int i = 2; i <= 235; ++i) EXPECT_EQ(StepColorCycle(&cc), i);
    EXPECT_EQ(cc.step, -1);
    EXPECT_EQ(StepColorCycle(&cc), 234);
    for (int i = 233; i >= 0; --i) EXPECT_EQ(StepColorCycle(&cc), i);
    EXPECT_EQ(cc.step, 1);
    EXPECT_EQ(StepColorCycle(&cc), 1);
}

TEST_F(VectorKit, TrailErasesTFramesBehindAndFlushesTheRest) {
    TrailRing t;
    StartTrail(&t, kFrameRingSize, 3);
    EXPECT_EQ(t.writeIndex, 3);
    EXPECT_EQ(t.eraseIndex, 3);
    std::vector<int> erased;
    for (int frame = 0; frame < 6; ++frame) {
        erased.push_back(TrailEraseStep(&t));
        AdvanceTrail(&t);
    }
    EXPECT_EQ(erased, (std::vector<int>{-1, -1, -1, 3, 4, 5}));
    std::vector<int> flushed;
    for (int i; (i = TrailFlushStep(&t)) >= 0;) flushed.push_back(i);
    EXPECT_EQ(flushed, (std::vector<int>{6, 7, 8}));

    // Fewer frames than T: only what was drawn is flushed.
    StartTrail(&t, kFrameRingSize, 297);
    TrailEraseStep(&t);
    AdvanceTrail(&t);
    flushed.clear();
    for (int i; (i = TrailFlushStep(&t)) >= 0;) flushed.push_back(i);
    EXPECT_EQ(flushed, (std::vector<int>{297}));

    // Indices wrap at the ring's end.
    StartTrail(&t, kFrameRingSize, 297);
    for (int frame = 0; frame < 300; ++frame) {
        TrailEraseStep(&t);
        AdvanceTrail(&t);
    }
    EXPECT_EQ(t.writeIndex, 297);
    EXPECT_EQ(t.eraseIndex, 0);
}

TEST_F(VectorKit, FullLengthTrailNeverErasesAndFlushesNothing) {
    TrailRing t;
    StartTrail(&t, kFrameRingSize, 300);
    EXPECT_EQ(t.writeIndex, 0);
    EXPECT_TRUE(TrailKeepsAll(&t));
    for (int frame = 0; frame < 1000; ++frame) {
        EXPECT_EQ(TrailEraseStep(&t), -1);
        AdvanceTrail(&t);
    }
    EXPECT_EQ(t.writeIndex, 1000 % 300);
    EXPECT_EQ(TrailFlushStep(&t), -1);
}

TEST_F(VectorKit, FlushStopsWhenTheAnimationStops) {
    TrailRing t;
    StartTrail(&t, kFrameRingSize, 9);
    for (int frame = 0; frame < 5; ++frame) {
        TrailEraseStep(&t);
        AdvanceTrail(&t);
    }
    AnimationRunning.store(0);
    EXPECT_EQ(TrailFlushStep(&t), -1);
    AnimationRunning.store(1);
    EXPECT_EQ(TrailFlushStep(&t), 9);
}

TEST_F(VectorKit, DeadlineSurvivesTheTickCountWrapping) {
    VirtualClock clock(0xFFFFF000u);
    SetClock(&clock);
    const uint32_t deadline = DeadlineAfterSeconds(30);
    EXPECT_EQ(deadline, 0xFFFFF000u + 30000u);  // wrapped past 0
    EXPECT_FALSE(DeadlinePassed(deadline));
    clock.Advance(30000);
    EXPECT_FALSE(DeadlinePassed(deadline));  // reaching it is not passing it
    clock.Advance(1);
    EXPECT_TRUE(DeadlinePassed(deadline));
}

TEST_F(VectorKit, TwoByTwoTilesMirrorAcrossTheCentre) {
    const TileGrid g = MakeTileGrid(200, 100, 2, 2, 0);
    EXPECT_EQ(g.tileWidth, 100);
    EXPECT_EQ(g.tileHeight, 50);
    const Point in{40, 30};  // scaled into a tile: (20, 15)
    Point out;
    PlaceInTile(&g, 0, 0, &in, &out, 1);
    EXPECT_EQ(out.x, 20);
    EXPECT_EQ(out.y, 15);
    PlaceInTile(&g, 1, 0, &in, &out, 1);
    EXPECT_EQ(out.x, 180);  // mirrored left to right
    EXPECT_EQ(out.y, 15);
    PlaceInTile(&g, 0, 1, &in, &out, 1);
    EXPECT_EQ(out.x, 20);
    EXPECT_EQ(out.y, 85);  // mirrored top to bottom
    PlaceInTile(&g, 1, 1, &in, &out, 1);
    EXPECT_EQ(out.x, 180);
    EXPECT_EQ(out.y, 85);

    // Tile types choose the tiles: 1 odd, 2 even, 0 and 3 all.
    const int expectedCounts[4] = {12, 6, 6, 12};
    for (int type = 0; type < 4; ++type) {
        const TileGrid t = MakeTileGrid(120, 90, 4, 3, type);
        std::vector<Point> seen;
        DrawTiled(
            &t, &in, 1, [](void* ctx, const Point* p, int) { static_cast<std::vector<Point>*>(ctx)->push_back(*p); },
            &seen);
        EXPECT_EQ(int(seen.size()), expectedCounts[type]) << type;
    }
}

TEST_F(VectorKit, SymmetryTurnsCopiesAboutTheCentre) {
    const SymmetryCopies s = MakeSymmetry(200, 100, 4, 360, 50, 50);
    EXPECT_EQ(s.copies, 4);
    EXPECT_EQ(s.centerX, 100);
    EXPECT_EQ(s.centerY, 50);
    EXPECT_NEAR(s.angleStep, 6.283f / 4, 1e-6);
    const Point in{150, 50};
    Point out;
    RotateCopy(&s, 0, &in, &out, 1);
    EXPECT_EQ(out.x, 150);
    EXPECT_EQ(out.y, 50);
    // x' = x cos a + y sin a, y' = y cos a - x sin a, truncated: with the
    // program's quarter turn of 1.57075 rad, (50, 0) becomes
    // (0.0023, -49.99999995), truncated to (0, -49).
    RotateCopy(&s, 1, &in, &out, 1);
    EXPECT_EQ(out.x, 100);
    EXPECT_EQ(out.y, 1);
    // Half a turn of 3.1415 rad: (-49.99999978, -0.0046) becomes (-49, 0).
    RotateCopy(&s, 2, &in, &out, 1);
    EXPECT_EQ(out.x, 51);
    EXPECT_EQ(out.y, 50);
    // A symmetry below 1 is one unrotated copy.
    EXPECT_EQ(MakeSymmetry(10, 10, 0, 360, 0, 0).copies, 1);
}

TEST_F(VectorKit, ModuleMemoryIsZeroedAndFailuresCanBeAskedFor) {
    auto* p = static_cast<unsigned char*>(AllocateModuleMemory(4096));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(p[i], 0);
    FreeModuleMemory(p);
    FreeModuleMemory(nullptr);
    FailModuleAllocations(2);
    EXPECT_EQ(AllocateModuleMemory(16), nullptr);
    EXPECT_EQ(AllocateModuleMemory(16), nullptr);
    void* q = AllocateModuleMemory(16);
    EXPECT_NE(q, nullptr);
    FreeModuleMemory(q);
}

}  // namespace
}  // namespace ztx
