#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/files.h"
#include "settings/global_options.h"
#include "settings/profile.h"
#include "settings/registry.h"
#include "settings/settings_key.h"
#include "soundlink/sound_link.h"
#include "tests/test_support.h"

using namespace ztx;

TEST(SettingsKey, StartUpRemembersWhetherTheKeyExisted) {
    StartSettingsKey();
    EXPECT_FALSE(SettingsKeyExisted);
    EXPECT_TRUE(KeyExists("Control Panel\\Screen Saver.Zentrix"));
    StartSettingsKey();
    EXPECT_TRUE(SettingsKeyExisted);
}

// Temporary files of saves cut short go at the next start; one that a save
// in progress may still be writing stays.
TEST(SettingsKey, StartUpRemovesStaleTemporaries) {
    const std::string dir = DirName(RegistryFilePath());
    ASSERT_TRUE(WriteFileAtomically(dir + "/registry.reg.tmp-Ab12Cd", "half"));
    ASSERT_TRUE(WriteFileAtomically(dir + "/registry.reg.tmp-Xy34Zw", "writing"));
    const struct timeval old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimes((dir + "/registry.reg.tmp-Ab12Cd").c_str(), old), 0);
    StartSettingsKey();
    EXPECT_FALSE(FileExists(dir + "/registry.reg.tmp-Ab12Cd"));
    EXPECT_TRUE(FileExists(dir + "/registry.reg.tmp-Xy34Zw"));
}

TEST(SettingsKey, ReadAndWriteSettingFollowTheRegistryRules) {
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    // No key yet: the write fails silently and the read gives zeros.
    uint32_t speed = 16;
    EXPECT_EQ(WriteSetting("Speed", SettingsKeyName, kRegDword, &speed, 4), 0);
    EXPECT_EQ(ReadSetting("Speed", SettingsKeyName, kRegDword, buf, sizeof buf), 0);
    for (char c : buf) EXPECT_EQ(c, 0);

    StartSettingsKey();
    EXPECT_EQ(WriteSetting("Speed", SettingsKeyName, kRegDword, &speed, 4), 1);
    uint32_t got = 0;
    EXPECT_EQ(ReadSetting("speed", SettingsKeyName, kRegDword, &got, 4), 1);
    EXPECT_EQ(got, 16u);

    // Text comes back with its zero; a buffer too small reads nothing.
    EXPECT_EQ(WriteSettingText("Active", "[D] Cube"), 1);
    char name[128];
    EXPECT_EQ(ReadSetting("Active", SettingsKeyName, kRegSz, name, sizeof name), 1);
    EXPECT_STREQ(name, "[D] Cube");
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(ReadSetting("Active", SettingsKeyName, kRegSz, small, sizeof small), 0);
    EXPECT_EQ(small[0], 0);
    EXPECT_EQ(ReadSettingText("Active"), "[D] Cube");

    // Size 0 deletes the value.
    EXPECT_EQ(WriteSetting("Speed", SettingsKeyName, kRegDword, &speed, 0), 1);
    EXPECT_EQ(ReadSetting("Speed", SettingsKeyName, kRegDword, &got, 4), 0);
    EXPECT_EQ(got, 0u);
}

TEST(SettingsKey, SavedTreeDeletionAndVersionPublishing) {
    StartSettingsKey();
    ASSERT_EQ(CreateKey("Control Panel\\Screen Saver.Zentrix\\Saved\\Mine\\Modules\\Cube"), 1);
    EXPECT_EQ(DeleteSavedTree(SettingsKeyName, "Mine"), 1);
    EXPECT_EQ(KeyExists("Control Panel\\Screen Saver.Zentrix\\Saved\\Mine"), 0);
    EXPECT_EQ(KeyExists("Control Panel\\Screen Saver.Zentrix"), 1);
    EXPECT_EQ(DeleteSavedTree(SettingsKeyName, ""), 0);  // never the whole "Saved" tree

    PublishVersion(4, 0, 1230);
    uint32_t v = 0, b = 0;
    ASSERT_TRUE(RegReadDword(RegRoot::CurrentUser, "Software\\Zentrix", "Current Version", v));
    ASSERT_TRUE(RegReadDword(RegRoot::CurrentUser, "Software\\Zentrix", "Build", b));
    EXPECT_EQ(v, 262144u);
    EXPECT_EQ(b, 1230u);
    PublishVersion(3, 0x12345, 0x10001);  // minor and build are taken as 16 bits
    RegReadDword(RegRoot::CurrentUser, "Software\\Zentrix", "Current Version", v);
    RegReadDword(RegRoot::CurrentUser, "Software\\Zentrix", "Build", b);
    EXPECT_EQ(v, 3u * 65536u + 0x2345u);
    EXPECT_EQ(b, 1u);

    RegisterDisplayAssociation("/opt/zentrix/zentrix");
    std::string text;
    ASSERT_TRUE(RegReadText(RegRoot::ClassesRoot, ".ZTX", "Content Type", text, 259));
    EXPECT_EQ(text, "application/zentrix");
    ASSERT_TRUE(RegReadText(RegRoot::ClassesRoot, "Zentrix\\shell\\open\\command", "", text, 259));
    EXPECT_EQ(text, "Zentrix.SCR /S %1");
    ASSERT_TRUE(RegReadText(RegRoot::ClassesRoot, "Zentrix\\DefaultIcon", "", text, 259));
    EXPECT_EQ(text, "/opt/zentrix/zentrix,1");
    std::string entry;
    ASSERT_TRUE(ReadWholeFile(ztx_test::g_tempRoot + "/data/applications/zentrix-display.desktop", entry));
    EXPECT_NE(entry.find("Exec=\"/opt/zentrix/zentrix\" /S %f"), std::string::npos);
    EXPECT_TRUE(IsRegularFile(ztx_test::g_tempRoot + "/data/mime/packages/zentrix.xml"));
    // The desktop's database update runs detached: let it finish before the
    // test's folders go, so it leaves nothing behind.
    const std::string running = "pgrep -f 'update-mime-database " + ztx_test::g_tempRoot + "' > /dev/null";
    for (int waited = 0; waited < 10000 && std::system(running.c_str()) == 0; waited += 50) usleep(50000);
}

TEST(GlobalOptions, FreshUserGetsTheDefaults) {
    StartSettingsKey();
    ResetGlobalOptions();
    EXPECT_FALSE(LoadGlobalOptions());  // "Speed" was not stored
    const GlobalOptions& o = Options;
    EXPECT_EQ(o.priority, 64);
    EXPECT_EQ(o.preview, 1);
    EXPECT_EQ(o.slowCPU, 1);
    EXPECT_EQ(o.autoGain, 1);
    EXPECT_EQ(o.showInfo, 0);
    EXPECT_EQ(o.showName, 0);
    EXPECT_EQ(o.autoRun, 0);
    EXPECT_EQ(o.blankTimeout, 241);
    EXPECT_EQ(o.captureScale, 100);
    EXPECT_EQ(o.captureTile, 0);
    EXPECT_EQ(o.homingRate, 1000);
    EXPECT_EQ(o.durationMod, 0);
    EXPECT_EQ(o.disableMouse, 0);
    EXPECT_EQ(o.speed, 0);
    EXPECT_EQ(o.gracePeriod, 6);
}

TEST(GlobalOptions, RoundTripAndSharedSwitches) {
    StartSettingsKey();
    SoundLinkRecord* link = OpenSoundLink();
    ASSERT_NE(link, nullptr);
    Options = GlobalOptions{128, 0, 0, 1, 30, 1, 0, 0, 50, 1, 250, -100, 1, 30, 900};
    SaveGlobalOptions();
    EXPECT_EQ(link->slowCPU, 0);  // published for the other instances
    EXPECT_EQ(link->autoGain, 0);

    ResetGlobalOptions();
    link->slowCPU = 1;
    EXPECT_TRUE(LoadGlobalOptions());
    EXPECT_EQ(Options.priority, 128);
    EXPECT_EQ(Options.preview, 0);
    EXPECT_EQ(Options.slowCPU, 0);
    EXPECT_EQ(Options.showInfo, 1);
    EXPECT_EQ(Options.showName, 30);
    EXPECT_EQ(Options.autoRun, 1);
    EXPECT_EQ(Options.autoGain, 0);
    EXPECT_EQ(Options.blankTimeout, 0);
    EXPECT_EQ(Options.captureScale, 50);
    EXPECT_EQ(Options.captureTile, 1);
    EXPECT_EQ(Options.homingRate, 250);
    EXPECT_EQ(Options.durationMod, -100);
    EXPECT_EQ(Options.disableMouse, 1);
    EXPECT_EQ(Options.speed, 30);
    EXPECT_EQ(Options.gracePeriod, 900);
    EXPECT_EQ(OptionSlowCPU(), 0);
    EXPECT_EQ(link->soundForControls, 1);
    EXPECT_EQ(link->soundForPalette, 1);

    // Stored as the design stores them: 4-byte binaries, "Speed" a number,
    // the grace period as decimal text under the Winlogon key.
    RegValue v;
    ASSERT_TRUE(RegQuery(RegRoot::CurrentUser, SettingsKeyPath(), "Priority", v));
    EXPECT_EQ(v.type, kRegBinary);
    ASSERT_TRUE(RegQuery(RegRoot::CurrentUser, SettingsKeyPath(), "Speed", v));
    EXPECT_EQ(v.type, kRegDword);
    std::string grace;
    ASSERT_TRUE(RegReadText(RegRoot::LocalMachine, kWinlogonKey, "ScreenSaverGracePeriod", grace, 31));
    EXPECT_EQ(grace, "900");
    CloseSoundLink(link);
}

TEST(GlobalOptions, OutOfRangeValuesArePulledIntoRange) {
    StartSettingsKey();
    int32_t speed = 1000, blank = -5, priority = 77, mod = 500;
    WriteSetting("Speed", SettingsKeyName, kRegDword, &speed, 4);
    WriteSetting("BlankTimeout", SettingsKeyName, kRegBinary, &blank, 4);
    WriteSetting("Priority", SettingsKeyName, kRegBinary, &priority, 4);
    WriteSetting("DurationMod", SettingsKeyName, kRegBinary, &mod, 4);
    int16_t shortValue = 5;
    WriteSetting("ShowName", SettingsKeyName, kRegBinary, &shortValue, 2);  // wrong size: ignored
    RegWriteText(RegRoot::LocalMachine, kWinlogonKey, "ScreenSaverGracePeriod", "99999");
    ResetGlobalOptions();
    LoadGlobalOptions();
    EXPECT_EQ(Options.speed, 30);
    EXPECT_EQ(Options.blankTimeout, 0);
    EXPECT_EQ(Options.priority, 64);
    EXPECT_EQ(Options.durationMod, 100);
    EXPECT_EQ(Options.showName, 0);
    EXPECT_EQ(Options.gracePeriod, 900);
}

TEST(ProfileFiles, ReadOtherEditorsAndWriteWindowsLines) {
    std::string path = ztx_test::g_tempRoot + "/x.ZTX";
    ASSERT_TRUE(WriteFileAtomically(path,
                                    "\xEF\xBB\xBF\xEF\xBB\xBF[Header]\nVersion = 4\n; made by hand\n\n[Bezier]\n"
                                    "Control9 =3\n[header]\nLater=1\n"));
    EXPECT_EQ(GetProfileString("HEADER", "version", "none", path), "4");
    EXPECT_EQ(GetProfileNumber("Bezier", "control9", -1, path), 3);
    EXPECT_EQ(GetProfileNumber("Bezier", "missing", -1, path), -1);
    EXPECT_EQ(GetProfileString("Nothing", "x", "dflt", path), "dflt");

    ASSERT_EQ(WriteProfileNumber("Header", "Items", 4294967295ul, path), 1);
    ASSERT_EQ(WriteProfileString("bezier", "CONTROL9", "7", path), 1);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_NE(text.find("; made by hand\r\n"), std::string::npos);   // comments survive
    EXPECT_NE(text.find("Items=4294967295\r\n"), std::string::npos);
    EXPECT_NE(text.find("Control9=7\r\n"), std::string::npos);       // the key keeps its spelling
    EXPECT_EQ(text.find("\n\n"), std::string::npos);                 // every line ends with CR LF
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) EXPECT_EQ(text[i - 1], '\r');

    ProfileFile p;
    ASSERT_TRUE(p.Load(path));
    p.ReplaceSection("BEZIER", {{"Control1", "1"}});
    EXPECT_EQ(p.Entries("Bezier"), (std::vector<std::pair<std::string, std::string>>{{"Control1", "1"}}));
    EXPECT_EQ(p.SectionNames().front(), "Header");
    ASSERT_EQ(WriteProfileString("Header", "Version", nullptr, path), 1);
    EXPECT_EQ(GetProfileString("Header", "Version", "gone", path), "gone");

    // A file that cannot be written reports failure and leaves no trace.
    EXPECT_EQ(WriteProfileNumber("A", "B", 1, path + "/not-a-folder.ZTX"), 0);
}
