// Publishing and presenting: the presenter sees only whole frames, under
// concurrent drawing and palette animation; colour-matched copies.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "render/device_colors.h"
#include "render/draw.h"
#include "tests/render_helpers.h"

using namespace ztx;

TEST(RenderPresent, PresenterOnlySeesWholeFrames) {
    Surface surface;
    CreateSurface(surface, 64, 48);
    DrawContext dc;
    AttachSurface(dc, surface);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, shown{0};
    // Palette thread: keeps animating every entry.
    std::thread palette([&] {
        PaletteColor c[236];
        for (int step = 0; !done.load(); ++step) {
            for (int i = 0; i < 236; ++i) c[i] = PaletteColor{uint8_t(i), uint8_t(step), 7, 0};
            DeviceColors().SetAnimated(c, 0, 236);
        }
    });
    // Presenter: every shown picture must be a single colour.
    std::thread presenter([&] {
        std::vector<uint32_t> out(64 * 48);
        while (!done.load()) {
            PresentSurface(surface, out.data(), 64, 64, 48);
            for (uint32_t p : out)
                if (p != out[0]) {
                    ++torn;
                    break;
                }
            ++shown;
        }
    });
    // Animation: each frame paints the whole picture in one entry, in stripes.
    for (int frame = 0; frame < 400; ++frame) {
        for (int y = 0; y < 48; ++y) FillRect(dc, Rect{0, y, 64, y + 1}, SolidBrush(PaletteIndexColor(frame % 236)));
        PublishContext(dc);
    }
    while (shown.load() < 20) std::this_thread::yield();
    done = true;
    palette.join();
    presenter.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(PublishedCount(surface), 401u);  // creation counts as one
}

// Frames handed over at their end: shown straight from the picture while
// the drawing thread sleeps; while it draws, only a copy that is not older
// than what was shown (the unshown frame, copied when drawing resumed).
TEST(RenderPresent, HandedOverFramesShowWholeAndNeverOlder) {
    Surface surface;
    CreateSurface(surface, 8, 4);
    DrawContext dc;
    AttachSurface(dc, surface);
    PaletteColor grey[236];
    for (int i = 0; i < 236; ++i) grey[i] = PaletteColor{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    DeviceColors().SetAnimated(grey, 0, 236);
    DrawingHold hold(&surface);
    std::vector<uint32_t> out(8 * 4, 1);
    // The presenter is another thread: the drawing hold is not recursive.
    auto present = [&] { std::thread([&] { PresentSurface(surface, out.data(), 8, 8, 4); }).join(); };
    auto paint = [&](int entry, int rows) {
        FillRect(dc, Rect{0, 0, 8, rows}, SolidBrush(PaletteIndexColor(entry)));
    };
    auto showing = [&](int entry) {
        uint32_t table[256];
        DeviceColors().Read(table);
        for (uint32_t p : out)
            if (p != table[10 + entry]) return false;
        return true;
    };
    paint(1, 4);
    HandOverSurface(surface);
    hold.Release();
    present();
    EXPECT_TRUE(showing(1));
    hold.Retake();  // frame 1 was shown: no copy
    paint(2, 2);
    present();  // drawing under way, no copy newer than frame 1
    EXPECT_TRUE(showing(1));
    paint(2, 4);
    HandOverSurface(surface);
    hold.Release();
    hold.Retake();  // frame 2 was never shown: copied
    paint(3, 2);
    present();
    EXPECT_TRUE(showing(2));
    PublishContext(dc);  // a copy in the middle of a frame shows as it stands
    present();
    uint32_t table[256];
    DeviceColors().Read(table);
    EXPECT_EQ(out[0], table[13]);
    EXPECT_EQ(out[31], table[12]);
}

TEST(RenderPresent, ExpansionThroughTheTableAndScaled) {
    uint32_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = 0x10000u * i + 3;
    const uint8_t src[2 * 11] = {0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,
                                 255, 254, 253, 252, 251, 250, 249, 248, 247, 246, 245};
    uint32_t dst[22];
    ExpandIndices(src, 11, 11, 2, table, dst, 11);
    for (int i = 0; i < 22; ++i) EXPECT_EQ(dst[i], table[src[i]]);
    uint32_t big[4 * 22];
    ExpandIndicesScaled(src, 11, 11, 2, table, big, 22, 22, 4);
    EXPECT_EQ(big[0], table[0]);
    EXPECT_EQ(big[1], table[0]);
    EXPECT_EQ(big[2], table[1]);
    EXPECT_EQ(big[22 * 2], table[255]);  // third row comes from the second source row
    EXPECT_EQ(big[22 * 4 - 1], table[245]);
    // Whole-number and other widenings pick the pixels StretchIndex names.
    for (int dw : {33, 44, 30}) {
        std::vector<uint32_t> out(size_t(dw) * 3);
        ExpandIndicesScaled(src, 11, 11, 2, table, out.data(), dw, dw, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < dw; ++x)
                ASSERT_EQ(out[size_t(y) * dw + x], table[src[StretchIndex(y, 2, 3) * 11 + StretchIndex(x, 11, dw)]])
                    << dw << " " << x << "," << y;
    }
}

TEST(RenderPresent, BigPicturesExpandThroughTheCurrentTable) {
    // Big enough for the pair lookups; an odd width, a wider destination
    // starting off a 16-byte boundary, and a second table (the pairs of the
    // first must not be reused).
    const int w = 601, h = 450, stride = 605;
    std::vector<uint8_t> src(size_t(w) * h);
    for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i % 7 == 0 ? i * 13 : i / 5);
    for (uint32_t round = 0; round < 2; ++round) {
        uint32_t table[256];
        for (uint32_t i = 0; i < 256; ++i) table[i] = 0x10001u * i + round * 0x100u;
        std::vector<uint32_t> dst(size_t(stride) * h + 1, 0xDEADBEEFu);
        ExpandIndices(src.data(), w, w, h, table, dst.data() + 1, stride);
        int wrong = 0, touched = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < stride; ++x) {
                const uint32_t got = dst[1 + size_t(y) * stride + x];
                if (x < w) wrong += got != table[src[size_t(y) * w + x]];
                else touched += got != 0xDEADBEEFu;
            }
        EXPECT_EQ(wrong, 0) << "round " << round;
        EXPECT_EQ(touched, 0) << "round " << round;
        EXPECT_EQ(dst[0], 0xDEADBEEFu);
    }
}

TEST(RenderPresent, CopiesMatchColoursToTheDestinationTable) {
    // Window picture -> grey section: each device colour becomes the nearest grey.
    Surface surface;
    CreateSurface(surface, 4, 2);
    DrawContext window;
    AttachSurface(window, surface);
    PaletteColor c[236] = {};
    c[0] = PaletteColor{100, 100, 100, 0};
    DeviceColors().SetAnimated(c, 0, 236);
    surface.picture.pixels = {255, 255, 255, 255, 0, 10, 0, 248};
    Section grey;
    ASSERT_TRUE(CreateSection8(grey, 2, 1, nullptr));
    DrawContext mem;
    AttachSection(mem, grey);
    SetStretchColorOnColor(mem);
    StretchBlt(mem, 0, 0, 2, 1, window, 0, 0, 4, 2);  // half size: row 1, columns 1 and 3
    EXPECT_EQ(grey.bits[0], 100);
    EXPECT_EQ(grey.bits[1], 128);

    // Section to section: equal tables copy indices, a grey table matches.
    Section pic;
    RgbQuad table[256] = {};
    table[1] = RgbQuad{0, 0, 200, 0};    // red 200
    table[2] = RgbQuad{90, 90, 90, 0};   // grey 90
    ASSERT_TRUE(CreateSection8(pic, 2, 1, table));
    pic.bits[0] = 1, pic.bits[1] = 2;
    Section same, greyed;
    ASSERT_TRUE(CreateSection8(same, 2, 1, table));
    CopySectionMatched(pic, same);
    EXPECT_EQ(same.bits[0], 1);
    ASSERT_TRUE(CreateSection8(greyed, 2, 1, nullptr));
    CopySectionMatched(pic, greyed);
    EXPECT_EQ(greyed.bits[1], 90);
    EXPECT_NEAR(greyed.bits[0], 67, 1);  // nearest grey to (200, 0, 0)
}

TEST(RenderPresent, FoldAnchoredOnePastTheEdgeIsClipped) {
    // A mirror anchored at x = W with width -(hw + 1) covers W - hw .. W; the
    // column at W does not exist and nothing wraps.
    ztx_test::TestCanvas c(8, 1);
    c.bitmap.pixels = {10, 11, 12, 13, 0, 0, 0, 0};
    StretchBlt(c.dc, 8, 0, -(4 + 1), 1, c.dc, 0, 0, 4, 1);
    // Destination pixels 8, 7, ..., 4 take source columns 0, 1, 2, 2, 3 of a
    // 4 -> 5 stretch; x = 8 is off the picture.
    EXPECT_EQ(c.Rows()[0], "abcddccb");
}
