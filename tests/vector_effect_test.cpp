// The Effect module: its controls, when the batch falls due, what each step
// of the batch does to a picture, the palette block it shares with Sphere,
// the clock's text, odd sizes and a golden checksum.
#include <gtest/gtest.h>

#include "tests/module_run.h"

#include "modules/vector/effect.h"
#include "modules/vector/vector_kit.h"

namespace ztx {
namespace {

class EffectRun : public ModuleRun {
public:
    EffectRun(int width, int height) : ModuleRun(kSlotEffect, width, height) {}
    // Every step off, then the batch due on every call.
    void OnlyEvery(int slot, int value) {
        Set(slot, value);
        Set(kEffectDuration, 0);
    }
    // A lopsided picture: a palette-coloured block in the top-left corner
    // and a stripe across, so folds and inversions show.
    void Paint() {
        SelectBrush(Dc(), SolidBrush(PaletteIndexColor(40)));
        SelectPen(Dc(), kNullPen);
        DrawRectangle(Dc(), 3, 5, Width() / 3, Height() / 4);
        SelectBrush(Dc(), SolidBrush(PaletteIndexColor(90)));
        DrawRectangle(Dc(), 0, Height() / 2, Width(), Height() / 2 + 3);
        SelectPen(Dc(), kBlackPen);
    }
    // One call of DoDrawFrame at the current time (a second call within the
    // same frame, as "Strength" 2 makes).
    int CallAgain() { return record()->DoDrawFrame(record()); }
};

TEST(VectorEffect, RegisteredInSlotEighteenWithItsControls) {
    EffectRun run(32, 24);
    const ModuleRecord& r = *run.record();
    EXPECT_STREQ(r.Name, "Effect");
    EXPECT_EQ(r.DoDrawFrame, &EffectDrawFrame);
    EXPECT_EQ(r.DoInitialize, &EffectInitialize);
    ExpectControls(r, {
                              {0, -1, "Rectangle", 0, 2, 0},
                              {1, -1, "Ellipse", 0, 2, 0},
                              {2, -1, "Redraw", 0, 13, 0},
                              {3, -1, "Blocks", 0, 4, 0},
                              {4, -1, "Time of day", 0, 1, 0},
                              {5, -1, "Checker", 0, 1, 0},
                              {6, -1, "X Strength", 10, 500, 100},
                              {7, -1, "Y Strength", 10, 500, 80},
                              {8, 3, "Duration", 0, 1000, 8},
                              {9, 9, "Strength", -10, 10, 1},
                              {30, -1, "Draw Start", 0, 100, 0},
                              {31, -1, "Draw Stop", 0, 100, 100},
                          });
}

TEST(VectorEffect, TheBatchComesOnceADurationAndOnEveryCallAtZero) {
    // Default controls: every step off, nothing ever changes.
    {
        EffectRun run(64, 48);
        run.Set(kEffectRectangle, 1);
        run.Set(kEffectDuration, 1);
        run.Start(1);
        run.Frames(60);  // 60 x 16 ms: not yet a second
        EXPECT_EQ(run.LitCount(), 0);
        run.Frames(2);
        EXPECT_GT(run.LitCount(), 0);
        const uint64_t once = run.Checksum();
        run.Frames(50);
        EXPECT_EQ(run.Checksum(), once);
    }
    // "Duration" 0: each call applies it, even two calls in one frame.
    EffectRun run(64, 48);
    run.OnlyEvery(kEffectRectangle, 1);
    run.Start(1);
    EXPECT_EQ(run.CallAgain(), 0);
    EXPECT_GT(run.LitCount(), 0);
    EXPECT_EQ(run.CallAgain(), 0);
    EXPECT_EQ(run.LitCount(), 0);
    // A closed gate skips it.
    run.Set(kEffectDrawStart, 80);
    run.Set(kEffectDrawStop, 90);
    EXPECT_EQ(run.CallAgain(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
}

TEST(VectorEffect, RectanglesInvertNestedFramesAndTwoEqualPassesCancel) {
    EffectRun run(200, 150);
    run.OnlyEvery(kEffectRectangle, 1);
    run.Set(kEffectXStrength, 20);
    run.Set(kEffectYStrength, 10);
    run.Start(1);
    run.CallAgain();
    // Frame 0 covers 0..198 x 0..148: the last column and row stay black;
    // every other ring is inverted twice.
    EXPECT_EQ(run.At(0, 0), 255);
    EXPECT_EQ(run.At(199, 0), 0);
    EXPECT_EQ(run.At(0, 149), 0);
    EXPECT_EQ(run.At(20, 10), 0);
    EXPECT_EQ(run.At(40, 20), 255);
    EXPECT_EQ(run.At(100, 20), 255);

    for (int x : {20, 37}) {
        SCOPED_TRACE(x);
        EffectRun two(200, 150);
        two.OnlyEvery(kEffectRectangle, 2);
        two.Set(kEffectXStrength, x);
        two.Set(kEffectYStrength, 20);
        two.Start(1);
        two.Paint();
        const uint64_t before = two.Checksum();
        two.CallAgain();
        EXPECT_EQ(two.Checksum() == before, x == 20);
    }
}

TEST(VectorEffect, EllipsesAreInvertedOnceUnderTheirWidePen) {
    EffectRun run(300, 200);
    run.OnlyEvery(kEffectEllipse, 2);
    run.Set(kEffectXStrength, 30);
    run.Set(kEffectYStrength, 30);
    run.Start(1);
    run.Paint();
    const uint64_t before = run.Checksum();
    run.CallAgain();
    EXPECT_EQ(run.Checksum(), before);  // (X, Y) then (Y, X): the same rings
    run.Set(kEffectEllipse, 1);
    run.Start(1);
    run.Clear();
    run.CallAgain();
    // Rings of a 20-pixel pen: the middle of the top edge is inside the
    // first, the corner outside every ring.
    EXPECT_EQ(run.At(150, 2), 255);
    EXPECT_EQ(run.At(1, 1), 0);
    EXPECT_GT(run.LitCount(), 10000);
}

TEST(VectorEffect, FoldsOfDepthZeroAndOneAreTheSameSingleFold) {
    auto folded = [](int redraw) {
        EffectRun run(160, 120);
        run.OnlyEvery(kEffectRedraw, redraw);
        run.Start(1);
        run.Paint();
        run.CallAgain();
        return run.Pixels();
    };
    const std::vector<uint8_t> single = folded(1);
    EXPECT_EQ(folded(2), single);
    EXPECT_EQ(folded(7), single);
    EXPECT_EQ(folded(8), single);
    EXPECT_NE(folded(3), single);
    EXPECT_EQ(folded(3), folded(9));
    // The single fold mirrors the top-left quarter right and the top half
    // down: the block at the top left shows in all four corners.
    EffectRun run(160, 120);
    run.Set(kEffectDuration, 0);
    run.Start(1);
    run.Paint();
    const uint8_t block = run.At(10, 10);
    EXPECT_NE(block, 0);
    run.Set(kEffectRedraw, 1);
    run.Start(1);
    run.CallAgain();
    EXPECT_EQ(run.At(160 - 10, 10), block);
    EXPECT_EQ(run.At(10, 120 - 10), block);
    EXPECT_EQ(run.At(160 - 10, 120 - 10), block);
}

TEST(VectorEffect, CheckerInvertsEverySecondBandBothWays) {
    EffectRun run(100, 60);
    run.OnlyEvery(kEffectChecker, 1);
    run.Set(kEffectXStrength, 10);
    run.Set(kEffectYStrength, 20);
    run.Start(1);
    run.CallAgain();
    // Columns 10..19, 30..39, ... 70..79 (the band at 90 would reach the
    // edge), then rows 20..39: where both cross, twice.
    for (int x = 0; x < 100; ++x) {
        const bool column = (x / 10) % 2 == 1 && x < 80;
        EXPECT_EQ(run.At(x, 5), column ? 255 : 0) << x;
        EXPECT_EQ(run.At(x, 25), column ? 0 : 255) << x;
    }
    EXPECT_EQ(run.At(15, 45), 255);
}

TEST(VectorEffect, PaletteBlocksAreRingsOfConsecutiveEntries) {
    Bitmap8 b;
    CreateBitmap8(b, 100, 100);
    DrawContext dc;
    AttachBitmap(dc, b);
    auto entryAt = [&](int x, int y) { return int(b.pixels[size_t(y) * 100 + x]) - 10; };
    // Vertical bars: ring k covers columns x + 3k - d .. + 3, so each entry
    // shows 3 columns wide, the last 4, and entries wrap after 235.
    DrawPaletteBlock(dc, PaletteBlock{.x = 50, .y = 50, .size = 20, .firstEntry = 230,
                                      .shape = BlockShape::VerticalBars});
    for (int k = 0; k < 10; ++k) {
        for (int c = 0; c < (k == 9 ? 4 : 3); ++c) EXPECT_EQ(entryAt(40 + 3 * k + c, 50), (230 + k) % 236) << k;
    }
    EXPECT_EQ(b.pixels[50 * 100 + 39], 0);
    EXPECT_EQ(b.pixels[50 * 100 + 71], 0);
    EXPECT_EQ(entryAt(45, 40), 231);  // rows y - d .. y + d - 1
    EXPECT_EQ(b.pixels[39 * 100 + 45], 0);
    // Squares: ring d - 1 is empty (half size 0), so ring d - 2 holds the
    // centre.
    CreateBitmap8(b, 100, 100);
    AttachBitmap(dc, b);
    DrawPaletteBlock(dc, PaletteBlock{.x = 50, .y = 50, .size = 21, .firstEntry = 5, .shape = BlockShape::Squares});
    EXPECT_EQ(entryAt(50, 50), 5 + 8);
    EXPECT_EQ(entryAt(41, 50), 5);
    EXPECT_EQ(b.pixels[50 * 100 + 40], 0);
    // Nested ellipses and squares are painted ring by ring; the picture is
    // the one filling every shape whole, outermost first, would give, also
    // cut by the picture's edge and by a clip.
    for (BlockShape shape : {BlockShape::Ellipses, BlockShape::Squares}) {
        for (int size : {2, 3, 5, 10, 21, 64, 101, 252, 501}) {
            for (Point at : {Point{150, 150}, Point{3, 290}}) {
                SCOPED_TRACE(size);
                Bitmap8 fast, whole;
                CreateBitmap8(fast, 300, 300);
                CreateBitmap8(whole, 300, 300);
                DrawContext f, w;
                AttachBitmap(f, fast);
                AttachBitmap(w, whole);
                SetClipRect(f, Rect{0, 0, 290, 280});
                SetClipRect(w, Rect{0, 0, 290, 280});
                DrawPaletteBlock(f, PaletteBlock{.x = at.x, .y = at.y, .size = size, .firstEntry = 200, .shape = shape});
                SelectPen(w, kNullPen);
                for (int k = 0; k < size / 2; ++k) {
                    const int n = size / 2 - 1 - k;
                    SelectBrush(w, SolidBrush(PaletteIndexColor((200 + k) % 236)));
                    if (shape == BlockShape::Ellipses) DrawEllipse(w, at.x - n, at.y - n, at.x + n, at.y + n);
                    else DrawRectangle(w, at.x - n, at.y - n, at.x + n, at.y + n);
                }
                ASSERT_EQ(fast.pixels, whole.pixels);
            }
        }
    }
    // A block smaller than 2 draws nothing.
    CreateBitmap8(b, 10, 10);
    AttachBitmap(dc, b);
    DrawPaletteBlock(dc, PaletteBlock{.x = 5, .y = 5, .size = 1, .firstEntry = 5});
    for (uint8_t p : b.pixels) EXPECT_EQ(p, 0);
}

TEST(VectorEffect, ClockTextUsesTwelveHoursWithMidnightAsZero) {
    EXPECT_EQ(ClockText(0, 30), "0:30 AM");
    EXPECT_EQ(ClockText(12, 5), "12:05 PM");
    EXPECT_EQ(ClockText(13, 5), "1:05 PM");
    EXPECT_EQ(ClockText(11, 59), "11:59 AM");
}

TEST(VectorEffect, TheClockInvertsInsideItsGlyphsAcrossThePicture) {
    EffectRun run(400, 300);
    run.OnlyEvery(kEffectTimeOfDay, 1);
    run.Start(1);
    run.Clock().Set(13 * 3600000u + 5 * 60000u);  // 13:05 on the virtual clock
    run.CallAgain();
    MaybeWritePicture(run, "effect-clock");
    // White glyphs on black, spread over most of the width, none in the
    // top and bottom rows.
    const int lit = run.LitCount();
    EXPECT_GT(lit, 400 * 300 / 40);
    EXPECT_LT(lit, 400 * 300 / 2);
    EXPECT_EQ(run.LitIn(0, 0, 400, 20), 0);
    EXPECT_GT(run.LitIn(0, 0, 60, 300), 0);
    EXPECT_GT(run.LitIn(340, 0, 400, 300), 0);
    for (uint8_t p : run.Pixels()) ASSERT_TRUE(p == 0 || p == 255);
}

TEST(VectorEffect, TheClockLeavesTextBoxesAlone) {
    EffectRun run(400, 300);
    run.OnlyEvery(kEffectTimeOfDay, 1);
    ExpectTextBoxUncovered(run, 1, 1);
}

TEST(VectorEffect, EverythingOnSurvivesOddSizes) {
    for (auto [w, h] : {std::pair{1, 1}, {16, 12}, {200, 900}, {3840, 2160}, {37, 5}}) {
        SCOPED_TRACE(w);
        EffectRun run(w, h);
        for (int slot : {kEffectRectangle, kEffectEllipse}) run.Set(slot, 2);
        run.Set(kEffectRedraw, 13);
        run.Set(kEffectBlocks, 4);
        run.Set(kEffectTimeOfDay, 1);
        run.Set(kEffectChecker, 1);
        run.Set(kEffectXStrength, w > 1000 ? 40 : 10);
        run.Set(kEffectYStrength, 10);
        run.Set(kEffectDuration, 0);
        run.Drive(kEffectBlocks, kCheckRandom, 1, 4);
        run.Start(5);
        run.Paint();
        run.Frames(w > 1000 ? 2 : 30);
        EXPECT_EQ(run.Close(), 0);
    }
}

TEST(VectorEffect, GoldenEveryStep) {
    EffectRun run(320, 240);
    run.Set(kEffectRectangle, 1);
    run.Set(kEffectEllipse, 1);
    run.Set(kEffectRedraw, 3);
    run.Set(kEffectBlocks, 1);
    run.Set(kEffectChecker, 1);
    run.Set(kEffectXStrength, 30);
    run.Set(kEffectYStrength, 24);
    run.Set(kEffectDuration, 0);
    run.Start(20240601);
    run.Paint();
    run.Frames(3);
    MaybeWritePicture(run, "effect-golden");
    EXPECT_EQ(run.Checksum(), 0x5f0dd696d839ff1cull);
}

}  // namespace
}  // namespace ztx
