// Drawing layer: pixel-exact checks of lines, strokes, fills, blits, strips
// and clipping on small pictures.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "render/device_colors.h"
#include "render/draw.h"
#include "tests/render_helpers.h"

using namespace ztx;
using ztx_test::TestCanvas;
using Rows = std::vector<std::string>;

namespace {
constexpr uint32_t A = PaletteIndexColor(0);  // draws 'a'
constexpr uint32_t B = PaletteIndexColor(1);  // draws 'b'
}  // namespace

TEST(RenderColors, PaletteRgbAndInversionRules) {
    EXPECT_EQ(DeviceIndexOf(PaletteIndexColor(0)), 10);
    EXPECT_EQ(DeviceIndexOf(PaletteIndexColor(235)), 245);
    EXPECT_EQ(DeviceIndexOf(PaletteIndexColor(236)), 245);  // clamped, never a static
    EXPECT_EQ(DeviceIndexOf(PaletteIndexColor(4095)), 245);
    EXPECT_EQ(DeviceIndexOf(kRgbBlack), 0);
    EXPECT_EQ(DeviceIndexOf(kRgbWhite), 255);
    EXPECT_EQ(DeviceIndexOf(RgbColor(128, 128, 128)), 248);
    EXPECT_EQ(DeviceIndexOf(RgbColor(192, 192, 192)), 7);
    EXPECT_EQ(DeviceIndexOf(RgbColor(250, 10, 10)), 249);
    // (64, 0, 0) is equally far from black and (128, 0, 0): the lower index wins.
    EXPECT_EQ(NearestStaticIndex(RgbColor(64, 0, 0)), 0);

    // Inversion maps entry i to entry 235 - i and black to white.
    TestCanvas c(4, 1);
    c.bitmap.pixels = {0, 10, 245, 7};
    InvertRect(c.dc, Rect{0, 0, 4, 1});
    EXPECT_EQ(c.bitmap.pixels, (std::vector<uint8_t>{255, 245, 10, 248}));
}

TEST(RenderColors, ReadBackUsesLiveColoursAndNearestEntry) {
    PaletteColor colors[236];
    for (int i = 0; i < 236; ++i) colors[i] = PaletteColor{uint8_t(i), 0, 0, 0};
    DeviceColors().SetAnimated(colors, 0, 236);
    TestCanvas c(2, 1);
    c.bitmap.pixels = {uint8_t(10 + 100), 255};
    EXPECT_EQ(GetPixelRgb(c.dc, 0, 0), RgbColor(100, 0, 0));
    EXPECT_EQ(GetPixelRgb(c.dc, 1, 0), kRgbWhite);
    EXPECT_EQ(GetPixelRgb(c.dc, 5, 0), 0u);
    EXPECT_EQ(NearestPaletteEntry(RgbColor(100, 0, 0)), 100);
    EXPECT_EQ(NearestPaletteEntry(RgbColor(255, 255, 255)), 235);
}

TEST(RenderLines, OnePixelLinesLeaveOutTheEndPoint) {
    TestCanvas c(6, 4);
    SelectPen(c.dc, SolidPen(1, A));
    MoveTo(c.dc, 0, 0);
    LineTo(c.dc, 4, 2);
    EXPECT_EQ(c.Rows(), (Rows{"a.....", ".aa...", "...a..", "......"}));
    EXPECT_EQ(c.dc.position.x, 4);

    // A "dot": move to (x, y), line to (x + 1, y + 1) sets exactly (x, y).
    TestCanvas d(4, 4);
    SelectPen(d.dc, SolidPen(0, B));
    MoveTo(d.dc, 2, 1);
    LineTo(d.dc, 3, 2);
    EXPECT_EQ(d.Rows(), (Rows{"....", "..b.", "....", "...."}));

    // Polyline: every segment leaves out its end; the next one starts there,
    // so only the last point is missing.
    TestCanvas e(5, 3);
    SelectPen(e.dc, SolidPen(1, A));
    Point pts[3] = {{0, 0}, {4, 0}, {4, 2}};
    DrawPolyline(e.dc, pts, 3);
    EXPECT_EQ(e.Rows(), (Rows{"aaaaa", "....a", "....."}));
}

TEST(RenderLines, HugeCoordinatesAreClippedExactly) {
    TestCanvas c(10, 10);
    SelectPen(c.dc, SolidPen(1, A));
    MoveTo(c.dc, -2000000000, -2000000000);
    LineTo(c.dc, 2000000000, 2000000000);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(c.At(x, y), x == y ? 10 : 0) << x << "," << y;

    // A steep line whose visible part is a few pixels: same pixels as the
    // stepping rule gives when walked from the start.
    TestCanvas d(10, 10);
    SelectPen(d.dc, SolidPen(1, A));
    MoveTo(d.dc, 3, -1000000);
    LineTo(d.dc, 5, 1000000);
    int lit = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) lit += d.At(x, y) == 10;
    EXPECT_EQ(lit, 10);
    EXPECT_EQ(d.At(4, 0), 10);  // the middle column around y = 0

    // A wide stroke far off the picture that crosses it.
    TestCanvas e(10, 10);
    SelectPen(e.dc, SolidPen(4, B));
    Point far[2] = {{-2000000000, 5}, {2000000000, 5}};
    DrawPolyline(e.dc, far, 2);
    for (int y = 0; y < 10; ++y) EXPECT_EQ(e.At(7, y), (y >= 3 && y <= 6) ? 11 : 0) << y;
}

TEST(RenderLines, WalkerVisitsEveryPointButTheEnd) {
    std::vector<Point> seen;
    auto cb = [](int x, int y, void* ctx) { static_cast<std::vector<Point>*>(ctx)->push_back(Point{x, y}); };
    WalkLine(0, 0, 4, 2, cb, &seen);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3].x, 3);
    EXPECT_EQ(seen[3].y, 2);
    seen.clear();
    WalkLine(5, 5, 5, 5, cb, &seen);
    EXPECT_TRUE(seen.empty());
    WalkLine(0, 0, -3, 7, cb, &seen);
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[0].x, 0);
    EXPECT_EQ(seen[6].y, 6);
}

TEST(RenderStrokes, WidthsAreExactForStraightStrokes) {
    for (int width : {2, 3, 4, 5, 20}) {
        TestCanvas c(40, 40);
        SelectPen(c.dc, SolidPen(width, A));
        Point h[2] = {{5, 20}, {30, 20}};
        DrawPolyline(c.dc, h, 2);
        int rows = 0;
        for (int y = 0; y < 40; ++y) rows += c.At(17, y) == 10;
        EXPECT_EQ(rows, width);
    }
}

TEST(RenderStrokes, NotMixInvertsEachStrokePixelOnce) {
    // The stroke set under "not" on black equals the set a copy stroke covers.
    TestCanvas copy(60, 50), inverted(60, 50);
    SelectPen(copy.dc, SolidPen(9, kRgbWhite));
    SelectBrush(copy.dc, kHollowBrush);
    DrawEllipse(copy.dc, 5, 5, 55, 40);
    SelectPen(inverted.dc, SolidPen(9, kRgbWhite));
    SelectBrush(inverted.dc, kHollowBrush);
    SetMix(inverted.dc, Mix::Not);
    DrawEllipse(inverted.dc, 5, 5, 55, 40);
    EXPECT_EQ(copy.bitmap.pixels, inverted.bitmap.pixels);
    EXPECT_GT(ztx_test::CountValue(copy.bitmap, 255), 300);

    // Twice restores the picture, also for a self-crossing wide polyline.
    TestCanvas c(60, 50);
    for (size_t i = 0; i < c.bitmap.pixels.size(); ++i) c.bitmap.pixels[i] = uint8_t(10 + i % 200);
    auto before = c.bitmap.pixels;
    SetMix(c.dc, Mix::Not);
    SelectPen(c.dc, SolidPen(7, kRgbWhite));
    SelectBrush(c.dc, kHollowBrush);
    Point zig[5] = {{0, 0}, {50, 40}, {50, 0}, {0, 40}, {30, -20}};
    DrawEllipse(c.dc, -10, 3, 45, 60);
    DrawPolyline(c.dc, zig, 5);
    EXPECT_NE(c.bitmap.pixels, before);
    DrawPolyline(c.dc, zig, 5);
    DrawEllipse(c.dc, -10, 3, 45, 60);
    EXPECT_EQ(c.bitmap.pixels, before);
}

TEST(RenderStrokes, WireFramesPaintWhatTheirLinesWould) {
    // Corners off the picture, repeated, and an edge of no length.
    const Point frames[3][8] = {{{5, 5}, {40, 8}, {44, 35}, {9, 30}, {14, 12}, {50, 15}, {52, 44}, {18, 40}},
                                {{-20, 10}, {30, -15}, {70, 25}, {30, 60}, {10, 20}, {10, 20}, {45, 30}, {25, 5}},
                                {{30, 25}, {31, 25}, {33, 27}, {30, 25}, {12, 40}, {50, 3}, {2, 2}, {58, 47}}};
    const WireEdge edges[5] = {{0, 3}, {7, 4}, {6, 1}, {7, 0}, {5, 5}};
    for (const auto& frame : frames) {
        for (int width : {1, 2, 7, 8}) {
            for (Mix mix : {Mix::CopyPen, Mix::Not}) {
                for (bool clipped : {false, true}) {
                    TestCanvas lines(60, 50), wire(60, 50);
                    for (TestCanvas* c : {&lines, &wire}) {
                        for (size_t i = 0; i < c->bitmap.pixels.size(); ++i) c->bitmap.pixels[i] = uint8_t(i % 7);
                        if (clipped) ExcludeClipRect(c->dc, Rect{20, 10, 35, 30});
                        SelectPen(c->dc, SolidPen(width, A));
                        SetMix(c->dc, mix);
                    }
                    DrawPolyline(lines.dc, frame, 8);
                    for (const WireEdge& e : edges) {
                        MoveTo(lines.dc, frame[e.from].x, frame[e.from].y);
                        LineTo(lines.dc, frame[e.to].x, frame[e.to].y);
                    }
                    DrawWireFrame(wire.dc, frame, 8, edges, 5);
                    EXPECT_EQ(wire.bitmap.pixels, lines.bitmap.pixels)
                        << "width " << width << " not " << (mix == Mix::Not) << " clipped " << clipped;
                    EXPECT_EQ(wire.dc.position.x, lines.dc.position.x);
                    EXPECT_EQ(wire.dc.position.y, lines.dc.position.y);
                }
            }
        }
    }
}

TEST(RenderStrokes, BezierEraseLeavesBlack) {
    for (int width : {1, 2, 9, 40}) {
        TestCanvas c(80, 60);
        Point p[4] = {{-30, 50}, {20, -60}, {70, 120}, {100, 10}};
        SelectPen(c.dc, SolidPen(width, PaletteIndexColor(7)));
        DrawBezier(c.dc, p, 4);
        EXPECT_GT(ztx_test::CountValue(c.bitmap, 17), 20);
        SelectPen(c.dc, SolidPen(width, kRgbBlack));
        DrawBezier(c.dc, p, 4);
        EXPECT_EQ(ztx_test::CountValue(c.bitmap, 0), 80 * 60) << width;
    }
}

TEST(RenderFills, RectanglesAndEllipsesCoverLeftToRightMinusOne) {
    TestCanvas c(6, 4);
    SelectPen(c.dc, kNullPen);
    SelectBrush(c.dc, SolidBrush(B));
    DrawRectangle(c.dc, 1, 1, 4, 3);
    EXPECT_EQ(c.Rows(), (Rows{"......", ".bbb..", ".bbb..", "......"}));

    TestCanvas d(6, 5);
    SelectPen(d.dc, SolidPen(1, A));
    SelectBrush(d.dc, SolidBrush(B));
    DrawRectangle(d.dc, 5, 4, 0, 0);  // corners in any order
    EXPECT_EQ(d.Rows(), (Rows{"aaaaa.", "abbba.", "abbba.", "aaaaa.", "......"}));

    TestCanvas e(6, 6);
    SelectPen(e.dc, kNullPen);
    SelectBrush(e.dc, SolidBrush(B));
    DrawEllipse(e.dc, 0, 0, 5, 5);
    EXPECT_EQ(e.Rows(), (Rows{".bbb..", "bbbbb.", "bbbbb.", "bbbbb.", ".bbb..", "......"}));

    TestCanvas f(6, 6);
    SelectPen(f.dc, SolidPen(1, A));
    SelectBrush(f.dc, SolidBrush(B));
    DrawEllipse(f.dc, 0, 0, 5, 5);
    EXPECT_EQ(f.Rows(), (Rows{".aaa..", "abbba.", "abbba.", "abbba.", ".aaa..", "......"}));
}

TEST(RenderFills, PolygonsUseEvenOddAndDropRightBottomWithoutPen) {
    TestCanvas c(5, 4);
    SelectPen(c.dc, kNullPen);
    SelectBrush(c.dc, SolidBrush(B));
    Point bow[4] = {{0, 0}, {4, 4}, {4, 0}, {0, 4}};
    DrawPolygon(c.dc, bow, 4);
    EXPECT_EQ(c.Rows(), (Rows{"...b.", "b.bb.", "b.bb.", "...b."}));

    // Twice around a square: even-odd leaves it empty.
    TestCanvas d(5, 5);
    SelectPen(d.dc, kNullPen);
    SelectBrush(d.dc, SolidBrush(B));
    Point twice[8] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {4, 0}, {4, 4}, {0, 4}};
    DrawPolygon(d.dc, twice, 8);
    EXPECT_EQ(ztx_test::CountValue(d.bitmap, 11), 0);
    // The winding rule (used for clip regions) fills it.
    Region r;
    RegionFromPolygon(r, twice, 8, FillRule::Winding, Rect{0, 0, 5, 5});
    EXPECT_EQ(RegionArea(r), 16);

    // With a one-pixel pen the outline adds the right and bottom edges.
    TestCanvas e(6, 6);
    SelectPen(e.dc, SolidPen(1, A));
    SelectBrush(e.dc, SolidBrush(B));
    Point sq[4] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    DrawPolygon(e.dc, sq, 4);
    EXPECT_EQ(e.Rows(), (Rows{"aaaaa.", "abbba.", "abbba.", "abbba.", "aaaaa.", "......"}));

    // Far-off vertices (64-bit crossings): a huge triangle whose edge passes
    // through the pixel centres of the diagonal fills what lies left of it.
    TestCanvas g(6, 6);
    SelectPen(g.dc, kNullPen);
    SelectBrush(g.dc, SolidBrush(B));
    Point huge[3] = {{-2000000000, -2000000000}, {2000000000, 2000000000}, {-2000000000, 2000000000}};
    DrawPolygon(g.dc, huge, 3);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(g.At(x, y), x < y ? 11 : 0) << x << "," << y;

    // Degenerate input: zero area with the null pen draws nothing; two
    // vertices with a pen draw a line including both ends.
    TestCanvas f(6, 3);
    SelectPen(f.dc, kNullPen);
    SelectBrush(f.dc, SolidBrush(B));
    Point flat[4] = {{0, 1}, {3, 1}, {5, 1}, {1, 1}};
    DrawPolygon(f.dc, flat, 4);
    EXPECT_EQ(ztx_test::CountValue(f.bitmap, 0), 18);
    SelectPen(f.dc, SolidPen(1, A));
    Point two[2] = {{1, 1}, {4, 1}};
    DrawPolygon(f.dc, two, 2);
    EXPECT_EQ(f.Rows(), (Rows{"......", ".aaaa.", "......"}));
}

TEST(RenderBlits, OverlappingCopiesBehaveLikeMemoryMoves) {
    TestCanvas c(6, 3);
    c.bitmap.pixels = {10, 11, 12, 13, 14, 15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    BitBlt(c.dc, 1, 0, 5, 1, c.dc, 0, 0);
    EXPECT_EQ(c.Rows()[0], "aabcde");
    BitBlt(c.dc, 0, 0, 5, 1, c.dc, 1, 0);
    EXPECT_EQ(c.Rows()[0], "abcdee");
    // Down by one row, overlapping: the source is read before it is written.
    BitBlt(c.dc, 0, 1, 6, 2, c.dc, 0, 0);
    EXPECT_EQ(c.Rows(), (Rows{"abcdee", "abcdee", "......"}));
}

TEST(RenderBlits, NegativeExtentsMirrorAroundTheAnchor) {
    TestCanvas c(8, 3);
    c.bitmap.pixels[0] = 10, c.bitmap.pixels[1] = 11, c.bitmap.pixels[2] = 12;
    StretchBlt(c.dc, 7, 0, -3, 1, c.dc, 0, 0, 3, 1);
    EXPECT_EQ(c.Rows()[0], "abc..cba");
    // Negative height anchored at the bottom row.
    StretchBlt(c.dc, 0, 2, 3, -2, c.dc, 0, 0, 3, 1);  // one row stretched to two
    EXPECT_EQ(c.Rows(), (Rows{"abc..cba", "abc.....", "abc....."}));
    // Enlarging repeats, shrinking drops.
    TestCanvas d(8, 2);
    d.bitmap.pixels[0] = 10, d.bitmap.pixels[1] = 11;
    StretchBlt(d.dc, 0, 1, 4, 1, d.dc, 0, 0, 2, 1);
    EXPECT_EQ(d.Rows()[1], "aabb....");
    StretchBlt(d.dc, 5, 0, 2, 1, d.dc, 0, 1, 4, 1);
    EXPECT_EQ(d.Rows()[0], "ab...ab.");
}

TEST(RenderBlits, SourceOffThePictureLeavesTheDestination) {
    TestCanvas c(4, 3);
    c.Fill(12);  // 'c'
    c.bitmap.pixels[0] = 10;
    c.bitmap.pixels[1] = 11;
    BitBlt(c.dc, 0, 1, 3, 1, c.dc, -1, 0);
    EXPECT_EQ(c.Rows()[1], "cabc");
    BitBlt(c.dc, 0, 2, 4, 1, c.dc, 2, -5);  // entirely off: nothing happens
    EXPECT_EQ(c.Rows()[2], "cccc");
    // Destination far off: nothing happens and nothing crashes.
    BitBlt(c.dc, 2000000000, 0, 100, 100, c.dc, 0, 0);
    StretchBlt(c.dc, 4, 3, -(2 + 1), 2, c.dc, 0, 0, 2, 1);
    EXPECT_EQ(c.Rows()[0], "abcc");
}

TEST(RenderClip, EveryOutputHonoursTheClip) {
    auto check = [](TestCanvas& c, const char* what) {
        EXPECT_EQ(c.At(1, 1), 0) << what;
        EXPECT_EQ(c.At(2, 2), 0) << what;
        EXPECT_NE(c.At(0, 0), 0) << what;
        EXPECT_NE(c.At(3, 3), 0) << what;
    };
    auto make = []() {
        auto* c = new TestCanvas(4, 4);
        ExcludeClipRect(c->dc, Rect{1, 1, 3, 3});
        return c;
    };
    {
        std::unique_ptr<TestCanvas> c(make());
        FillRect(c->dc, Rect{0, 0, 4, 4}, SolidBrush(A));
        check(*c, "fill");
    }
    {
        std::unique_ptr<TestCanvas> c(make());
        PatBlt(c->dc, 0, 0, 4, 4, Rop::DestInvert);
        check(*c, "invert");
    }
    {
        std::unique_ptr<TestCanvas> c(make());
        PatBlt(c->dc, 4, 4, -4, -4, Rop::Whiteness);
        check(*c, "whiteness");
    }
    {
        std::unique_ptr<TestCanvas> c(make());
        SelectPen(c->dc, SolidPen(1, A));
        MoveTo(c->dc, 0, 0);
        LineTo(c->dc, 4, 4);
        check(*c, "line");
    }
    {
        std::unique_ptr<TestCanvas> c(make());
        SelectPen(c->dc, SolidPen(6, A));
        MoveTo(c->dc, 2, 2);
        LineTo(c->dc, 2, 2);
        check(*c, "wide dot");
    }
    {
        std::unique_ptr<TestCanvas> c(make());
        uint8_t bits[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
        IndexDib dib{4, 4, kIdentityIndices, 236, bits};
        DrawIndexDib(c->dc, 0, 0, 4, 4, dib, 0, 0, 4, 4);
        check(*c, "strip");
    }
    {
        std::unique_ptr<TestCanvas> c(make());
        TestCanvas src(4, 4);
        src.Fill(20);
        BitBlt(c->dc, 0, 0, 4, 4, src.dc, 0, 0);
        check(*c, "blit");
        // The clip never limits the source: copying the hole carries it along.
        TestCanvas other(4, 4);
        BitBlt(other.dc, 0, 0, 4, 4, c->dc, 0, 0);
        EXPECT_EQ(other.At(1, 1), 0);
        EXPECT_EQ(other.At(0, 0), 20);
    }
    // Removing the clip drops the cut-out.
    TestCanvas d(4, 4);
    ExcludeClipRect(d.dc, Rect{1, 1, 3, 3});
    RemoveClip(d.dc);
    FillRect(d.dc, Rect{0, 0, 4, 4}, SolidBrush(A));
    EXPECT_EQ(d.At(1, 1), 10);
    // Asked for by another thread, the removal happens at the next call.
    TestCanvas e(4, 4);
    ExcludeClipRect(e.dc, Rect{1, 1, 3, 3});
    std::thread([&] { RequestRemoveClip(e.dc); }).join();
    EXPECT_TRUE(e.dc.clipped);
    FillRect(e.dc, Rect{0, 0, 4, 4}, SolidBrush(A));
    EXPECT_EQ(e.At(1, 1), 10);
    EXPECT_FALSE(e.dc.clipped);
}

TEST(RenderClip, RectangleListsAndEllipseTriangleRegions) {
    TestCanvas c(10, 6);
    SetClipRect(c.dc, Rect{2, 1, 8, 5});
    ExcludeClipRect(c.dc, Rect{4, 0, 6, 3});
    IntersectClipRect(c.dc, Rect{0, 0, 7, 10});
    FillRect(c.dc, Rect{-100, -100, 100, 100}, SolidBrush(A));
    EXPECT_EQ(c.Rows(), (Rows{"..........", "..aa..a...", "..aa..a...", "..aaaaa...", "..aaaaa...", ".........."}));

    // Ellipse intersected with a triangle (winding) and a rectangle.
    TestCanvas d(12, 12);
    Region ell, tri;
    Rect pic{0, 0, 12, 12};
    RegionFromEllipse(ell, Rect{0, 0, 12, 12}, pic);
    Point t[3] = {{6, 6}, {1000, 6}, {1000, -1000}};
    RegionFromPolygon(tri, t, 3, FillRule::Winding, pic);
    SetClipRegion(d.dc, ell);
    IntersectClipRegion(d.dc, tri);
    IntersectClipRect(d.dc, Rect{0, 0, 10, 12});
    FillRect(d.dc, pic, SolidBrush(A));
    EXPECT_EQ(d.At(8, 3), 10);   // inside all three
    EXPECT_EQ(d.At(3, 3), 0);    // left of the triangle
    EXPECT_EQ(d.At(8, 8), 0);    // below the triangle
    EXPECT_EQ(d.At(10, 5), 0);   // cut by the rectangle
    EXPECT_EQ(d.At(11, 0), 0);   // outside the ellipse
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(d.At(x, y) == 10, RegionContains(d.dc.clip, x, y)) << x << "," << y;
}

// A tile's rectangular clip (drawn through the unclipped stores) keeps
// exactly the part of the unclipped drawing inside it: polygons with thin
// and wide pens, some crossing the rectangle, one just beside it.
TEST(RenderClip, ARectangularClipKeepsExactlyTheUnclippedPixelsInside) {
    const Rect tile{23, 11, 61, 40};
    const Point shapes[3][5] = {{{-30, 5}, {90, 20}, {40, 70}, {10, 45}, {55, -8}},
                                {{15, -5}, {18, 70}, {12, 75}, {9, 30}, {14, 0}},
                                {{25, 12}, {60, 12}, {60, 39}, {25, 39}, {42, 25}}};
    for (const auto& shape : shapes) {
        for (int width : {1, 2, 7, 20}) {
            TestCanvas whole(160, 80), clipped(160, 80);
            SetClipRect(clipped.dc, tile);
            for (TestCanvas* c : {&whole, &clipped}) {
                SelectPen(c->dc, SolidPen(width, A));
                SelectBrush(c->dc, kHollowBrush);
                DrawPolygon(c->dc, shape, 5);
            }
            for (int y = 0; y < 80; ++y)
                for (int x = 0; x < 160; ++x) {
                    const bool inside = x >= tile.left && x < tile.right && y >= tile.top && y < tile.bottom;
                    ASSERT_EQ(clipped.At(x, y), inside ? whole.At(x, y) : 0) << width << ": " << x << "," << y;
                }
        }
    }
}

TEST(RenderStrips, ColumnsRunUpwardAndBytesClamp) {
    // Column strip: width 1, height = client height, 4 bytes per line.
    TestCanvas c(3, 4);
    uint8_t col[16] = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};
    IndexDib dib{1, 4, kIdentityIndices, 236, col};
    DrawIndexDib(c.dc, 1, 0, 1, 3, dib, 0, 0, 1, 3);  // the first 3 stored lines
    EXPECT_EQ(c.Rows(), (Rows{".d.", ".c.", ".b.", "..."}));

    // Row strip with bytes past the table and a table entry past 235.
    TestCanvas d(4, 1);
    uint16_t table[3] = {0, 300, 2};
    uint8_t row[4] = {0, 1, 2, 250};
    IndexDib r{4, 1, table, 3, row};
    DrawIndexDib(d.dc, 0, 0, 4, 1, r, 0, 0, 4, 1);
    EXPECT_EQ(d.bitmap.pixels, (std::vector<uint8_t>{10, 245, 12, 245}));

    // Stretched strip and a bottom-left source rectangle.
    TestCanvas e(6, 2);
    uint8_t two[8] = {1, 2, 0, 0, 3, 4, 0, 0};  // stored row 0 = bottom
    IndexDib t{2, 2, kIdentityIndices, 236, two};
    DrawIndexDib(e.dc, 0, 0, 4, 1, t, 0, 1, 2, 1);  // stored row 1 = the top row as shown
    DrawIndexDib(e.dc, 0, 1, 6, 1, t, 0, 0, 2, 2);  // two rows shrunk to one
    EXPECT_EQ(e.Rows(), (Rows{"ddee..", "bbbccc"}));
}

TEST(RenderEdges, ThreeDimensionalEdgesUseTheSystemGreys) {
    TestCanvas c(6, 6);
    DrawEdge(c.dc, Rect{0, 0, 6, 6}, Edge3D::Sunken, true);
    EXPECT_EQ(c.Rows(), (Rows{"ggggg#", "g...l#", "g.lll#", "g.lll#", "gllll#", "######"}));
    EXPECT_EQ(c.At(0, 0), kDeviceShadow);
    EXPECT_EQ(c.At(5, 5), kDeviceHighlight);
    EXPECT_EQ(c.At(1, 1), kDeviceDarkShadow);
    EXPECT_EQ(c.At(4, 4), kDeviceLight);
    EXPECT_EQ(c.At(2, 2), kDeviceFace);
}
