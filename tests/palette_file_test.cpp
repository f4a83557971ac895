// ".PAL" files: both forms, and files that are damaged or hostile.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "palette/palette_file.h"
#include "platform/files.h"
#include "tests/test_support.h"

namespace ztx {
namespace {

class PaletteFile : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kPaletteEntries; ++i) {
            palette_[i] = PaletteColor{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                       static_cast<uint8_t>(i * 7), 1};
            untouched_[i] = PaletteColor{1, 2, 3, 1};
        }
        std::memcpy(out_, untouched_, sizeof out_);
    }
    std::string PathOf(const std::string& name) const { return ztx_test::g_tempRoot + "/" + name; }
    bool Unchanged() const { return std::memcmp(out_, untouched_, sizeof out_) == 0; }
    static std::string Header(uint32_t magic, uint32_t length) {
        std::string h(8, '\0');
        for (int i = 0; i < 4; ++i) {
            h[i] = static_cast<char>((magic >> (8 * i)) & 0xFF);
            h[4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
        }
        return h;
    }

    PaletteColor palette_[kPaletteEntries];
    PaletteColor untouched_[kPaletteEntries];
    PaletteColor out_[kPaletteEntries];
};

TEST_F(PaletteFile, WritesAndReadsTheOwnForm) {
    const std::string path = PathOf("Scratch.PAL");
    std::string error;
    ASSERT_TRUE(WritePaletteFile(path, palette_, &error)) << error;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    ASSERT_EQ(bytes.size(), 952u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x00\x42\x00\x42\xB0\x03\x00\x00", 8));
    EXPECT_EQ(static_cast<uint8_t>(bytes[8 + 4 * 10 + 2]), 70);
    ASSERT_TRUE(ReadPaletteFile(path, out_, &error)) << error;
    EXPECT_EQ(std::memcmp(out_, palette_, sizeof out_), 0);
}

TEST_F(PaletteFile, ReadsSixBitTriplePalettes) {
    std::string bytes(768, '\0');
    bytes[0] = 63;  // triple 0: (63, 0, 0)
    for (int t = 1; t < 256; ++t) {
        bytes[3 * t] = static_cast<char>(t % 64);
        bytes[3 * t + 1] = static_cast<char>((t + 10) % 64);
        bytes[3 * t + 2] = static_cast<char>((t + 20) % 64);
    }
    ASSERT_TRUE(WriteFileAtomically(PathOf("vga.pal"), bytes));
    ASSERT_TRUE(ReadPaletteFile(PathOf("vga.pal"), out_));
    EXPECT_EQ(out_[0].red, 0);
    EXPECT_EQ(out_[0].green, 252);
    EXPECT_EQ(out_[0].blue, 0);
    EXPECT_EQ(out_[0].flags, 1);
    // Entry k comes from triple 256 * k / 237: red from its third byte,
    // green from its first, blue from its second.
    for (int k : {1, 100, 235}) {
        const int t = 256 * k / 237;
        EXPECT_EQ(out_[k].red, ((t + 20) % 64) * 4) << k;
        EXPECT_EQ(out_[k].green, (t % 64) * 4) << k;
        EXPECT_EQ(out_[k].blue, ((t + 10) % 64) * 4) << k;
    }
}

TEST_F(PaletteFile, AHostileLengthFieldReadsOnlyOnePalette) {
    std::string bytes = Header(kPaletteFileMagic, 0xFFFFFFFFu) + EncodePaletteFile(palette_).substr(8);
    bytes += std::string(5000, '\x7F');  // more data than a palette holds
    std::string error;
    ASSERT_TRUE(DecodePaletteFile(bytes, out_, &error)) << error;
    EXPECT_EQ(std::memcmp(out_, palette_, sizeof out_), 0);

    ASSERT_TRUE(WriteFileAtomically(PathOf("long.PAL"), bytes));
    std::memcpy(out_, untouched_, sizeof out_);
    ASSERT_TRUE(ReadPaletteFile(PathOf("long.PAL"), out_, &error)) << error;
    EXPECT_EQ(std::memcmp(out_, palette_, sizeof out_), 0);
}

TEST_F(PaletteFile, DamagedFilesChangeNothingAndSayWhy) {
    const std::string full = EncodePaletteFile(palette_);
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"magic only", full.substr(0, 4)},
        {"header only", full.substr(0, 8)},
        {"truncated data", full.substr(0, 951)},
        {"huge length, short data", Header(kPaletteFileMagic, 0x7FFFFFFFu) + std::string(100, 'x')},
        {"length too small", Header(kPaletteFileMagic, 4) + full.substr(8)},
        {"767 bytes", std::string(767, '\0')},
        {"769 bytes", std::string(769, '\0')},
        {"no magic", std::string("RIFF") + full.substr(4)},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(DecodePaletteFile(c.bytes, out_, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(Unchanged()) << c.what;
        ASSERT_TRUE(WriteFileAtomically(PathOf("bad.PAL"), c.bytes));
        EXPECT_FALSE(ReadPaletteFile(PathOf("bad.PAL"), out_, &error)) << c.what;
        EXPECT_TRUE(Unchanged()) << c.what;
    }
    std::string error;
    EXPECT_FALSE(ReadPaletteFile(PathOf("missing.PAL"), out_, &error));
    EXPECT_NE(error.find("missing.PAL"), std::string::npos);
    EXPECT_FALSE(ReadPaletteFile(ztx_test::g_tempRoot, out_, &error));
    EXPECT_TRUE(Unchanged());
}

TEST_F(PaletteFile, AFailedWriteReportsIt) {
    // A folder stands where the file should go.
    ASSERT_TRUE(MakeDirs(PathOf("Taken.PAL")));
    std::string error;
    EXPECT_FALSE(WritePaletteFile(PathOf("Taken.PAL"), palette_, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(IsDirectory(PathOf("Taken.PAL")));
}

}  // namespace
}  // namespace ztx
