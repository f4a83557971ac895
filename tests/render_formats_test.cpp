// Picture formats read through their libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "render/picture.h"
#include "tests/picture_files.h"
#include "tests/test_support.h"

using namespace ztx;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes MakePng(int w, int h) {
    Bytes out = EncodePng(w, h, [](int x, int y, uint8_t* p) {
        p[0] = uint8_t(x * 40), p[1] = uint8_t(y * 60), p[2] = 200;
    });
    EXPECT_FALSE(out.empty());
    return out;
}

Bytes MakeJpeg(int w, int h) {
    return EncodeJpeg(w, h, [h](int, int y, uint8_t* p) { p[0] = 250, p[1] = y < h / 2 ? 250 : 0, p[2] = 0; });
}

// A one-pixel red GIF.
const Bytes kGif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0x21, 0xF9, 4, 0, 0,
                    0,   0,   0,   0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B};

bool Load(const Bytes& b, Section& s) {
    std::string path = ztx_test::g_tempRoot + "/picture";
    EXPECT_TRUE(WriteFileAtomically(path, std::string(b.begin(), b.end())));
    return LoadPicture(path, s);
}

}  // namespace

TEST(RenderFormats, ReadsPngJpegAndGif) {
    Section s;
    ASSERT_TRUE(Load(MakePng(5, 3), s));
    EXPECT_EQ(s.bitCount, 24);
    EXPECT_EQ(s.width, 5);
    EXPECT_EQ(s.height, 3);
    // Shown top-left pixel (stored in the last row): blue 200, green 0, red 0.
    const uint8_t* top = s.bits.data() + size_t(2) * s.stride;
    EXPECT_EQ(top[0], 200);
    EXPECT_EQ(top[1], 0);
    EXPECT_EQ(top[3 * 4 + 2], 160);  // red of x = 4
    EXPECT_EQ(s.bits[1], 120);       // green of the bottom row (y = 2)

    ASSERT_TRUE(Load(MakeJpeg(16, 16), s));
    EXPECT_EQ(s.width, 16);
    const uint8_t* bottom = s.bits.data();  // shown bottom row: red
    const uint8_t* upper = s.bits.data() + size_t(15) * s.stride;  // shown top: yellow
    EXPECT_GT(bottom[2], 200);
    EXPECT_LT(bottom[1], 40);
    EXPECT_GT(upper[1], 200);

    ASSERT_TRUE(Load(kGif, s));
    EXPECT_EQ(s.bitCount, 8);
    EXPECT_EQ(s.width, 1);
    EXPECT_EQ(s.colors[s.bits[0]].red, 255);

    auto ext = SupportedPictureExtensions();
    for (const char* e : {"bmp", "dib", "rle", "png", "jpg", "gif"})
        EXPECT_NE(std::find(ext.begin(), ext.end(), e), ext.end()) << e;
}

TEST(RenderFormats, DamagedFilesFailQuietly) {
    Section s;
    for (const Bytes& good : {MakePng(7, 5), MakeJpeg(9, 9), kGif}) {
        for (size_t n = 0; n < good.size(); n += std::max<size_t>(1, good.size() / 60)) {
            Bytes cut(good.begin(), good.begin() + n);
            std::string path = ztx_test::g_tempRoot + "/cut";
            ASSERT_TRUE(WriteFileAtomically(path, std::string(cut.begin(), cut.end())));
            LoadPicture(path, s);
        }
    }
    EXPECT_FALSE(Load(Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'}, s));
    EXPECT_FALSE(LoadPicture(ztx_test::g_tempRoot + "/missing.png", s));
}

// As 8-bit pictures: a JPEG's brightness decoded row by row equals the
// brightness of its 24-bit decoding, row order included; pictures with a
// colour table come unchanged; truncated JPEGs fail.
TEST(RenderFormats, EightBitLoadsGiveTheBrightnessOfDeepPictures) {
    const Bytes jpeg =
        EncodeJpeg(23, 9, [](int x, int y, uint8_t* p) { p[0] = uint8_t(x * 11), p[1] = uint8_t(y * 28), p[2] = 90; });
    const std::string path = ztx_test::g_tempRoot + "/deep.jpg";
    for (const Bytes& data : {jpeg, MakePng(7, 5), kGif}) {
        ASSERT_TRUE(WriteFileAtomically(path, std::string(data.begin(), data.end())));
        Section deep, expected, eight;
        ASSERT_TRUE(LoadPicture(path, deep));
        if (deep.bitCount > 8)
            ASSERT_TRUE(ConvertToBrightness(deep, expected));
        else
            expected = deep;
        ASSERT_TRUE(LoadPicture8(path, eight));
        EXPECT_EQ(eight.bitCount, 8);
        EXPECT_EQ(eight.width, expected.width);
        EXPECT_EQ(eight.height, expected.height);
        EXPECT_EQ(eight.bits, expected.bits);
        EXPECT_EQ(std::memcmp(eight.colors, expected.colors, sizeof eight.colors), 0);
    }
    ASSERT_TRUE(WriteFileAtomically(path, std::string(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)));
    Section s;
    EXPECT_FALSE(LoadPicture8(path, s));
}
