// The Bitmap slide show in the one-module harness (its worker waited for
// before each frame, so the frame a picture shows in is fixed), and the real
// engine showing it on its lockstep clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/headless.h"
#include "modules/raster/bitmap.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "render/picture.h"
#include "settings/settings_key.h"
#include "tests/module_run.h"
#include "tests/picture_files.h"
#include "tests/test_support.h"

namespace ztx {
namespace {

// The device index a picture value v paints: palette entry v, at most 235.
int Shown(int v) { return 10 + std::min(v, 235); }

std::string Folder(const std::string& name) {
    const std::string dir = ztx_test::g_tempRoot + "/" + name;
    EXPECT_TRUE(MakeDirs(dir));
    return dir;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(WriteFileAtomically(path, std::string(bytes.begin(), bytes.end())));
}

// An 8-bit BMP: value(x, y) per pixel (y down), colour table `table` (the
// grey ramp when null).
void WriteBmp8(const std::string& path, int w, int h, const std::function<int(int, int)>& value,
               const RgbQuad* table = nullptr) {
    Section s;
    ASSERT_TRUE(CreateSection8(s, w, h, table));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.bits[size_t(h - 1 - y) * s.stride + x] = uint8_t(value(x, y));
    ASSERT_EQ(WriteBmp(path, s), 1);
}

void WriteBmp24(const std::string& path, int w, int h, const RgbAt& rgb) {
    Section s;
    ASSERT_TRUE(CreateSection24(s, w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t c[3];
            rgb(x, y, c);
            uint8_t* p = &s.bits[size_t(h - 1 - y) * s.stride + 3 * size_t(x)];
            p[0] = c[2], p[1] = c[1], p[2] = c[0];
        }
    ASSERT_EQ(WriteBmp(path, s), 1);
}

class BitmapRun : public ModuleRun {
public:
    BitmapRun(int width, int height, const std::string& path) : ModuleRun(kSlotBitmap, width, height) {
        ResetBitmapSequence();
        std::snprintf(Record().Path, sizeof Record().Path, "%s", path.c_str());
        Fix(kBitmapDuration, 0);
    }
    // One turn: the worker finishes, then a frame shows its picture.
    void Turn() {
        ASSERT_TRUE(BitmapWaitForLoader(20000));
        ASSERT_EQ(Frame(), 0);
    }
    void Turns(int n) {
        for (int i = 0; i < n; ++i) Turn();
    }
    bool AllShown(int deviceIndex) const {
        for (uint8_t p : Pixels())
            if (p != deviceIndex) return false;
        return true;
    }
};

TEST(RasterBitmap, RegisteredInSlotNineteenWithItsControls) {
    ModuleHarness harness(kSlotBitmap, 8, 8);
    const ModuleRecord& r = harness.Record();
    EXPECT_STREQ(r.Name, "Bitmap");
    EXPECT_EQ(r.DoDrawFrame, &BitmapDrawFrame);
    EXPECT_EQ(r.DoPreInitialize, &BitmapAllocate);
    EXPECT_EQ(r.DoInitialize, &BitmapInitialize);
    EXPECT_EQ(r.DoClose, &BitmapClose);
    EXPECT_EQ(PictureFormatsText(), "*.rle *.dib, *.bmp, *.png, *.jpg, *.jpeg, *.gif");
    ExpectControls(r, {
                          {0, 0, "Display Type", 0, 3, 1},
                          {1, 1, "Force Gradient", 0, 1, 0},
                          {2, 2, "Duration", 0, 1000, 12},
                          {3, 3, "Smoothing", 0, 10, 2},
                          {4, 4, "Random Order", 0, 1, 0},
                          {5, 5, "File or Screen", 0, 1, 0},
                          {9, 9, "Strength", -10, 10, 1},
                          {30, -1, "Draw Start", 0, 100, 0},
                          {31, -1, "Draw Stop", 0, 100, 100},
                      });
}

// Pixel values are palette indices: a picture with a colour table keeps
// them (or, with "Force Gradient", takes the nearest grey), a picture of
// more than 8 bits always shows its brightness.
TEST(RasterBitmap, ColourTablesKeepTheirIndicesAndDeepPicturesShowBrightness) {
    RgbQuad table[256] = {};
    table[7] = RgbQuad{0, 0, 255, 0};  // red
    const std::string dir = Folder("kinds");
    WriteBmp8(
        dir + "/eight.bmp", 4, 4, [](int, int) { return 7; }, table);
    WriteBmp24(dir + "/deep.bmp", 4, 4, [](int, int, uint8_t* c) { c[0] = 255, c[1] = 0, c[2] = 0; });
    WriteBytes(dir + "/deep.png", EncodePng(4, 4, [](int, int, uint8_t* c) { c[0] = 90, c[1] = 120, c[2] = 150; }));
    struct Case {
        const char* file;
        int forceGradient;
        int expected;
    };
    // Red's nearest grey is 85, as is its brightness (255 + 0 + 0) / 3.
    for (Case c : {Case{"eight.bmp", 0, Shown(7)}, Case{"eight.bmp", 1, Shown(85)}, Case{"deep.bmp", 0, Shown(85)},
                   Case{"deep.bmp", 1, Shown(85)}, Case{"deep.png", 0, Shown(120)}}) {
        SCOPED_TRACE(testing::Message() << c.file << " " << c.forceGradient);
        BitmapRun run(4, 4, dir + "/" + c.file);
        run.Fix(kBitmapSmoothing, 0);
        run.Fix(kBitmapForceGradient, c.forceGradient);
        run.Start(1);
        run.Turn();
        EXPECT_TRUE(run.AllShown(c.expected)) << int(run.At(0, 0));
    }
}

TEST(RasterBitmap, DisplayTypesPlaceThePicture) {
    const std::string dir = Folder("layouts");
    auto value = [](int x, int y) { return x + 16 * y; };
    WriteBmp8(dir + "/small.bmp", 5, 4, value);
    WriteBmp8(dir + "/large.bmp", 16, 14, value);
    {  // Centred: at (12 / 2 - 5 / 2, 10 / 2 - 4 / 2), the rest untouched.
        BitmapRun run(12, 10, dir + "/small.bmp");
        run.Fix(kBitmapDisplayType, 0);
        run.Fix(kBitmapSmoothing, 0);
        run.Start(1);
        run.Turn();
        EXPECT_EQ(run.LitCount(), 5 * 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(run.At(4 + x, 3 + y), Shown(value(x, y)));
    }
    {  // Tiles with a picture larger than the window: once, clipped.
        BitmapRun run(12, 10, dir + "/large.bmp");
        run.Fix(kBitmapDisplayType, 3);
        run.Fix(kBitmapSmoothing, 0);
        run.Start(1);
        run.Turn();
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x) ASSERT_EQ(run.At(x, y), Shown(value(x, y)));
    }
    {  // Mirrored tiles: the copy beside the picture is its mirror image,
       // one column wider; the row below mirrors the top strip.
        BitmapRun run(12, 8, dir + "/small.bmp");
        run.Fix(kBitmapDisplayType, 2);
        run.Fix(kBitmapSmoothing, 0);
        run.Start(1);
        run.Turn();
        // Columns 5..10 take source columns 4, 3, 2, 2, 1, 0 (the next copy
        // starts at column 9); rows 4..7 take source rows 3, 2, 2, 1.
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(run.At(5, y), run.At(4, y));
            EXPECT_EQ(run.At(6, y), run.At(3, y));
            EXPECT_EQ(run.At(8, y), run.At(2, y));
        }
        for (int x = 0; x < 12; ++x) {
            EXPECT_EQ(run.At(x, 4), run.At(x, 3));
            EXPECT_EQ(run.At(x, 7), run.At(x, 1));
        }
        EXPECT_EQ(run.LitCount(), 12 * 8);
    }
}

// A name ending in ".1" plays its numbered frames 1, 2, 3, then turns at the
// missing 4 (nothing shown), 3, 2, 1, turns at the missing 0, 1, 2, ...
// Missing frames are the animation's ends, not faults: nothing is reported.
TEST(RasterBitmap, NumberedFramesPlayForwardAndBackward) {
    const std::string dir = Folder("frames");
    for (int k = 1; k <= 3; ++k) WriteBmp8(dir + "/Walk." + std::to_string(k), 3, 3, [k](int, int) { return k; });
    BitmapRun run(3, 3, dir + "/Walk.1");
    run.Fix(kBitmapSmoothing, 0);
    run.Start(1);
    testing::internal::CaptureStderr();
    std::vector<int> seen;
    for (int turn = 0; turn < 10; ++turn) {
        const int shownBefore = BitmapLastRun().shown;
        run.Clear();
        run.Turn();
        seen.push_back(BitmapLastRun().shown > shownBefore ? run.At(1, 1) - 10 : 0);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 0, 3, 2, 1, 0, 1, 2}));
    EXPECT_EQ(std::string(BitmapLastRun().lastFile), dir + "/Walk.2");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(BitmapSequence().frame, 3);
}

// Damaged and hostile files are skipped, each told once on standard error;
// the readable picture still shows at its turns.
TEST(RasterBitmap, UnreadableFilesAreSkippedWithOneLineEach) {
    const std::string dir = Folder("hostile");
    WriteBmp8(dir + "/a.bmp", 6, 6, [](int x, int y) { return x * y; });
    WriteBytes(dir + "/b.bmp", {'h', 'e', 'l', 'l', 'o'});
    std::string good;
    ASSERT_TRUE(ReadWholeFile(dir + "/a.bmp", good));
    WriteBytes(dir + "/c.bmp", std::vector<uint8_t>(good.begin(), good.begin() + 70));  // truncated
    WriteBytes(dir + "/d.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 3});
    WriteBytes(dir + "/e.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'});
    // A header asking for 30000 x 30000 pixels of 24 bits in a tiny file.
    std::vector<uint8_t> huge(good.begin(), good.begin() + 64);
    const uint32_t side = 30000;
    std::memcpy(&huge[18], &side, 4);
    std::memcpy(&huge[22], &side, 4);
    huge[28] = 24;
    WriteBytes(dir + "/f.bmp", huge);
    WriteBytes(dir + "/g.gif", {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0xF7});
    ASSERT_TRUE(MakeDirs(dir + "/sub.bmp"));  // folders are not pictures

    BitmapRun run(20, 20, dir + "/*.*");
    run.Start(1);
    testing::internal::CaptureStderr();
    run.Turns(14);  // twice through the seven files
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(BitmapLastRun().shown, 2);
    EXPECT_EQ(BitmapLastRun().failed, 12);
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 6) << told;
    for (const char* name : {"b.bmp", "c.bmp", "d.jpg", "e.png", "f.bmp", "g.gif"})
        EXPECT_NE(told.find(dir + "/" + name + "\"; skipped"), std::string::npos) << name;
    EXPECT_EQ(ReadSettingText("Exception", 100), "");
}

// An empty Path shows the bitmaps of the system folder; a folder without a
// match shows nothing and says so once.
TEST(RasterBitmap, EmptyPathShowsTheSystemFolderBitmaps) {
    ASSERT_TRUE(MakeDirs(SystemDir()));
    WriteBmp8(SystemDir() + "/BACK0001.BMP", 2, 2, [](int, int) { return 40; });
    {
        BitmapRun run(2, 2, "");
        run.Fix(kBitmapSmoothing, 0);
        run.Start(1);
        run.Turn();
        EXPECT_TRUE(run.AllShown(Shown(40)));
        EXPECT_EQ(std::string(BitmapLastRun().lastFile), SystemDir() + "/BACK0001.BMP");
    }
    BitmapRun run(2, 2, Folder("empty") + "/*.jpg");
    run.Start(1);
    testing::internal::CaptureStderr();
    run.Turns(3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zentrix: no picture matches \"" + Folder("empty") + "/*.jpg\"\n");
    EXPECT_EQ(run.LitCount(), 0);
}

// "File or Screen" 1: half a second of the picture's time and one more
// second after the start, the window is grabbed at half size in grey and
// shown again (white stays at the top of the grey ramp).
TEST(RasterBitmap, ScreenSourceShowsAGreyGrabOfTheWindow) {
    BitmapRun run(9, 7, "");
    run.Fix(kBitmapFileOrScreen, 1);
    run.Fix(kBitmapDuration, 2);
    run.Fix(kBitmapSmoothing, 0);
    run.Start(1);
    PatBlt(run.Dc(), 0, 0, 9, 7, Rop::Whiteness);
    run.Frames(120);  // 1.98 s: not yet grabbed
    EXPECT_EQ(BitmapLastRun().shown, 0);
    run.Turn();  // the grab, whose worker may already have finished
    run.Turn();
    EXPECT_EQ(BitmapLastRun().shown, 1);
    EXPECT_EQ(BitmapLastRun().width, 5);
    EXPECT_EQ(BitmapLastRun().height, 4);
    EXPECT_TRUE(run.AllShown(Shown(255)));
}

// Closing while the worker smooths a large picture ends the worker; a new
// run starts cleanly.
TEST(RasterBitmap, CloseWhileLoadingStopsTheWorker) {
    const std::string dir = Folder("large");
    WriteBmp24(dir + "/big.bmp", 2400, 1600,
               [](int x, int y, uint8_t* c) { c[0] = uint8_t(x), c[1] = uint8_t(y), c[2] = 9; });
    BitmapRun run(64, 48, dir + "/big.bmp");
    run.Fix(kBitmapSmoothing, 10);
    run.Start(1);
    EXPECT_EQ(run.Close(), 0);
    EXPECT_TRUE(BitmapWaitForLoader(0));
    run.Start(2);
    run.Turn();
    EXPECT_EQ(BitmapLastRun().shown, 1);
}

// Odd sizes with every display type and both kinds of pictures.
TEST(RasterBitmap, OddSizesShowOnlyPaletteColours) {
    const std::string dir = Folder("odd");
    WriteBmp8(dir + "/a.bmp", 37, 23, [](int x, int y) { return (x * 7 + y * 3) & 255; });
    WriteBmp24(dir + "/b.bmp", 1, 1, [](int, int, uint8_t* c) { c[0] = 200, c[1] = 100, c[2] = 0; });
    WriteBytes(dir + "/c.jpg", EncodeJpeg(61, 17, [](int x, int y, uint8_t* c) {
                   c[0] = uint8_t(4 * x), c[1] = uint8_t(9 * y), c[2] = 77;
               }));
    struct Size {
        int w, h;
    };
    for (Size size : {Size{1, 1}, Size{16, 12}, Size{200, 900}, Size{3840, 2160}}) {
        for (int type = 0; type < 4; ++type) {
            SCOPED_TRACE(testing::Message() << size.w << "x" << size.h << " type " << type);
            BitmapRun run(size.w, size.h, dir + "/*.*");
            run.Fix(kBitmapDisplayType, type);
            run.Fix(kBitmapSmoothing, 3);
            run.Start(3);
            run.Turns(3);
            EXPECT_EQ(BitmapLastRun().shown, 3);
            for (uint8_t p : run.Pixels()) ASSERT_TRUE(p == 0 || (p >= 10 && p <= 245)) << int(p);
        }
    }
}

// Golden pictures: the default controls' first picture, and six random
// pictures in mirrored tiles, smoothed three times.
TEST(RasterBitmap, GoldenSlideShows) {
    const std::string dir = Folder("golden");
    WriteBmp8(dir + "/a.bmp", 40, 30, [](int x, int y) { return (x * x + y * 5) & 255; });
    WriteBmp24(dir + "/b.bmp", 64, 48,
               [](int x, int y, uint8_t* c) { c[0] = uint8_t(x * 4), c[1] = uint8_t(y * 5), c[2] = 60; });
    WriteBytes(dir + "/c.png",
               EncodePng(50, 50, [](int x, int y, uint8_t* c) { c[0] = uint8_t(x ^ y) * 5, c[1] = 0, c[2] = 255; }));
    {
        BitmapRun run(160, 120, dir + "/*.*");
        run.Fix(kBitmapDuration, 12);
        run.Start(20240611);
        run.Turn();
        run.Frames(200);
        EXPECT_EQ(BitmapLastRun().shown, 1);
        MaybeWritePicture(run, "bitmap-default");
        EXPECT_EQ(run.Checksum(), 0xfd2a1795044f22fbull);
    }
    BitmapRun run(160, 120, dir + "/*.*");
    run.Fix(kBitmapRandomOrder, 1);
    run.Fix(kBitmapDisplayType, 2);
    run.Fix(kBitmapSmoothing, 3);
    run.Start(20240611);
    run.Turns(6);
    MaybeWritePicture(run, "bitmap-random-mirrored");
    EXPECT_EQ(run.Checksum(), 0xffe4f487568631e3ull);
}

// The real engine on its lockstep clock: the worker takes its turns in the
// schedule, so a slide show repeats with the same seed.
uint64_t HeadlessSlideShow(const std::string& file, uint32_t seed) {
    HeadlessRun run;
    run.source = HeadlessRun::Source::File;
    run.what = file;
    run.width = 120;
    run.height = 90;
    run.frames = 40;
    run.seeded = true;
    run.seed = seed;
    uint64_t sum = 0;
    run.onFrame = [&](uint32_t, const uint8_t* pixels, const uint32_t*) {
        for (int i = 0; i < run.width * run.height; ++i) sum = (sum ^ pixels[i]) * 1099511628211ull;
    };
    std::string error;
    EXPECT_TRUE(RunHeadless(run, &error)) << error;
    return sum;
}

TEST(RasterBitmap, HeadlessSlideShowsRepeatWithTheSameSeed) {
    const std::string dir = Folder("headless");
    WriteBmp8(dir + "/a.bmp", 30, 20, [](int x, int y) { return x * 3 + y; });
    WriteBmp24(dir + "/b.bmp", 40, 30,
               [](int x, int y, uint8_t* c) { c[0] = uint8_t(x * 6), c[1] = uint8_t(y * 8), c[2] = 0; });
    const std::string display = ztx_test::g_tempRoot + "/slides.ZTX";
    ASSERT_TRUE(WriteFileAtomically(
        display, "[Header]\r\nMagic=1107313153\r\nClearFirst=1\r\n[Bitmap]\r\nUsed=1\r\nPath=" + dir +
                     "/*.bmp\r\nDuration=0 0 0 1000 10\r\nRandom Order=0 1 0 1 10\r\n"));
    HeadlessSlideShow(display, 5);  // the first run also writes the first-run displays
    const uint64_t a = HeadlessSlideShow(display, 5);
    EXPECT_EQ(HeadlessSlideShow(display, 5), a);
    EXPECT_NE(HeadlessSlideShow(display, 6), a);
}

}  // namespace
}  // namespace ztx
