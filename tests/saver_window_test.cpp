// The saver window's message layers without a window system: wake-up rules,
// hot keys, closing, previews and the mouse counting after a mode switch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/animation.h"
#include "engine/engine_state.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "platform/clock.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "shell/saver_window.h"
#include "soundlink/sound_link.h"

namespace ztx {
namespace {

std::vector<std::string> g_calls;

WindowOps RecordingOps() {
    WindowOps ops;
    ops.postClose = [](void*) { g_calls.push_back("postClose"); };
    ops.destroy = [](void*) {
        g_calls.push_back("destroy");
        SaverWindow.destroyed = true;
    };
    ops.quit = [](void*, int code) { g_calls.push_back("quit " + std::to_string(code)); };
    ops.invalidate = [](void*) { g_calls.push_back("invalidate"); };
    ops.paintBlack = [](void*) { g_calls.push_back("black"); };
    ops.cursorPos = [](void*, int* x, int* y) {
        *x = 100;
        *y = 100;
    };
    ops.forwardToParent = [](void*, Msg) { g_calls.push_back("toParent"); };
    ops.chirp = [](void*) { g_calls.push_back("chirp"); };
    ops.startAnimation = [](void*) {
        g_calls.push_back("start");
        return true;
    };
    return ops;
}

class SaverWindowLayers : public ::testing::Test {
protected:
    WindowOps ops = RecordingOps();
    SoundLinkRecord* link = nullptr;
    VirtualClock clock{1000};
    void SetUp() override {
        SetClock(&clock);
        ResetProcessState();
        g_calls.clear();
    }
    void TearDown() override { SetClock(nullptr); }
    int64_t Send(Msg m, int64_t w = 0, int x = 0, int y = 0) { return DispatchSaverMessage(ops, Message{m, w, x, y}); }
    void Create(bool preview = false) {
        SaverWindow.previewMode = preview;
        ASSERT_EQ(Send(Msg::Create), 0);
        link = SoundLink();
        ASSERT_NE(link, nullptr);
        g_calls.clear();
    }
};

TEST_F(SaverWindowLayers, MouseDriftOfFourPixelsNeverWakes) {
    Create();
    EXPECT_EQ(link->saverWindows, 1);
    Send(Msg::MouseMove, 0, 102, 102);
    Send(Msg::MouseMove, 0, 101, 97);  // 4 from where it started
    EXPECT_TRUE(g_calls.empty());
    Send(Msg::MouseMove, 0, 103, 102);  // 5
    EXPECT_EQ(g_calls, (std::vector<std::string>{"postClose"}));

    // Deactivation does not wake; the close stops and destroys.
    g_calls.clear();
    EXPECT_EQ(Send(Msg::ActivateApp, 0), 0);
    EXPECT_TRUE(g_calls.empty());
    Send(Msg::Close);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"destroy"}));
    Send(Msg::Destroy);
    EXPECT_EQ(SoundLink(), nullptr);
}

TEST_F(SaverWindowLayers, HotKeysSteerWithoutWaking) {
    Create();
    Send(Msg::KeyDown, kVkTab);
    EXPECT_EQ(ModuleActive[kSlotRandom], 1);
    Send(Msg::KeyDown, kVkTab);
    EXPECT_EQ(ModuleActive[kSlotRandom], 0);
    Send(Msg::KeyDown, kVkF1 + 1);  // F2
    EXPECT_EQ(link->restartRequest, 1);
    Send(Msg::KeyDown, kVkF1 + 4);  // F5
    EXPECT_EQ(AnimationSuspended, 1);
    EXPECT_EQ(PaletteSuspended, 1);
    Send(Msg::KeyDown, kVkF1 + 6);  // F7: palette only
    EXPECT_EQ(AnimationSuspended, 1);
    EXPECT_EQ(PaletteSuspended, 0);
    SaverWindow.leftShiftDown = true;
    Send(Msg::KeyDown, kVkShift);
    EXPECT_EQ(PinMode, kPinLower);
    Send(Msg::KeyUp, kVkShift);
    EXPECT_EQ(PinMode, kPinNone);
    SaverWindow.leftShiftDown = false;
    Send(Msg::KeyDown, kVkShift);
    EXPECT_EQ(PinMode, kPinUpper);
    Send(Msg::KeyDown, kVkAdd);
    Send(Msg::KeyDown, kVkAdd);
    Send(Msg::KeyDown, kVkSubtract);
    EXPECT_EQ(SpeedDelay, 1);
    Send(Msg::KeyDown, kVkSubtract);
    Send(Msg::KeyDown, kVkSubtract);
    EXPECT_EQ(SpeedDelay, 0);
    Options.showName = 5;
    Send(Msg::KeyDown, kVkT);
    EXPECT_EQ(Options.showName, 9999);
    Send(Msg::KeyDown, kVkT);
    EXPECT_EQ(Options.showName, 0);
    Send(Msg::KeyDown, kVkS);
    EXPECT_EQ(CaptureKeyHeld, 1);
    Send(Msg::KeyUp, kVkS);
    EXPECT_EQ(CaptureKeyHeld, 0);
    Send(Msg::KeyDown, '7');
    EXPECT_EQ(link->lastDigit, 7);
    link->stepValue = 20;
    Send(Msg::KeyDown, kVkF12);
    EXPECT_EQ(link->stepValue, 20);
    for (auto& c : g_calls) EXPECT_NE(c, "postClose");

    // F10 and other keys are ordinary input.
    Send(Msg::KeyDown, kVkF1 + 9);
    EXPECT_EQ(g_calls.back(), "postClose");
    Send(Msg::Destroy);
}

TEST_F(SaverWindowLayers, PreviewsIgnoreInputAndForwardHelp) {
    Create(true);
    Send(Msg::KeyDown, 'A');
    Send(Msg::ButtonDown);
    Send(Msg::MouseMove, 0, 300, 300);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(Send(Msg::Help), 1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"toParent"}));
    g_calls.clear();
    Send(Msg::Close);  // a host's close ends the preview
    EXPECT_EQ(g_calls, (std::vector<std::string>{"destroy"}));
    Send(Msg::Destroy);
    EXPECT_EQ(g_calls.back(), "quit 0");
}

TEST_F(SaverWindowLayers, MouseCountingAfterAModeSwitch) {
    Create();
    SaverWindow.modeSwitched = true;
    EXPECT_EQ(Send(Msg::Close), 0);  // spurious closes are ignored
    EXPECT_TRUE(g_calls.empty());
    // In the first 8 seconds about 20 quick moves are needed.
    int moves = 0;
    while (!SaverWindow.genuineInput && moves < 100) {
        Send(Msg::MouseMove, 0, 100 + 10 * (moves % 2), 100);
        ++moves;
        clock.Advance(10);
    }
    EXPECT_EQ(moves, 20);
    EXPECT_FALSE(g_calls.empty());
    Send(Msg::Destroy);
}

TEST_F(SaverWindowLayers, EraseBackgroundStartsTheAnimationOnce) {
    Create();
    Send(Msg::EraseBackground);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"start"}));
    EXPECT_EQ(Send(Msg::SetText), 0);
    Send(Msg::Destroy);
    // Without a sound link the window is refused.
    ResetSaverWindow();
    setenv("ZENTRIX_SOUNDLINK", "/bad/name/with/slashes", 1);
    EXPECT_EQ(Send(Msg::Create), -1);
}

}  // namespace
}  // namespace ztx
