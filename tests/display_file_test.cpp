// Display files: what is written, what loading restores, binary displays,
// first-run displays, snapshots, import and export, and saves that fail.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>

#include "engine/engine_state.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/files.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/legacy_display.h"
#include "settings/profile.h"
#include "settings/registry.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "shell/test_run.h"
#include "tests/test_support.h"

namespace ztx {
namespace {

// A module with a few controls: "Cube Size" (slot 1) has a range low
// (10) that differs from its minimum (1).
int DefineCube(ModuleRecord* r) {
    DefineControl(r, 0, 0, "Duration", 1, 1000, 1, 1000, 30, kCheckSet, 10, 0);
    DefineControl(r, 1, 1, "Cube Size", 1, 100, 10, 90, 50, kCheckSet, 5, 1);
    DefineControl(r, kStrengthSlot, 9, "Strength", -10, 10, -10, 10, 1, kCheckSet, 10, 1);
    return 0;
}
int DefineStar(ModuleRecord* r) {
    DefineControl(r, 3, 3, "Stars", 0, 99, 0, 99, 40, kCheckRandom, 5, 0);
    return 0;
}

const std::vector<BuiltinModule>& Catalog() {
    static const std::vector<BuiltinModule> catalog = {
        {kSlotStar, {DefineStar, NoModuleWork, NoModuleWork, NoModuleWork, NoModuleWork}},
        {kSlotCube, {DefineCube, NoModuleWork, NoModuleWork, NoModuleWork, NoModuleWork}},
    };
    return catalog;
}

class DisplayFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        StartSettingsKey();
        CreatePaletteRecord(nullptr);
        SetModuleCatalog(&Catalog());
        SetStoredSettingsLoader(nullptr);
        RegisterModules();
        for (auto& a : ModuleActive) a = 0;
    }
    void TearDown() override {
        FreePaletteRecord(CurrentPalette());
        ResetModuleFramework();
    }
    ModuleRecord& Cube() { return ModuleTable[kSlotCube]; }
    std::string Text(const std::string& name) {
        std::string t;
        ReadWholeFile(DisplayPath(name), t);
        return t;
    }
    void WriteDisplay(const std::string& name, const std::string& text) {
        ASSERT_TRUE(WriteFileAtomically(DisplayPath(name), text));
    }
};

TEST_F(DisplayFiles, DefaultControlsWriteNoLineAndLoadBackAsDefaults) {
    ModuleActive[kSlotCube] = 1;
    Cube().Control[1] = 77;
    ClearFirst = 0;
    ASSERT_TRUE(SaveDisplay("Mine"));
    std::string t = Text("Mine");
    EXPECT_EQ(t.find("[Header]\r\nMagic=1107313153\r\nClearFirst=0\r\n[Cube]\r\nUsed=1\r\nCube Size=0 77 10 90 5\r\n"
                     "[Palette]\r\nRedEffect="),
              0u)
        << t;
    EXPECT_EQ(t.find("Duration"), std::string::npos);
    EXPECT_EQ(t.find("Custom0"), std::string::npos);  // no custom palette in use
    EXPECT_EQ(ReadSettingText("Active"), "Mine");     // saving makes it active

    // Loading a file without the line restores the default, not the value
    // held before.
    WriteDisplay("Plain", "[Header]\r\nMagic=1107313153\r\n[Cube]\r\nUsed=1\r\n");
    Cube().Control[1] = 12;
    ClearFirst = 0;
    EXPECT_EQ(LoadDisplay("Plain"), 1);
    EXPECT_EQ(Cube().Control[1], 50);
    EXPECT_EQ(ClearFirst, 1);
    EXPECT_EQ(DisplayLoading, 0);
    EXPECT_STREQ(CurrentDisplayName, "Plain");

    EXPECT_EQ(LoadDisplay("Mine"), 1);
    EXPECT_EQ(Cube().Control[1], 77);
    EXPECT_EQ(ModuleActive[kSlotCube], 1);
    EXPECT_EQ(ClearFirst, 0);
}

TEST_F(DisplayFiles, UsedFlagsAndTheSequencer) {
    Cube().Control[1] = 33;
    ModuleActive[kSlotCube] = 1;
    WriteDisplay("Off", "[Header]\nMagic=1\n[Cube]\nUsed=0\nCube Size=0 1 1 1 1\n[Star]\nUsed=1\n");
    EXPECT_EQ(LoadDisplay("Off"), 1);
    EXPECT_EQ(ModuleActive[kSlotCube], 0);
    EXPECT_EQ(Cube().Control[1], 33);  // untouched
    EXPECT_EQ(ModuleActive[kSlotStar], 1);

    WriteDisplay("Seq",
                 "[Header]\nMagic=1\n[Star]\nUsed=1\n[Sequencer]\nUsed=1\nSeqItems=2\nOrderedPlay=1\n0=[D] Cube\n"
                 "0A=30 0\n1=[D] Star\n[Random]\nUsed=1\n");
    EXPECT_EQ(LoadDisplay("Seq"), 1);
    EXPECT_EQ(ModuleActive[kSlotStar], 0);  // slots before the Sequencer are off
    EXPECT_EQ(ModuleActive[kSlotSequencer], 1);
    EXPECT_EQ(ModuleActive[kSlotRandom], 1);  // later slots may still come on
    ASSERT_EQ(Sequence.items.size(), 2u);
    EXPECT_EQ(Sequence.orderedPlay, 1);
    EXPECT_STREQ(Sequence.items[0].name, "[D] Cube");
    EXPECT_EQ(Sequence.items[0].seconds, 30u);
    EXPECT_EQ(Sequence.items[0].clear, 0u);
    EXPECT_EQ(Sequence.items[1].seconds, 16u);
    EXPECT_EQ(Sequence.items[1].clear, 1u);

    // Saved again, the sequence comes back the same; an empty list in a file
    // keeps the list in memory.
    ASSERT_TRUE(SaveDisplay("Seq2"));
    EXPECT_NE(Text("Seq2").find("[Sequencer]\r\nUsed=1\r\nSeqItems=2\r\nOrderedPlay=1\r\n0=[D] Cube\r\n0A=30 0\r\n"),
              std::string::npos);
    WriteDisplay("Empty", "[Header]\nMagic=1\n[Sequencer]\nUsed=1\n");
    EXPECT_EQ(LoadDisplay("Empty"), 1);
    EXPECT_EQ(Sequence.items.size(), 2u);
}

TEST_F(DisplayFiles, ControlLinesParseWhatTheyHoldAndAreClamped) {
    WriteDisplay("Two", "[Header]\nMagic=1\n[Cube]\nUsed=1\nCube Size=0 25\nStrength=0 500 -10 10 10\n"
                        "duration = 1 x 3\n");
    Cube().Check[1] = 1;
    EXPECT_EQ(LoadDisplay("Two"), 1);
    EXPECT_EQ(Cube().Check[1], 0);
    EXPECT_EQ(Cube().Control[1], 25);
    EXPECT_EQ(Cube().RangeLo[1], 10);
    EXPECT_EQ(Cube().RangeHi[1], 90);
    EXPECT_EQ(Cube().Sense[1], 5);
    EXPECT_EQ(Cube().Control[kStrengthSlot], 1);  // 500 is beyond Max: back to the default
    EXPECT_EQ(Cube().Check[0], 1);                // the key matched without regard to case
    EXPECT_EQ(Cube().Control[0], 30);             // "x" did not parse: default kept
}

TEST_F(DisplayFiles, PaletteEffectsAndTheCustomPalette) {
    WriteDisplay("All", "[Header]\nMagic=1\n[Star]\nUsed=1\n[Palette]\nAllEffect=3\nGreenEffect=1\n");
    ASSERT_EQ(LoadDisplay("All"), 1);
    PaletteRecord* p = CurrentPalette();
    EXPECT_EQ(p->effect[0], 3);
    EXPECT_EQ(p->effect[1], 1);
    EXPECT_EQ(p->effect[2], 3);

    // A custom palette round-trips in 24 checked pieces.
    ModuleActive[kSlotStar] = 1;
    for (int e = 0; e < kPaletteEntries; ++e)
        p->custom[e] = PaletteColor{static_cast<uint8_t>(e), static_cast<uint8_t>(255 - e), 7, 1};
    p->effect[1] = kEffectCustom;
    p->Control[PaletteControl(kKindScale, 2)] += 1;
    ASSERT_TRUE(SaveDisplay("Custom"));
    std::string t = Text("Custom");
    EXPECT_NE(t.find("Custom23="), std::string::npos);
    EXPECT_NE(t.find("ScaleBlue="), std::string::npos);
    std::fill(std::begin(p->custom), std::end(p->custom), PaletteColor{});
    ASSERT_EQ(LoadDisplay("Custom"), 1);
    EXPECT_EQ(p->custom[200].red, 200);
    EXPECT_EQ(p->custom[200].green, 55);
    EXPECT_EQ(p->custom[235].blue, 7);
    EXPECT_EQ(p->effect[1], kEffectCustom);

    // One bad checksum in the last piece and the file's palette is dropped.
    size_t at = t.find("Custom23=");
    size_t end = t.find("\r\n", at);
    std::string broken = t;
    broken[end - 1] = broken[end - 1] == '0' ? '1' : '0';
    WriteDisplay("Broken", broken);
    std::fill(std::begin(p->custom), std::end(p->custom), PaletteColor{});
    ASSERT_EQ(LoadDisplay("Broken"), 1);
    EXPECT_EQ(p->custom[200].red, 0);
}

TEST_F(DisplayFiles, AFileInNeitherFormChangesNothing) {
    ModuleActive[kSlotCube] = 1;
    Cube().Control[1] = 61;
    WriteDisplay("Odd", "[Cube]\nUsed=1\nCube Size=0 3 1 1 1\n");
    EXPECT_EQ(LoadDisplay("Odd"), 1);
    EXPECT_EQ(Cube().Control[1], 61);
    EXPECT_EQ(ModuleActive[kSlotCube], 1);
    EXPECT_EQ(LoadDisplay("Missing"), 0);
    EXPECT_EQ(DisplayLoading, 0);
}

// Files beyond what a display may hold (a damaged or hostile one) are
// refused before they are parsed, with a reason, and change nothing.
TEST_F(DisplayFiles, OversizedFilesAreRefused) {
    ModuleActive[kSlotCube] = 1;
    const std::string header = "[Header]\r\nMagic=1107313153\r\n[Star]\r\nUsed=1\r\n";
    for (const std::string& body : {std::string(ProfileFile::kMaxLines, '\n'),
                                    "x=" + std::string(ProfileFile::kMaxLineBytes, 'y') + "\n"}) {
        WriteDisplay("Huge", header + body);
        std::string why;
        EXPECT_FALSE(CheckDisplayFile(DisplayPath("Huge"), &why));
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(LoadDisplay("Huge"), 0);
        EXPECT_EQ(ModuleActive[kSlotCube], 1);
        EXPECT_EQ(ModuleActive[kSlotStar], 0);
    }
}

TEST_F(DisplayFiles, FirstRunDisplaysAndTheStartUpFallback) {
    WriteSettingText("Active", "Gone");
    LoadStoredSettings();
    std::vector<std::string> names = ListDisplays();
    ASSERT_EQ(names.size(), 18u);
    EXPECT_EQ(ReadSettingText("Active"), kFallbackDisplay);
    EXPECT_NE(std::find(names.begin(), names.end(), "[D] Bezier"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "[D] Cube"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "[D] Wipe"), names.end());
    EXPECT_NE(Text("[D] Star").find("[Palette]\r\nRedEffect=3\r\nGreenEffect=0\r\nBlueEffect=1\r\n"),
              std::string::npos);
    EXPECT_NE(Text(kFallbackDisplay).find("[Random]\r\nUsed=1\r\n"), std::string::npos);
    EXPECT_EQ(ModuleActive[kSlotRandom], 1);  // the fallback was loaded
}

// A display chosen for this process alone loads instead of "Active" and is
// never stored; a missing one falls back to "Active" without a trace.
TEST_F(DisplayFiles, TheProcessOwnDisplayLeavesActiveAlone) {
    LoadStoredSettings();
    WriteSettingText("Active", "[D] Cube");
    std::snprintf(ProcessDisplay, sizeof ProcessDisplay, "%s", "[D] Star");
    LoadStoredSettings();
    EXPECT_EQ(ModuleActive[kSlotStar], 1);
    EXPECT_EQ(ModuleActive[kSlotCube], 0);
    EXPECT_EQ(ReadSettingText("Active"), "[D] Cube");

    std::snprintf(ProcessDisplay, sizeof ProcessDisplay, "%s", "Gone");
    LoadStoredSettings();
    EXPECT_EQ(ModuleActive[kSlotCube], 1);
    EXPECT_EQ(ReadSettingText("Active"), "[D] Cube");
    EXPECT_EQ(ProcessDisplay[0], '\0');
}

TEST_F(DisplayFiles, NamesExportsAndSnapshots) {
    EXPECT_EQ(ExportFileName("a/b:c [x] (y) $%'-_@~`!{}.^#&+,;="), "a_b_c [x] (y) $%'-_@~`!{}.^#&+,;=.ZTX");
    std::string why;
    for (const char* bad : {"", ".", "..", "a/b", "../../etc/x"}) {
        EXPECT_FALSE(IsValidDisplayName(bad, &why)) << bad;
        EXPECT_FALSE(SaveDisplay(bad, &why));
        EXPECT_FALSE(why.empty());
    }
    EXPECT_FALSE(SaveDisplay(std::string(128, 'x')));
    EXPECT_TRUE(SaveDisplay(std::string(127, 'x')));

    ModuleActive[kSlotRandom] = 1;
    ModuleActive[kSlotCube] = 1;
    Cube().Check[1] = kCheckOscillate;
    Cube().Control[1] = 60;
    EXPECT_EQ(SaveSnapshot(), "Capture #0");
    EXPECT_EQ(SaveSnapshot(), "Capture #1");
    EXPECT_EQ(SaveSnapshot(), "Capture #2");
    EXPECT_EQ(Cube().Check[1], kCheckOscillate);  // restored after saving
    EXPECT_EQ(ModuleActive[kSlotRandom], 1);
    EXPECT_EQ(Text("Capture #0").find("[Random]"), std::string::npos);
    EXPECT_NE(Text("Capture #0").find("Cube Size=0 60 10 90 5"), std::string::npos);  // held fixed
    ASSERT_TRUE(DeleteDisplay("Capture #1"));
    EXPECT_EQ(SaveSnapshot(), "Capture #1");
    EXPECT_EQ(ReadSettingText("Active"), "Capture #1");

    std::string out = ztx_test::g_tempRoot + "/exported.ZTX";
    EXPECT_TRUE(ExportDisplay("Capture #0", out));
    std::string a, b;
    ReadWholeFile(out, a);
    EXPECT_EQ(a, Text("Capture #0"));
    EXPECT_FALSE(ExportDisplay("No such", out));
}

TEST_F(DisplayFiles, ImportAsksBeforeOverwriting) {
    ModuleActive[kSlotStar] = 1;
    ASSERT_TRUE(SaveDisplay("Shared"));
    std::string original = Text("Shared");
    std::string incoming = ztx_test::g_tempRoot + "/Shared.ztx";
    ASSERT_TRUE(WriteFileAtomically(incoming, "[Header]\r\nMagic=1107313153\r\n[Cube]\r\nUsed=1\r\n"));
    std::string asked;
    EXPECT_EQ(ImportDisplayFile(incoming, [&](const std::string& n) { asked = n; return false; }), 0);
    EXPECT_EQ(asked, "Shared");
    EXPECT_EQ(Text("Shared"), original);
    EXPECT_EQ(ImportDisplayFile(incoming, [](const std::string&) { return true; }), 1);
    EXPECT_EQ(ModuleActive[kSlotCube], 1);
    EXPECT_EQ(ModuleActive[kSlotStar], 0);
}

// A binary display file from its records.
struct LegacyWriter {
    std::string bytes = std::string("\x00\x42\x00\x42", 4);
    void U32(uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); }
    void Text(const std::string& s) {
        U32(static_cast<uint32_t>(s.size() + 1));
        bytes += s;
        bytes += '\0';
    }
    void Record(const std::string& key, const std::string& name, uint32_t type, const std::string& data) {
        Text(key);
        Text(name);
        U32(type);
        U32(static_cast<uint32_t>(data.size()));
        bytes += data;
    }
    void Number(const std::string& key, const std::string& name, int32_t v) {
        Record(key, name, 4, std::string(reinterpret_cast<const char*>(&v), 4));
    }
};

TEST_F(DisplayFiles, BinaryDisplaysImportEndToEnd) {
    LegacyWriter w;
    w.Number("", "ClearFirst", 0);
    w.Number("Modules\\Cube", "Control1", 64);
    w.Number("Modules\\Cube", "Check1", 2);
    w.Number("Palette", "AllEffect", 2);
    w.Number("Palette", "CycleRateRangeLo", 4);
    w.Number("Palette", "GreenEffect", 1);
    std::string path = ztx_test::g_tempRoot + "/Old One.ZTX";
    ASSERT_TRUE(WriteFileAtomically(path, w.bytes));

    ASSERT_EQ(ImportDisplayFile(path, nullptr), 1);
    EXPECT_EQ(ModuleActive[kSlotCube], 1);
    EXPECT_EQ(Cube().Control[1], 64);
    EXPECT_EQ(Cube().Check[1], 2);
    EXPECT_EQ(Cube().RangeLo[1], 1);  // the registry form reads a missing range low as Min
    EXPECT_EQ(ClearFirst, 0);
    PaletteRecord* p = CurrentPalette();
    EXPECT_EQ(p->effect[0], 2);
    EXPECT_EQ(p->effect[1], 1);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p->RangeLo[PaletteControl(kKindCycleRate, c)], 4);
    // Converted to the text form, and the registry tree is gone again.
    EXPECT_NE(Text("Old One").find("Magic=1107313153"), std::string::npos);
    EXPECT_FALSE(RegKeyExists(RegRoot::CurrentUser, SettingsKeyPath() + "\\Saved\\Old One"));
    EXPECT_EQ(ReadSettingText("Active"), "Old One");

    // A binary file put straight into the folder is converted when loaded,
    // and "Active" stays as it was.
    ASSERT_TRUE(WriteFileAtomically(DisplayPath("Dropped"), w.bytes));
    EXPECT_EQ(LoadDisplay("Dropped"), 1);
    EXPECT_NE(Text("Dropped").find("Magic=1107313153"), std::string::npos);
    EXPECT_EQ(ReadSettingText("Active"), "Old One");
}

TEST_F(DisplayFiles, DamagedBinaryDisplaysStoreNothingBeyondTheValidRecords) {
    LegacyWriter w;
    w.Number("Modules\\Cube", "Control1", 64);
    std::string whole = w.bytes;
    w.Number("Modules\\Star", "Control3", 5);
    std::string cut = w.bytes.substr(0, w.bytes.size() - 2);  // the last record cut short
    std::string path = ztx_test::g_tempRoot + "/cut.bin";
    ASSERT_TRUE(WriteFileAtomically(path, cut));
    EXPECT_EQ(ImportLegacyFile("Cut", path), 1);
    const std::string base = SettingsKeyPath() + "\\Saved\\Cut";
    EXPECT_TRUE(RegKeyExists(RegRoot::CurrentUser, base + "\\Modules\\Cube"));
    EXPECT_FALSE(RegKeyExists(RegRoot::CurrentUser, base + "\\Modules\\Star"));

    // Lengths beyond the format's limits: nothing is stored.
    LegacyWriter bad;
    bad.Number("Modules\\Cube", "Control1", 64);
    bad.U32(5000);
    bad.bytes += std::string(6000, 'x');
    ASSERT_TRUE(WriteFileAtomically(path, bad.bytes));
    EXPECT_EQ(ImportLegacyFile("Bad", path), 0);
    EXPECT_FALSE(RegKeyExists(RegRoot::CurrentUser, SettingsKeyPath() + "\\Saved\\Bad"));
    // A name without its ending zero, and a data length past 1024.
    LegacyWriter noZero;
    noZero.U32(4);
    noZero.bytes += "abcd";
    ASSERT_TRUE(WriteFileAtomically(path, noZero.bytes));
    EXPECT_EQ(ImportLegacyFile("Bad", path), 0);
    LegacyWriter big;
    big.Text("Palette");
    big.Text("Custom");
    big.U32(3);
    big.U32(2000);
    big.bytes += std::string(2000, 'x');
    ASSERT_TRUE(WriteFileAtomically(path, big.bytes));
    EXPECT_EQ(ImportLegacyFile("Bad", path), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "[Header]\n"));
    EXPECT_EQ(ImportLegacyFile("Bad", path), 0);  // no magic
}

TEST_F(DisplayFiles, OlderPaletteLayoutIsConverted) {
    const std::string pal = SettingsKeyPath() + "\\Saved\\Older\\Palette";
    RegWriteDword(RegRoot::CurrentUser, SettingsKeyPath() + "\\Saved\\Older\\Modules\\Star", "Control3", 12);
    RegWriteDword(RegRoot::CurrentUser, pal, "GreenDensity", 0);
    RegWriteDword(RegRoot::CurrentUser, pal, "GreenDensitySource", 7);  // the older layout kept a number here
    RegWriteDword(RegRoot::CurrentUser, pal, "Shifted", 0);
    RegWriteDword(RegRoot::CurrentUser, pal, "GreenSource", 4);
    RegWriteDword(RegRoot::CurrentUser, pal, "GreenScale", 9);
    RegWriteDword(RegRoot::CurrentUser, pal, "GreenScaleLo", 2);
    RegWriteDword(RegRoot::CurrentUser, pal, "GreenScaleHi", 8);
    RegWriteDword(RegRoot::CurrentUser, pal, "GreenSense", 3);
    RegWriteDword(RegRoot::CurrentUser, pal, "GreenRampDecayRangeLo", 5);
    ASSERT_EQ(LoadDisplayFromRegistry("Older"), 1);
    PaletteRecord* p = CurrentPalette();
    const int density = PaletteControl(kKindDensity, 1), scale = PaletteControl(kKindScale, 1);
    EXPECT_EQ(p->RangeLo[density], 7);
    EXPECT_EQ(p->RangeHi[density], 11);
    EXPECT_EQ(p->Check[density], kCheckRandom);
    EXPECT_EQ(p->Control[scale], 9);
    EXPECT_EQ(p->RangeLo[scale], 2);
    EXPECT_EQ(p->Sense[scale], 3);
    EXPECT_EQ(p->RangeLo[PaletteControl(kKindRampDecay, 1)], 15);
    EXPECT_EQ(ModuleTable[kSlotStar].Control[3], 12);
}

TEST_F(DisplayFiles, TheWholeOlderTreeIsConverted) {
    WriteSettingText("Active", "Kept");
    const std::string saved = SettingsKeyPath() + "\\Saved";
    RegWriteDword(RegRoot::CurrentUser, saved + "\\One\\Modules\\Cube", "Control1", 70);
    RegWriteDword(RegRoot::CurrentUser, saved + "\\Two\\Modules\\Star", "Control3", 9);
    std::vector<std::string> progress;
    ConvertLegacyRegistry([&](const std::string& line) { progress.push_back(line); });
    EXPECT_EQ(progress, (std::vector<std::string>{"Updating: One", "Updating: Two"}));
    EXPECT_NE(Text("One").find("Cube Size=0 70 1 100 5"), std::string::npos);
    EXPECT_NE(Text("Two").find("[Star]"), std::string::npos);
    EXPECT_FALSE(RegKeyExists(RegRoot::CurrentUser, saved));
    EXPECT_EQ(ReadSettingText("Active"), "Kept");
}

TEST_F(DisplayFiles, TestRunsLeaveTheActiveDisplayAsItWas) {
    WriteSettingText("Active", "Favourite");
    std::string file = ztx_test::g_tempRoot + "/Try.ZTX";
    ASSERT_TRUE(WriteFileAtomically(file, "[Header]\r\nMagic=1107313153\r\n[Star]\r\nUsed=1\r\n"));
    TestRun run = BeginTestRun(file);
    ASSERT_TRUE(run.active);
    EXPECT_EQ(ReadSettingText("Active"), kTestingDisplay);
    EXPECT_EQ(LoadDisplay(kTestingDisplay), 1);
    EndTestRun(run);
    EXPECT_EQ(ReadSettingText("Active"), "Favourite");
    EXPECT_FALSE(FileExists(DisplayPath(kTestingDisplay)));
    EXPECT_FALSE(BeginTestRun(ztx_test::g_tempRoot + "/none.ZTX").active);

    // A test run whose process was killed is undone by the next start; one
    // whose process still runs (this one) is left alone.
    ASSERT_EQ(ztx_test::RunInChild(
                  [](void*) {
                      const TestRun abandoned = BeginTestRun(ztx_test::g_tempRoot + "/Try.ZTX");
                      return abandoned.active ? 0 : 1;  // ends without EndTestRun
                  },
                  nullptr),
              0);
    EXPECT_EQ(ReadSettingText("Active"), kTestingDisplay);
    RepairAbandonedTestRun();  // as every start does before it reads "Active"
    EXPECT_EQ(ReadSettingText("Active"), "Favourite");
    EXPECT_FALSE(FileExists(DisplayPath(kTestingDisplay)));
    const TestRun live = BeginTestRun(file);
    RepairAbandonedTestRun();
    EXPECT_EQ(ReadSettingText("Active"), kTestingDisplay);
    EndTestRun(live);
}

// Runs `body` in a child process whose writes stop after 64 bytes, as on a
// full disk; true when `body` returned true.
bool OnAFullDisk(const std::function<bool()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{64, 64};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(DisplayFiles, AFullDiskLeavesFilesIntactAndSaysSo) {
    ModuleActive[kSlotCube] = 1;
    ASSERT_TRUE(SaveDisplay("Keep"));
    std::string before = Text("Keep");
    EXPECT_TRUE(OnAFullDisk([this] {
        Cube().Control[1] = 99;
        std::string error;
        return !SaveDisplay("Keep", &error) && !error.empty();
    }));
    EXPECT_EQ(Text("Keep"), before);
    EXPECT_TRUE(ListMatchingFiles(SavedDisplayDir(), "*.tmp-*").empty());

    // A well-formed binary display that cannot be stored is not called damaged,
    // whether imported or shown as a test run.
    LegacyWriter w;
    w.Number("Modules\\Cube", "Control1", 64);
    std::string path = ztx_test::g_tempRoot + "/sound.bin";
    ASSERT_TRUE(WriteFileAtomically(path, w.bytes));
    EXPECT_TRUE(OnAFullDisk([&] {
        std::string error;
        TestRun run = BeginTestRun(path);
        return ImportDisplayFile(path, nullptr, &error) == 0 && error.find("damaged") == std::string::npos &&
               error.find("cannot write") != std::string::npos && !run.active &&
               run.error.find("cannot write") != std::string::npos;
    }));
}

}  // namespace
}  // namespace ztx
