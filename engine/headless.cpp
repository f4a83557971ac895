#include "engine/headless.h"

#include <cstdio>
#include <cstring>

#include "engine/engine_state.h"
#include "engine/sequencing.h"
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
#include "settings/legacy_display.h"
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
    std::string file = {};  // a text display file, read where it is
};
Choice g_choice;

// Reports every display the run puts on screen: the one it starts with, and
// each one the random meta-module loads (also when it loads the same one
// again). Picks made while the run starts count as frame 0.
struct DisplayReport {
    const HeadlessRun* run = nullptr;
    std::string last;
    uint32_t picks = 0;
    bool any = false;
    void Report(uint32_t frame) {
        std::string name(CurrentDisplayName, strnlen(CurrentDisplayName, sizeof CurrentDisplayName));
        const uint32_t now = DisplaysPicked;
        if (any && name == last && now == picks) return;
        any = true;
        last = name;
        picks = now;
        if (run && run->onDisplay) run->onDisplay(frame, name);
    }
};
DisplayReport g_report;

// The modules this build draws with, for a message.
std::string DrawingModuleNames() {
    std::string names;
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        if (slot == kSlotRandom || !InCatalog(slot)) continue;
        names += (names.empty() ? "" : ", ") + std::string(SlotName(slot));
    }
    return names;
}

void LoadChosenSettings() {
    EnsureFirstRunDisplays();
    if (g_choice.source == HeadlessRun::Source::Module) {
        const int slot = SlotByName(g_choice.name);
        ActivateOnly(slot);
        std::snprintf(CurrentDisplayName, sizeof CurrentDisplayName, "%s", SlotName(slot));
    } else if (!g_choice.file.empty()) {
        ReadDisplayFile(g_choice.file);
    } else {
        LoadDisplay(g_choice.name);
    }
    g_report.Report(0);
    LoadGlobalOptions();
    // A picture as the screen would show it at this frame rate: no
    // slow-down, never blank.
    Options.frameRate = g_choice.fps;
    Options.speed = 0;
    Options.blankTimeout = kBlankNever;
}

struct Capture {
    const HeadlessRun* run;
    Surface* surface;
    bool first = true;
    uint32_t frames = 0;  // frames of this run (FrameCount counts on across runs)
};

void FrameDone(void* user) {
    auto* c = static_cast<Capture*>(user);
    const uint32_t frame = ++c->frames;
    g_report.Report(c->first ? 0 : frame);
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
    // A fresh installation gets its first-run displays now, before the run
    // seeds the generator: making them draws random numbers, and the first
    // run would otherwise differ from every later one with the same seed.
    if (ListDisplays().empty()) {
        ClearModuleTable();
        PaletteRecord* palette = CreatePaletteRecord(nullptr);
        SetStoredSettingsLoader(nullptr);
        RegisterModules();
        EnsureFirstRunDisplays();
        FreePaletteRecord(palette);
        ClearModuleTable();
    }
    TestRun test;
    g_choice = Choice{run.source, run.what, run.fps};
    switch (run.source) {
        case HeadlessRun::Source::Module: {
            const int slot = SlotByName(run.what);
            if (slot < 0 || slot == kSlotRandom || !InCatalog(slot)) {
                const std::string what = slot < 0 ? "there is no module named \"" + run.what + "\""
                                                  : "the module " + run.what + " is not in this build";
                return fail(what + "; modules here: " + DrawingModuleNames());
            }
            break;
        }
        case HeadlessRun::Source::Display: {
            std::string why;
            if (!IsValidDisplayName(run.what, &why)) return fail(why);
            EnsureFirstRunDisplays();
            if (!IsRegularFile(DisplayPath(run.what))) return fail("no saved display named \"" + run.what + "\"");
            if (!CheckDisplayFile(DisplayPath(run.what), &why)) return fail(run.what + ": " + why);
            break;
        }
        case HeadlessRun::Source::File:
            if (std::string why; !CheckDisplayFile(run.what, &why)) return fail(run.what + ": " + why);
            if (!IsLegacyDisplayFile(run.what)) {
                // Read where it is: runs at once never share a test display,
                // and no setting changes.
                g_choice.file = run.what;
                break;
            }
            test = BeginTestRun(run.what);  // the binary form converts through the settings
            if (!test.active) return fail(test.error);
            g_choice.name = kTestingDisplay;
            break;
    }

    LockstepClock clock(run.seeded ? run.seed : RealClock().TickCount());
    SetClock(&clock);
    Surface surface;
    CreateSurface(surface, run.width, run.height);
    DrawContext dc;
    AttachSurface(dc, surface);
    Capture capture{&run, &surface, true};
    g_report = DisplayReport{};
    g_report.run = &run;
    g_report.picks = DisplaysPicked;
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
    g_report.run = nullptr;
    SetStoredSettingsLoader(LoadStoredSettings);
    SetClock(nullptr);
    EndTestRun(test);
    return true;
}

}  // namespace ztx
