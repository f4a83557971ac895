#include "engine/headless.h"

#include <cstdio>
#include <cstring>

#include "engine/engine_state.h"
#include "engine/text_boxes.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "render/device_colors.h"
#include "render/draw.h"
#include "render/surface.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "shell/test_run.h"

namespace ztx {

namespace {

// What the stored-settings step of registration loads for this run (the
// loader is a plain routine, so its choice lives here).
struct Choice {
    HeadlessRun::Source source;
    std::string name;  // display to load, or module name
    int fps;
};
Choice g_choice;

void LoadChosenSettings() {
    EnsureFirstRunDisplays();
    if (g_choice.source == HeadlessRun::Source::Module) {
        const int slot = SlotByName(g_choice.name);
        for (int s = 0; s < kModuleSlots; ++s) ModuleActive[s] = s == slot ? 1 : 0;
        std::snprintf(CurrentDisplayName, sizeof CurrentDisplayName, "%s", SlotName(slot));
    } else {
        LoadDisplay(g_choice.name);
    }
    LoadGlobalOptions();
    // A picture as the screen would show it at this frame rate: no
    // slow-down, never blank.
    Options.frameRate = g_choice.fps;
    Options.speed = 0;
    Options.blankTimeout = 241;
}

struct Capture {
    const HeadlessRun* run;
    Surface* surface;
    std::string lastDisplay;
    bool first = true;
};

void FrameDone(void* user) {
    auto* c = static_cast<Capture*>(user);
    const uint32_t frame = FrameCount;
    if (c->run->onDisplay) {
        std::string name(CurrentDisplayName, strnlen(CurrentDisplayName, sizeof CurrentDisplayName));
        if (c->first || name != c->lastDisplay) c->run->onDisplay(c->first ? 0 : frame, name);
        c->lastDisplay = name;
    }
    c->first = false;
    if (c->run->onFrame) {
        uint32_t colors[256];
        DeviceColors().Read(colors);
        c->run->onFrame(frame, c->surface->picture.pixels.data(), colors);
    }
    if (static_cast<int>(frame) >= c->run->frames) AnimationRunning = 0;
}

}  // namespace

bool RunHeadless(const HeadlessRun& run, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (run.width < 1 || run.height < 1 || run.width > 16384 || run.height > 16384)
        return fail("the size must be between 1x1 and 16384x16384");
    if (run.frames < 1) return fail("at least one frame is needed");
    if (run.fps < 1 || run.fps > 240) return fail("the frame rate must be 1..240");

    StartSettingsKey();
    TestRun test;
    g_choice = Choice{run.source, run.what, run.fps};
    switch (run.source) {
        case HeadlessRun::Source::Module:
            if (SlotByName(run.what) < 0 || SlotByName(run.what) == kSlotSequencer)
                return fail("no module named \"" + run.what + "\"");
            break;
        case HeadlessRun::Source::Display: {
            std::string why;
            if (!IsValidDisplayName(run.what, &why)) return fail(why);
            EnsureFirstRunDisplays();
            if (!IsRegularFile(DisplayPath(run.what))) return fail("no saved display named \"" + run.what + "\"");
            break;
        }
        case HeadlessRun::Source::File:
            test = BeginTestRun(run.what);
            if (!test.active) return fail("cannot read the display file " + run.what);
            g_choice.name = kTestingDisplay;
            break;
    }

    LockstepClock clock(run.seeded ? run.seed : RealClock().TickCount());
    SetClock(&clock);
    Surface surface;
    CreateSurface(surface, run.width, run.height);
    DrawContext dc;
    AttachSurface(dc, surface);
    Capture capture{&run, &surface, {}, true};
    EngineHost host;
    host.surface = &surface;
    host.dc = &dc;
    host.width = run.width;
    host.height = run.height;
    host.user = &capture;
    host.frameDone = FrameDone;
    host.timings = run.timings;

    SetStoredSettingsLoader(LoadChosenSettings);
    ResetTextBoxes();
    StartAnimation(&host);
    WaitForAnimationEnd();
    SetStoredSettingsLoader(LoadStoredSettings);
    SetClock(nullptr);
    EndTestRun(test);
    return true;
}

}  // namespace ztx
