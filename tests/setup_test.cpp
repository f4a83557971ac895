// Setup and the uninstaller on the test's temporary home: the XScreenSaver
// list edits, a whole installation from a package folder, a saver that
// cannot be replaced, and the removal with its questions.
#include "setup/setup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/folders.h"
#include "settings/registry.h"
#include "settings/settings_key.h"
#include "setup/install_names.h"
#include "setup/running_programs.h"
#include "setup/xscreensaver_list.h"
#include "tests/test_support.h"
#include "uninstall/uninstall.h"

namespace {

const std::string kOthers =
    "timeout:\t0:10:00\n"
    "mode:\t\trandom\n"
    "selected:\t3\n"
    "programs:\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
    "  GL: \t\t\t\tsuperquadrics -root\t\t\t    \\n\\\n"
    "- \t\t\t\txflame -root\t\t\t\t    \\n\n"
    "\n"
    "pointerHysteresis:\t10\n";

// The file without the lines setup may change: the entry, mode, selected.
std::string OtherLines(const std::string& text) {
    std::string kept;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl + 1 - start);
        if (line.find("zentrix") == std::string::npos && line.rfind("mode:", 0) != 0 &&
            line.rfind("selected:", 0) != 0) {
            kept += line;
        }
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return kept;
}

TEST(XScreenSaverList, EntryGoesInAndOutLeavingOtherHacksByteForByte) {
    const std::string entry = ztx::XScreenSaverEntryLine("/home/u/.local/bin/zentrix-xscreensaver");
    std::string error;
    auto added = ztx::AddXScreenSaverEntry(kOthers, entry, &error);
    ASSERT_TRUE(added) << error;
    EXPECT_NE(added->find("\t      \\\n" + entry + "\\\n\t\t\t\tmaze"), std::string::npos) << *added;
    EXPECT_NE(added->find("mode:\t\tone\n"), std::string::npos);
    EXPECT_NE(added->find("selected:\t0\n"), std::string::npos);
    EXPECT_EQ(OtherLines(*added), OtherLines(kOthers));
    // A second setup keeps one entry.
    auto again = ztx::AddXScreenSaverEntry(*added, entry, &error);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *added);

    auto removed = ztx::RemoveXScreenSaverEntry(*added, &error);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->find("zentrix"), std::string::npos);
    EXPECT_EQ(OtherLines(*removed), OtherLines(kOthers));
    EXPECT_NE(removed->find("mode:\t\tblank\n"), std::string::npos);  // it was the selected saver

    // Another saver selected since: its index moves down with ours gone.
    std::string reselected = *added;
    reselected.replace(reselected.find("selected:\t0"), 11, "selected:\t2");
    removed = ztx::RemoveXScreenSaverEntry(reselected, &error);
    ASSERT_TRUE(removed);
    EXPECT_NE(removed->find("selected:\t1\n"), std::string::npos);
    EXPECT_NE(removed->find("mode:\t\tone\n"), std::string::npos);
}

TEST(XScreenSaverList, OneLineListsAndLastEntriesKeepTheNextResourceApart) {
    const std::string entry = ztx::XScreenSaverEntryLine("/bin/zentrix-xscreensaver");
    std::string error;
    // The list on the header line itself: its entry follows ours.
    auto added = ztx::AddXScreenSaverEntry("programs: maze -root\nfoo: 1\n", entry, &error);
    ASSERT_TRUE(added);
    EXPECT_EQ(*added, "programs:\t\\\n" + entry + "\\\n\t\tmaze -root\nfoo: 1\nmode:\t\tone\nselected:\t\t0\n");
    // Our entry last in the list: the line before it must stop continuing.
    const std::string last = "programs: \\\n  maze -root \\n\\\n" + entry + "\nfoo: 1\n";
    auto removed = ztx::RemoveXScreenSaverEntry(last, &error);
    ASSERT_TRUE(removed);
    EXPECT_EQ(*removed, "programs: \\\n  maze -root \\n\nfoo: 1\n");
    // No list at all: one is started. A path with a space is quoted for the shell.
    added = ztx::AddXScreenSaverEntry("", ztx::XScreenSaverEntryLine("/my home/zentrix-xscreensaver"), &error);
    ASSERT_TRUE(added);
    EXPECT_NE(added->find("programs:\t\\\n\t\t\"Zentrix\"  '/my home/zentrix-xscreensaver' --root \\n\n"),
              std::string::npos);
}

TEST(XScreenSaverList, ADamagedFileIsNotMadeWorse) {
    const std::string damaged = kOthers + "programs: other -root\n";
    ASSERT_TRUE(ztx::WriteFileAtomically(ztx::XScreenSaverFile(), damaged));
    std::string error;
    EXPECT_FALSE(ztx::InstallXScreenSaverEntry("/bin/zentrix-xscreensaver", &error));
    EXPECT_NE(error.find("more than one"), std::string::npos);
    std::string now;
    ASSERT_TRUE(ztx::ReadWholeFile(ztx::XScreenSaverFile(), now));
    EXPECT_EQ(now, damaged);
    EXPECT_FALSE(ztx::FileExists(ztx::XScreenSaverBackupFile()));
    EXPECT_FALSE(ztx::AddXScreenSaverEntry(std::string("programs: a\n\0b", 14), "x", &error));
}

// A package folder as the build lays it out, with stand-ins for the programs.
struct Package {
    std::string dir = ztx_test::g_tempRoot + "/package";
    ztx::PackageFolder folder;
    Package() {
        for (const char* program : {"zentrix", "zentrix-xscreensaver", "ztx", "zentrix-uninstall"}) {
            Write(program, "#!/bin/sh\nexit 0\n");
        }
        Write("presets/[D] Alpha.ZTX", "[Header]\nMagic=1107313153\n");
        Write("presets/Beta.ztx", "[Header]\nMagic=1107313153\n");
        Write("help/index.html", "<html></html>\n");
        Write("help/topics/main.html", "<html></html>\n");
        Write("PlugIns/rosette.so", "ELF");
        Write("ReadMe.TXT", "read me\n");
        Write("License.TXT", "licence\n");
        // The task-bar launcher: any program that keeps running will do.
        ztx::CopyFileOver("/bin/sleep", dir + "/zentrix-launcher");
        chmod((dir + "/zentrix-launcher").c_str(), 0755);
        Write("Slogan.TXT", "Colours for the idle hours\nsecond line\n");
        folder = ztx::FindPackageFolder(dir + "/zentrix-setup");
    }
    void Write(const std::string& name, const std::string& text) {
        ASSERT_TRUE(ztx::WriteFileAtomically(dir + "/" + name, text));
    }
};

std::string Setting(const char* name) { return ztx::ReadSettingText(name); }

bool Executable(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && (st.st_mode & 0111) == 0111;
}

// Every file below `dir`, relative to it.
void ListTree(const std::string& dir, const std::string& prefix, std::vector<std::string>& out) {
    for (const std::string& f : ztx::ListMatchingFiles(dir, "*")) out.push_back(prefix + f);
    for (const std::string& d : ztx::ListSubfolders(dir)) ListTree(dir + "/" + d, prefix + d + "/", out);
}

TEST(Setup, InstallsEverythingThenTheUninstallerRemovesIt) {
    Package package;
    ASSERT_TRUE(ztx::WriteFileAtomically(ztx::XScreenSaverFile(), kOthers));
    ztx::SetupStart first = ztx::InitialSetup(package.folder);
    EXPECT_FALSE(first.presetsAvailable);  // no earlier installation
    EXPECT_FALSE(first.companionInPackage);
    EXPECT_TRUE(first.launcherInPackage);
    EXPECT_FALSE(first.choices.installCompanion);
    EXPECT_EQ(first.choices.installDir, ztx::InstallDir());

    std::vector<std::string> packageBefore, before;
    ListTree(package.dir, "", packageBefore);
    ListTree(ztx_test::g_tempRoot, "", before);
    ztx::SetupChoices choices = first.choices;
    choices.installDir = ztx_test::g_tempRoot + "/My Zentrix";  // a space for the desktop entries
    choices.savedOnDesktop = true;
    ASSERT_TRUE(ztx::PrepareDirectory(choices.installDir));
    EXPECT_FALSE(ztx::PrepareDirectory("relative/folder"));
    ASSERT_TRUE(ztx::WriteFileAtomically(choices.installDir + "/Old.ZTX", "[Header]\n"));
    ASSERT_TRUE(ztx::RegCreateKey(ztx::RegRoot::CurrentUser, ztx::SettingsKeyPath() + "\\Saved\\Legacy One"));
    std::vector<std::pair<std::string, int>> steps;
    int closeRequests = 0;
    ztx::SetupHost host{.progress = [&](const std::string& t, int p) { steps.emplace_back(t, p); },
                        .closeOldVersions = [&] { ++closeRequests; }};
    ASSERT_EQ(ztx::RunInstall(package.folder, choices, host), ztx::InstallResult::Done);
    EXPECT_EQ(closeRequests, 0);
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(steps[0], std::make_pair(std::string("[D] Alpha.ZTX"), 40));  // bar in equal steps
    EXPECT_EQ(steps[1], std::make_pair(std::string("Beta.ztx"), 80));
    EXPECT_EQ(steps.back(), std::make_pair(std::string("Installation complete."), 100));
    EXPECT_NE(std::find(steps.begin(), steps.end(), std::make_pair(std::string("Updating: Legacy One"), 80)),
              steps.end());

    const std::string bin = ztx::BinDir(), sav = choices.installDir + "/Settings";
    for (const char* p : {"zentrix", "zentrix-xscreensaver", "ztx"}) EXPECT_TRUE(Executable(bin + "/" + p)) << p;
    EXPECT_TRUE(Executable(choices.installDir + "/zentrix-uninstall"));
    EXPECT_TRUE(Executable(choices.installDir + "/zentrix-launcher"));
    EXPECT_TRUE(ztx::IsRegularFile(ztx::AutostartDir() + "/zentrix-launcher.desktop"));
    EXPECT_EQ(Setting("ZentrixDir"), choices.installDir);
    EXPECT_EQ(Setting("ZentrixSav"), sav);
    EXPECT_EQ(Setting("PlugInDir"), choices.installDir + "/PlugIns");
    EXPECT_EQ(Setting("Slogan"), "Colours for the idle hours");
    EXPECT_EQ(Setting("Exception"), "None");
    EXPECT_FALSE(ztx::RegKeyExists(ztx::RegRoot::CurrentUser, ztx::SettingsKeyPath() + "\\Saved"));
    for (const char* f : {"Old.ZTX", "[D] Alpha.ZTX", "Beta.ztx", "Legacy One.ZTX"})
        EXPECT_TRUE(ztx::IsRegularFile(sav + "/" + f)) << f;
    EXPECT_FALSE(ztx::FileExists(choices.installDir + "/Old.ZTX"));
    EXPECT_TRUE(ztx::IsRegularFile(choices.installDir + "/PlugIns/rosette.so"));
    EXPECT_TRUE(ztx::IsRegularFile(ztx::SystemDir() + "/help/topics/main.html"));
    EXPECT_TRUE(ztx::IsRegularFile(choices.installDir + "/License.TXT"));
    std::string text;
    EXPECT_TRUE(ztx::RegReadText(ztx::RegRoot::LocalMachine, ztx::kUninstallKey, "UninstallString", text, 259));
    EXPECT_EQ(text, choices.installDir + "/zentrix-uninstall");
    EXPECT_TRUE(ztx::RegReadText(ztx::RegRoot::ClassesRoot, "Zentrix\\DefaultIcon", "", text, 259));
    EXPECT_EQ(text, bin + "/zentrix,1");
    EXPECT_TRUE(ztx::RegReadText(ztx::RegRoot::CurrentUser, ztx::kDesktopKey, "SCRNSAVE.EXE", text, 259));
    EXPECT_EQ(text, bin + "/zentrix");
    ASSERT_TRUE(ztx::ReadWholeFile(ztx::XScreenSaverFile(), text));
    EXPECT_NE(text.find(ztx::XScreenSaverEntryLine(bin + "/zentrix-xscreensaver")), std::string::npos);
    ASSERT_TRUE(ztx::ReadWholeFile(ztx::XScreenSaverBackupFile(), text));
    EXPECT_EQ(text, kOthers);

    std::vector<std::string> entries;
    for (const std::string& f : ztx::MenuEntryFiles()) entries.push_back(ztx::ApplicationsDir() + "/" + f);
    entries.push_back(ztx::DesktopDir() + "/" + ztx::kDesktopConfigureFile);
    entries.push_back(ztx::DesktopDir() + "/" + ztx::kDesktopSavedFile);
    entries.push_back(ztx::ApplicationsDir() + "/" + ztx::kDisplayEntryFile);
    std::string validate = "desktop-file-validate";
    for (const std::string& e : entries) {
        EXPECT_TRUE(ztx::IsRegularFile(e)) << e;
        validate += " '" + e + "'";
    }
    EXPECT_TRUE(Executable(ztx::DesktopDir() + "/" + ztx::kDesktopConfigureFile));
    // The association's MIME type is the one the installed tree ships.
    std::string shipped;
    ASSERT_TRUE(ztx::ReadWholeFile(std::string(ZTX_SOURCE_DIR) + "/data/zentrix-mime.xml", shipped));
    ASSERT_TRUE(ztx::ReadWholeFile(ztx::MimePackagesDir() + "/" + ztx::kMimePackageFile, text));
    EXPECT_EQ(text, shipped);
    ASSERT_TRUE(ztx::ReadWholeFile(ztx::ApplicationsDir() + "/zentrix-release-notes.desktop", text));
    EXPECT_NE(text.find("Exec=\"xdg-open\" \"" + choices.installDir + "/ReadMe.TXT\"\n"), std::string::npos);
    if (ztx_test::RunCommand("command -v desktop-file-validate").status == 0) {
        ztx_test::CommandResult check = ztx_test::RunCommand(validate + " 2>&1");
        EXPECT_EQ(check.status, 0) << check.out;
    }

    // A second run offers the stored folder and the presets.
    ztx::SetupStart second = ztx::InitialSetup(package.folder);
    EXPECT_TRUE(second.presetsAvailable);
    EXPECT_EQ(second.choices.installDir, choices.installDir);

    // The uninstaller: No leaves everything; Yes, then No for the launcher.
    ASSERT_TRUE(ztx::RegWriteText(ztx::RegRoot::CurrentUser,
                                  ztx::SettingsKeyPath() + "\\Saved\\Deep\\Deeper\\Deepest\\Bottom", "X", "1"));
    std::vector<std::string> asked;
    std::vector<bool> answers = {false};
    std::string informed;
    ztx::UninstallDialogs dialogs{.askYesNo =
                                      [&](const std::string& t, const std::string&) {
                                          asked.push_back(t);
                                          bool a = answers.front();
                                          answers.erase(answers.begin());
                                          return a;
                                      },
                                  .inform = [&](const std::string& t, const std::string&) { informed = t; }};
    EXPECT_FALSE(ztx::RunUninstall(dialogs));
    EXPECT_TRUE(ztx::IsRegularFile(bin + "/zentrix"));
    EXPECT_EQ(Setting("ZentrixDir"), choices.installDir);
    EXPECT_TRUE(informed.empty());

    // A launcher that runs is asked to close and waited for.
    const pid_t launcher = fork();
    if (launcher == 0) {
        execl((choices.installDir + "/zentrix-launcher").c_str(), "zentrix-launcher", "30", nullptr);
        _exit(127);
    }
    for (int i = 0; i < 100 && ztx::FindUserProcesses("zentrix-launcher").empty(); ++i) usleep(10000);
    EXPECT_EQ(ztx::FindUserProcesses("zentrix-launcher").size(), 1u);
    answers = {true, true};
    asked.clear();
    EXPECT_TRUE(ztx::RunUninstall(dialogs));
    EXPECT_TRUE(ztx::FindUserProcesses("zentrix-launcher").empty());
    int status = 0;
    waitpid(launcher, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(asked, (std::vector<std::string>{ztx::kConfirmRemovalText, ztx::kLauncherQuestionText}));
    EXPECT_EQ(informed, ztx::kRemovedText);
    EXPECT_FALSE(ztx::RegKeyExists(ztx::RegRoot::CurrentUser, ztx::SettingsKeyPath()));
    EXPECT_FALSE(ztx::RegKeyExists(ztx::RegRoot::ClassesRoot, ".ZTX"));
    EXPECT_FALSE(ztx::RegKeyExists(ztx::RegRoot::ClassesRoot, "Zentrix"));
    EXPECT_FALSE(ztx::RegKeyExists(ztx::RegRoot::LocalMachine, ztx::kUninstallKey));
    ASSERT_TRUE(ztx::ReadWholeFile(ztx::XScreenSaverFile(), text));
    EXPECT_EQ(text.find("zentrix"), std::string::npos);
    EXPECT_EQ(OtherLines(text), OtherLines(kOthers));

    std::vector<std::string> packageAfter;
    ListTree(package.dir, "", packageAfter);
    EXPECT_EQ(packageAfter, packageBefore);  // setup only reads its package

    // What is left of ours: the settings file (other keys live there) and
    // the saver list's backup. The desktop's MIME cache is the desktop's.
    std::vector<std::string> left;
    ListTree(ztx_test::g_tempRoot, "", left);
    for (const std::string& f : left) {
        if (f.rfind("data/mime/", 0) == 0 || std::find(before.begin(), before.end(), f) != before.end()) continue;
        EXPECT_TRUE(f == ".xscreensaver.zentrix-backup" || f.rfind("config/zentrix/registry.reg", 0) == 0) << f;
    }
}

// The saver file cannot be replaced (here a folder stands in its place):
// one "Close old versions" request, then "Install Problem...".
TEST(Setup, ASaverThatCannotBeReplacedEndsInInstallProblem) {
    Package package;
    ASSERT_TRUE(ztx::MakeDirs(ztx::BinDir() + "/zentrix/in-use"));
    ztx::SetupChoices choices = ztx::InitialSetup(package.folder).choices;
    int closeRequests = 0;
    std::string lastStep;
    ztx::SetupHost host{.progress = [&](const std::string& t, int) { lastStep = t; },
                        .closeOldVersions = [&] { ++closeRequests; }};
    EXPECT_EQ(ztx::RunInstall(package.folder, choices, host), ztx::InstallResult::SaverNotCopied);
    EXPECT_EQ(closeRequests, 1);
    EXPECT_EQ(lastStep, "Clearing exception data...");
    EXPECT_FALSE(ztx::FileExists(ztx::ApplicationsDir() + "/zentrix-configure.desktop"));
    EXPECT_FALSE(ztx::RegKeyExists(ztx::RegRoot::ClassesRoot, ".ZTX"));
}

TEST(Setup, SloganStopsAtTheFirstCharacterOutsideSpaceToZ) {
    EXPECT_EQ(ztx::SloganFromFile("One line\r\nnext"), "One line");
    EXPECT_EQ(ztx::SloganFromFile("braces {stop} here"), "braces ");
    EXPECT_EQ(ztx::SloganFromFile(std::string(300, 'a')).size(), 256u);
}

// The programs themselves, unattended, from the build folder (a package
// folder) into a home of their own, and out again.
TEST(Setup, UnattendedSetupAndUninstallFromTheBuildFolder) {
    const std::string home = ztx_test::g_tempRoot + "/fresh";
    const std::string env =
        "env HOME='" + home + "' XDG_CONFIG_HOME='" + home + "/.config' XDG_DATA_HOME='" + home + "/.local/share' ";
    const std::string buildDir = ztx::DirName(ZTX_ZENTRIX_EXE);
    ztx_test::CommandResult setup = ztx_test::RunCommand(env + "'" + buildDir + "/zentrix-setup' --unattended 2>&1");
    ASSERT_EQ(setup.status, 0) << setup.out;
    EXPECT_NE(setup.out.find("100% Installation complete."), std::string::npos) << setup.out;
    const std::string installDir = home + "/.local/share/zentrix";
    EXPECT_TRUE(Executable(home + "/.local/bin/zentrix"));
    EXPECT_TRUE(ztx::IsRegularFile(installDir + "/Settings/[D] Bezier.ZTX"));
    ztx_test::CommandResult listed = ztx_test::RunCommand(env + "'" + home + "/.local/bin/ztx' displays");
    EXPECT_NE(listed.out.find("[D] Bezier\n"), std::string::npos) << listed.out;

    ztx_test::CommandResult removal =
        ztx_test::RunCommand(env + "'" + installDir + "/zentrix-uninstall' --unattended 2>&1");
    EXPECT_EQ(removal.status, 0);
    EXPECT_NE(removal.out.find(ztx::kRemovedText), std::string::npos) << removal.out;
    std::vector<std::string> left;
    ListTree(home, "", left);
    // The desktop's MIME cache stays; so does a saver list (where
    // XScreenSaver is installed), without our entry.
    std::erase_if(left, [](const std::string& f) {
        return f.rfind(".local/share/mime/", 0) == 0 || f.rfind(".xscreensaver", 0) == 0;
    });
    std::string list;
    if (ztx::ReadWholeFile(home + "/.xscreensaver", list)) {
        EXPECT_EQ(list.find("zentrix"), std::string::npos);
    }
    EXPECT_EQ(left, (std::vector<std::string>{".config/zentrix/registry.reg", ".config/zentrix/registry.reg.lock"}));
}

}  // namespace
