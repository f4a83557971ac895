// BMP reading and writing, captures, brightness, and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/random.h"
#include "render/device_colors.h"
#include "render/picture.h"
#include "tests/render_helpers.h"
#include "tests/test_support.h"

using namespace ztx;
using Bytes = std::vector<uint8_t>;

namespace {

void P16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void P32(Bytes& b, uint32_t v) {
    P16(b, v & 0xFFFF);
    P16(b, v >> 16);
}

// A BMP file: file header, 40-byte header (or 12-byte core header), table,
// optional masks, pixel bytes.
Bytes MakeBmp(int w, int h, int bits, uint32_t compression, const std::vector<uint32_t>& table, const Bytes& pixels,
              bool core = false, const std::vector<uint32_t>& masks = {}) {
    Bytes info;
    if (core) {
        P32(info, 12);
        P16(info, uint32_t(w));
        P16(info, uint32_t(h));
        P16(info, 1);
        P16(info, uint32_t(bits));
        for (uint32_t c : table) {
            info.push_back(uint8_t(c));
            info.push_back(uint8_t(c >> 8));
            info.push_back(uint8_t(c >> 16));
        }
    } else {
        P32(info, 40);
        P32(info, uint32_t(w));
        P32(info, uint32_t(h));
        P16(info, 1);
        P16(info, uint32_t(bits));
        P32(info, compression);
        P32(info, uint32_t(pixels.size()));
        P32(info, 0);
        P32(info, 0);
        P32(info, uint32_t(table.size()));
        P32(info, 0);
        for (uint32_t m : masks) P32(info, m);
        for (uint32_t c : table) P32(info, c);
    }
    Bytes f = {'B', 'M'};
    P32(f, uint32_t(14 + info.size() + pixels.size()));
    P32(f, 0);
    P32(f, uint32_t(14 + info.size()));
    f.insert(f.end(), info.begin(), info.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

bool Decode(const Bytes& b, Section& s) { return DecodeBmp(b.data(), b.size(), s); }
int Px(const Section& s, int x, int shownRow) { return s.bits[size_t(s.height - 1 - shownRow) * s.stride + x]; }

// Valid files of every layout, used for the damaged-file corpus too.
std::vector<Bytes> ValidFiles() {
    std::vector<Bytes> files;
    files.push_back(MakeBmp(3, 2, 1, 0, {0x000000, 0xFFFFFF}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}, true));
    files.push_back(MakeBmp(3, -2, 4, 0, {0x0000FF, 0x00FF00, 0xFF0000}, {0x01, 0x20, 0, 0, 0x12, 0x00, 0, 0}));
    files.push_back(MakeBmp(4, 3, 8, 1, {0x112233, 0x445566, 0x778899},
                            {3, 1, 0, 0, 0, 3, 2, 0, 1, 2, 0, 2, 1, 1, 0, 1}));
    files.push_back(MakeBmp(5, 2, 4, 2, {0x000000, 0x111111, 0x222222, 0x333333},
                            {5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1}));
    files.push_back(MakeBmp(2, 2, 16, 3, {}, {0xFF, 0xFF, 0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8}, false,
                            {0xF800, 0x07E0, 0x001F}));
    files.push_back(MakeBmp(2, 1, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0}));
    files.push_back(MakeBmp(1, 2, 32, 0, {}, {255, 255, 255, 0, 0, 0, 0, 0}));
    return files;
}

}  // namespace

TEST(RenderBmp, ReadsEveryLayout) {
    auto files = ValidFiles();
    Section s;
    // 1 bit, core header: stored row 0 (bottom) = 1 0 1, row 1 = 0 1 0.
    ASSERT_TRUE(Decode(files[0], s));
    EXPECT_EQ(s.bitCount, 8);
    EXPECT_EQ(s.colors[1].red, 255);
    EXPECT_EQ(Px(s, 0, 1), 1);
    EXPECT_EQ(Px(s, 1, 1), 0);
    EXPECT_EQ(Px(s, 1, 0), 1);
    // 4 bits, top-down: the first stored row is the top row as shown.
    ASSERT_TRUE(Decode(files[1], s));
    EXPECT_EQ(Px(s, 0, 0), 0);
    EXPECT_EQ(Px(s, 1, 0), 1);
    EXPECT_EQ(Px(s, 2, 0), 2);
    EXPECT_EQ(Px(s, 0, 1), 1);
    EXPECT_EQ(Px(s, 1, 1), 2);
    EXPECT_EQ(s.colors[2].red, 0xFF);
    // RLE8: run of three 1s, end of line, absolute run 2 0 1 (padded), a
    // delta past the picture, end of picture.
    ASSERT_TRUE(Decode(files[2], s));
    EXPECT_EQ((Bytes{s.bits[0], s.bits[1], s.bits[2], s.bits[3]}), (Bytes{1, 1, 1, 0}));
    EXPECT_EQ((Bytes{s.bits[s.stride], s.bits[s.stride + 1], s.bits[s.stride + 2]}), (Bytes{2, 0, 1}));
    // RLE4: run of 5 alternating 1, 2; then absolute 3 nibbles 3 1 2.
    ASSERT_TRUE(Decode(files[3], s));
    EXPECT_EQ((Bytes{s.bits[0], s.bits[1], s.bits[2], s.bits[3], s.bits[4]}), (Bytes{1, 2, 1, 2, 1}));
    EXPECT_EQ((Bytes{s.bits[s.stride], s.bits[s.stride + 1], s.bits[s.stride + 2]}), (Bytes{3, 1, 2}));
    // 16 bits with 5-6-5 masks.
    ASSERT_TRUE(Decode(files[4], s));
    EXPECT_EQ(s.bitCount, 16);
    EXPECT_EQ(s.compression, 3u);
    EXPECT_EQ(s.masks[0], 0xF800u);
    Section g;
    ASSERT_TRUE(ConvertToBrightness(s, g));
    EXPECT_EQ(g.bits[0], (248 + 252 + 248) / 3);  // white
    EXPECT_EQ(g.bits[1], 248 / 3);                  // pure blue
    EXPECT_EQ(g.bits[g.stride], 252 / 3);           // pure green
    // 24 and 32 bits.
    ASSERT_TRUE(Decode(files[5], s));
    EXPECT_EQ(s.bitCount, 24);
    ASSERT_TRUE(ConvertToBrightness(s, g));
    EXPECT_EQ(g.bits[0], 2);
    EXPECT_EQ(g.bits[1], 5);
    ASSERT_TRUE(Decode(files[6], s));
    ASSERT_TRUE(ConvertToBrightness(s, g));
    EXPECT_EQ(g.bits[0], 255);  // white converts to 255 at 32 bits
    EXPECT_EQ(g.bits[g.stride], 0);
    // 16 bits without masks: 5 bits per channel, white becomes 248.
    Section w16;
    ASSERT_TRUE(Decode(MakeBmp(1, 1, 16, 0, {}, {0xFF, 0x7F, 0, 0}), w16));
    ASSERT_TRUE(ConvertToBrightness(w16, g));
    EXPECT_EQ(g.bits[0], 248);
    // 8-bit sections are not converted.
    Section eight;
    CreateSection8(eight, 2, 2, nullptr);
    EXPECT_FALSE(ConvertToBrightness(eight, g));
}

TEST(RenderBmp, WritesEightAndTwentyFourBitFiles) {
    Section s8;
    ASSERT_TRUE(CreateSection8(s8, 5, 3, nullptr));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) s8.bits[size_t(y) * s8.stride + x] = uint8_t(y * 50 + x * 7);
    std::string f = EncodeBmp(s8);
    EXPECT_EQ(f.size(), 1078u + 8 * 3);
    Section back;
    ASSERT_TRUE(DecodeBmp(reinterpret_cast<const uint8_t*>(f.data()), f.size(), back));
    EXPECT_EQ(back.bits, s8.bits);
    EXPECT_EQ(back.colors[200].green, 200);

    Section s24;
    ASSERT_TRUE(CreateSection24(s24, 3, 2));
    f = EncodeBmp(s24);
    EXPECT_EQ(f.size(), 54u + 12 * 2);

    std::string path = ztx_test::g_tempRoot + "/out.bmp";
    EXPECT_EQ(WriteBmp(path, s8), 1);
    EXPECT_EQ(WriteBmp(path + "/inside-a-file.bmp", s8), 0);
    EXPECT_EQ(WriteBmp(path, Section{}), 0);
    Section loaded;
    ASSERT_TRUE(LoadPicture(path, loaded));
    EXPECT_EQ(loaded.bits, s8.bits);
}

TEST(RenderBmp, DamagedFilesNeverCrash) {
    Section s;
    // Every truncation of every valid file.
    for (const Bytes& file : ValidFiles()) {
        for (size_t n = 0; n < file.size(); ++n) {
            Bytes cut(file.begin(), file.begin() + n);
            Decode(cut, s);
        }
    }
    // Random corruption of header, table and pixels.
    SeedRandom(99);
    for (const Bytes& file : ValidFiles()) {
        for (int round = 0; round < 400; ++round) {
            Bytes bad = file;
            int flips = 1 + Rand15() % 4;
            for (int k = 0; k < flips; ++k) bad[size_t(Rand15()) % bad.size()] = uint8_t(Rand15());
            Decode(bad, s);
        }
    }
    // Hostile headers.
    EXPECT_FALSE(Decode(MakeBmp(100000, 1, 8, 0, {}, {0}), s));                  // too wide
    EXPECT_FALSE(Decode(MakeBmp(30000, 30000, 24, 0, {}, {0, 0, 0, 0}), s));     // too large
    EXPECT_FALSE(Decode(MakeBmp(-4, 2, 8, 0, {}, Bytes(8)), s));                 // negative width
    EXPECT_FALSE(Decode(MakeBmp(4, 2, 7, 0, {}, Bytes(8)), s));                  // odd bit count
    EXPECT_FALSE(Decode(MakeBmp(4, 2, 24, 1, {}, Bytes(24)), s));                // RLE8 on 24 bits
    EXPECT_FALSE(Decode(MakeBmp(4, 2, 8, 9, {}, Bytes(8)), s));                  // unknown compression
    EXPECT_FALSE(Decode(MakeBmp(64, 64, 8, 0, {0}, Bytes(100)), s));             // pixels missing
    // RLE that steps outside the picture or runs off the data is clipped.
    ASSERT_TRUE(Decode(MakeBmp(4, 2, 8, 1, {0, 0xFFFFFF}, {0, 2, 200, 200, 9, 1, 0, 7, 1, 2}), s));
    ASSERT_TRUE(Decode(MakeBmp(4, 2, 8, 1, {0}, {40, 1, 0, 0, 40, 1, 0, 0, 40, 1}), s));
    EXPECT_EQ(s.bits[0], 1);
}

TEST(RenderBmp, GrabScalesAndMirrors) {
    Surface surface;
    CreateSurface(surface, 4, 2);
    DrawContext dc;
    AttachSurface(dc, surface);
    surface.picture.pixels = {10, 11, 12, 13, 20, 21, 22, 255};
    std::string path = ztx_test::g_tempRoot + "/grab.bmp";
    ASSERT_EQ(GrabToBmp(dc, path, true, 4, 2, 100, true), 1);
    std::string data;
    ASSERT_TRUE(ReadWholeFile(path, data));
    EXPECT_EQ(data.size(), 1078u + 8 * 4);
    Section s;
    ASSERT_TRUE(LoadPicture(path, s));
    ASSERT_EQ(s.width, 8);
    ASSERT_EQ(s.height, 4);
    // Top row as shown: 10 11 12 13 13 12 11 10; bottom row mirrors the top.
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(Px(s, x, 0), 10 + x);
        EXPECT_EQ(Px(s, 7 - x, 0), 10 + x);
        EXPECT_EQ(Px(s, x, 3), 10 + x);
    }
    EXPECT_EQ(Px(s, 3, 1), 255);
    // The colour table is the live device table.
    uint32_t live[256];
    DeviceColors().Read(live);
    EXPECT_EQ(s.colors[249].red, (live[249] >> 16) & 255);
    EXPECT_EQ(s.colors[255].blue, 255);

    // 24 bits at half size: 2 x 1, colours through the device table.
    ASSERT_EQ(GrabToBmp(dc, path, false, 4, 2, 50, false), 1);
    ASSERT_TRUE(ReadWholeFile(path, data));
    EXPECT_EQ(data.size(), 54u + 8);
    EXPECT_EQ(GrabToBmp(dc, path, false, 4, 2, 0, false), 0);
}

TEST(RenderBmp, MatchingFiles) {
    std::string dir = ztx_test::g_tempRoot + "/pics";
    ASSERT_TRUE(MakeDirs(dir + "/sub.bmp"));
    ASSERT_TRUE(WriteFileAtomically(dir + "/b.BMP", "x"));
    ASSERT_TRUE(WriteFileAtomically(dir + "/a.bmp", "x"));
    ASSERT_TRUE(WriteFileAtomically(dir + "/c.txt", "x"));
    EXPECT_EQ(CountMatches(dir + "/*.bmp"), 2);
    EXPECT_EQ(PickMatch(dir + "/*.bmp", 0), dir + "/a.bmp");
    EXPECT_EQ(PickMatch(dir + "/*.bmp", 3), dir + "/b.BMP");
    EXPECT_EQ(PickMatch(dir + "/*.gif", 0), "");
    EXPECT_EQ(CountMatches(ztx_test::g_tempRoot + "/missing/*.bmp"), 0);
    EXPECT_TRUE(IsPlainFile(dir + "/a.bmp"));
    EXPECT_FALSE(IsPlainFile(dir + "/sub.bmp"));
    EXPECT_FALSE(IsPlainFile(dir + "/none.bmp"));
}
