// The rules of the display editor, the sequencer and the palette page
// without their windows, and the video-mode page's list and test restore.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/config_session.h"
#include "config/display_pages.h"
#include "config/palette_page.h"
#include "engine/engine_state.h"
#include "engine/video_mode.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/files.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/profile.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "tests/one_control_modules.h"

namespace ztx {
namespace {

class DisplayPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        StartSettingsKey();
        CreatePaletteRecord(nullptr);
        SetModuleCatalog(&OneControlModules({kSlotStar, kSlotRandom}));
        SetStoredSettingsLoader(nullptr);
        RegisterModules();
        ActivateOnly(kSlotStar);
        ASSERT_TRUE(SaveDisplay("Mine"));
    }
    void TearDown() override { FreePaletteRecord(CurrentPalette()); }
    static std::string FileOf(const std::string& name) {
        std::string text;
        ReadWholeFile(DisplayPath(name), text);
        return text;
    }
};

TEST_F(DisplayPagesTest, SaveNamesScratchAndAsksBeforeOverwriting) {
    std::vector<std::string> asked;
    bool answer = false;
    const auto ask = [&](const std::string& n) {
        asked.push_back(n);
        return answer;
    };
    Session().settingsChanged = true;
    SaveOutcome out = SaveEditedDisplay("", ask);
    EXPECT_EQ(out.result, SaveOutcome::Result::Saved);
    EXPECT_EQ(out.name, kScratchDisplay);
    EXPECT_TRUE(out.added);
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(Session().settingsChanged);

    // "No" leaves the file as it was.
    const std::string before = FileOf("Mine");
    ModuleTable[kSlotStar].Control[0] = 77;
    out = SaveEditedDisplay("Mine", ask);
    EXPECT_EQ(out.result, SaveOutcome::Result::Declined);
    EXPECT_EQ(asked, std::vector<std::string>{"Mine"});
    EXPECT_EQ(FileOf("Mine"), before);
    answer = true;
    out = SaveEditedDisplay("Mine", ask);
    EXPECT_EQ(out.result, SaveOutcome::Result::Saved);
    EXPECT_FALSE(out.added);
    EXPECT_NE(FileOf("Mine"), before);

    // A name that cannot be a file fails with a reason and writes nothing.
    out = SaveEditedDisplay("a/b", ask);
    EXPECT_EQ(out.result, SaveOutcome::Result::Failed);
    EXPECT_FALSE(out.error.empty());
    EXPECT_EQ(SaveNameFor(std::string(200, 'x')).size(), kMaxDisplayName);
}

TEST_F(DisplayPagesTest, DeleteChoosesTheFirstLeftAndAnUnknownNameOnlyReloads) {
    ASSERT_TRUE(SaveDisplay("Other"));
    EXPECT_EQ(DeleteEditedDisplay("Nothing", "Other"), "Other");
    EXPECT_TRUE(IsRegularFile(DisplayPath("Mine")));
    EXPECT_EQ(DeleteEditedDisplay("Mine", "Mine"), "Other");
    EXPECT_FALSE(IsRegularFile(DisplayPath("Mine")));
    EXPECT_EQ(ReadSettingText("Active", kMaxDisplayName), "Other");
}

TEST_F(DisplayPagesTest, ImportTakesDisplaysRefusesOtherFilesAndChoosesTheLast) {
    const std::string dir = SavedDisplayDir() + "/../import";
    ASSERT_TRUE(MakeDirs(dir));
    ASSERT_TRUE(ExportEditedDisplay("Mine", dir + "/Good.ZTX", nullptr));
    ASSERT_TRUE(WriteFileAtomically(dir + "/Bad.ZTX", std::string("\x00\x42garbage\xff", 10)));
    std::vector<std::string> errors;
    EXPECT_EQ(ImportDisplays({dir + "/Bad.ZTX", dir + "/Good.ZTX"}, nullptr, &errors), "Good");
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(IsRegularFile(DisplayPath("Bad")));
    EXPECT_EQ(ReadSettingText("Active", kMaxDisplayName), "Good");
    errors.clear();
    EXPECT_EQ(ImportDisplays({dir + "/Bad.ZTX"}, nullptr, &errors), "");
    EXPECT_EQ(ReadSettingText("Active", kMaxDisplayName), "Good");
}

TEST_F(DisplayPagesTest, RandomModuleOscillatingItsFirstControlShowsSync) {
    EXPECT_FALSE(DisplayInSync());
    ModuleActive[kSlotRandom] = 1;
    EXPECT_FALSE(DisplayInSync());
    ModuleTable[kSlotRandom].Check[0] = kCheckOscillate;
    EXPECT_TRUE(DisplayInSync());
    ModuleActive[kSlotRandom] = 0;
    EXPECT_FALSE(DisplayInSync());
}

TEST_F(DisplayPagesTest, SequencesAndRandomDisplaysAreNeverAvailable) {
    ModuleActive[kSlotRandom] = 1;
    ASSERT_TRUE(SaveDisplay("Random one"));
    ModuleActive[kSlotRandom] = 0;
    Sequence.items.clear();
    ASSERT_TRUE(CopySequenceFromRows({MakeSequenceRow("Mine", "20", true)}, false));
    ModuleActive[kSlotSequencer] = 1;
    ASSERT_TRUE(SaveDisplay("A sequence"));
    const std::vector<std::string> names = SequenceCandidates();
    EXPECT_NE(std::find(names.begin(), names.end(), "Mine"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "Random one"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "A sequence"), names.end());
}

TEST_F(DisplayPagesTest, SequenceRowsMoveWithinTheListAndAnEmptyListKeepsTheSequence) {
    std::vector<SequenceRow> rows = {MakeSequenceRow("A", "16", true), MakeSequenceRow("B", "x", false),
                                     MakeSequenceRow("C", " 300 ", true)};
    EXPECT_EQ(rows[1].seconds, "0");
    EXPECT_EQ(rows[2].seconds, "300");
    EXPECT_EQ(MoveSequenceRow(rows, 0, -1), 0);
    EXPECT_EQ(rows[0].name, "A");
    EXPECT_EQ(MoveSequenceRow(rows, 2, +1), 2);
    EXPECT_EQ(MoveSequenceRow(rows, 0, +1), 1);
    EXPECT_EQ(rows[0].name, "B");
    EXPECT_EQ(rows[1].name, "A");

    Sequence.position = 5;
    ASSERT_TRUE(CopySequenceFromRows(rows, true));
    ASSERT_EQ(Sequence.items.size(), 3u);
    EXPECT_STREQ(Sequence.items[0].name, "B");
    EXPECT_EQ(Sequence.items[0].clear, 0u);
    EXPECT_EQ(Sequence.items[2].seconds, 300u);
    EXPECT_EQ(Sequence.position, 0u);
    EXPECT_EQ(Sequence.orderedPlay, 1);
    EXPECT_EQ(SequenceRows()[1].clear, "Y");

    EXPECT_FALSE(CopySequenceFromRows({}, false));
    EXPECT_EQ(Sequence.items.size(), 3u);
    EXPECT_EQ(Sequence.orderedPlay, 1);
}

TEST_F(DisplayPagesTest, CtrlCarriesEffectsSourcesSenseAndSlidersButNotTypedValues) {
    PaletteRecord& p = *CurrentPalette();
    SetChannelEffect(p, 1, kEffectFade, false);
    EXPECT_EQ(p.effect[1], kEffectFade);
    SetChannelEffect(p, 1, kEffectCustom, true);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p.effect[c], kEffectCustom);

    // Dragging green's brightness with CTRL: all three take the row's values,
    // clamped to the kind's limits.
    SlideRow(p, kKindScale, 1, {40, 10, p.Max[kKindScale] + 50}, true);
    for (int c = 0; c < kChannels; ++c) {
        const int i = PaletteControl(kKindScale, c);
        EXPECT_EQ(p.Control[i], 40);
        EXPECT_EQ(p.RangeLo[i], 10);
        EXPECT_EQ(p.RangeHi[i], p.Max[kKindScale]);
    }
    // Typing never reaches the other channels.
    Session().settingsChanged = false;
    const auto read = ReadRowBoxes(p, kKindScale, 1, {"55", "10", "junk"});
    EXPECT_TRUE(read[0].changed);
    EXPECT_EQ(p.Control[PaletteControl(kKindScale, 1)], 55);
    EXPECT_EQ(p.RangeHi[PaletteControl(kKindScale, 1)], std::max(0, p.Min[kKindScale]));
    EXPECT_EQ(p.Control[PaletteControl(kKindScale, 0)], 40);
    EXPECT_TRUE(Session().settingsChanged);
    Session().settingsChanged = false;
    ReadRowBoxes(p, kKindScale, 1, {"55", "10", std::to_string(p.RangeHi[PaletteControl(kKindScale, 1)])});
    EXPECT_FALSE(Session().settingsChanged);

    SetRowSource(p, kKindEvent, 2, kCheckOscillate, true);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p.Check[PaletteControl(kKindEvent, c)], kCheckOscillate);
    p.Sense[PaletteControl(kKindEvent, 0)] = 9;
    EXPECT_EQ(StepRowSense(p, kKindEvent, 0, 5, true), 10);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p.Sense[PaletteControl(kKindEvent, c)], 10);
}

TEST_F(DisplayPagesTest, VideoModesOfferEightBitsAndTheDepthAndATestPutsTheRecordBack) {
    const std::vector<VideoMode> screen = {{.width = 1024, .height = 768, .frequency = 60},
                                           {.width = 800, .height = 600}, {.width = 800, .height = 600}};
    const std::vector<VideoMode> offered = OfferedVideoModes(screen, 24);
    ASSERT_EQ(offered.size(), 4u);
    EXPECT_EQ(offered[0].bitsPerPixel, 8);
    EXPECT_EQ(offered[1].bitsPerPixel, 24);
    EXPECT_EQ(offered[3].width, 800);

    // Nothing stored: putting the remembered absence back removes the value.
    std::optional<std::string> kept = StoredDisplayModeRecord();
    EXPECT_FALSE(kept);
    ASSERT_TRUE(StoreVideoMode(offered[0]));
    ASSERT_TRUE(RestoreDisplayModeRecord(kept));
    EXPECT_FALSE(StoredDisplayModeRecord());
    // A stored record, even one no screen can use, comes back byte for byte.
    const std::string odd = EncodeDisplayMode({.bitsPerPixel = 8, .width = 100000, .height = 600});
    ASSERT_TRUE(RestoreDisplayModeRecord(odd));
    kept = StoredDisplayModeRecord();
    ASSERT_TRUE(StoreVideoMode(offered[1]));
    ASSERT_TRUE(RestoreDisplayModeRecord(kept));
    EXPECT_EQ(StoredDisplayModeRecord(), odd);
}

}  // namespace
}  // namespace ztx
