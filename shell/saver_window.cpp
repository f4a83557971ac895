#include "shell/saver_window.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "engine/animation.h"
#include "engine/engine_state.h"
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "soundlink/sound_link.h"

namespace ztx {

SaverWindowState SaverWindow;

namespace {

SoundLinkRecord* g_link = nullptr;

void Call(void (*f)(void*), const WindowOps& ops) {
    if (f) f(ops.user);
}

// The window system's default handling: a close destroys the window.
int64_t DefaultProcedure(const WindowOps& ops, const Message& msg) {
    if (msg.type == Msg::Close && !SaverWindow.destroyed) Call(ops.destroy, ops);
    return 0;
}

// ---- third layer -----------------------------------------------------------

int64_t DefaultSaverProcedure(const WindowOps& ops, const Message& msg) {
    if (SaverWindow.previewMode || SaverWindow.closeAllowed) return DefaultProcedure(ops, msg);
    switch (msg.type) {
        case Msg::Close:
            // The platform locks the screen itself: no password here.
            return DefaultProcedure(ops, msg);
        case Msg::ActivateApp:
            if (msg.wparam == 0) Call(ops.postClose, ops);
            return DefaultProcedure(ops, msg);
        case Msg::ShowWindow:
            if (msg.wparam != 0) Call(ops.hideCursor, ops);
            return DefaultProcedure(ops, msg);
        case Msg::SetCursor:
            Call(ops.hideCursor, ops);
            return 1;
        case Msg::Power:
            if (msg.wparam == 3) Call(ops.postClose, ops);
            return DefaultProcedure(ops, msg);
        case Msg::KeyDown:
        case Msg::SysKeyDown:
        case Msg::ButtonDown:
        case Msg::PowerBroadcast:
            Call(ops.postClose, ops);
            return DefaultProcedure(ops, msg);
        case Msg::MouseMove: {
            const int distance = std::abs(msg.x - SaverWindow.lastCursorX) + std::abs(msg.y - SaverWindow.lastCursorY);
            if (distance > kMouseWakeDistance) {
                Call(ops.postClose, ops);
                SaverWindow.lastCursorX = msg.x;
                SaverWindow.lastCursorY = msg.y;
            }
            return DefaultProcedure(ops, msg);
        }
        default:
            return DefaultProcedure(ops, msg);
    }
}

// ---- second layer ----------------------------------------------------------

void Chirp(const WindowOps& ops) { Call(ops.chirp, ops); }

void StopAndBlank(const WindowOps& ops) {
    AnimationRunning = 0;
    StopAnimation();
    Call(ops.paintBlack, ops);
}

// The hot keys; true when the key was one (it never wakes the saver).
bool HotKey(const WindowOps& ops, int key) {
    SoundLinkRecord* link = g_link;
    PaletteRecord* palette = CurrentPalette();
    switch (key) {
        case kVkTab:
            ModuleActive[kSlotRandom] = ModuleActive[kSlotRandom] ? 0 : 1;
            return true;
        case kVkShift:
            PinMode = SaverWindow.leftShiftDown ? kPinLower : kPinUpper;
            return true;
        case kVkLeft:
            if (link) --link->arrowLeftRight;
            return true;
        case kVkRight:
            if (link) ++link->arrowLeftRight;
            return true;
        case kVkUp:
            if (link) ++link->arrowUpDown;
            return true;
        case kVkDown:
            if (link) --link->arrowUpDown;
            return true;
        case kVkDelete:
            Chirp(ops);
            if (AnimationActive())
                StopAndBlank(ops);
            else
                Call(ops.invalidate, ops);
            return true;
        case kVkS:
            CaptureKeyHeld = 1;
            return true;
        case kVkT:
            Options.showName = Options.showName != 9999 ? 9999 : 0;
            Chirp(ops);
            return true;
        case kVkW:
            WallpaperKeyPressed = 1;
            return true;
        case kVkAdd:
            ++SpeedDelay;
            return true;
        case kVkSubtract:
            if (SpeedDelay > 0) --SpeedDelay;
            return true;
        default:
            break;
    }
    if (key >= kVk0 && key <= kVk9) {
        if (link) link->lastDigit = static_cast<uint16_t>(key - kVk0);
        return true;
    }
    if (key < kVkF1 || key > kVkF12 || key == kVkF1 + 9) return false;  // F10 is ordinary input
    switch (key - kVkF1 + 1) {
        case 1:
            if (link) link->snapshotRequest = 1;
            break;
        case 2:
            if (link) link->restartRequest = 1;
            break;
        case 3:
            if (palette)
                for (int c = 0; c < kChannels; ++c) palette->effect[c] = kEffectCustom;
            LivePaletteSave = 1;
            if (link) link->snapshotRequest = 1;
            break;
        case 4:
            if (palette)
                for (int c = 0; c < kChannels; ++c) palette->nextRegeneration[c] = GetTickCount();
            break;
        case 5:
            AnimationSuspended = AnimationSuspended ? 0 : 1;
            PaletteSuspended = PaletteSuspended ? 0 : 1;
            break;
        case 6:
            AnimationSuspended = AnimationSuspended ? 0 : 1;
            break;
        case 7:
            PaletteSuspended = PaletteSuspended ? 0 : 1;
            break;
        case 8:
            if (palette)
                for (int c = 0; c < kChannels; ++c) {
                    int32_t& d = palette->Control[PaletteControl(kKindDirection, c)];
                    d = -d;
                }
            break;
        case 9:
            MouseIgnored = MouseIgnored ? 0 : 1;
            break;
        case 11:
            if (link && link->stepValue > 1) --link->stepValue;
            break;
        case 12:
            if (link && link->stepValue < 20) ++link->stepValue;
            break;
    }
    Chirp(ops);
    return true;
}

int64_t OnCreate(const WindowOps& ops) {
    StartSettingsKey();
    g_link = OpenSoundLink();
    if (!g_link) return -1;
    SaverWindow.linkOpen = true;
    SaverWindow.testRun = BeginTestRun(SaverWindow.testRunFile);
    // A file that cannot be brought in leaves the active display on screen;
    // say why, since the user asked for that file.
    if (!SaverWindow.testRunFile.empty() && !SaverWindow.testRun.active)
        std::fprintf(stderr, "zentrix: %s\n", SaverWindow.testRun.error.c_str());
    PublishVersion(kVersionMajor, kVersionMinor, kVersionBuild);
    ReadSlogan();
    ++g_link->saverWindows;
    ++g_link->openInstances;
    g_link->captureFullRequest = 0;
    g_link->wallpaperRequest = 0;
    g_link->captureScaledRequest = 0;
    SaverWindow.createdTick = GetTickCount();
    Call(ops.hideCursor, ops);
    return 0;
}

int64_t OnDestroy(const WindowOps& ops) {
    // The window may go without a close (its host window vanished).
    if (AnimationActive() && !StopAnimation()) SaverWindow.animationAbandoned = true;
    const bool coveredScreen = TextBoxes.coversScreen;
    if (g_link) {
        EndTestRun(SaverWindow.testRun);
        SaverWindow.testRun = TestRun{};
        --g_link->saverWindows;
        --g_link->openInstances;
        g_link->paletteUsesSound = 0;
        g_link->controlsUseSound = 0;
        if (!SaverWindow.animationAbandoned) {
            TearDownTextBoxes();
            CloseSoundLink(g_link);
        }
        g_link = nullptr;
        SaverWindow.linkOpen = false;
    }
    if (coveredScreen) Call(ops.redrawDesktop, ops);
    return 0;
}

int64_t SaverProcedure(const WindowOps& ops, const Message& msg) {
    try {
        switch (msg.type) {
            case Msg::Create:
                return OnCreate(ops);
            case Msg::Destroy:
                return OnDestroy(ops);
            case Msg::Activate:
            case Msg::ActivateApp:
                if (msg.wparam == 0) return 0;  // deactivation never wakes the saver
                break;
            case Msg::Close:
                if (SaverWindow.modeSwitched && !SaverWindow.genuineInput) return 0;
                StopAnimation();
                if (ops.setTimer) ops.setTimer(ops.user, 100);
                break;
            case Msg::EraseBackground:
                if (!AnimationActive() && g_link) {
                    if (ops.startAnimation) ops.startAnimation(ops.user);
                } else {
                    Call(ops.paintBlack, ops);
                }
                return 0;
            case Msg::KeyDown:
                if (HotKey(ops, static_cast<int>(msg.wparam))) return 0;
                SaverWindow.genuineInput = true;
                break;
            case Msg::KeyUp:
                if (msg.wparam == kVkShift) {
                    PinMode = kPinNone;
                    return 0;
                }
                if (msg.wparam == kVkS) {
                    CaptureKeyHeld = 0;
                    return 0;
                }
                break;
            case Msg::SysKeyDown:
            case Msg::ButtonDown:
                SaverWindow.genuineInput = true;
                break;
            case Msg::Timer:
                if (ops.passwordDialogUp && ops.passwordDialogUp(ops.user)) break;
                Call(ops.killTimer, ops);
                DispatchSaverMessage(ops, Message{Msg::KeyDown, kVkDelete});
                break;
            case Msg::MouseMove: {
                if (MouseIgnored) return 0;
                if (!SaverWindow.modeSwitched) break;
                // After a video-mode switch: only many quick moves are input.
                const uint32_t now = GetTickCount();
                if (now - SaverWindow.moveWindowStart >= 2000) {
                    SaverWindow.moveWindowStart = now;
                    SaverWindow.moveCount = 0;
                    return 0;
                }
                if (now - SaverWindow.createdTick < 8000) {
                    if (SaverWindow.moveCount++ > 18) {
                        SaverWindow.genuineInput = true;
                        break;
                    }
                }
                if (now - SaverWindow.createdTick > 8000) {
                    if (SaverWindow.moveCount++ > 4) {
                        SaverWindow.genuineInput = true;
                        break;
                    }
                }
                return 0;
            }
            default:
                break;
        }
    } catch (...) {
        WriteSettingText("Exception", "ScreenSaverProc");
        SaverWindow.exceptionQuit = true;
        if (ops.quit) ops.quit(ops.user, 43);
        return 0;
    }
    return DefaultSaverProcedure(ops, msg);
}

}  // namespace

// ---- first layer -----------------------------------------------------------

int64_t DispatchSaverMessage(const WindowOps& ops, const Message& msg) {
    const bool preview = SaverWindow.previewMode;
    switch (msg.type) {
        case Msg::Create:
            if (ops.cursorPos) ops.cursorPos(ops.user, &SaverWindow.lastCursorX, &SaverWindow.lastCursorY);
            if (!preview) Call(ops.hideCursor, ops);
            break;
        case Msg::Destroy: {
            int64_t r = SaverProcedure(ops, msg);
            SaverWindow.destroyed = true;
            if (ops.quit && !SaverWindow.exceptionQuit) ops.quit(ops.user, 0);
            return r;
        }
        case Msg::SetText:
            return 0;
        case Msg::Paint:
            if (SaverWindow.closeAllowed) return DefaultProcedure(ops, msg);
            if (!preview) Call(ops.hideCursor, ops);
            break;
        case Msg::Help:
        case Msg::ContextMenu:
            if (preview) {
                if (ops.forwardToParent) ops.forwardToParent(ops.user, msg.type);
                return 1;
            }
            break;
        case Msg::KeyDown:
        case Msg::SysKeyDown:
        case Msg::MouseMove:
        case Msg::ButtonDown:
            if (SaverWindow.closeAllowed) return DefaultProcedure(ops, msg);
            break;
        case Msg::SysCommand:
            if (!preview && (msg.wparam == kScNextWindow || msg.wparam == kScPrevWindow || msg.wparam == kScScreenSave))
                return 0;
            break;
        case Msg::Timer:
            if (SaverWindow.closeAllowed) return 0;
            SleepMs(0);
            break;
        default:
            break;
    }
    return SaverProcedure(ops, msg);
}

void ResetSaverWindow() {
    SaverWindow = SaverWindowState{};
    g_link = nullptr;
}

}  // namespace ztx
