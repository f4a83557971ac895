#include "engine/animation.h"

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "engine/engine_state.h"
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/color_effects.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/surface.h"
#include "settings/display_file.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "soundlink/sound_link.h"

namespace ztx {

std::atomic<int> PaletteReady{0};
std::atomic<int> AnimationSuspended{0};
std::atomic<int> PaletteSuspended{0};
std::atomic<int> SpeedDelay{0};
std::atomic<int> MouseIgnored{0};
std::atomic<uint32_t> AnimationStartTick{0};
std::atomic<int> LaunchedCompanion{0};
std::atomic<int> CaptureKeyHeld{0};
std::atomic<int> WallpaperKeyPressed{0};

namespace {

std::thread g_animationThread;
std::atomic<bool> g_animationDone{true};

// The name of the step being executed, for the exception record (animation
// thread only).
const char* g_debugStep = "";

// Writes "<display>.<step>" as the "Exception" setting.
void RecordException(const char* step) {
    std::string display;
    if (SoundLinkRecord* link = SoundLink())
        display.assign(link->currentDisplay, strnlen(link->currentDisplay, sizeof link->currentDisplay));
    else
        display = CurrentDisplayName;
    std::string text = display + "." + step;
    WriteSettingText("Exception", text);
    std::fprintf(stderr, "zentrix: the animation stopped after a fault in %s\n", text.c_str());
}

void PaintBlack(EngineHost& host) {
    if (!host.dc) return;
    FillRect(*host.dc, Rect{0, 0, host.width, host.height}, SolidBrush(kRgbBlack));
}

void Publish(EngineHost& host) {
    if (host.surface) PublishSurface(*host.surface);
    if (host.present) host.present(host.user);
}

// ---- palette thread ------------------------------------------------------

// `done` is shared: an abandoned palette thread may outlive the run.
void PaletteThreadBody(EngineHost* host, std::shared_ptr<std::atomic<bool>> done) {
    CurrentClock().AttachThread();
    try {
        PaletteRecord* palette = CurrentPalette();
        StartColorEffect(palette);
        PaletteReady = 1;
        while (AnimationRunning) {
            if (!DisplayLoading && !PaletteSuspended) {
                const auto t0 = std::chrono::steady_clock::now();
                StepColorEffect(palette);
                PaletteEvents(palette);
                if (host->timings) {
                    host->timings->paletteSeconds +=
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                    ++host->timings->paletteSteps;
                }
                if (host->present) host->present(host->user);
            }
            SleepMs(CycleInterval(palette));
        }
    } catch (...) {
        AnimationRunning = 0;
        PaletteReady = 1;  // never leave the animation thread spinning
        WriteSettingText("Exception", "AnimatePalette");
    }
    done->store(true);
    CurrentClock().DetachThread();
}

// Waits (on the clock) up to `ms` for a flag; true when it came.
bool WaitFor(const std::atomic<bool>& flag, uint32_t ms) {
    const uint32_t start = GetTickCount();
    while (!flag.load()) {
        if (GetTickCount() - start >= ms) return false;
        SleepMs(1);
    }
    return true;
}

// Spreads frames evenly at "FrameRate" frames per second: the k-th frame of
// a stretch ends no earlier than start + k * 1000 / rate. A frame that runs
// late starts a new stretch instead of rushing to catch up.
struct FramePacer {
    uint32_t start = 0;
    uint32_t frames = 0;
    void Begin(uint32_t now) {
        start = now;
        frames = 0;
    }
    // Pauses of the speed setting come on top of the paced frame time.
    void Shift(uint32_t ms) { start += ms; }
    void Pace() {
        const int rate = Options.frameRate > 0 ? Options.frameRate : 60;
        ++frames;
        const uint32_t due = start + static_cast<uint32_t>(std::llround(frames * 1000.0 / rate));
        const uint32_t now = GetTickCount();
        const int32_t ahead = static_cast<int32_t>(due - now);
        if (ahead > 0) {
            SleepMs(static_cast<uint32_t>(ahead));
        } else if (ahead < -100) {
            Begin(now);
        }
    }
};

void SetProcessPriority(int option) {
    // Priority classes: 32 normal, 64 idle, 128 high (raising needs rights;
    // a refusal leaves the priority as it is).
    int nice = option == 64 ? 19 : (option == 128 ? -5 : 0);
    setpriority(PRIO_PROCESS, 0, nice);
}

// ---- animation thread ----------------------------------------------------

void AnimationThreadBody(EngineHost* host) {
    CurrentClock().AttachThread();
    std::thread paletteThread;
    auto paletteDone = std::make_shared<std::atomic<bool>>(true);
    PaletteRecord* palette = nullptr;
    // Waits up to 2000 ms for the palette thread; one that does not end is
    // abandoned, as designed for threads that do not stop. Returns whether
    // it ended (an abandoned thread may still use the palette record).
    auto endPalette = [&] {
        if (!paletteThread.joinable()) return true;
        if (WaitFor(*paletteDone, 2000)) {
            paletteThread.join();
            return true;
        }
        paletteThread.detach();
        return false;
    };
    auto endRun = [&] {
        if (LaunchedCompanion)
            if (SoundLinkRecord* link = SoundLink()) link->companionEndNotice = 1;
    };
    try {
        g_debugStep = "Entered";
        AnimationRunning = 1;
        PaletteReady = 0;

        // Prepare the module table for this surface.
        SeedRandom(GetTickCount());
        ClearModuleTable();
        for (ModuleRecord& r : ModuleTable) {
            r.Width = host->width;
            r.Height = host->height;
            r.Dc = host->dc;
        }
        palette = CreatePaletteRecord(host->dc);
        SetUpTextBoxes(host->dc, host->width, host->height, host->fullScreen);
        RegisterModules();
        SpeedDelay = Options.speed;
        MouseIgnored = Options.disableMouse;
        g_debugStep = "Pos1";
        LaunchedCompanion = 0;
        SoundLinkRecord* link = SoundLink();
        if (Options.autoRun && link && !link->companionLive) {
            if (LaunchCompanion(true, host->fullScreen)) {
                RegisterModules();
                LaunchedCompanion = 1;
            }
        }
        if (host->adjustPriority) SetProcessPriority(link && link->companionLive ? 32 : Options.priority);
        if (ClearFirst) PaintBlack(*host);

        g_debugStep = "Pos2";
        paletteDone->store(false);
        paletteThread = std::thread(PaletteThreadBody, host, paletteDone);
        while (!PaletteReady) SleepMs(0);

        g_debugStep = "Pos3";
        if (ModuleActive[kSlotSequencer]) {
            // A sequence display plays as the random meta-module in its
            // sequence mode.
            ModuleRecord& random = ModuleTable[kSlotRandom];
            random.Control[0] = 3;
            random.Max[0] = 3;
            random.Control[2] = 4;
            ModuleActive[kSlotRandom] = 1;
            ModuleActive[kSlotSequencer] = 0;
        }
        AdjustDuration(ModuleTable, Options.durationMod, kModuleSlots);

        g_debugStep = "Pos4";
        for (int slot = 0; slot < kModuleSlots; ++slot) {
            if (!ModuleActive[slot]) continue;
            ModuleRecord& r = ModuleTable[slot];
            ClampControls(&r);
            if (r.DoPreInitialize) r.DoPreInitialize(&r);
            if (r.DoInitialize) r.DoInitialize(&r);
        }
        AnimationStartTick = GetTickCount();
        const uint32_t blankDeadline = AnimationStartTick + static_cast<uint32_t>(Options.blankTimeout) * 60000u;
        g_debugStep = "Pos5";

        FramePacer pacer;
        pacer.Begin(GetTickCount());
        while (AnimationRunning) {
            while (AnimationSuspended && AnimationRunning) SleepMs(10);
            if (!AnimationRunning) break;
            const uint32_t now = GetTickCount();
            if (Options.blankTimeout == 0 ||
                (Options.blankTimeout != 241 && static_cast<int32_t>(now - blankDeadline) > 0)) {
                RemoveClip(*host->dc);
                PaintBlack(*host);
                Publish(*host);
                AnimationRunning = 0;
                break;
            }
            const uint32_t frame = ++FrameCount;
            StepTextBoxes();
            g_debugStep = "Msg";
            for (int slot = 0; slot < kModuleSlots && AnimationRunning; ++slot) {
                if (!ModuleActive[slot]) continue;
                g_debugStep = SlotName(slot);
                const auto t0 = std::chrono::steady_clock::now();
                RunDrawCalls(&ModuleTable[slot], frame);
                if (host->timings)
                    host->timings->slotSeconds[slot] +=
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            }
            g_debugStep = "Pos6";
            DecayPeaks();
            Publish(*host);
            if (host->frameDone) host->frameDone(host->user);
            pacer.Pace();
            if (uint32_t pause = SpeedPause(SpeedDelay, frame)) {
                SleepMs(pause);
                pacer.Shift(pause);
            }

            link = SoundLink();
            if (link && link->snapshotRequest) SaveSnapshot();
            if (CaptureKeyHeld || (link && (link->captureFullRequest || link->captureScaledRequest))) {
                if (host->capture) host->capture(host->user);
            }
            if (WallpaperKeyPressed || (link && link->wallpaperRequest)) {
                if (host->wallpaper) host->wallpaper(host->user);
                WallpaperKeyPressed = 0;
            }
            g_debugStep = "Pos7";
            if (link && link->restartRequest) {
                for (int slot = 0; slot < kModuleSlots; ++slot) {
                    if (!ModuleActive[slot]) continue;
                    ModuleRecord& r = ModuleTable[slot];
                    g_debugStep = "Next1";
                    if (r.DoClose) r.DoClose(&r);
                    g_debugStep = "Next2";
                    if (r.DoPreInitialize) r.DoPreInitialize(&r);
                    g_debugStep = "Next3";
                    if (r.DoInitialize) r.DoInitialize(&r);
                }
                link->restartRequest = 0;
            }
        }

        // End of the run.
        static char closeStep[40];
        for (int slot = 0; slot < kModuleSlots; ++slot) {
            if (!ModuleActive[slot]) continue;
            std::snprintf(closeStep, sizeof closeStep, "Close.%s", SlotName(slot));
            g_debugStep = closeStep;
            ModuleRecord& r = ModuleTable[slot];
            if (r.DoClose) r.DoClose(&r);
        }
        AnimationRunning = 0;
        if (endPalette()) FreePaletteRecord(palette);
        endRun();
    } catch (...) {
        // Modules are not closed: their state is not to be trusted. The
        // palette thread ends by itself when it sees the flag.
        AnimationRunning = 0;
        RecordException(g_debugStep);
        endRun();
        endPalette();
    }
    g_animationDone = true;
    CurrentClock().DetachThread();
}

}  // namespace

uint32_t SpeedPause(int d, uint32_t frame) {
    if (d <= 0) return 0;
    if (d <= 15) return (frame & 15u) < static_cast<uint32_t>(d) ? 10u : 0u;
    return static_cast<uint32_t>(10 * d - 150);
}

bool StartAnimation(EngineHost* host) {
    if (!host) return false;
    // A run that ended by itself (the blank time-out) is collected first.
    if (g_animationThread.joinable() && g_animationDone) g_animationThread.join();
    if (g_animationThread.joinable()) return false;
    g_animationDone = false;
    AnimationRunning = 1;
    g_animationThread = std::thread(AnimationThreadBody, host);
    return true;
}

bool StopAnimation() {
    AnimationRunning = 0;
    if (!g_animationThread.joinable()) return true;
    // The wait is in real time: the window thread is not one of the
    // animation's scheduled threads.
    for (int waited = 0; waited < 2000 && !g_animationDone; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (g_animationDone) {
        g_animationThread.join();
        return true;
    }
    g_animationThread.detach();
    return false;
}

void WaitForAnimationEnd() {
    if (g_animationThread.joinable()) g_animationThread.join();
}

bool AnimationActive() { return g_animationThread.joinable() && !g_animationDone; }

void ResetAnimationState() {
    PaletteReady = 0;
    AnimationSuspended = 0;
    PaletteSuspended = 0;
    SpeedDelay = 0;
    MouseIgnored = 0;
    AnimationStartTick = 0;
    LaunchedCompanion = 0;
    CaptureKeyHeld = 0;
    WallpaperKeyPressed = 0;
}

}  // namespace ztx
