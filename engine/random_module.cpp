#include "engine/random_module.h"

#include <algorithm>
#include <cstring>

#include "engine/engine_state.h"
#include "engine/sequencing.h"
#include "modules/framework/controls.h"
#include "palette/color_effects.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"
#include "settings/global_options.h"

namespace ztx {

RandomModuleState RandomMeta;

namespace {

constexpr int kDrawnSlots = 22;  // slots 0..21: everything but this module
// Mode 0 gives up drawing slots of the starting display after this many
// draws and starts any one module instead.
constexpr int kFallbackDraw = 202;
constexpr int64_t kShortestPeriodMs = 1000;
// Periods stay below 2^31 ms so that tick comparisons across the wrap of
// the 32-bit tick count remain right.
constexpr int64_t kLongestPeriodMs = 2000000000;

bool Later(uint32_t now, uint32_t tick) { return static_cast<int32_t>(now - tick) > 0; }

void TakeStartSettings() {
    RandomStartSettings& s = RandomMeta.start;
    for (int slot = 0; slot < kModuleSlots; ++slot) s.active[slot] = ModuleActive[slot];
    s.priority = Options.priority;
    s.clearFirst = ClearFirst;
    s.showInfo = Options.showInfo;
    s.showName = Options.showName;
}

// The control of `record` named "Duration", or -1.
int DurationControl(const ModuleRecord& record) {
    for (int i = 0; i < kControlCount; ++i) {
        if (record.Defined[i] && std::strncmp(record.ControlName[i], "Duration", sizeof record.ControlName[i]) == 0)
            return i;
    }
    return -1;
}

// Mode 0: start modules of the starting display at random. Each draw takes
// one of slots 0..21; a slot that was active at the start counts as a pick
// (a slot drawn twice counts twice). A starting display without any module
// in 0..21 would draw for ever, so the 202nd draw also starts one module
// that can draw, whatever the starting display had, and ends the picking.
void PickModules() {
    int picks = 0;
    int draws = 0;
    while (picks < RandomMeta.maxAtOnce) {
        const int slot = Rand15() % kDrawnSlots;
        if (RandomMeta.start.active[slot]) {
            ModuleActive[slot] = 1;
            ++picks;
        }
        if (++draws >= kFallbackDraw) {
            // Only a slot with routines can be started (the plug-in slot may
            // be empty, the sequence marker never has any). Wipe is left out:
            // whether it runs is settled by the starting display alone.
            int drawable[kDrawnSlots];
            int count = 0;
            for (int s = 0; s < kDrawnSlots; ++s) {
                if (ModuleTable[s].DoDrawFrame && s != kSlotWipe) drawable[count++] = s;
            }
            if (count > 0) ModuleActive[drawable[Rand15() % count]] = 1;
            break;
        }
    }
}

void PaintBlack(ModuleRecord& record) {
    if (!record.Dc) return;
    FillRect(*static_cast<DrawContext*>(record.Dc), Rect{0, 0, record.Width, record.Height}, SolidBrush(kRgbBlack));
}

// Before a switch, the Wipe module (when the starting display had it)
// clears the old picture away. A wipe runs inside Wipe's DoDrawFrame once
// its own "Duration" has passed since its DoInitialize; started with a
// Duration of 0 it wipes at once. Its Duration is put back afterwards; the
// switch that follows restarts the module anyway.
void WipeStep() {
    if (!RandomMeta.start.active[kSlotWipe]) return;
    ModuleRecord& wipe = ModuleTable[kSlotWipe];
    if (!wipe.DoDrawFrame) return;
    const int d = DurationControl(wipe);
    int32_t check = 0, value = 0;
    if (d >= 0) {
        check = wipe.Check[d];
        value = wipe.Control[d];
        wipe.Check[d] = kCheckSet;
        wipe.Control[d] = 0;
        if (wipe.DoInitialize) wipe.DoInitialize(&wipe);
    }
    wipe.DoDrawFrame(&wipe);
    if (d >= 0) {
        wipe.Check[d] = check;
        wipe.Control[d] = value;
    }
}

}  // namespace

int RandomDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kRandomSelection, .name = "Actv/Svd/Snd", .store = 0, .max = 3, .value = 2},
        {.slot = kRandomMaxAtOnce, .name = "Maximum at once", .store = 1, .min = 1, .max = 22, .value = 1},
        {.slot = kRandomControls, .name = "Random Controls", .store = 3, .max = 1},
        {.slot = kRandomClearScreen, .name = "Clear Screen", .store = 4, .max = 1, .value = 1},
        {.slot = kRandomDuration, .name = "Duration", .store = 2, .min = 1, .max = 1000, .value = 16},
        kStrengthControl,
    };
    return DefineControls(r, kControls);
}

int RandomAllocate(ModuleRecord* r) {
    BuildCandidateList(r->Control[kRandomSelection]);
    return 0;
}

int RandomClose(ModuleRecord*) {
    FreeCandidateList();
    return 0;
}

int RandomDrawFrame(ModuleRecord* r) {
    if (Later(GetTickCount(), RandomMeta.nextSwitchTick)) {
        WipeStep();
        RandomInitialize(r);
    }
    return 0;
}

int RandomInitialize(ModuleRecord* r) {
    RandomModuleState& st = RandomMeta;
    RandomizeControls(r);
    EvolveControls(r);
    st.selectionMode = r->Control[kRandomSelection];
    st.maxAtOnce = r->Control[kRandomMaxAtOnce];
    st.forceRandomControls = r->Control[kRandomControls];
    st.switchClear = r->Control[kRandomClearScreen];
    int64_t period = static_cast<int64_t>(r->Control[kRandomDuration]) * 1000;

    if (!st.startTaken) TakeStartSettings();

    // Close whatever is drawing.
    int32_t closed[kDrawnSlots];
    for (int slot = 0; slot < kDrawnSlots; ++slot) {
        closed[slot] = ModuleActive[slot];
        if (!closed[slot]) continue;
        ModuleRecord& m = ModuleTable[slot];
        if (m.DoClose) m.DoClose(&m);
        ModuleActive[slot] = 0;
    }

    const bool loadsDisplay = st.selectionMode >= kSelectSavedDisplays && st.selectionMode <= kSelectSequence;
    bool loaded = false;
    if (st.selectionMode == kSelectSequence) OrderedPlay = Sequence.orderedPlay;
    if (loadsDisplay) {
        // The list is missing when the module was switched on during a run
        // (Tab) without being allocated, or allocated in mode 0 while its
        // mode is drawn at random.
        if (!CandidateListBuilt()) BuildCandidateList(st.selectionMode);
        // The palette thread waits until the new display's colours restart.
        DisplayLoading = 1;
        const PickResult pick = PickDisplay(st.selectionMode);
        loaded = pick.loaded;
        if (loaded) {
            // The durations just read from the file get the override, as
            // every display's do when a run starts.
            AdjustDuration(ModuleTable, Options.durationMod, kDrawnSlots);
        } else {
            // No display could be loaded (an empty folder or sequence, or
            // only sequence displays in it): the current one goes on, its
            // durations already adjusted.
            for (int slot = 0; slot < kDrawnSlots; ++slot) ModuleActive[slot] = closed[slot];
        }
        if (st.selectionMode == kSelectSequence && pick.chosen) {
            period = static_cast<int64_t>(pick.chosen->Seconds) * 1000;
            st.switchClear = pick.chosen->ClearScreen;
        }
        period = std::max(period + static_cast<int64_t>(Options.durationMod) * 1000, kShortestPeriodMs);
    } else if (st.selectionMode == kSelectActiveModules) {
        PickModules();
    }
    st.periodMs = static_cast<int32_t>(std::min(period, kLongestPeriodMs));

    // Wipe takes part exactly when it did at the start, whatever was loaded;
    // settled before the modules start, so every module started is also one
    // that is closed later.
    ModuleActive[kSlotWipe] = st.start.active[kSlotWipe];

    if (st.switchClear) PaintBlack(*r);

    for (int slot = 0; slot < kDrawnSlots; ++slot) {
        if (!ModuleActive[slot]) continue;
        ModuleRecord& m = ModuleTable[slot];
        if (st.forceRandomControls) {
            for (int i = 0; i < kControlCount; ++i) m.Check[i] = kCheckRandom;
        }
        ClampControls(&m);
        if (m.DoPreInitialize) m.DoPreInitialize(&m);
        if (m.DoInitialize) m.DoInitialize(&m);
    }

    if (loadsDisplay) {
        // The new display's colour settings take over: every channel
        // regenerates (and morphs) shortly.
        if (PaletteRecord* palette = CurrentPalette(); palette && loaded) HastenRegeneration(palette);
        DisplayLoading = 0;
    }

    // A loaded display cannot change these.
    Options.showInfo = st.start.showInfo;
    Options.showName = st.start.showName;
    Options.priority = st.start.priority;
    ClearFirst = st.start.clearFirst;
    ModuleActive[kSlotRandom] = 1;

    st.startTaken = 1;
    st.nextSwitchTick = GetTickCount() + static_cast<uint32_t>(st.periodMs);
    return 0;
}

void ResetRandomModule() {
    RandomMeta = RandomModuleState{};
    ResetSequencing();
}

}  // namespace ztx
