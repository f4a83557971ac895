// The plug-in host: loading libraries from the plug-in folder, refusing
// incomplete libraries and names outside the folder, the host routines,
// listing, and displays that use the PlugIn slot.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <string>

#include "engine/engine_state.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/random.h"
#include "plugins/plugin_host.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/settings_key.h"
#include "tests/plugin_slot_test.h"
#include "tests/test_support.h"

#if defined(ZTX_EXAMPLE_PLUGIN) && defined(ZTX_TEST_PLUGIN_DIR)

namespace ztx {
namespace {

// Indices of the test plug-in's Probe array.
enum { kProbeRegistered, kProbeDefines, kProbeSlot9, kProbeSlot32, kProbeSlotMinus1, kProbeDraws };

std::string TestPlugin(const std::string& name) { return std::string(ZTX_TEST_PLUGIN_DIR) + "/" + name; }

// Whether the library at `path` is loaded in this process.
bool IsLoaded(const std::string& path) {
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h) dlclose(h);
    return h != nullptr;
}

class PluginHost : public PluginSlotTest {
protected:

    // Copies a built library into the plug-in folder under `name`.
    void Install(const std::string& from, const std::string& name) {
        ASSERT_TRUE(CopyFileOver(from, PluginFolder() + "/" + name));
    }
    ModuleRecord& Slot() { return ModuleTable[kSlotPlugIn]; }
    int* Probe(const std::string& installedName) {
        void* h = dlopen((PluginFolder() + "/" + installedName).c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!h) return nullptr;
        int* probe = static_cast<int*>(dlsym(h, "Probe"));
        dlclose(h);  // the host still holds it
        return probe;
    }

};

TEST_F(PluginHost, ExampleLoadsWithItsControlsAndTheHostsStrength) {
    Install(ZTX_EXAMPLE_PLUGIN, "rosette.so");
    Slot().Defined[20] = 1;  // left over from an earlier library
    ASSERT_EQ(LoadPlugin("rosette.so"), 1);

    ModuleRecord& r = Slot();
    EXPECT_NE(r.DoPreInitializeControls, nullptr);
    EXPECT_NE(r.DoDrawFrame, nullptr);
    EXPECT_NE(r.DoPreInitialize, nullptr);
    EXPECT_NE(r.DoInitialize, nullptr);
    EXPECT_NE(r.DoClose, nullptr);
    EXPECT_NE(r.DoAbout, nullptr);
    EXPECT_EQ(r.Table, ModuleTable);
    EXPECT_STREQ(r.Name, "PlugIn");

    // Its own controls (stored under their slot numbers), one animatable,
    // and nothing left of the earlier definitions.
    int defined = 0, animatable = 0;
    for (int s = 0; s < kControlCount; ++s) {
        if (!r.Defined[s]) continue;
        ++defined;
        EXPECT_EQ(r.StoreIndex[s], s);
        if (s != kStrengthSlot) animatable += r.Animatable[s];
    }
    EXPECT_EQ(defined, 5);
    EXPECT_GE(animatable, 1);
    EXPECT_EQ(r.Defined[20], 0);
    EXPECT_STREQ(r.ControlName[1], "Size");
    EXPECT_EQ(r.Check[1], kCheckOscillate);

    // "Strength" as every built-in module has it.
    EXPECT_STREQ(r.ControlName[kStrengthSlot], "Strength");
    EXPECT_EQ(r.Min[kStrengthSlot], -10);
    EXPECT_EQ(r.Max[kStrengthSlot], 10);
    EXPECT_EQ(r.RangeLo[kStrengthSlot], -10);
    EXPECT_EQ(r.RangeHi[kStrengthSlot], 10);
    EXPECT_EQ(r.Control[kStrengthSlot], 1);
    EXPECT_EQ(r.Check[kStrengthSlot], kCheckSet);
    EXPECT_EQ(r.Sense[kStrengthSlot], 10);
    EXPECT_EQ(r.Animatable[kStrengthSlot], 1);

    testing::internal::CaptureStderr();
    EXPECT_EQ(r.DoAbout(&r), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Rosette"), std::string::npos);
}

TEST_F(PluginHost, IncompleteLibraries) {
    Install(TestPlugin("no_about.so"), "no_about.so");
    Install(TestPlugin("no_register.so"), "no_register.so");
    Install(TestPlugin("no_initialize.so"), "no_initialize.so");
    Install(TestPlugin("probe.so"), "probe.so");

    // Without "DoAbout": loads, and there is no about routine.
    ASSERT_EQ(LoadPlugin("probe.so"), 1);
    ASSERT_NE(Slot().DoAbout, nullptr);
    EXPECT_EQ(LoadPlugin("no_about.so"), 1);
    EXPECT_EQ(Slot().DoAbout, nullptr);
    EXPECT_NE(Slot().DoDrawFrame, nullptr);

    // Without "RegisterCallbacks": refused after the four drawing routines
    // were stored; the define routine of the earlier library stays.
    Slot().DoDrawFrame = Slot().DoPreInitialize = Slot().DoInitialize = Slot().DoClose = nullptr;
    Slot().DoPreInitializeControls = NoModuleWork;
    std::string message = "untouched";
    EXPECT_EQ(LoadPlugin("no_register.so", true, &message), 0);
    EXPECT_EQ(message, "untouched");  // quiet
    EXPECT_NE(Slot().DoDrawFrame, nullptr);
    EXPECT_NE(Slot().DoPreInitialize, nullptr);
    EXPECT_NE(Slot().DoInitialize, nullptr);
    EXPECT_NE(Slot().DoClose, nullptr);
    EXPECT_EQ(Slot().DoPreInitializeControls, NoModuleWork);
    EXPECT_EQ(LoadPlugin("no_register.so", false, &message), 0);
    EXPECT_EQ(message,
              "This plug-in module does not export a required entry point.\n\nPlease inform the developer of this "
              "plug-in module that the 'RegisterCallbacks' entry point has not been properly exported.");

    // Without "DoInitialize": the lookups stop there and it is stored as
    // absent; "DoClose" is not looked up.
    Slot().DoClose = NoModuleWork;
    EXPECT_EQ(LoadPlugin("no_initialize.so", false, &message), 0);
    EXPECT_NE(message.find("'DoInitialize'"), std::string::npos);
    EXPECT_NE(Slot().DoDrawFrame, nullptr);
    EXPECT_EQ(Slot().DoInitialize, nullptr);
    EXPECT_EQ(Slot().DoClose, NoModuleWork);

    // Not a shared object at all: refused, nothing stored.
    ASSERT_TRUE(WriteFileAtomically(PluginFolder() + "/junk.so", "not a library"));
    Slot().DoDrawFrame = nullptr;
    EXPECT_EQ(LoadPlugin("junk.so", false, &message), 0);
    EXPECT_EQ(Slot().DoDrawFrame, nullptr);
    EXPECT_EQ(LoadPlugin("missing.so"), 0);
}

TEST_F(PluginHost, ReservedAndOutOfRangeSlotsAreRefusedAndLibrariesStayLoaded) {
    Install(TestPlugin("probe.so"), "probe.so");
    ASSERT_EQ(LoadPlugin("probe.so"), 1);
    int* probe = Probe("probe.so");
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe[kProbeRegistered], 1);
    EXPECT_EQ(probe[kProbeDefines], 1);
    EXPECT_EQ(probe[kProbeSlot9], 0);
    EXPECT_EQ(probe[kProbeSlot32], 0);
    EXPECT_EQ(probe[kProbeSlotMinus1], 0);
    EXPECT_STREQ(Slot().ControlName[kStrengthSlot], "Strength");
    EXPECT_EQ(Slot().Max[kStrengthSlot], 10);
    EXPECT_EQ(Slot().Defined[0], 1);

    // Another library replaces the routines; the first one stays loaded and
    // is not closed.
    Install(ZTX_EXAMPLE_PLUGIN, "rosette.so");
    ASSERT_EQ(LoadPlugin("rosette.so"), 1);
    EXPECT_TRUE(IsLoaded(PluginFolder() + "/probe.so"));
    EXPECT_EQ(probe[kProbeDraws], 0);
    ASSERT_EQ(LoadPlugin("probe.so"), 1);  // the same library again
    EXPECT_EQ(probe[kProbeRegistered], 2);
    EXPECT_EQ(probe[kProbeDefines], 2);
}

TEST_F(PluginHost, NamesThatLeaveThePluginFolderAreRefused) {
    // A library outside the folder that a hostile display file might name.
    const std::string elsewhere = ztx_test::g_tempRoot + "/Elsewhere";
    ASSERT_TRUE(MakeDirs(elsewhere + "/sub"));
    ASSERT_TRUE(CopyFileOver(TestPlugin("probe.so"), elsewhere + "/probe.so"));
    ASSERT_TRUE(MakeDirs(PluginFolder() + "/sub"));
    ASSERT_TRUE(CopyFileOver(TestPlugin("probe.so"), PluginFolder() + "/sub/probe.so"));
    const std::string relative = "../../../Elsewhere/probe.so";
    ASSERT_TRUE(IsRegularFile(PluginFolder() + "/" + relative));

    for (const std::string& name : {relative, elsewhere + "/probe.so", std::string("sub/probe.so"),
                                    std::string(".."), std::string(""), std::string("probe"),
                                    std::string("a..so"), std::string(300, 'x') + ".so"}) {
        EXPECT_FALSE(IsPluginFileName(name)) << name;
        EXPECT_EQ(LoadPlugin(name.c_str(), false), 0) << name;
    }
    EXPECT_EQ(LoadPlugin(nullptr), 0);
    // A FIFO under a plug-in's name would block the loader for ever.
    ASSERT_TRUE(MakeDirs(PluginFolder()));
    ASSERT_EQ(mkfifo((PluginFolder() + "/pipe.so").c_str(), 0600), 0);
    EXPECT_EQ(LoadPlugin("pipe.so"), 0);
    EXPECT_EQ(Slot().DoDrawFrame, nullptr);
    EXPECT_FALSE(IsLoaded(elsewhere + "/probe.so"));
    EXPECT_FALSE(IsLoaded(PluginFolder() + "/sub/probe.so"));
    EXPECT_TRUE(IsPluginFileName("Rosette.SO"));

    // A relative folder setting is not used: the library would depend on
    // the working folder.
    ASSERT_TRUE(WriteSettingText("PlugInDir", "relative/PlugIns"));
    EXPECT_EQ(LoadPlugin("probe.so"), 0);
    // Another full folder is.
    ASSERT_TRUE(WriteSettingText("PlugInDir", elsewhere + "/"));
    EXPECT_EQ(PluginFolder(), elsewhere);
    EXPECT_EQ(LoadPlugin("probe.so"), 1);
    EXPECT_TRUE(IsLoaded(elsewhere + "/probe.so"));
}

TEST_F(PluginHost, ListingAndTheEditorsSelection) {
    EXPECT_TRUE(ListPlugins().empty());
    EXPECT_EQ(SelectListedPlugin({}), -1);
    EXPECT_EQ(Slot().PluginPath[0], '\0');
    ASSERT_TRUE(WriteSettingText("PlugInDir", ztx_test::g_tempRoot + "/none"));
    EXPECT_TRUE(ListPlugins().empty());  // a missing folder

    ASSERT_TRUE(WriteSettingText("PlugInDir", ""));
    for (const char* name : {"b.so", "A.SO", "readme.txt", "c.so.bak", "d..so"})
        ASSERT_TRUE(WriteFileAtomically(PluginFolder() + "/" + name, "x"));
    ASSERT_TRUE(MakeDirs(PluginFolder() + "/folder.so"));
    const std::vector<std::string> names = ListPlugins();
    EXPECT_EQ(names, (std::vector<std::string>{"A.SO", "b.so"}));

    // Nothing chosen yet: the first entry, which becomes the choice.
    EXPECT_EQ(SelectListedPlugin(names), 0);
    EXPECT_STREQ(Slot().PluginPath, "A.SO");
    std::strcpy(Slot().PluginPath, "b.so");
    EXPECT_EQ(SelectListedPlugin(names), 1);
    std::strcpy(Slot().PluginPath, "gone.so");
    EXPECT_EQ(SelectListedPlugin(names), -1);
    EXPECT_STREQ(Slot().PluginPath, "gone.so");
}

TEST_F(PluginHost, HostRoutinesWorkOnTheRecordPassed) {
    const ZtxPluginCallbacks& cb = HostPluginCallbacks();
    EXPECT_EQ(cb.Size, sizeof(ZtxPluginCallbacks));
    EXPECT_EQ(cb.Version, 1u);
    ASSERT_NE(cb.Draw, nullptr);
    EXPECT_EQ(cb.Draw->Size, sizeof(ZtxDrawApi));

    ModuleRecord a{}, b{};
    AnimationRunning = 0;
    EXPECT_EQ(cb.AnimationRunning(), 0);
    AnimationRunning = 1;
    EXPECT_NE(cb.AnimationRunning(), 0);

    ASSERT_EQ(cb.DefineControl(&a, 2, "Swing", 0, 1000, 100, 900, 500, kCheckOscillate, 7, 1), 1);
    ASSERT_EQ(cb.DefineControl(&a, 3, "Pick", 0, 100, 20, 10, 50, kCheckRandom, 10, 0), 1);
    EXPECT_EQ(a.StoreIndex[2], 2);
    EXPECT_EQ(cb.DefineControl(nullptr, 2, "x", 0, 1, 0, 1, 0, 0, 10, 0), 0);
    b = a;

    EXPECT_EQ(cb.IsDriven(&a, 2), 1);
    EXPECT_EQ(cb.IsDriven(&a, 3), 0);
    EXPECT_EQ(cb.IsDriven(&a, 32), 0);
    EXPECT_EQ(cb.ControlValue(&a, 2), 500);
    EXPECT_EQ(cb.ControlValue(&a, -1), 0);

    // The integer form is the floating form truncated; each advances the
    // phase of its own record only.
    for (int i = 0; i < 10; ++i) {
        const float f = cb.EvolveFloat(&b, 2);
        EXPECT_EQ(cb.EvolveInt(&a, 2), static_cast<int>(std::trunc(f)));
    }
    EXPECT_EQ(a.EvolveState[2], b.EvolveState[2]);
    EXPECT_EQ(a.Control[2], 500);  // evolving reads, it does not store

    // Restart: "Random" drawn within 10..20, the oscillation stored.
    SeedRandom(99);
    EXPECT_EQ(cb.RestartControls(&a), 0);
    EXPECT_GE(a.Control[3], 10);
    EXPECT_LE(a.Control[3], 20);
    EXPECT_NE(a.Control[2], 500);
    EXPECT_EQ(b.Control[3], 50);

    int surface = 0;
    a.Dc = &surface;
    a.Width = 640;
    a.Height = 480;
    EXPECT_EQ(cb.DrawingContext(&a), &surface);
    EXPECT_EQ(cb.Width(&a), 640);
    EXPECT_EQ(cb.Height(&a), 480);
    EXPECT_EQ(cb.DrawingContext(&b), nullptr);
}

// ---- displays that use the PlugIn slot -----------------------------------------

class PluginDisplay : public PluginHost {
protected:
    void SetUp() override {
        PluginHost::SetUp();
        CreatePaletteRecord(nullptr);
    }
    void TearDown() override {
        FreePaletteRecord(CurrentPalette());
        PluginHost::TearDown();
    }
};

TEST_F(PluginDisplay, SavedAndLoadedAgain) {
    Install(ZTX_EXAMPLE_PLUGIN, "rosette.so");
    ASSERT_EQ(LoadPlugin("rosette.so"), 1);
    std::strcpy(Slot().PluginPath, "rosette.so");
    ModuleActive[kSlotPlugIn] = 1;
    Slot().Control[3] = -20;                 // "Turn"
    Slot().Check[1] = kCheckSet;             // "Size"
    Slot().Control[kStrengthSlot] = 4;
    ASSERT_TRUE(SaveDisplay("Flower"));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(DisplayPath("Flower"), text));
    EXPECT_NE(text.find("[PlugIn]\r\nUsed=1\r\nPluginPath=rosette.so\r\n"), std::string::npos) << text;

    // A fresh table, as at the next start.
    ResetModuleFramework();
    SetModuleCatalog(&catalog_);
    SetStoredSettingsLoader(nullptr);
    RegisterModules();
    for (auto& a : ModuleActive) a = 0;
    ASSERT_EQ(Slot().DoDrawFrame, nullptr);

    ASSERT_EQ(LoadDisplay("Flower"), 1);
    EXPECT_EQ(ModuleActive[kSlotPlugIn], 1);
    EXPECT_STREQ(Slot().PluginPath, "rosette.so");
    EXPECT_NE(Slot().DoDrawFrame, nullptr);
    EXPECT_EQ(Slot().Control[3], -20);
    EXPECT_EQ(Slot().Check[1], kCheckSet);
    EXPECT_EQ(Slot().Control[kStrengthSlot], 4);
    EXPECT_EQ(Slot().Control[0], 7);  // not saved: its default
}

TEST_F(PluginDisplay, APluginThatDoesNotLoadFailsTheDisplay) {
    const std::string elsewhere = ztx_test::g_tempRoot + "/Elsewhere";
    ASSERT_TRUE(MakeDirs(elsewhere));
    ASSERT_TRUE(CopyFileOver(TestPlugin("probe.so"), elsewhere + "/probe.so"));
    Install(TestPlugin("no_register.so"), "no_register.so");
    for (const std::string& path : {std::string("../../../Elsewhere/probe.so"), elsewhere + "/probe.so",
                                    std::string("missing.so"), std::string("no_register.so")}) {
        const std::string file = "[Header]\r\nMagic=1107313153\r\n[Bezier]\r\nUsed=1\r\n[PlugIn]\r\nUsed=1\r\n"
                                 "PluginPath=" + path + "\r\n";
        ASSERT_TRUE(WriteFileAtomically(DisplayPath("Hostile"), file));
        EXPECT_EQ(LoadDisplay("Hostile"), 0) << path;
        EXPECT_EQ(ModuleActive[kSlotPlugIn], 0) << path;
        EXPECT_EQ(ModuleActive[kSlotBezier], 1) << path;  // slots before it are loaded
        EXPECT_EQ(DisplayLoading, 0);
    }
    EXPECT_FALSE(IsLoaded(elsewhere + "/probe.so"));
}

}  // namespace
}  // namespace ztx

#endif
