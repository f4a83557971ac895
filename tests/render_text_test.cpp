// Fonts, text and glyph outlines; and the sample picture of every primitive.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/files.h"
#include "render/device_colors.h"
#include "render/picture.h"
#include "render/text.h"
#include "render/tiling.h"
#include "tests/render_helpers.h"
#include "tests/test_support.h"

using namespace ztx;
using ztx_test::TestCanvas;

TEST(RenderText, StockFontHasAThirteenPixelLine) {
    const Font* f = StockVariableFont();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(FontLineHeight(f), 13);
    std::string file = FontFile(f);
    EXPECT_TRUE(file.find("Liberation") != std::string::npos || file.find("DejaVu") != std::string::npos) << file;
    TestCanvas c(10, 10);
    EXPECT_EQ(MeasureText(c.dc, "").width, 0);
    EXPECT_EQ(MeasureText(c.dc, "").height, 13);
    TextExtent one = MeasureText(c.dc, "Zentrix");
    TextExtent two = MeasureText(c.dc, "ZentrixZentrix");
    EXPECT_GT(one.width, 20);
    EXPECT_EQ(two.width, 2 * one.width);  // advances add up, no kerning
    EXPECT_EQ(LineHeight(c.dc), 13);
}

TEST(RenderText, CentredTextStaysInsideItsBoxAndTheClip) {
    TestCanvas c(200, 80);
    c.Fill(7);
    Rect box{20, 10, 180, 10 + 3 * 13};
    DrawTextCentered(c.dc, box, "first line\nsecond, longer line\nthird");
    int ink = 0, outside = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x)
            if (c.At(x, y) == 0) {
                ++ink;
                if (x < box.left || x >= box.right || y < box.top || y >= box.bottom) ++outside;
            }
    EXPECT_GT(ink, 60);
    EXPECT_EQ(outside, 0);
    // Every pixel is either black ink or the untouched background.
    EXPECT_EQ(ztx_test::CountValue(c.bitmap, 0) + ztx_test::CountValue(c.bitmap, 7), 200 * 80);

    TestCanvas d(200, 80);
    d.Fill(7);
    ExcludeClipRect(d.dc, Rect{0, 0, 200, 80});
    DrawTextCentered(d.dc, box, "hidden");
    EXPECT_EQ(ztx_test::CountValue(d.bitmap, 7), 200 * 80);
}

TEST(RenderText, GlyphOutlinesClipAndStroke) {
    Font* big = CreateFont("Arial", -(61 * 96 / 72));
    ASSERT_NE(big, nullptr);
    TestCanvas c(400, 120);
    SelectFont(c.dc, big);
    TextExtent e = MeasureText(c.dc, "12:08 PM");
    EXPECT_GT(e.width, 150);
    int x = 200 - e.width / 2, y = 60 - e.height / 2;

    // Ink of the rendered text...
    TestCanvas ref(400, 120);
    ref.Fill(255);
    SelectFont(ref.dc, big);
    TextOut(ref.dc, x, y, "12:08 PM");
    int ink = ztx_test::CountValue(ref.bitmap, 0);
    // ...and the inside of its outline path, inverted.
    BeginPath(c.dc);
    TextOut(c.dc, x, y, "12:08 PM");
    EndPath(c.dc);
    EXPECT_GT(c.dc.path.contourSizes.size(), 8u);
    EXPECT_EQ(ztx_test::CountValue(c.bitmap, 0), 400 * 120);  // a path draws nothing
    ClipToPath(c.dc);
    InvertRect(c.dc, Rect{x, y, x + e.width, y + e.height});
    RemoveClip(c.dc);
    int inverted = ztx_test::CountValue(c.bitmap, 255);
    EXPECT_GT(inverted, ink * 85 / 100);
    EXPECT_LT(inverted, ink * 115 / 100);
    // The holes of "0", "8", "P" stay black (even-odd).
    // Stroking the same path with a wide black pen covers the edges.
    BeginPath(c.dc);
    TextOut(c.dc, x, y, "12:08 PM");
    EndPath(c.dc);
    SelectPen(c.dc, SolidPen(3, PaletteIndexColor(5)));
    StrokePath(c.dc);
    EXPECT_GT(ztx_test::CountValue(c.bitmap, 15), inverted / 4);
    EXPECT_TRUE(c.dc.path.points.empty());

    // Larger sizes are wider; one point is still something.
    Font* tiny = CreateFont("Arial", -1);
    ASSERT_NE(tiny, nullptr);
    SelectFont(c.dc, tiny);
    int tinyWidth = MeasureText(c.dc, "12:08 PM").width;
    Font* huge = CreateFont("Arial", -(401 * 96 / 72));
    SelectFont(c.dc, huge);
    EXPECT_GT(MeasureText(c.dc, "12:08 PM").width, 4 * e.width);
    EXPECT_GE(tinyWidth, 0);
    SelectFont(c.dc, nullptr);
    DeleteFont(tiny);
    DeleteFont(huge);
    DeleteFont(big);
}

// A sample of every primitive, the text boxes' edges and text, written as an
// 8-bit BMP (kept in ZTX_RENDER_SAMPLE_DIR when that is set).
TEST(RenderSample, WritesAPictureOfEveryPrimitive) {
    PaletteColor colors[236];
    for (int i = 0; i < 236; ++i) {
        double a = i / 236.0 * 6.283;
        colors[i] = PaletteColor{uint8_t(128 + 127 * std::sin(a)), uint8_t(128 + 127 * std::sin(a + 2.1)),
                                 uint8_t(128 + 127 * std::sin(a + 4.2)), 0};
    }
    DeviceColors().SetAnimated(colors, 0, 236);
    Surface surface;
    CreateSurface(surface, 640, 480);
    DrawContext dc;
    AttachSurface(dc, surface);
    // Row 1: one-pixel lines, wide lines, polyline, Beziers.
    for (int i = 0; i < 12; ++i) {
        SelectPen(dc, SolidPen(1, PaletteIndexColor(i * 18)));
        MoveTo(dc, 10, 10 + i * 7);
        LineTo(dc, 110, 10 + i * 3);
    }
    for (int w : {2, 5, 12, 20}) {
        SelectPen(dc, SolidPen(w, PaletteIndexColor(w * 9)));
        MoveTo(dc, 130 + w * 4, 15);
        LineTo(dc, 150 + w * 6, 95);
    }
    Point zig[6] = {{300, 20}, {330, 90}, {360, 20}, {390, 90}, {420, 20}, {450, 90}};
    SelectPen(dc, SolidPen(9, PaletteIndexColor(60)));
    DrawPolyline(dc, zig, 6);
    Point bez[4] = {{470, 90}, {480, -20}, {600, 160}, {630, 20}};
    SelectPen(dc, SolidPen(14, PaletteIndexColor(150)));
    DrawBezier(dc, bez, 4);
    SelectPen(dc, SolidPen(1, kRgbWhite));
    DrawBezier(dc, bez, 4);
    // Row 2: polygons (even-odd star with outline, null-pen quad), rectangle,
    // ellipses, a "not" ellipse.
    Point star[5] = {{60, 110}, {95, 200}, {15, 140}, {105, 140}, {25, 200}};
    SelectPen(dc, SolidPen(1, kRgbBlack));
    SelectBrush(dc, SolidBrush(PaletteIndexColor(30)));
    DrawPolygon(dc, star, 5);
    Point quad[4] = {{130, 120}, {220, 110}, {130, 200}, {220, 190}};
    SelectPen(dc, kNullPen);
    SelectBrush(dc, SolidBrush(PaletteIndexColor(90)));
    DrawPolygon(dc, quad, 4);
    SelectPen(dc, SolidPen(6, PaletteIndexColor(200)));
    SelectBrush(dc, kHollowBrush);
    Point hexagon[6] = {{260, 115}, {300, 115}, {320, 150}, {300, 185}, {260, 185}, {240, 150}};
    DrawPolygon(dc, hexagon, 6);
    SelectPen(dc, kNullPen);
    SelectBrush(dc, SolidBrush(PaletteIndexColor(120)));
    DrawRectangle(dc, 340, 110, 400, 200);
    SelectPen(dc, SolidPen(1, kRgbWhite));
    DrawEllipse(dc, 410, 110, 500, 200);
    SelectBrush(dc, kHollowBrush);
    SetMix(dc, Mix::Not);
    SelectPen(dc, SolidPen(10, kRgbWhite));
    DrawEllipse(dc, 380, 130, 620, 190);
    SetMix(dc, Mix::CopyPen);
    // Row 3: strips, inverted rectangles, a mirrored tile grid.
    std::vector<uint8_t> row(640), col(400 * 4);
    for (int x = 0; x < 640; ++x) row[x] = uint8_t(x * 235 / 639);
    for (int y = 0; y < 400; ++y) col[y * 4] = uint8_t(y * 235 / 399);
    IndexDib r{640, 1, kIdentityIndices, 236, row.data()};
    IndexDib cdib{1, 400, kIdentityIndices, 236, col.data()};
    for (int y = 210; y < 220; ++y) DrawIndexDib(dc, 0, y, 640, 1, r, 0, 0, 640, 1);
    for (int x = 0; x < 10; ++x) DrawIndexDib(dc, x, 220, 1, 180, cdib, 0, 0, 1, 180);
    for (int k = 0; k < 6; ++k) InvertRect(dc, Rect{20 + k * 6, 230 + k * 6, 140 - k * 6, 390 - k * 6});
    Point tri[3] = {{160, 230}, {230, 250}, {170, 300}};
    SelectPen(dc, SolidPen(3, PaletteIndexColor(10)));
    SelectBrush(dc, SolidBrush(PaletteIndexColor(180)));
    DrawPolygon(dc, tri, 3);
    ReplicateTile(dc, 2, 2, 0, 0, 0);
    // Tile replication of the 80x80 corner at (160, 230) would need a
    // grid origin at 0; copy the corner into a mirrored 2x2 block instead.
    StretchBlt(dc, 319, 230, -80, 80, dc, 160, 230, 80, 80);
    StretchBlt(dc, 160, 389, 160, -80, dc, 160, 230, 160, 80);
    // A clipped fill: ellipse region intersected with a triangle.
    Region ell, wedge;
    RegionFromEllipse(ell, Rect{340, 230, 460, 350}, Rect{0, 0, 640, 400});
    Point w3[3] = {{400, 290}, {520, 230}, {520, 390}};
    RegionFromPolygon(wedge, w3, 3, FillRule::Winding, Rect{0, 0, 640, 400});
    SetClipRegion(dc, ell);
    IntersectClipRegion(dc, wedge);
    FillRect(dc, Rect{0, 0, 640, 400}, SolidBrush(PaletteIndexColor(220)));
    RemoveClip(dc);
    // A text box: sunken edge with face, raised, etched; centred text.
    Rect box{470, 300, 630, 390};
    DrawEdge(dc, box, Edge3D::Sunken, true);
    Rect in1{box.left + 8, box.top + 8, box.right - 8, box.bottom - 8};
    DrawEdge(dc, in1, Edge3D::Raised, false);
    Rect in2{in1.left + 6, in1.top + 6, in1.right - 6, in1.bottom - 6};
    DrawEdge(dc, in2, Edge3D::Etched, false);
    Rect in3{in2.left + 8, in2.top + 8, in2.right - 8, in2.bottom - 8};
    SetTransparentText(dc, true);
    DrawTextCentered(dc, in3, "Zentrix\nsample");
    // The clock: glyph outlines as a clip (inverted inside) and stroked.
    Font* clockFont = CreateFont("Arial", -(44 * 96 / 72));
    ASSERT_NE(clockFont, nullptr);
    const Font* oldFont = SelectFont(dc, clockFont);
    TextExtent e = MeasureText(dc, "10:42 PM");
    const int cx = 320 - e.width / 2, cy = 440 - e.height / 2;
    for (int k = 0; k < 8; ++k) {
        SelectBrush(dc, SolidBrush(PaletteIndexColor(k * 29)));
        SelectPen(dc, kNullPen);
        DrawRectangle(dc, k * 80, 405, k * 80 + 80, 475);
    }
    BeginPath(dc);
    TextOut(dc, cx, cy, "10:42 PM");
    EndPath(dc);
    ClipToPath(dc);
    InvertRect(dc, Rect{cx, cy, cx + e.width, cy + e.height});
    RemoveClip(dc);
    BeginPath(dc);
    TextOut(dc, cx, cy, "10:42 PM");
    EndPath(dc);
    SelectPen(dc, kBlackPen);
    StrokePath(dc);
    SelectFont(dc, oldFont);
    DeleteFont(clockFont);
    PublishSurface(surface);

    std::string path = ztx_test::g_tempRoot + "/sample.bmp";
    ASSERT_EQ(GrabToBmp(dc, path, true, 640, 480, 100, false), 1);
    Section back;
    ASSERT_TRUE(LoadPicture(path, back));
    EXPECT_EQ(back.width, 640);
    EXPECT_EQ(back.height, 480);
    if (const char* keep = std::getenv("ZTX_RENDER_SAMPLE_DIR")) {
        std::string data;
        ASSERT_TRUE(ReadWholeFile(path, data));
        ASSERT_TRUE(WriteFileAtomically(std::string(keep) + "/render-sample.bmp", data));
    }
}
