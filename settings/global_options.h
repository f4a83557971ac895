// The global options: settings that govern the saver as a whole (priority,
// blanking, capture scale, speed, on-screen texts, how sound is used). They
// are values of the settings key, except the password grace period, which
// lives under the Winlogon key. "SlowCPU" and "AutoGain" are also kept in
// the sound link so that every running instance and the analyser see them.
#pragma once
#include <cstdint>

#include "engine/process_state.h"

namespace ztx {

// "BlankTimeout" at its top value: the saver never blanks the screen.
constexpr int32_t kBlankNever = 241;

// Every default lives in these initialisers.
struct GlobalOptions {
    int32_t priority = 64;       // "Priority": 32 normal, 64 idle, 128 high
    int32_t preview = 1;         // "Preview": pages show a live preview
    int32_t slowCPU = 1;         // "SlowCPU" ("Turbo Mode"): sources above Volume read as Volume
    int32_t showInfo = 0;        // "ShowInfo": show the analyser's text lines
    int32_t showName = 0;        // "ShowName": seconds the display's title is shown
    int32_t autoRun = 0;         // "AutoRun": start the analyser when saving begins
    int32_t autoGain = 1;        // "AutoGain": normalise levels against tracked peaks
    int32_t blankTimeout = kBlankNever;  // "BlankTimeout": minutes until blank
    int32_t captureScale = 100;  // "CaptureScale": percent
    int32_t captureTile = 0;     // "CaptureTile"
    int32_t homingRate = 1000;   // "HomingRate": peak decay interval; 1000 off
    int32_t durationMod = 0;     // "DurationMod": seconds added to every "Duration"
    int32_t disableMouse = 0;    // "DisableMouse": no wake-up on mouse moves
    int32_t speed = 0;           // "Speed": animation slow-down 0..30
    int32_t gracePeriod = 6;     // "ScreenSaverGracePeriod", seconds
    int32_t frameRate = 60;      // "FrameRate": frames per second the animation is paced to, 1..240
};

// The process's options, `Options`, are declared in engine/process_state.h.

// Puts every option back to its default (a fresh user's values).
void ResetGlobalOptions();
// Puts the options that a display start and a load begin from (the sound
// options, "ShowInfo", "ShowName", "AutoRun", "HomingRate") back to their
// defaults, turns both sound switches of the sound link on and publishes
// "SlowCPU" and "AutoGain" there.
void PutSoundOptionDefaults();
// Loads the options from the settings; returns whether "Speed" was read.
// Also sets the two sound switches of the sound link and publishes
// "SlowCPU" and "AutoGain" there.
bool LoadGlobalOptions();
// Stores the options (and the grace period under the Winlogon key).
void SaveGlobalOptions();

// "SlowCPU" and "AutoGain" as every instance sees them: from the sound link
// when one is open, else from `Options`.
int32_t OptionSlowCPU();
int32_t OptionAutoGain();

}  // namespace ztx
