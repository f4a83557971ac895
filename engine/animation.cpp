#include "engine/animation.h"

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
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

namespace {

std::atomic<bool> g_animationDone{true};

// How long a run waits for the analyser it started to go live (an analyser
// without a sound server never does).
constexpr uint32_t kCompanionStartMs = 1000;

// The animation thread. A process may end while it runs (a library calls
// exit() when the display connection breaks): it is then stopped or
// abandoned as by StopAnimation, never destroyed while joinable (which would
// abort the process).
struct AnimationThreadHolder {
    std::thread thread;
    ~AnimationThreadHolder() { StopAnimation(); }
};
AnimationThreadHolder g_animation;
std::thread& g_animationThread = g_animation.thread;

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

// Runs `step` for every active module in slot order.
void ForEachActiveModule(const std::function<void(ModuleRecord&, int slot)>& step) {
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        if (ModuleActive[slot]) step(ModuleTable[slot], slot);
    }
}

// A module may leave any routine out.
int CallRoutine(ModuleRecord& r, ModuleRoutine routine) { return routine ? routine(&r) : 0; }

// One run of the animation thread, from preparing the modules to closing
// them; each step sets the step name the exception record reports.
class AnimationRun {
public:
    explicit AnimationRun(EngineHost& host) : host_(host), hold_(host.surface) {}

    void Run() {
        try {
            g_debugStep = "Entered";
            AnimationRunning = 1;
            PaletteReady = 0;
            PrepareModules();
            g_debugStep = "Pos1";
            StartCompanion();
            if (ClearFirst) PaintBlack(host_);
            g_debugStep = "Pos2";
            StartPaletteThread();
            g_debugStep = "Pos3";
            PlaySequenceAsRandom();
            AdjustDuration(ModuleTable, Options.durationMod, kModuleSlots);
            g_debugStep = "Pos4";
            StartModules();
            g_debugStep = "Pos5";
            RunFrames();
            CloseModules();
            AnimationRunning = 0;
            if (EndPaletteThread()) FreePaletteRecord(palette_);
            EndRun();
        } catch (...) {
            // Modules are not closed: their state is not to be trusted. The
            // palette thread ends by itself when it sees the flag.
            AnimationRunning = 0;
            RecordException(g_debugStep);
            EndRun();
            EndPaletteThread();
        }
    }

private:
    // Zero-fills the module table for this surface, creates the palette
    // record and registers every module (which loads the active display).
    void PrepareModules() {
        SeedRandom(GetTickCount());
        ClearModuleTable();
        for (ModuleRecord& r : ModuleTable) {
            r.Width = host_.width;
            r.Height = host_.height;
            r.Dc = host_.dc;
        }
        palette_ = CreatePaletteRecord(host_.dc);
        SetUpTextBoxes(host_.dc, host_.width, host_.height, host_.fullScreen);
        RegisterModules();
        SpeedDelay = Options.speed;
        MouseIgnored = Options.disableMouse;
    }

    // "AutoRun": starts the sound analyser when none is live, then registers
    // again so that sound sources survive the display's validation.
    void StartCompanion() {
        LaunchedCompanion = 0;
        SoundLinkRecord* link = SoundLink();
        if (Options.autoRun && link && !link->companionLive) {
            // The end notice of an earlier run would end the new analyser at once.
            if (host_.fullScreen) link->companionEndNotice = 0;
            if (LaunchCompanion(true, host_.fullScreen)) {
                // The display's sound sources are checked against the live
                // flag next: give the analyser a moment to connect first.
                for (uint32_t waited = 0; waited < kCompanionStartMs && !link->companionLive; waited += 20) SleepMs(20);
                RegisterModules();
                LaunchedCompanion = 1;
            }
        }
        if (host_.adjustPriority) SetProcessPriority(link && link->companionLive ? 32 : Options.priority);
    }

    void StartPaletteThread() {
        paletteDone_->store(false);
        paletteThread_ = std::thread(PaletteThreadBody, &host_, paletteDone_);
        while (!PaletteReady) SleepMs(0);
    }

    // Waits up to 2000 ms for the palette thread; one that does not end is
    // abandoned, as designed for threads that do not stop. Returns whether
    // it ended (an abandoned thread may still use the palette record).
    bool EndPaletteThread() {
        if (!paletteThread_.joinable()) return true;
        if (WaitFor(*paletteDone_, 2000)) {
            paletteThread_.join();
            return true;
        }
        paletteThread_.detach();
        return false;
    }

    // A sequence display plays as the random meta-module in its sequence
    // mode.
    static void PlaySequenceAsRandom() {
        if (!ModuleActive[kSlotSequencer]) return;
        ModuleRecord& random = ModuleTable[kSlotRandom];
        random.Control[0] = 3;
        random.Max[0] = 3;
        random.Control[2] = 4;
        ModuleActive[kSlotRandom] = 1;
        ModuleActive[kSlotSequencer] = 0;
    }

    static void StartModules() {
        ForEachActiveModule([](ModuleRecord& r, int) {
            ClampControls(&r);
            CallRoutine(r, r.DoPreInitialize);
            CallRoutine(r, r.DoInitialize);
        });
    }

    // The F2 key or another instance asked for a fresh start of the modules.
    static void RestartModules() {
        ForEachActiveModule([](ModuleRecord& r, int) {
            g_debugStep = "Next1";
            CallRoutine(r, r.DoClose);
            g_debugStep = "Next2";
            CallRoutine(r, r.DoPreInitialize);
            g_debugStep = "Next3";
            CallRoutine(r, r.DoInitialize);
        });
    }

    static void CloseModules() {
        static char closeStep[40];
        ForEachActiveModule([](ModuleRecord& r, int slot) {
            std::snprintf(closeStep, sizeof closeStep, "Close.%s", SlotName(slot));
            g_debugStep = closeStep;
            CallRoutine(r, r.DoClose);
        });
    }

    // Whether the blank time-out has come: "BlankTimeout" 0 blanks at once,
    // kBlankNever never.
    bool BlankTimeDue(uint32_t now) const {
        if (Options.blankTimeout == 0) return true;
        return Options.blankTimeout != kBlankNever && static_cast<int32_t>(now - blankDeadline_) > 0;
    }

    // Hands the finished picture to the host and lets go of the drawing
    // hold; the caller retakes it before drawing again.
    void Publish() {
        if (host_.surface) HandOverSurface(*host_.surface);
        hold_.Release();
        if (host_.present) host_.present(host_.user);
    }

    void Blank() {
        RemoveClip(*host_.dc);
        PaintBlack(host_);
        Publish();
        hold_.Retake();
        AnimationRunning = 0;
    }

    void RunFrames() {
        AnimationStartTick = GetTickCount();
        blankDeadline_ = AnimationStartTick + static_cast<uint32_t>(Options.blankTimeout) * 60000u;
        FramePacer pacer;
        pacer.Begin(GetTickCount());
        while (AnimationRunning) {
            if (AnimationSuspended) {
                hold_.Release();
                while (AnimationSuspended && AnimationRunning) SleepMs(10);
                hold_.Retake();
            }
            if (!AnimationRunning) break;
            if (BlankTimeDue(GetTickCount())) {
                Blank();
                break;
            }
            const uint32_t frame = ++FrameCount;
            DrawFrame(frame);  // lets go of the drawing hold
            pacer.Pace();
            if (uint32_t pause = SpeedPause(SpeedDelay, frame)) {
                SleepMs(pause);
                pacer.Shift(pause);
            }
            hold_.Retake();
            ServeRequests();
        }
    }

    // One frame: the text boxes, every active module's draw calls, the peak
    // decay, then the picture goes to the host.
    void DrawFrame(uint32_t frame) {
        StepTextBoxes();
        g_debugStep = "Msg";
        const auto start = std::chrono::steady_clock::now();
        for (int slot = 0; slot < kModuleSlots && AnimationRunning; ++slot) {
            if (!ModuleActive[slot]) continue;
            g_debugStep = SlotName(slot);
            const auto t0 = std::chrono::steady_clock::now();
            RunDrawCalls(&ModuleTable[slot], frame);
            if (host_.timings)
                host_.timings->slotSeconds[slot] +=
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        }
        host_.drawNanoseconds.fetch_add(
            static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                      std::chrono::steady_clock::now() - start)
                                      .count()),
            std::memory_order_relaxed);
        g_debugStep = "Pos6";
        DecayPeaks();
        Publish();
        if (host_.frameDone) host_.frameDone(host_.user);
    }

    // What the hot keys and the other instances asked for through the sound
    // link: snapshot, capture, wallpaper, restart.
    void ServeRequests() {
        SoundLinkRecord* link = SoundLink();
        if (link && link->snapshotRequest) SaveSnapshot();
        if (CaptureKeyHeld || (link && (link->captureFullRequest || link->captureScaledRequest))) {
            if (host_.capture) host_.capture(host_.user);
        }
        if (WallpaperKeyPressed || (link && link->wallpaperRequest)) {
            if (host_.wallpaper) host_.wallpaper(host_.user);
            WallpaperKeyPressed = 0;
        }
        g_debugStep = "Pos7";
        if (link && link->restartRequest) {
            RestartModules();
            link->restartRequest = 0;
        }
    }

    // Tells the analyser this run started that it may end.
    static void EndRun() {
        if (LaunchedCompanion)
            if (SoundLinkRecord* link = SoundLink()) link->companionEndNotice = 1;
    }

    EngineHost& host_;
    // Held while this thread may draw: from the start of the run to its
    // end, except while it sleeps between frames.
    DrawingHold hold_;
    std::thread paletteThread_;
    // Shared: an abandoned palette thread may outlive the run.
    std::shared_ptr<std::atomic<bool>> paletteDone_ = std::make_shared<std::atomic<bool>>(true);
    PaletteRecord* palette_ = nullptr;
    uint32_t blankDeadline_ = 0;
};

void AnimationThreadBody(EngineHost* host) {
    CurrentClock().AttachThread();
    AnimationRun(*host).Run();
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
    if (!host || !g_animationDone) return false;
    // A run that ended by itself (the blank time-out) is collected first.
    if (g_animationThread.joinable()) g_animationThread.join();
    g_animationDone = false;
    AnimationRunning = 1;
    g_animationThread = std::thread(AnimationThreadBody, host);
    return true;
}

bool StopAnimation() {
    AnimationRunning = 0;
    if (!g_animationThread.joinable()) return g_animationDone;
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

bool AnimationActive() { return !g_animationDone; }

}  // namespace ztx
