// The configuration tool's rules without its windows: number boxes, the
// pager, the page table, what OK keeps and the test-run bookkeeping.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/config_session.h"
#include "config/control_edit.h"
#include "config/sheet_pages.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "tests/one_control_modules.h"
#include "tests/test_support.h"

namespace ztx {
namespace {

TEST(ConfigNumberBox, ReadsNumbersClampsThemAndTakesAnythingElseAsZero) {
    struct Case {
        const char* text;
        int min, max, expected;
    };
    const std::vector<Case> cases = {
        {"500", 0, 320, 320},          {" -12 ", -100, 100, -12},      {"+7", 0, 10, 7},
        {"abc", 5, 50, 5},             {"", -10, 10, 0},               {"12abc", -10, 10, 0},
        {"-", -10, 10, 0},             {"99999999999999999999", 0, 320, 320},
        {"-99999999999999999999", -50, 50, -50}, {"2147483648", INT_MIN, INT_MAX, INT_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadNumberText(c.text, c.min, c.max), c.expected) << c.text;
    EXPECT_TRUE(ReadNumberBox("500", 0, 320, 100).changed);
    EXPECT_FALSE(ReadNumberBox("400", 0, 320, 320).changed);  // clamped to what it was
}

TEST(ConfigPager, PagesUpToTheHighestDefinedControl) {
    ModuleRecord r{};
    r.Defined[0] = r.Defined[9] = 1;
    EXPECT_FALSE(ControlPager(r).shown);
    r.Defined[10] = 1;  // a plug-in's control 10 must be reachable
    EXPECT_EQ(ControlPager(r).pages, 2);
    EXPECT_TRUE(ControlPager(r).shown);
    r.Defined[31] = 1;
    EXPECT_EQ(ControlPager(r).pages, 4);
    EXPECT_FALSE(TurnPage(r, -1));
    for (int i = 0; i < 5; ++i) TurnPage(r, +1);
    EXPECT_EQ(r.Page, 3);
    EXPECT_TRUE(OnShownPage(r, 31));
    r.Page = 7;  // not a page of this record: page 0 shows
    EXPECT_TRUE(OnShownPage(r, 0));
}

TEST(ConfigPages, TableCaptionAndTexts) {
    EXPECT_EQ(SheetPageAt(kMainSettingsPage).title, std::string("Main Settings"));
    EXPECT_EQ(SheetPageAt(11).slot, kSlotEffect);
    EXPECT_EQ(SheetPageByTitle("slide show"), 14);
    setenv("ZENTRIX_CONFIG_PAGE", "Cube", 1);
    std::string unknown;
    EXPECT_EQ(StartPage(&unknown), 21);
    setenv("ZENTRIX_CONFIG_PAGE", "Nothing", 1);
    EXPECT_EQ(StartPage(&unknown), kMainSettingsPage);
    EXPECT_NE(unknown.find("Nothing"), std::string::npos);
    unsetenv("ZENTRIX_CONFIG_PAGE");
    EXPECT_EQ(SheetCaption(0, 0), "Zentrix v4.0.1230");
    EXPECT_EQ(SheetCaption(3, 5), "Zentrix v4.0.1230 w/Tonewell Pro v3.5");
    EXPECT_EQ(BlankTimeoutText(241), "N/A");
    EXPECT_EQ(BlankTimeoutText(240), "240");
    EXPECT_EQ(HelpAnchor(519), "topic-519");
    EXPECT_EQ(HelpAnchor(kHelpContents), "contents");
    EXPECT_NE(ColorModeNote(0).find("all video mode related features"), std::string::npos);
    EXPECT_NE(ColorModeNote(32).find("a 4294967296 color video mode"), std::string::npos);
}

class ConfigSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        StartSettingsKey();
        CreatePaletteRecord(nullptr);
        // Two modules with a control each, registered without any stored settings.
        SetModuleCatalog(&OneControlModules({kSlotStar, kSlotCube}));
        SetStoredSettingsLoader(nullptr);
        RegisterModules();
        ModuleActive[kSlotStar] = 1;
        ASSERT_TRUE(SaveDisplay("Mine"));
        Session() = ConfigSession{.program = "/zentrix",
                                  .startProgram = [this](const std::string& line) {
                                      started.push_back(line);
                                      return startWorks;
                                  }};
    }
    void TearDown() override { FreePaletteRecord(CurrentPalette()); }
    static std::string Active() { return ReadSettingText("Active", kMaxDisplayName); }
    static bool Exists(const std::string& name) { return IsRegularFile(DisplayPath(name)); }

    std::vector<std::string> started;
    bool startWorks = true;
};

TEST_F(ConfigSessionTest, OkKeepsScratchOnlyAfterAChange) {
    EXPECT_TRUE(KeepEdits(nullptr));
    EXPECT_FALSE(Exists(kScratchDisplay));
    EXPECT_EQ(Active(), "Mine");
    ModuleTable[kSlotStar].Control[0] = 70;
    Session().settingsChanged = true;
    EXPECT_TRUE(KeepEdits(nullptr));
    EXPECT_TRUE(Exists(kScratchDisplay));
    EXPECT_EQ(Active(), kScratchDisplay);
    EXPECT_FALSE(Session().settingsChanged);
}

TEST_F(ConfigSessionTest, TestRunAndReturnRestoreActive) {
    ASSERT_TRUE(TestDisplay());
    EXPECT_EQ(started, std::vector<std::string>{"\"/zentrix\" /S"});
    EXPECT_EQ(Active(), kTestingDisplay);
    EXPECT_TRUE(Exists(kTestingDisplay));
    ASSERT_TRUE(TestDisplay());  // a second test keeps the first "Active"
    EXPECT_TRUE(EndTestDisplay());
    EXPECT_EQ(Active(), "Mine");
    EXPECT_FALSE(Exists(kTestingDisplay));
    EXPECT_FALSE(EndTestDisplay());  // only once
    EXPECT_EQ(ReadSettingText("TestRunActive"), "");

    // A program that does not start leaves nothing behind.
    startWorks = false;
    EXPECT_FALSE(TestDisplay());
    EXPECT_EQ(Active(), "Mine");
    EXPECT_FALSE(Exists(kTestingDisplay));
}

TEST_F(ConfigSessionTest, OneModuleTestRunsThatModuleAloneAndKeepsTheFlags) {
    ModuleActive[kSlotCube] = 1;
    ASSERT_TRUE(TestSlotOnly(kSlotCube));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(DisplayPath(kTestingDisplay), text));
    EXPECT_NE(text.find("[Cube]"), std::string::npos) << text;
    EXPECT_EQ(text.find("[Star]"), std::string::npos) << text;
    EXPECT_EQ(ModuleActive[kSlotStar], 1);
    EXPECT_EQ(ModuleActive[kSlotCube], 1);
    EXPECT_TRUE(EndTestDisplay());
}

TEST_F(ConfigSessionTest, ChoosingADisplayLoadsItAndClearsTheChangeMark) {
    ModuleTable[kSlotStar].Control[0] = 99;
    Session().settingsChanged = true;
    ChooseDisplay("Mine");
    EXPECT_EQ(ModuleTable[kSlotStar].Control[0], 50);
    EXPECT_FALSE(Session().settingsChanged);
    EXPECT_EQ(Active(), "Mine");
}

TEST_F(ConfigSessionTest, ColourNoteFollowsTheStoredModeAndHelpIsFoundBeforeSetup) {
    EXPECT_EQ(StoredModeBits(), 0);
    unsigned char mode[156] = {};
    mode[104] = 16;
    WriteSetting("DisplayMode", nullptr, kRegBinary, mode, sizeof mode);
    EXPECT_EQ(StoredModeBits(), 16);
    EXPECT_NE(ColorModeNote(StoredModeBits()).find("a 65536 color video mode"), std::string::npos);

    // Beside the program until setup installs the pages; then the installed ones.
    const std::string build = ztx_test::g_tempRoot + "/build";
    EXPECT_EQ(HelpFile(build + "/zentrix"), "");
    const std::string prefix = ztx_test::g_tempRoot + "/usr";  // a system-wide installation
    ASSERT_TRUE(MakeDirs(prefix + "/bin"));
    ASSERT_TRUE(WriteFileAtomically(prefix + "/share/zentrix/help/index.html", "<html></html>"));
    EXPECT_EQ(HelpFile(prefix + "/bin/zentrix"), prefix + "/bin/../share/zentrix/help/index.html");
    ASSERT_TRUE(MakeDirs(build + "/help"));
    ASSERT_TRUE(WriteFileAtomically(build + "/help/index.html", "<html></html>"));
    EXPECT_EQ(HelpFile(build + "/zentrix"), build + "/help/index.html");
    ASSERT_TRUE(MakeDirs(SystemDir() + "/help"));
    ASSERT_TRUE(WriteFileAtomically(SystemDir() + "/help/index.html", "<html></html>"));
    EXPECT_EQ(HelpFile(build + "/zentrix"), SystemDir() + "/help/index.html");
}

}  // namespace
}  // namespace ztx
