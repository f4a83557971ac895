// Display sequencing and the random meta-module: module picks of mode 0,
// periods, forced random controls, the settings a loaded display may not
// change, sequence lists in order, sound displays, the wipe before a switch,
// the Tab toggle of the module, and the display report of headless runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/animation.h"
#include "engine/engine_state.h"
#include "engine/headless.h"
#include "engine/random_module.h"
#include "engine/sequencing.h"
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/surface.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "soundlink/sound_link.h"
#include "tests/engine_run.h"

namespace ztx {
namespace {

// What the fake modules did: every start with its tick and the "Size"
// control as the module saw it, and the wipes.
struct Started {
    int slot;
    uint32_t tick;
    int32_t sizeCheck;
    int32_t size;
    int loading;  // DisplayLoading while it started
};
std::vector<Started> g_starts;
std::vector<int> g_closes;
std::vector<uint32_t> g_wipes;
uint32_t g_nextWipe = 0;
int g_draws[kModuleSlots];

int SlotOf(const ModuleRecord* r) { return static_cast<int>(r - ModuleTable); }

int FakeDefine(ModuleRecord* r) {
    DefineControl(r, 0, 0, "Duration", 1, 1000, 1, 1000, 1000, kCheckSet, 10, 0);
    DefineControl(r, 1, 1, "Size", 1, 1000, 1, 1000, 50, kCheckSet, 10, 1);
    DefineControl(r, kStrengthSlot, 9, "Strength", -10, 10, -10, 10, 1, kCheckSet, 10, 1);
    return 0;
}
int FakeDraw(ModuleRecord* r) {
    ++g_draws[SlotOf(r)];
    return 0;
}
int FakeInit(ModuleRecord* r) {
    RandomizeControls(r);
    g_starts.push_back({SlotOf(r), GetTickCount(), r->Check[1], r->Control[1], DisplayLoading.load()});
    return 0;
}
int FakeClose(ModuleRecord* r) {
    g_closes.push_back(SlotOf(r));
    return 0;
}

// A wipe that comes "Duration" seconds after each start, as the Wipe module
// behaves.
int WipeDefine(ModuleRecord* r) {
    DefineControl(r, 8, 8, "Duration", 0, 1000, 0, 1000, 1000, kCheckSet, 10, 0);
    DefineControl(r, kStrengthSlot, 9, "Strength", -10, 10, -10, 10, 1, kCheckSet, 10, 0);
    return 0;
}
int WipeInit(ModuleRecord* r) {
    g_nextWipe = GetTickCount() + static_cast<uint32_t>(r->Control[8]) * 1000u;
    return 0;
}
int WipeDraw(ModuleRecord* r) {
    if (static_cast<int32_t>(GetTickCount() - g_nextWipe) < 0) return 0;
    g_wipes.push_back(GetTickCount());
    return WipeInit(r);
}

constexpr ModuleRoutines kFake{FakeDefine, FakeDraw, NoModuleWork, FakeInit, FakeClose};
constexpr ModuleRoutines kRandom{RandomDefineControls, RandomDrawFrame, RandomAllocate, RandomInitialize,
                                 RandomClose};

const std::vector<BuiltinModule>& Catalog() {
    static const std::vector<BuiltinModule> c = {
        {kSlotBezier, kFake},
        {kSlotStar, kFake},
        {kSlotWipe, {WipeDefine, WipeDraw, NoModuleWork, WipeInit, NoModuleWork}},
        {kSlotRandom, kRandom},
    };
    return c;
}
const std::vector<BuiltinModule>& RandomOnlyCatalog() {
    static const std::vector<BuiltinModule> c = {{kSlotRandom, kRandom}};
    return c;
}

void WriteDisplay(const std::string& name, const std::string& sections, int clearFirst = 1) {
    ASSERT_TRUE(MakeDirs(SavedDisplayDir()));
    std::string text = "[Header]\r\nMagic=1107313153\r\nClearFirst=" + std::to_string(clearFirst) + "\r\n" + sections;
    ASSERT_TRUE(WriteFileAtomically(DisplayPath(name), text));
}
// A display of the fake Bezier (or Star) with a fixed "Size".
void WriteModuleDisplay(const std::string& name, const char* module, int size, int clearFirst = 1) {
    WriteDisplay(name,
                 std::string("[") + module + "]\r\nUsed=1\r\nSize=0 " + std::to_string(size) + " 1 1000 10\r\n",
                 clearFirst);
}
// A sequence display: (name, seconds) items, played in order.
void WriteSequence(const std::string& name, const std::vector<std::pair<std::string, int>>& items) {
    std::string s = "[Sequencer]\r\nUsed=1\r\nSeqItems=" + std::to_string(items.size()) + "\r\nOrderedPlay=1\r\n";
    for (size_t i = 0; i < items.size(); ++i) {
        s += std::to_string(i) + "=" + items[i].first + "\r\n";
        s += std::to_string(i) + "A=" + std::to_string(items[i].second) + " 1\r\n";
    }
    WriteDisplay(name, s);
}

std::string Current() { return std::string(CurrentDisplayName, strnlen(CurrentDisplayName, 128)); }

std::set<int> ActiveDrawnSlots() {
    std::set<int> s;
    for (int slot = 0; slot < kSlotRandom; ++slot)
        if (ModuleActive[slot]) s.insert(slot);
    return s;
}

class SequencingBase : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        StartSettingsKey();
        link_ = OpenSoundLink();
        ASSERT_NE(link_, nullptr);
        link_->companionLive = 0;
        g_starts.clear();
        g_closes.clear();
        g_wipes.clear();
        std::memset(g_draws, 0, sizeof g_draws);
        SetModuleCatalog(&Catalog());
        SetStoredSettingsLoader(nullptr);
    }
    void TearDown() override {
        SetClock(nullptr);
        ResetModuleFramework();
    }
    SoundLinkRecord* link_ = nullptr;
};

// The routines called directly, on a virtual clock, as the frame loop would.
class SequencingSwitch : public SequencingBase {
protected:
    void SetUp() override {
        SequencingBase::SetUp();
        SetClock(&clock_);
        CreatePaletteRecord(nullptr);
        RegisterModules();
        for (auto& a : ModuleActive) a = 0;
        SeedRandom(7);
    }
    void TearDown() override {
        RandomClose(&Random());
        FreePaletteRecord(CurrentPalette());
        SequencingBase::TearDown();
    }
    ModuleRecord& Random() { return ModuleTable[kSlotRandom]; }
    // The module as the engine starts it.
    void Start(int mode) {
        Random().Control[kRandomSelection] = mode;
        ModuleActive[kSlotRandom] = 1;
        RandomAllocate(&Random());
        RandomInitialize(&Random());
    }
    // Lets the period run out and draws one frame of the module.
    void NextSwitch() {
        clock_.Set(RandomMeta.nextSwitchTick + 1);
        RandomDrawFrame(&Random());
    }
    VirtualClock clock_{5000};
};

TEST_F(SequencingSwitch, ActiveModulesModeDrawsModulesOfTheStartingDisplay) {
    ModuleActive[kSlotBezier] = 1;
    ModuleActive[kSlotStar] = 1;
    Random().Control[kRandomMaxAtOnce] = 2;
    Start(kSelectActiveModules);
    std::set<std::set<int>> seen;
    for (int i = 0; i < 40; ++i) {
        const std::set<int> active = ActiveDrawnSlots();
        ASSERT_FALSE(active.empty());
        ASSERT_TRUE(std::includes(std::set<int>{kSlotBezier, kSlotStar}.begin(),
                                  std::set<int>{kSlotBezier, kSlotStar}.end(), active.begin(), active.end()));
        seen.insert(active);
        EXPECT_TRUE(ModuleActive[kSlotRandom]);
        NextSwitch();
    }
    EXPECT_EQ(seen, (std::set<std::set<int>>{{kSlotBezier}, {kSlotStar}, {kSlotBezier, kSlotStar}}));
    // Every module that was started was closed again at the next switch.
    // (The first switch closed the two modules the engine had started.)
    EXPECT_EQ(g_closes.size(), g_starts.size() - ActiveDrawnSlots().size() + 2);
}

TEST_F(SequencingSwitch, ActiveModulesModeWithoutADrawingModuleFallsBackToOneThatCanDraw) {
    Start(kSelectActiveModules);  // only the random meta-module is active
    std::set<int> seen;
    for (int i = 0; i < 10; ++i) {
        const std::set<int> active = ActiveDrawnSlots();
        ASSERT_EQ(active.size(), 1u);
        const int slot = *active.begin();
        EXPECT_TRUE(slot == kSlotBezier || slot == kSlotStar) << slot;
        seen.insert(slot);
        NextSwitch();
    }
    EXPECT_EQ(seen, (std::set<int>{kSlotBezier, kSlotStar}));
}

TEST_F(SequencingSwitch, ActiveModulesModeWithNothingRegisteredStartsNothing) {
    SetModuleCatalog(&RandomOnlyCatalog());
    ClearModuleTable();
    RegisterModules();
    for (auto& a : ModuleActive) a = 0;
    Start(kSelectActiveModules);
    EXPECT_TRUE(ActiveDrawnSlots().empty());
    EXPECT_TRUE(ModuleActive[kSlotRandom]);
    NextSwitch();
    EXPECT_TRUE(ActiveDrawnSlots().empty());
}

TEST_F(SequencingSwitch, PeriodsAndTheDurationOverride) {
    WriteModuleDisplay("One", "Bezier", 10);
    // "Duration" 16 with "DurationMod" -20: the run's start lowers the
    // module's own "Duration" to its minimum, and the switch keeps the
    // period at its floor.
    Options.durationMod = -20;
    ModuleActive[kSlotRandom] = 1;
    AdjustDuration(ModuleTable, Options.durationMod, kModuleSlots);
    Start(kSelectSavedDisplays);
    EXPECT_EQ(RandomMeta.periodMs, 1000);
    EXPECT_EQ(RandomMeta.nextSwitchTick, GetTickCount() + 1000);
    EXPECT_EQ(Current(), "One");
    // The loaded display's own durations get the override too.
    EXPECT_EQ(ModuleTable[kSlotBezier].Control[0], 1000 - 20);

    // Mode 0 takes "Duration" as it is.
    ResetRandomModule();
    Options.durationMod = 5;
    Random().Control[kRandomDuration] = 3;
    Start(kSelectActiveModules);
    EXPECT_EQ(RandomMeta.periodMs, 3000);

    // A sequence item's seconds, plus the override.
    ResetRandomModule();
    Sequence.items.assign(1, SequenceItem{});
    std::strcpy(Sequence.items[0].name, "One");
    Sequence.items[0].seconds = 4;
    Sequence.items[0].clear = 0;
    Options.durationMod = 2;
    Start(kSelectSequence);
    EXPECT_EQ(RandomMeta.periodMs, 6000);
    EXPECT_EQ(RandomMeta.switchClear, 0);
}

TEST_F(SequencingSwitch, LoadingHoldsThePaletteAndRestartsItsColours) {
    WriteModuleDisplay("One", "Star", 10);
    PaletteRecord* palette = CurrentPalette();
    for (int c = 0; c < kChannels; ++c) palette->nextRegeneration[c] = 0;
    Start(kSelectSavedDisplays);
    // The palette thread stays off until the new display's modules have
    // started and its colours are due to regenerate.
    ASSERT_EQ(g_starts.size(), 1u);
    EXPECT_EQ(g_starts[0].loading, 1);
    EXPECT_EQ(DisplayLoading.load(), 0);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(palette->nextRegeneration[c], GetTickCount() + 500) << c;

    // Mode 0 loads nothing and leaves the colours alone.
    ResetRandomModule();
    for (int c = 0; c < kChannels; ++c) palette->nextRegeneration[c] = 0;
    Start(kSelectActiveModules);
    EXPECT_EQ(g_starts.back().loading, 0);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(palette->nextRegeneration[c], 0u) << c;
}

TEST_F(SequencingSwitch, RandomControlsRandomisesFixedControlsAtEverySwitch) {
    WriteModuleDisplay("Fixed", "Bezier", 77);
    Random().Control[kRandomControls] = 1;
    Start(kSelectSavedDisplays);
    for (int i = 0; i < 8; ++i) NextSwitch();
    ASSERT_EQ(g_starts.size(), 9u);
    std::set<int32_t> sizes;
    for (const Started& s : g_starts) {
        // The file says "Set" each time it loads; the switch makes it Random.
        EXPECT_EQ(s.sizeCheck, kCheckRandom);
        sizes.insert(s.size);
    }
    EXPECT_GT(sizes.size(), 4u);

    // Without it the file's fixed value holds.
    g_starts.clear();
    Random().Control[kRandomControls] = 0;
    NextSwitch();
    ASSERT_EQ(g_starts.size(), 1u);
    EXPECT_EQ(g_starts[0].sizeCheck, kCheckSet);
    EXPECT_EQ(g_starts[0].size, 77);
}

TEST_F(SequencingSwitch, ALoadedDisplayCannotChangeTheGlobalSettings) {
    WriteModuleDisplay("No Clear", "Star", 20, /*clearFirst=*/0);
    ClearFirst = 1;
    Options.showInfo = 1;
    Options.showName = 9;
    Options.priority = 128;
    Start(kSelectSavedDisplays);
    EXPECT_EQ(Current(), "No Clear");
    EXPECT_EQ(ClearFirst.load(), 1);

    // Whatever changes them between switches, the next switch puts back
    // what the first one saw, and the start settings are taken only once.
    ClearFirst = 0;
    Options.showInfo = 0;
    Options.showName = 0;
    Options.priority = 32;
    RandomClose(&Random());
    RandomAllocate(&Random());
    RandomInitialize(&Random());
    EXPECT_EQ(ClearFirst.load(), 1);
    EXPECT_EQ(Options.showInfo, 1);
    EXPECT_EQ(Options.showName, 9);
    EXPECT_EQ(Options.priority, 128);
}

TEST_F(SequencingSwitch, SequencesAndRandomDisplaysInASequenceAreNeverPlayed) {
    WriteModuleDisplay("A", "Bezier", 1);
    WriteModuleDisplay("B", "Star", 2);
    WriteSequence("Inner", {{"A", 5}});
    WriteDisplay("Shuffle", "[Random]\r\nUsed=1\r\n");
    Sequence.items.clear();
    for (const char* name : {"A", "Inner", "Shuffle", "B"}) {
        SequenceItem item{};
        std::strcpy(item.name, name);
        item.seconds = 16;
        item.clear = 1;
        Sequence.items.push_back(item);
    }
    Sequence.orderedPlay = 1;
    Start(kSelectSequence);
    ASSERT_EQ(CandidateList.size(), 2u);
    EXPECT_STREQ(CandidateList[0].Name, "A");
    EXPECT_STREQ(CandidateList[1].Name, "B");
    std::vector<std::string> played{Current()};
    for (int i = 0; i < 4; ++i) {
        NextSwitch();
        played.push_back(Current());
    }
    EXPECT_EQ(played, (std::vector<std::string>{"A", "B", "A", "B", "A"}));
    EXPECT_EQ(OrderedPosition, 5u);
}

TEST_F(SequencingSwitch, DisplaysThatNothingHereCanDrawAreSkipped) {
    // "C" uses a module this program does not have (Cube is not in the
    // test catalog): playing it would only show black.
    WriteModuleDisplay("A", "Bezier", 1);
    WriteModuleDisplay("C", "Cube", 3);
    Sequence.items.clear();
    for (const char* name : {"A", "C"}) {
        SequenceItem item{};
        std::strcpy(item.name, name);
        item.seconds = 16;
        item.clear = 1;
        Sequence.items.push_back(item);
    }
    Sequence.orderedPlay = 1;
    Start(kSelectSequence);
    std::vector<std::string> played{Current()};
    for (int i = 0; i < 3; ++i) {
        NextSwitch();
        played.push_back(Current());
    }
    EXPECT_EQ(played, (std::vector<std::string>{"A", "A", "A", "A"}));
}

TEST_F(SequencingSwitch, SoundModeWithoutAnAnalyserPlaysLikeSavedMode) {
    for (int i = 0; i < 5; ++i) WriteModuleDisplay("D" + std::to_string(i), i % 2 ? "Star" : "Bezier", i + 1);
    auto play = [&](int mode) {
        ResetRandomModule();
        SeedRandom(99);
        Start(mode);
        std::vector<std::string> names{Current()};
        for (int i = 0; i < 12; ++i) {
            NextSwitch();
            names.push_back(Current());
        }
        RandomClose(&Random());
        return names;
    };
    const std::vector<std::string> saved = play(kSelectSavedDisplays);
    EXPECT_EQ(play(kSelectSoundDisplays), saved);
    EXPECT_GE(std::set<std::string>(saved.begin(), saved.end()).size(), 3u);
}

TEST_F(SequencingSwitch, SoundModeWithAnAnalyserLooksForADisplayThatUsesSound) {
    for (int i = 0; i < 4; ++i) WriteModuleDisplay("Quiet " + std::to_string(i), "Bezier", i + 1);
    link_->companionLive = 1;
    Random().Control[kRandomSelection] = kSelectSoundDisplays;
    RandomAllocate(&Random());
    ASSERT_EQ(CandidateList.size(), 4u);
    // None reacts to sound: fifty attempts, and the last one loaded stays.
    const uint32_t picks = DisplaysPicked;
    PickResult pick = PickDisplay(kSelectSoundDisplays);
    EXPECT_TRUE(pick.loaded);
    EXPECT_EQ(pick.chosen, nullptr);
    EXPECT_EQ(DisplaysPicked.load(), picks + 1);
    for (const Candidate& c : CandidateList) {
        EXPECT_TRUE(c.Tried && c.Usable && !c.SoundSuitable) << c.Name;
    }
    EXPECT_EQ(Current().rfind("Quiet ", 0), 0u);

    // A display whose control follows the volume is the one taken.
    WriteDisplay("Loud", "[Bezier]\r\nUsed=1\r\nSize=3 50 1 1000 10\r\n");
    RandomClose(&Random());
    RandomAllocate(&Random());
    for (int i = 0; i < 5; ++i) {
        pick = PickDisplay(kSelectSoundDisplays);
        ASSERT_NE(pick.chosen, nullptr);
        EXPECT_STREQ(pick.chosen->Name, "Loud");
        EXPECT_EQ(Current(), "Loud");
    }
}

TEST_F(SequencingSwitch, NothingToLoadKeepsTheCurrentDisplayDrawing) {
    // The only saved display is a random display, which is never played.
    WriteDisplay("Shuffle", "[Random]\r\nUsed=1\r\n");
    ModuleActive[kSlotStar] = 1;
    std::strcpy(CurrentDisplayName, "Start");
    Start(kSelectSavedDisplays);
    EXPECT_EQ(ActiveDrawnSlots(), std::set<int>{kSlotStar});
    EXPECT_EQ(Current(), "Start");
    ASSERT_EQ(g_starts.size(), 1u);
    EXPECT_EQ(g_starts[0].slot, kSlotStar);
    EXPECT_EQ(DisplaysPicked.load(), 0u);
    EXPECT_EQ(DisplayLoading.load(), 0);
}

TEST_F(SequencingSwitch, TheWipeRunsOnceBeforeEachSwitch) {
    ModuleActive[kSlotBezier] = 1;
    ModuleActive[kSlotWipe] = 1;
    WriteModuleDisplay("No Wipe", "Star", 5);
    Start(kSelectSavedDisplays);
    // Wipe stays in however the loaded display has it.
    EXPECT_TRUE(ModuleActive[kSlotWipe]);
    EXPECT_TRUE(ModuleActive[kSlotStar]);
    EXPECT_TRUE(g_wipes.empty());
    for (int i = 1; i <= 3; ++i) {
        NextSwitch();
        ASSERT_EQ(g_wipes.size(), static_cast<size_t>(i));
        EXPECT_EQ(ModuleTable[kSlotWipe].Control[8], 1000);
        EXPECT_TRUE(ModuleActive[kSlotWipe]);
    }
}

TEST_F(SequencingSwitch, NoWipeWhenTheStartingDisplayHadNone) {
    ModuleActive[kSlotBezier] = 1;
    WriteDisplay("With Wipe", "[Bezier]\r\nUsed=1\r\n[Wipe]\r\nUsed=1\r\n");
    Start(kSelectSavedDisplays);
    EXPECT_FALSE(ModuleActive[kSlotWipe]);
    NextSwitch();
    NextSwitch();
    EXPECT_TRUE(g_wipes.empty());
}

// The whole engine on a lockstep clock at 60 frames per second.
class SequencingEngine : public SequencingBase {
protected:
    using Harness = EngineRun;
    static void LoadStart() {
        LoadDisplay(g_startDisplay);
        Options.durationMod = g_durationMod;
        Options.showName = 5;
    }
    static inline std::string g_startDisplay;
    static inline int g_durationMod = 0;
};

TEST_F(SequencingEngine, OrderedSequenceWrapsAroundWithEachItemsSeconds) {
    WriteModuleDisplay("A", "Bezier", 1);
    WriteModuleDisplay("B", "Star", 2);
    WriteModuleDisplay("C", "Bezier", 3);
    WriteSequence("Tour", {{"A", 2}, {"B", 3}, {"C", 1}});
    g_startDisplay = "Tour";
    g_durationMod = 1;
    SetStoredSettingsLoader(LoadStart);

    std::vector<std::pair<std::string, uint32_t>> shown;
    uint32_t picks = 0;
    int titleMismatches = 0;
    Harness h;
    h.onFrame = [&](uint32_t) {
        if (DisplaysPicked == picks) {
            // The title caught up at the start of the frame after a switch.
            if (TextBoxes.lastTitle != Current()) ++titleMismatches;
            return;
        }
        picks = DisplaysPicked;
        shown.emplace_back(Current(), GetTickCount());
    };
    h.Run(60 * 19);
    // The sequence display plays as the random meta-module in sequence mode.
    EXPECT_EQ(RandomMeta.selectionMode, kSelectSequence);
    EXPECT_FALSE(ModuleActive[kSlotSequencer]);
    EXPECT_EQ(titleMismatches, 0);

    std::vector<std::string> names;
    for (const auto& s : shown) names.push_back(s.first);
    ASSERT_EQ(names, (std::vector<std::string>{"A", "B", "C", "A", "B", "C", "A"}));
    // Each stays its own seconds plus the one-second override; a switch
    // comes with the first frame after it is due.
    const uint32_t expected[] = {3000, 4000, 2000, 3000, 4000, 2000};
    for (size_t i = 0; i + 1 < shown.size(); ++i) {
        const uint32_t stay = shown[i + 1].second - shown[i].second;
        EXPECT_GE(stay, expected[i]) << i;
        EXPECT_LE(stay, expected[i] + 34) << i;
    }
}

TEST_F(SequencingEngine, TabToggleStopsAndResumesSwitching) {
    WriteDisplay("Mixer", "[Bezier]\r\nUsed=1\r\n[Random]\r\nUsed=1\r\nActv/Svd/Snd=0 0 0 3 10\r\n"
                          "Duration=0 1 1 1000 10\r\n");
    g_startDisplay = "Mixer";
    SetStoredSettingsLoader(LoadStart);
    std::vector<uint32_t> switchFrames;
    uint32_t lastSwitch = 0;
    int drawsAtOff = 0, drawsAtOn = 0;
    Harness h;
    h.onFrame = [&](uint32_t frame) {
        if (RandomMeta.nextSwitchTick != lastSwitch) {
            lastSwitch = RandomMeta.nextSwitchTick;
            switchFrames.push_back(frame);
        }
        if (frame == 100) {
            ModuleActive[kSlotRandom] = 0;  // Tab
            drawsAtOff = g_draws[kSlotBezier];
        }
        if (frame == 400) {
            ModuleActive[kSlotRandom] = 1;  // Tab again
            drawsAtOn = g_draws[kSlotBezier];
        }
    };
    h.Run(520);
    // Switches every second (60 frames) up to frame 100, none while the
    // module is off, one at the first frame after it comes back (the due
    // time is long past), then every second again.
    std::vector<uint32_t> off, after;
    for (uint32_t f : switchFrames) {
        if (f > 100 && f < 401) off.push_back(f);
        if (f >= 401) after.push_back(f);
    }
    EXPECT_TRUE(off.empty());
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[0], 401u);
    EXPECT_NEAR(static_cast<int>(after[1] - after[0]), 61, 1);
    EXPECT_GE(std::count_if(switchFrames.begin(), switchFrames.end(), [](uint32_t f) { return f <= 100; }), 2);
    // The module picked last kept drawing while switching was off.
    EXPECT_EQ(drawsAtOn - drawsAtOff, 300);
}

TEST_F(SequencingEngine, TabOnADisplayWithoutTheModuleStartsSwitching) {
    WriteModuleDisplay("Plain", "Bezier", 1);
    WriteModuleDisplay("Other", "Star", 2);
    g_startDisplay = "Plain";
    SetStoredSettingsLoader(LoadStart);
    uint32_t pickedAt = 0;
    Harness h;
    h.onFrame = [&](uint32_t frame) {
        if (frame == 10) ModuleActive[kSlotRandom] = 1;  // Tab
        if (!pickedAt && DisplaysPicked != 0) pickedAt = frame;
    };
    h.Run(30);
    // Never allocated by the engine, the module builds its list at its
    // first switch, which is due at once.
    EXPECT_EQ(pickedAt, 11u);
    EXPECT_EQ(CandidateList.size(), 0u);  // freed when the run ended
    EXPECT_EQ(RandomMeta.periodMs, 16000);
}

TEST_F(SequencingEngine, HeadlessRunsReportEveryDisplayPlayed) {
    WriteModuleDisplay("A", "Bezier", 1);
    WriteModuleDisplay("B", "Star", 2);
    WriteSequence("Twice", {{"A", 1}, {"A", 1}, {"B", 1}});
    HeadlessRun run;
    run.what = "Twice";
    run.width = 32;
    run.height = 24;
    run.frames = 200;
    run.fps = 60;
    run.seeded = true;
    run.seed = 3;
    std::vector<std::pair<uint32_t, std::string>> lines;
    run.onDisplay = [&](uint32_t frame, const std::string& name) { lines.emplace_back(frame, name); };
    std::string error;
    ASSERT_TRUE(RunHeadless(run, &error)) << error;
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], (std::pair<uint32_t, std::string>{0, "Twice"}));
    EXPECT_EQ(lines[1], (std::pair<uint32_t, std::string>{0, "A"}));
    // The same display again is a new line.
    EXPECT_EQ(lines[2].second, "A");
    EXPECT_EQ(lines[3].second, "B");
    EXPECT_EQ(lines[4].second, "A");
    EXPECT_NEAR(static_cast<int>(lines[2].first), 61, 1);
    EXPECT_NEAR(static_cast<int>(lines[3].first - lines[2].first), 60, 1);
}

}  // namespace
}  // namespace ztx
