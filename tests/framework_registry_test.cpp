// The module table: record layout, slot names, registration order and
// defaults, the stored-settings hook, module reset and draw calls per frame.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "include/zentrix/module_record.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "settings/global_options.h"
#include "shell/process_state.h"
#include "soundlink/sound_link.h"

extern "C" size_t ZtxModuleRecordSizeFromC(void);

namespace ztx {
namespace {

// A fake module: records which slots defined their controls, in order, and
// defines a "Duration" and a "Strength" like the real modules will.
std::vector<int> g_defineOrder;

int FakeDefine(ModuleRecord* r) {
    g_defineOrder.push_back(static_cast<int>(r - r->Table));
    DefineControl(r, 0, 0, "Duration", 1, 1000, 1, 1000, 30, kCheckSet, 10, 0);
    DefineControl(r, kStrengthSlot, 9, "Strength", -10, 10, -10, 10, 1, kCheckSet, 10, 1);
    return 0;
}
int FakeDraw(ModuleRecord*) { return 0; }

std::vector<BuiltinModule> FakeCatalog(const std::vector<int>& slots) {
    std::vector<BuiltinModule> out;
    for (int s : slots) out.push_back({s, {FakeDefine, FakeDraw, NoModuleWork, NoModuleWork, NoModuleWork}});
    return out;
}

class FrameworkRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        g_defineOrder.clear();
    }
    void TearDown() override {
        ResetModuleFramework();
        SetClock(nullptr);
    }
};

TEST_F(FrameworkRegistry, RecordLayoutAndSlotNames) {
    // The C compiler sees the same record as the C++ one.
    EXPECT_EQ(ZtxModuleRecordSizeFromC(), sizeof(ModuleRecord));
    EXPECT_TRUE(std::is_standard_layout_v<ModuleRecord>);

    EXPECT_STREQ(SlotName(kSlotWave), "Wave");
    EXPECT_STREQ(SlotName(kSlotRandom), "Random");
    EXPECT_EQ(SlotByName("plugin"), kSlotPlugIn);
    EXPECT_EQ(SlotByName("Squiggle"), kSlotSquiggle);
    EXPECT_EQ(SlotByName("Nothing"), -1);
    EXPECT_STREQ(SlotName(23), "");
    EXPECT_STREQ(SlotName(-1), "");
}

TEST_F(FrameworkRegistry, RegistersEveryCataloguedSlotInTheFixedOrder) {
    std::vector<int> all;
    for (int s = 0; s < kModuleSlots; ++s) all.push_back(s);
    const auto catalog = FakeCatalog(all);
    SetModuleCatalog(&catalog);
    PaletteRecord* palette = CreatePaletteRecord(nullptr);
    RegisterModules();

    // Slots 20 (plug-in) and 21 (sequence marker) are never registered here.
    EXPECT_EQ(g_defineOrder,
              (std::vector<int>{0, 1, 2, 14, 3, 4, 5, 6, 7, 8, 9, 10, 17, 11, 12, 16, 13, 15, 18, 19, 22}));
    for (int s = 0; s < kModuleSlots; ++s) {
        const ModuleRecord& r = ModuleTable[s];
        EXPECT_STREQ(r.Name, SlotName(s));
        EXPECT_EQ(r.PaletteState, palette);
        EXPECT_EQ(r.DoAbout, nullptr);
        const bool registered = s != kSlotPlugIn && s != kSlotSequencer;
        EXPECT_EQ(r.DoDrawFrame != nullptr, registered) << s;
        EXPECT_EQ(r.Defined[0], registered ? 1 : 0) << s;
        if (registered) {
            EXPECT_EQ(r.Table, ModuleTable);
            EXPECT_EQ(r.Control[0], 30);
        }
    }
    FreePaletteRecord(palette);
}

TEST_F(FrameworkRegistry, RegisterModuleLeavesDoAboutEmptyAndRefusesBadSlots) {
    ModuleTable[kSlotStar].DoAbout = FakeDraw;
    EXPECT_TRUE(RegisterModule(kSlotStar, FakeDefine, FakeDraw, NoModuleWork, NoModuleWork, NoModuleWork));
    EXPECT_EQ(ModuleTable[kSlotStar].DoAbout, nullptr);
    EXPECT_EQ(g_defineOrder, std::vector<int>{kSlotStar});
    EXPECT_FALSE(RegisterModule(23, FakeDefine, FakeDraw, NoModuleWork, NoModuleWork, NoModuleWork));
    EXPECT_FALSE(RegisterModule(-1, FakeDefine, FakeDraw, NoModuleWork, NoModuleWork, NoModuleWork));
}

TEST_F(FrameworkRegistry, NoActiveSlotMakesTheRandomModuleActive) {
    const auto catalog = FakeCatalog({kSlotBezier, kSlotRandom});
    SetModuleCatalog(&catalog);
    RegisterModules();
    for (int s = 0; s < kModuleSlots; ++s) EXPECT_EQ(ModuleActive[s].load(), s == kSlotRandom ? 1 : 0);
}

namespace {
// A stored-settings loader that activates one module and stores a value
// beyond its bounds, as a damaged display file might.
void LoadDamagedDisplay() {
    g_defineOrder.push_back(-1);
    ModuleActive[kSlotBezier] = 1;
    ModuleTable[kSlotBezier].Control[0] = 5000;
    ModuleTable[kSlotBezier].RangeHi[0] = -3;
}
}  // namespace

TEST_F(FrameworkRegistry, StoredSettingsLoadAfterRegistrationAndAreClamped) {
    const auto catalog = FakeCatalog({kSlotBezier, kSlotRandom});
    SetModuleCatalog(&catalog);
    SetStoredSettingsLoader(LoadDamagedDisplay);
    RegisterModules();
    EXPECT_EQ(g_defineOrder, (std::vector<int>{kSlotBezier, kSlotRandom, -1}));
    EXPECT_EQ(ModuleActive[kSlotRandom].load(), 0);
    EXPECT_EQ(ModuleTable[kSlotBezier].Control[0], 30);    // back to its default
    EXPECT_EQ(ModuleTable[kSlotBezier].RangeHi[0], 1000);  // back to Max
}

TEST_F(FrameworkRegistry, RegistrationPutsOptionDefaultsInPlace) {
    SoundLinkRecord* link = OpenSoundLink();
    ASSERT_NE(link, nullptr);
    Options.slowCPU = 0;
    Options.autoGain = 0;
    Options.showInfo = 1;
    Options.homingRate = 20;
    link->soundForControls = 0;
    link->soundForPalette = 0;
    link->slowCPU = 0;
    RegisterModules();
    EXPECT_EQ(Options.slowCPU, 1);
    EXPECT_EQ(Options.autoGain, 1);
    EXPECT_EQ(Options.showInfo, 0);
    EXPECT_EQ(Options.homingRate, 1000);
    EXPECT_EQ(static_cast<int32_t>(link->soundForControls), 1);
    EXPECT_EQ(static_cast<int32_t>(link->soundForPalette), 1);
    EXPECT_EQ(OptionSlowCPU(), 1);
    CloseSoundLink(link);
}

TEST_F(FrameworkRegistry, ResetRestoresDefinitionsAndForgetsThePath) {
    RegisterModule(kSlotCube, FakeDefine, FakeDraw, NoModuleWork, NoModuleWork, NoModuleWork);
    ModuleRecord& r = ModuleTable[kSlotCube];
    r.Control[0] = 77;
    r.Check[0] = kCheckOscillate;
    r.RangeLo[0] = 5;
    r.EvolveState[0] = 3.25f;
    std::strcpy(r.Path, "/pictures/a.bmp");
    ResetModule(kSlotCube);
    EXPECT_EQ(r.Control[0], 30);
    EXPECT_EQ(r.Check[0], kCheckSet);
    EXPECT_EQ(r.RangeLo[0], 1);
    EXPECT_FLOAT_EQ(r.EvolveState[0], 0.5f);
    EXPECT_EQ(r.Path[0], 0);
}

// Draw calls per frame by "Strength".
int g_drawCalls = 0;
int g_skipFrom = 1000;
int CountingDraw(ModuleRecord*) {
    ++g_drawCalls;
    return g_drawCalls >= g_skipFrom ? kFrameSkipped : 0;
}

TEST_F(FrameworkRegistry, StrengthSetsTheDrawCallsOfAFrame) {
    VirtualClock clock(1000);
    SetClock(&clock);
    ModuleRecord& r = ModuleTable[kSlotLine];
    r.DoDrawFrame = CountingDraw;

    g_drawCalls = 0;
    g_skipFrom = 1000;
    r.Control[kStrengthSlot] = 3;
    EXPECT_EQ(RunDrawCalls(&r, 0), 3);
    EXPECT_EQ(clock.TickCount(), 1000u);

    // A closed gate on the first call ends the frame's calls, then 10 ms pause.
    g_drawCalls = 0;
    g_skipFrom = 1;
    EXPECT_EQ(RunDrawCalls(&r, 0), 1);
    EXPECT_EQ(clock.TickCount(), 1010u);

    g_drawCalls = 0;
    g_skipFrom = 1000;
    r.Control[kStrengthSlot] = 0;
    EXPECT_EQ(RunDrawCalls(&r, 5), 1);

    r.Control[kStrengthSlot] = -4;
    std::vector<uint32_t> drawnFrames;
    for (uint32_t frame = 0; frame < 13; ++frame) {
        if (RunDrawCalls(&r, frame) == 1) drawnFrames.push_back(frame);
    }
    EXPECT_EQ(drawnFrames, (std::vector<uint32_t>{0, 4, 8, 12}));
}

}  // namespace
}  // namespace ztx
