// What zentrix-listen writes into the sound link, the keys it reads and its
// registration.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "listen/link.h"
#include "platform/process.h"
#include "settings/registry.h"

namespace ztx::listen {
namespace {

// The byte ranges [first, last) the analyser may write.
bool AnalyserField(size_t offset) {
    static constexpr std::pair<size_t, size_t> kFields[] = {
        {12, 28}, {32, 36}, {100, 228}, {236, 432}, {440, 444}, {756, 760}};
    for (auto [first, last] : kFields)
        if (offset >= first && offset < last) return true;
    return false;
}

TEST(ListenLink, WritesOnlyTheAnalysersFields) {
    SoundLinkRecord record;
    std::memset(&record, 0xA5, sizeof record);
    const std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(&record),
                                            reinterpret_cast<unsigned char*>(&record) + sizeof record);
    Levels levels;
    levels.left = 1;
    levels.bands2.fill(2);
    PublishLevels(record, levels);
    PublishLive(record, true);
    PublishInfo(record, {.title = "T", .artist = "A", .album = "B"});
    KeyReader keys(record);
    keys.Update(record);
    const auto* after = reinterpret_cast<const unsigned char*>(&record);
    for (size_t i = 0; i < sizeof record; ++i)
        if (after[i] != before[i]) {
            EXPECT_TRUE(AnalyserField(i)) << "byte " << i;
        }
    EXPECT_EQ(record.companionLive, 1);
    EXPECT_EQ(record.companionMajor, 3);
    EXPECT_EQ(record.companionMinor, 5);
    EXPECT_FLOAT_EQ(record.bands2[15], 2.0f);
    PublishLive(record, false);
    EXPECT_EQ(record.companionLive, 0);
}

TEST(ListenLink, InformationLinesAreConvertedCutAndCounted) {
    SoundLinkRecord record{};
    EXPECT_EQ(Utf8ToCp1252("Caf\xC3\xA9 \xE2\x80\x93 \xE2\x82\xAC\x09\xE6\x97\xA5\xFF"), "Caf\xE9 \x96 \x80 ??");
    EXPECT_FALSE(PublishInfo(record, {}));  // nothing playing, nothing new
    EXPECT_TRUE(PublishInfo(record, {.title = std::string(100, 'x'), .artist = "Artist", .album = "Album"}));
    EXPECT_EQ(std::strlen(record.infoShownFirst), 63u);
    EXPECT_STREQ(record.infoShownSecond, "Artist");
    EXPECT_STREQ(record.infoShownThird, "Album");
    EXPECT_EQ(record.infoChangeCount, 1u);
    EXPECT_FALSE(PublishInfo(record, {.title = std::string(100, 'x'), .artist = "Artist", .album = "Album"}));
    EXPECT_TRUE(PublishInfo(record, {}));
    EXPECT_EQ(record.infoShownFirst[0], 0);
    EXPECT_EQ(record.infoChangeCount, 2u);
}

TEST(ListenLink, ForwardedKeysTuneTheAnalysis) {
    SoundLinkRecord record{};
    record.arrowUpDown = 7;  // presses before this analyser started do not count
    record.arrowLeftRight = -2;
    KeyReader keys(record);
    Tuning t = keys.Update(record);
    EXPECT_EQ(t.sensitivityDb, 0.0f);
    EXPECT_EQ(t.tiltDbPerOctave, 0.0f);
    EXPECT_EQ(t.releaseMs, 100.0f);  // F11/F12 never pressed
    EXPECT_EQ(t.holdMs, 150.0f);
    record.arrowUpDown = 10;
    record.arrowLeftRight = -100;
    record.stepValue = 8;
    record.lastDigit = 9;
    t = keys.Update(record);
    EXPECT_EQ(t.sensitivityDb, 6.0f);
    EXPECT_EQ(t.tiltDbPerOctave, -6.0f);  // limited
    EXPECT_EQ(t.releaseMs, 200.0f);
    EXPECT_EQ(t.holdMs, 1500.0f);
    record.arrowLeftRight = -99;  // the first press back counts at once
    EXPECT_EQ(keys.Update(record).tiltDbPerOctave, -5.0f);
}

TEST(ListenLink, RegistersSoTheSaverFindsIt) {
    ASSERT_TRUE(RegisterAnalyser("/opt/my tools/zentrix-listen"));
    uint32_t build = 0;
    EXPECT_EQ(CompanionVersion(&build), 3u * 65536u + 5u);
    EXPECT_EQ(build, kAnalyserBuild);
    std::string line;
    ASSERT_TRUE(RegReadText(RegRoot::LocalMachine, kCompanionKey, "", line, 259));
    EXPECT_EQ(SplitCommandLine(line + " /PPLAY"), (std::vector<std::string>{"/opt/my tools/zentrix-listen", "/PPLAY"}));
}

}  // namespace
}  // namespace ztx::listen
