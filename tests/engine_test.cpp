// The animation engine on a lockstep virtual clock: frame-loop rules, speed
// pauses, blanking, requests, exceptions, pacing and reproducible runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/animation.h"
#include "engine/engine_state.h"
#include "engine/headless.h"
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include <mutex>
#include <thread>
#include "render/draw.h"
#include "render/surface.h"
#include "settings/display_file.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "soundlink/sound_link.h"
#include "tests/engine_run.h"

namespace ztx {
namespace {

// What the fake module saw, and what it is told to do.
struct Probe {
    std::vector<uint32_t> drawFrames;  // FrameCount at every draw call
    std::vector<uint32_t> drawTicks;   // tick at every draw call
    std::vector<std::string> events;   // routine and host calls in order
    int gateOpen = 1;
    int strength = 1;
    bool throwAtFrame5 = false;
    int durationDefault = 30;
};
Probe g_probe;
// A draw call waits while g_holdDraw is set (a frame of any length).
std::atomic<bool> g_holdDraw{false}, g_drawing{false};

int ProbeDefine(ModuleRecord* r) {
    DefineControl(r, 0, 0, "Duration", 1, 1000, 1, 1000, g_probe.durationDefault, kCheckSet, 10, 0);
    DefineControl(r, kStrengthSlot, 9, "Strength", -10, 10, -10, 10, g_probe.strength, kCheckSet, 10, 1);
    return 0;
}
int ProbeDraw(ModuleRecord*) {
    g_probe.drawFrames.push_back(FrameCount);
    g_probe.drawTicks.push_back(GetTickCount());
    g_probe.events.push_back("draw");
    if (g_probe.throwAtFrame5 && FrameCount == 5) throw std::runtime_error("fault");
    g_drawing = true;
    while (g_holdDraw) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return g_probe.gateOpen ? 0 : kFrameSkipped;
}
int ProbePre(ModuleRecord*) {
    g_probe.events.push_back("pre");
    return 0;
}
int ProbeInit(ModuleRecord*) {
    g_probe.events.push_back("init");
    return 0;
}
int ProbeClose(ModuleRecord*) {
    g_probe.events.push_back("close");
    return 0;
}

const std::vector<BuiltinModule>& ProbeCatalog() {
    static const std::vector<BuiltinModule> c = {
        {kSlotCube, {ProbeDefine, ProbeDraw, ProbePre, ProbeInit, ProbeClose}}};
    return c;
}

// Options the loader applies after loading (set by each test).
GlobalOptions g_options;
void ProbeLoader() {
    for (int s = 0; s < kModuleSlots; ++s) ModuleActive[s] = s == kSlotCube ? 1 : 0;
    std::strcpy(CurrentDisplayName, "Probe Display");
    if (SoundLinkRecord* link = SoundLink()) std::strcpy(link->currentDisplay, "Probe Display");
    Options = g_options;
}

// Each run counts its frames from 0, notes when each frame ended and
// records captures as probe events.
struct Harness : EngineRun {
    std::vector<uint32_t> frameTicks;

    Harness() {
        onFrame = [this](uint32_t) { frameTicks.push_back(GetTickCount()); };
        host.capture = [](void*) {
            g_probe.events.push_back("capture");
            if (SoundLinkRecord* link = SoundLink()) link->captureScaledRequest = 0;
        };
    }
    void Run(int frames) {
        FrameCount = 0;  // counts on across runs otherwise
        EngineRun::Run(frames);
    }
};

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        StartSettingsKey();
        g_probe = Probe{};
        g_options = GlobalOptions{};
        SetModuleCatalog(&ProbeCatalog());
        SetStoredSettingsLoader(ProbeLoader);
    }
    void TearDown() override { ResetModuleFramework(); }
};

TEST_F(Engine, StrengthAndTheDrawGate) {
    g_probe.strength = 3;
    g_probe.gateOpen = 0;
    Harness h;
    h.Run(4);
    // One call per frame (stopped by the skip), then a 10 ms pause.
    EXPECT_EQ(g_probe.drawFrames, (std::vector<uint32_t>{1, 2, 3, 4}));

    g_probe = Probe{};
    g_probe.strength = 3;
    Harness open;
    open.Run(2);
    EXPECT_EQ(g_probe.drawFrames, (std::vector<uint32_t>{1, 1, 1, 2, 2, 2}));

    g_probe = Probe{};
    g_probe.strength = -4;
    Harness every4;
    every4.Run(12);
    EXPECT_EQ(g_probe.drawFrames, (std::vector<uint32_t>{4, 8, 12}));
}

TEST_F(Engine, FramesArePacedAndSpeedAddsItsPauses) {
    g_options.frameRate = 50;  // 20 ms a frame
    Harness paced;
    paced.Run(6);
    ASSERT_EQ(paced.frameTicks.size(), 6u);
    for (size_t i = 1; i < 6; ++i) EXPECT_EQ(g_probe.drawTicks[i] - g_probe.drawTicks[i - 1], 20u) << i;

    // "Speed" 20 adds 50 ms to every frame.
    g_probe = Probe{};
    g_options.speed = 20;
    Harness slow;
    slow.Run(4);
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(g_probe.drawTicks[i] - g_probe.drawTicks[i - 1], 70u) << i;

    EXPECT_EQ(SpeedPause(0, 5), 0u);
    int paused = 0;
    for (uint32_t f = 0; f < 16; ++f) paused += SpeedPause(8, f) == 10;
    EXPECT_EQ(paused, 8);
    EXPECT_EQ(SpeedPause(16, 3), 10u);
    EXPECT_EQ(SpeedPause(30, 3), 150u);
}

// A frame longer than the stop's wait: the thread is left behind, and it
// keeps counting as running (no second thread, every later stop says so)
// until it ends, so nobody frees the picture it draws into.
TEST_F(Engine, AThreadLeftBehindCountsUntilItEnds) {
    Harness h;
    SetClock(&h.clock);
    g_holdDraw = true;
    ASSERT_TRUE(StartAnimation(&h.host));
    while (!g_drawing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(StopAnimation());
    EXPECT_TRUE(AnimationActive());
    EXPECT_FALSE(StartAnimation(&h.host));
    EXPECT_FALSE(StopAnimation());
    g_holdDraw = false;
    while (AnimationActive()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(StopAnimation());
    SetClock(nullptr);
}

TEST_F(Engine, BlankTimeout) {
    g_options.blankTimeout = 0;
    Harness now;
    SetClock(&now.clock);
    ASSERT_TRUE(StartAnimation(&now.host));
    // The run ends by itself; the window does not wait for it.
    while (AnimationActive()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(g_probe.drawFrames.empty());  // blanked before the first frame
    EXPECT_EQ(now.surface.picture.pixels, std::vector<uint8_t>(32 * 24, 0));

    // A later Delete key starts the animation again.
    g_options.blankTimeout = 241;
    now.stopAfter = 3;
    FrameCount = 0;
    ASSERT_TRUE(StartAnimation(&now.host));
    WaitForAnimationEnd();
    SetClock(nullptr);
    EXPECT_EQ(g_probe.drawFrames, (std::vector<uint32_t>{1, 2, 3}));

    g_probe = Probe{};
    g_options.blankTimeout = 5;
    g_options.frameRate = 10;  // 100 ms frames: five minutes are 3000 frames
    Harness later;
    later.Run(100000);
    ASSERT_FALSE(g_probe.drawTicks.empty());
    const uint32_t ran = g_probe.drawTicks.back() - g_probe.drawTicks.front();
    EXPECT_GE(ran, 5u * 60000u - 200u);
    EXPECT_LE(ran, 5u * 60000u + 200u);
    EXPECT_EQ(AnimationRunning, 0);
}

TEST_F(Engine, RequestsAreServedAfterCapturesAndDurationModOnce) {
    SoundLinkRecord* link = OpenSoundLink();
    ASSERT_NE(link, nullptr);
    g_options.durationMod = 7;
    g_probe.durationDefault = 30;
    Harness h;
    // From the second frame's draw on, ask for a restart and a capture.
    static SoundLinkRecord* s_link;
    s_link = link;
    h.host.frameDone = [](void*) {
        if (FrameCount == 2) {
            s_link->restartRequest = 1;
            s_link->captureScaledRequest = 1;
        }
        if (FrameCount >= 4) AnimationRunning = 0;
    };
    h.Run(0);
    std::vector<std::string> expected = {"pre",  "init", "draw", "draw",    "capture", "close", "pre",
                                         "init", "draw", "draw", "close"};
    EXPECT_EQ(g_probe.events, expected);
    EXPECT_EQ(link->restartRequest, 0);
    EXPECT_EQ(link->captureScaledRequest, 0);
    // Applied once at the start, not again at the restart.
    EXPECT_EQ(ModuleTable[kSlotCube].Control[0], 37);
    CloseSoundLink(link);
}

TEST_F(Engine, ExceptionsAreRecordedWithDisplayAndStep) {
    g_probe.throwAtFrame5 = true;
    Harness h;
    h.Run(50);
    EXPECT_EQ(g_probe.drawFrames.back(), 5u);
    EXPECT_EQ(ReadSettingText("Exception"), "Probe Display.Cube");
    EXPECT_EQ(AnimationRunning, 0);
}

TEST_F(Engine, LockstepRunsAreReproducible) {
    // Two threads that draw random numbers and sleep different times
    // interleave the same way every time.
    auto run = [] {
        LockstepClock clock(0);
        SetClock(&clock);
        std::vector<int> log;
        std::mutex m;
        std::atomic<bool> secondAttached{false};
        auto work = [&](int id, uint32_t pause) {
            for (int i = 0; i < 50; ++i) {
                {
                    std::lock_guard<std::mutex> g(m);
                    log.push_back(id * 100000 + Rand15());
                }
                SleepMs(pause);
            }
        };
        SeedRandom(9);
        // As the animation thread starts the palette thread: the first
        // thread starts the second and lets it attach before going on.
        std::thread b;
        std::thread a([&] {
            CurrentClock().AttachThread();
            b = std::thread([&] {
                CurrentClock().AttachThread();
                secondAttached = true;
                work(2, 3);
                CurrentClock().DetachThread();
            });
            while (!secondAttached) SleepMs(0);
            work(1, 7);
            CurrentClock().DetachThread();
        });
        a.join();
        b.join();
        SetClock(nullptr);
        return log;
    };
    std::vector<int> first = run();
    EXPECT_EQ(first.size(), 100u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(run(), first);
}

}  // namespace
}  // namespace ztx
