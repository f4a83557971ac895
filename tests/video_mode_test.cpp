// Video modes: the stored record, the list text, which saver windows draw at
// the stored size, and setup's automatic 256-colour choice.
#include "engine/video_mode.h"

#include <gtest/gtest.h>

#include "engine/process_state.h"
#include "settings/registry.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"

namespace ztx {
namespace {

class VideoModes : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        StartSettingsKey();
    }
};

TEST_F(VideoModes, ListTextsAlignTheColourCount) {
    EXPECT_EQ(VideoModeText({.bitsPerPixel = 16, .width = 800, .height = 600, .frequency = 0}),
              "   65536 colors at 800x600 (default refresh)");
    EXPECT_EQ(VideoModeText({.bitsPerPixel = 8, .width = 640, .height = 480, .frequency = 1}),
              "     256 colors at 640x480 (default refresh)");
    EXPECT_EQ(VideoModeText({.bitsPerPixel = 32, .width = 1920, .height = 1080, .frequency = 60}),
              " 4294967295 colors at 1920x1080 60Hz");
    EXPECT_EQ(VideoModeText({.bitsPerPixel = 24, .width = 1, .height = 1, .frequency = 75}),
              "  16777216 colors at 1x1 75Hz");
}

TEST_F(VideoModes, StoredModesDecideTheFullScreenSizeOnly) {
    const PictureSize screen{3840, 2160};
    EXPECT_EQ(RenderSize(true, screen).width, 3840);  // nothing stored
    ASSERT_TRUE(StoreVideoMode({.bitsPerPixel = 8, .width = 1920, .height = 1080, .frequency = 0}));
    EXPECT_EQ(RenderSize(true, screen).width, 1920);
    EXPECT_EQ(RenderSize(true, screen).height, 1080);
    EXPECT_EQ(RenderSize(false, {320, 240}).width, 320);  // a preview never
    ASSERT_TRUE(ClearVideoMode());
    EXPECT_FALSE(StoredVideoMode());

    // A damaged record is no mode at all.
    std::string record = EncodeDisplayMode({.bitsPerPixel = 8, .width = 100000, .height = 600});
    ASSERT_EQ(WriteSetting("DisplayMode", SettingsKeyName, kRegBinary, record.data(), record.size()), 1);
    EXPECT_EQ(RenderSize(true, screen).width, 3840);
    EXPECT_FALSE(DecodeDisplayMode(record.substr(0, 100)));
}

TEST_F(VideoModes, AutomaticChoiceStoresTheEightBitModeOfTheScreenSize) {
    const VideoMode modes[] = {{.bitsPerPixel = 32, .width = 1024, .height = 768},
                               {.bitsPerPixel = 8, .width = 800, .height = 600},
                               {.bitsPerPixel = 8, .width = 1024, .height = 768}};
    EXPECT_FALSE(ChooseAutomaticVideoMode(true, {1024, 768}, modes, 3));  // the desktop counts as 256 colours
    EXPECT_FALSE(StoredVideoMode());
    EXPECT_FALSE(ChooseAutomaticVideoMode(false, {1280, 1024}, modes, 3));
    ASSERT_TRUE(ChooseAutomaticVideoMode(false, {1024, 768}, modes, 3));
    EXPECT_EQ(StoredVideoMode()->width, 1024);
    EXPECT_EQ(StoredVideoMode()->bitsPerPixel, 8);
}

}  // namespace
}  // namespace ztx
