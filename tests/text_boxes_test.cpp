// On-screen text boxes: when they come and go, where they may show, and that
// modules cannot paint over them.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine_state.h"
#include "engine/text_boxes.h"
#include "platform/clock.h"
#include "render/draw.h"
#include "render/surface.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "soundlink/sound_link.h"

namespace ztx {
namespace {

class TextBoxesTest : public ::testing::Test {
protected:
    VirtualClock clock{5000};
    Surface surface;
    DrawContext dc;
    void SetUp() override {
        SetClock(&clock);
        ResetProcessState();
        StartSettingsKey();
        Make(640, 480);
    }
    void TearDown() override { SetClock(nullptr); }
    void Make(int w, int h) {
        CreateSurface(surface, w, h);
        AttachSurface(dc, surface);
        SetUpTextBoxes(&dc, w, h, false);
    }
    void Show(const char* name) { std::strcpy(CurrentDisplayName, name); }
    // Whether anything but black lies at the pixel.
    bool Lit(int x, int y) { return surface.picture.pixels[static_cast<size_t>(y) * surface.picture.width + x] != 0; }
};

TEST_F(TextBoxesTest, TitleComesWithEachNewDisplayForItsTime) {
    Options.showName = 5;
    Show("First");
    StepTextBoxes();
    const TextBoxState::Box title = TextBoxes.title;
    ASSERT_NE(title.end, 0xFFFFFFFFu);
    EXPECT_EQ(title.end, 5000u + 5000u);
    EXPECT_EQ(title.top, 0);
    EXPECT_EQ(title.left + title.right, 640);  // centred
    EXPECT_TRUE(Lit((title.left + title.right) / 2, 2));  // the frame is drawn

    // Modules cannot paint over it while it shows.
    FillRect(dc, Rect{0, 0, 640, 480}, SolidBrush(PaletteIndexColor(5)));
    const int inside = surface.picture.pixels[static_cast<size_t>(title.top + 3) * 640 + title.left + 3];
    EXPECT_NE(inside, DeviceIndexOfEntry(5));
    EXPECT_EQ(surface.picture.pixels[479 * 640 + 5], DeviceIndexOfEntry(5));

    clock.Advance(4000);
    StepTextBoxes();
    EXPECT_NE(TextBoxes.title.end, 0xFFFFFFFFu);
    clock.Advance(1500);
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.title.end, 0xFFFFFFFFu);  // erased to black
    EXPECT_FALSE(Lit(title.left + 3, title.top + 3));

    // The same name again shows nothing new; another name does.
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.title.end, 0xFFFFFFFFu);
    Show("Second");
    StepTextBoxes();
    EXPECT_NE(TextBoxes.title.end, 0xFFFFFFFFu);

    // A new title time erases the box at once; it applies from the next name.
    Options.showName = 9999;
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.title.end, 0xFFFFFFFFu);
    Options.showName = 0;
    Show("Third");
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.title.end, 0xFFFFFFFFu);  // a time of 0 shows nothing
}

TEST_F(TextBoxesTest, SmallWindowsShowNoBox) {
    Make(90, 60);
    Options.showName = 5;
    Show("Name");
    WriteSettingText("Slogan", "Hello");
    ReadSlogan();
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.title.end, 0xFFFFFFFFu);
    EXPECT_EQ(TextBoxes.slogan.end, 0xFFFFFFFFu);
    for (uint8_t p : surface.picture.pixels) ASSERT_EQ(p, 0);
}

TEST_F(TextBoxesTest, SloganTimesAndTheTilde) {
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.slogan.end, 0xFFFFFFFFu);  // no "Slogan" value: nothing

    WriteSettingText("Slogan", "Keep calm~");
    ReadSlogan();
    EXPECT_EQ(TextBoxes.sloganText, "Keep calm");
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.slogan.end, 5000u + 16777215u);
    EXPECT_EQ(TextBoxes.slogan.right, 640);
    EXPECT_EQ(TextBoxes.slogan.bottom, 480);

    ResetTextBoxes();
    SetUpTextBoxes(&dc, 640, 480, false);
    WriteSettingText("Slogan", "Short");
    ReadSlogan();
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.slogan.end, 5000u + 6213u);
    clock.Advance(6300);
    StepTextBoxes();
    EXPECT_FALSE(TextBoxes.sloganPending);  // once per process
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.slogan.end, 0xFFFFFFFFu);
}

TEST_F(TextBoxesTest, CompanionInformationFollowsItsCounter) {
    SoundLinkRecord* link = OpenSoundLink();
    ASSERT_NE(link, nullptr);
    std::strcpy(link->infoShownSecond, "Track 3");
    link->infoChangeCount = 1;
    Options.showInfo = 1;
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.info.end, 0xFFFFFFFFu);  // the analyser is not running

    // The line at 300 comes first and decides whether a box is drawn at all.
    link->companionLive = 1;
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.info.right, 0);

    std::strcpy(link->infoShownFirst, "Album");
    link->infoChangeCount = 2;
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.info.end, 5000u + 4221u);
    EXPECT_GT(TextBoxes.info.right, 0);
    EXPECT_EQ(TextBoxes.info.left, 0);
    clock.Advance(5000);
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.info.end, 0xFFFFFFFFu);
    link->infoChangeCount = 3;
    Options.showInfo = 0;
    StepTextBoxes();
    EXPECT_EQ(TextBoxes.info.end, 0xFFFFFFFFu);  // "ShowInfo" off
    CloseSoundLink(link);
}

}  // namespace
}  // namespace ztx
