// The saver window's message handling, independent of the window system.
// The window layer (Qt on X11) turns its events into these messages and
// performs the window operations the handlers ask for; the handlers keep the
// saver's rules in three layers applied in order: the outer class
// procedure, the saver procedure, and the default saver procedure (which
// ends in the window system's default handling).
#pragma once
#include <cstdint>
#include <string>

#include "engine/process_state.h"
#include "shell/test_run.h"

namespace ztx {

enum class Msg {
    Create,
    Destroy,
    SetText,
    Paint,
    Help,
    ContextMenu,
    KeyDown,
    KeyUp,
    SysKeyDown,
    MouseMove,
    ButtonDown,
    SysCommand,
    Timer,
    Activate,
    ActivateApp,
    Close,
    EraseBackground,
    ShowWindow,
    SetCursor,
    Power,
    PowerBroadcast,
};

// Virtual-key codes the hot keys use.
enum VirtualKey : int {
    kVkTab = 0x09,
    kVkShift = 0x10,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
    kVkDelete = 0x2E,
    kVk0 = 0x30,
    kVk9 = 0x39,
    kVkS = 0x53,
    kVkT = 0x54,
    kVkW = 0x57,
    kVkAdd = 0x6B,       // numeric-pad +
    kVkSubtract = 0x6D,  // numeric-pad -
    kVkF1 = 0x70,
    kVkF12 = 0x7B,
};

// System commands the full-screen window ignores.
enum SysCommandCode : int { kScNextWindow = 0xF040, kScPrevWindow = 0xF050, kScScreenSave = 0xF140 };

struct Message {
    Msg type;
    int64_t wparam = 0;  // key code, activation flag, command, ...
    int x = 0, y = 0;    // cursor position for mouse moves
};

// What the handlers ask of the window system.
struct WindowOps {
    void* user = nullptr;
    void (*postClose)(void* user) = nullptr;          // queue a close message
    void (*destroy)(void* user) = nullptr;            // destroy the window (sends Destroy)
    void (*quit)(void* user, int code) = nullptr;     // end the message loop with this code
    void (*invalidate)(void* user) = nullptr;         // repaint: erase background comes next
    void (*paintBlack)(void* user) = nullptr;         // clip removed, client area black
    void (*hideCursor)(void* user) = nullptr;
    void (*cursorPos)(void* user, int* x, int* y) = nullptr;
    void (*setTimer)(void* user, int ms) = nullptr;   // timer 1
    void (*killTimer)(void* user) = nullptr;
    void (*forwardToParent)(void* user, Msg msg) = nullptr;
    void (*redrawDesktop)(void* user) = nullptr;
    void (*chirp)(void* user) = nullptr;
    // Starts the animation for this window (false when it cannot run).
    bool (*startAnimation)(void* user) = nullptr;
    // Whether the platform's password dialog is up (never on this platform).
    bool (*passwordDialogUp)(void* user) = nullptr;
};

// The window's state (one saver window per process).
struct SaverWindowState {
    bool previewMode = false;
    bool closeAllowed = false;
    bool genuineInput = false;
    bool modeSwitched = false;  // no video-mode switching on this platform
    bool linkOpen = false;
    uint32_t createdTick = 0;
    uint32_t moveWindowStart = 0;
    uint32_t moveCount = 0;
    int lastCursorX = 0, lastCursorY = 0;
    bool leftShiftDown = false;  // set by the window layer from the key's side
    std::string testRunFile;      // display file named on the command line
    TestRun testRun;
    bool destroyed = false;
    bool exceptionQuit = false;
    // The drawing thread did not stop in time and was left behind: whatever
    // it may still touch (the picture, the text boxes, the sound link) must
    // outlive it, so the window keeps them until the process ends.
    bool animationAbandoned = false;
};
constexpr int kMouseWakeDistance = 4;

// Runs one message through the three layers; returns the answer.
int64_t DispatchSaverMessage(const WindowOps& ops, const Message& msg);

// Puts the state back to its start (tests; a new window).
void ResetSaverWindow();

}  // namespace ztx
