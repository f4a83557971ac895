#include "setup/setup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "settings/display_file.h"
#include "settings/settings_key.h"
#include "setup/desktop_entries.h"
#include "setup/install_names.h"
#include "setup/running_programs.h"
#include "setup/xscreensaver_list.h"
#include "soundlink/sound_link.h"

namespace ztx {

std::string MenusMergedDir() { return DirName(ConfigDir()) + "/menus/applications-merged"; }
std::string DesktopDirectoriesDir() { return DirName(InstallDir()) + "/desktop-directories"; }
std::string MimePackagesDir() { return DirName(InstallDir()) + "/mime/packages"; }

namespace {

std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// A copy that fails is retried once after making the target writable again
// (the design resets its attributes to normal).
bool CopyWithRetry(const std::string& from, const std::string& to) {
    if (CopyFileOver(from, to)) return true;
    chmod(to.c_str(), 0644);
    return CopyFileOver(from, to);
}

bool InstallProgramFile(const std::string& from, const std::string& to) {
    return CopyWithRetry(from, to) && chmod(to.c_str(), 0755) == 0;
}

bool MoveWithRetry(const std::string& from, const std::string& to) {
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    chmod(to.c_str(), 0644);
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    // Another file system: copy, then remove the original.
    return CopyFileOver(from, to) && unlink(from.c_str()) == 0;
}

// A folder of the installation ("PlugIns", "Settings"), or the installation
// folder itself when it cannot be made.
std::string SubFolder(const std::string& installDir, const char* name) {
    std::string dir = installDir + "/" + name;
    MakeDirs(dir);
    return IsDirectory(dir) ? dir : installDir;
}

// Copies a folder tree (the help pages); files that fail are skipped.
void CopyTree(const std::string& from, const std::string& to) {
    MakeDirs(to);
    for (const std::string& name : ListMatchingFiles(from, "*")) CopyWithRetry(from + "/" + name, to + "/" + name);
    for (const std::string& name : ListSubfolders(from)) CopyTree(from + "/" + name, to + "/" + name);
}

bool HasLegacyDisplays() {
    return !RegSubkeys(RegRoot::CurrentUser, SettingsKeyPath(kDefaultSettingsKeyName) + "\\Saved").empty();
}

// The modules and a palette record, which converting older displays needs.
void PrepareModules() {
    ClearModuleTable();
    if (!CurrentPalette()) CreatePaletteRecord(nullptr);
    RegisterModules();
}

void ClearCompanionQuitFlag() {
    if (SoundLinkRecord* link = OpenSoundLink()) {
        link->companionEndNotice = 0;
        CloseSoundLink(link);
    }
}

void InstallLauncher(const PackageFolder& package, const std::string& installDir) {
    const std::string source = package.programDir + "/" + kLauncherProgram;
    const std::string target = installDir + "/" + kLauncherProgram;
    CloseUserPrograms(kLauncherProgram);
    const std::string autostart = AutostartDir() + "/" + kAutostartFile;
    if (unlink(autostart.c_str()) != 0) {
        chmod(autostart.c_str(), 0644);
        unlink(autostart.c_str());
    }
    InstallProgramFile(source, target);
    WriteDesktopEntry(autostart, {.name = "SS Trampo v3.0", .comment = "SS Trampo v3.0", .exec = {target}});
    RunCommandLine("\"" + target + "\"");
}

}  // namespace

PackageFolder FindPackageFolder(const std::string& setupPath) {
    PackageFolder p;
    p.programDir = Canonical(DirName(setupPath).empty() ? "." : DirName(setupPath));
    p.program = p.programDir + "/" + kSaverProgram;
    // An installed copy: programs in <prefix>/bin, data in <prefix>/share.
    const std::string shared = Canonical(p.programDir + "/../share/zentrix");
    if (IsDirectory(shared + "/presets")) {
        p.dataDir = shared;
        p.pluginDir = Canonical(p.programDir + "/../lib/zentrix/PlugIns");
    } else {
        p.dataDir = p.programDir;
        p.pluginDir = p.programDir + "/PlugIns";
    }
    return p;
}

SetupStart InitialSetup(const PackageFolder& package) {
    SetupStart s;
    std::string stored = ReadSettingText(kZentrixDirValue);
    s.choices.installDir = stored.empty() ? InstallDir() : stored;
    std::string companion;
    RegReadText(RegRoot::LocalMachine, kCompanionKey, "", companion, kMaxPathText);
    s.choices.companionDir = companion.find('/') != std::string::npos ? DirName(companion) : BinDir();
    s.presetsAvailable = KeyExists(SettingsKeyPath(kDefaultSettingsKeyName)) != 0;
    s.launcherInPackage = IsRegularFile(package.programDir + "/" + kLauncherProgram);
    s.companionInPackage = IsRegularFile(package.programDir + "/" + kCompanionProgram);
    if (!s.launcherInPackage) s.choices.addLauncher = false;
    if (!s.companionInPackage) {
        s.choices.installCompanion = s.choices.companionDefaultCd = s.choices.companionDefaultMedia = false;
    }
    return s;
}

bool PrepareDirectory(const std::string& dir) {
    if (dir.empty() || dir[0] != '/') return false;
    MakeDirs(dir);
    return IsDirectory(dir) && access(dir.c_str(), W_OK | X_OK) == 0;
}

std::string SloganFromFile(const std::string& contents) {
    std::string head = contents.substr(0, 256);
    size_t end = 0;
    while (end < head.size() && head[end] >= ' ' && head[end] <= 'z') ++end;
    return head.substr(0, end);
}

InstallResult RunInstall(const PackageFolder& package, const SetupChoices& choices, const SetupHost& host) {
    auto progress = [&](const std::string& text, int percent) {
        if (host.progress) host.progress(text, percent);
    };
    const std::string& installDir = choices.installDir;
    CreateKey(SettingsKeyPath(kDefaultSettingsKeyName));

    // 1-2. The installation folder and its displays and plug-in folders.
    WriteSettingText(kZentrixDirValue, installDir);
    const std::string pluginDir = SubFolder(installDir, "PlugIns");
    WriteSettingText(kPluginDirValue, pluginDir);
    const std::string savedDir = SubFolder(installDir, "Settings");
    WriteSettingText(kSavedDirValue, savedDir);

    // 3. Displays left in the installation folder move to the displays folder.
    if (savedDir != installDir) {
        for (const std::string& name : ListMatchingFiles(installDir, "*.ZTX")) {
            MoveWithRetry(installDir + "/" + name, savedDir + "/" + name);
        }
    }

    // 4. The preset displays (and the example plug-ins).
    if (choices.loadPresets) {
        const std::string presetDir = package.dataDir + "/presets";
        const std::vector<std::string> presets = ListMatchingFiles(presetDir, "*.ZTX");
        for (size_t i = 0; i < presets.size(); ++i) {
            progress(presets[i], static_cast<int>(80 * (i + 1) / presets.size()));
            CopyWithRetry(presetDir + "/" + presets[i], savedDir + "/" + presets[i]);
            DeleteSavedTree(kDefaultSettingsKeyName, presets[i].substr(0, presets[i].size() - 4));
        }
        for (const std::string& name : ListMatchingFiles(package.pluginDir, "*.so")) {
            CopyWithRetry(package.pluginDir + "/" + name, pluginDir + "/" + name);
        }
    }

    // 5. The saver, then the association of display files with it.
    const std::string saver = BinDir() + "/" + kSaverProgram;
    bool saverCopied = InstallProgramFile(package.program, saver);
    if (!saverCopied) {
        if (host.closeOldVersions) host.closeOldVersions();
        SleepMs(1000);
        saverCopied = InstallProgramFile(package.program, saver);
    }
    if (saverCopied) {
        for (const char* helper : {kHackProgram, kToolProgram}) {
            InstallProgramFile(package.programDir + "/" + helper, BinDir() + "/" + helper);
        }
        RegisterDisplayAssociation(saver);
    }

    // 6. Displays of the older registry form become display files.
    if (HasLegacyDisplays()) {
        PrepareModules();
        ConvertLegacyRegistry([&](const std::string& text) { progress(text, 80); });
    }

    // 7. Help pages and the uninstall entry.
    progress("Updating uninstall info...", 86);
    if (IsDirectory(package.dataDir + "/help")) CopyTree(package.dataDir + "/help", SystemDir() + "/help");
    const std::string uninstaller = installDir + "/" + kUninstallProgram;
    if (InstallProgramFile(package.programDir + "/" + kUninstallProgram, uninstaller)) {
        RegWriteText(RegRoot::LocalMachine, kUninstallKey, "DisplayName", kProductDisplayName);
        RegWriteText(RegRoot::LocalMachine, kUninstallKey, "UninstallString", uninstaller);
    }

    // 8. Documents.
    progress("Copying files to home directory...", 87);
    for (const std::string& name : PackageDocNames()) {
        if (IsRegularFile(package.dataDir + "/" + name))
            CopyWithRetry(package.dataDir + "/" + name, installDir + "/" + name);
    }

    // 9. The slogan and the exception record.
    progress("Clearing exception data...", 89);
    WriteSetting("Slogan", nullptr, kRegSz, nullptr, 0);
    std::string slogan;
    if (ReadWholeFile(package.dataDir + "/Slogan.TXT", slogan)) WriteSettingText("Slogan", SloganFromFile(slogan));
    WriteSettingText("Exception", "None");

    // 10. Without the saver the rest would point at nothing.
    if (!saverCopied) return InstallResult::SaverNotCopied;

    // 11. The menu group.
    const std::vector<DesktopEntry> menu = {
        {.name = "Zentrical Screen Saver", .comment = "Zentrical Screen Saver", .exec = {saver, "/C"}},
        {.name = "Help", .comment = "Help", .exec = OpenWithDesktop(SystemDir() + "/help/index.html")},
        {.name = "Saved Displays", .comment = "Saved Displays", .exec = OpenWithDesktop(savedDir)},
        {.name = "Release Notes", .comment = "Release Notes", .exec = OpenWithDesktop(installDir + "/ReadMe.TXT")},
        {.name = "UnInstall", .comment = "UnInstall", .exec = {uninstaller}},
    };
    for (size_t i = 0; i < menu.size(); ++i) {
        DesktopEntry entry = menu[i];
        entry.inMenuGroup = true;
        WriteDesktopEntry(ApplicationsDir() + "/" + MenuEntryFiles()[i], entry);
    }
    WriteMenuGroup(kProductDisplayName);

    // 12-16. The options of the install page.
    if (choices.addLauncher && IsRegularFile(package.programDir + "/" + kLauncherProgram)) {
        progress("Installing SS Trampo...", 91);
        InstallLauncher(package, installDir);
    }
    if (choices.configOnDesktop) {
        progress("Adding config to desktop...", 93);
        WriteDesktopEntry(
            DesktopDir() + "/" + kDesktopConfigureFile,
            {.name = "Zentrix SS - Configure", .comment = "Zentrix SS - Configure", .exec = {saver, "/C"}}, true);
    }
    if (choices.installCompanion && IsRegularFile(package.programDir + "/" + kCompanionProgram)) {
        progress("Installing Tonewell Pro...", 95);
        ClearCompanionQuitFlag();
        const std::string companion = choices.companionDir + "/" + kCompanionProgram;
        if (PrepareDirectory(choices.companionDir) &&
            InstallProgramFile(package.programDir + "/" + kCompanionProgram, companion)) {
            RegWriteText(RegRoot::LocalMachine, kCompanionKey, "", companion);
        }
    }
    if (choices.makeDefaultSaver) {
        progress("Setting default screen saver...", 97);
        RegWriteText(RegRoot::CurrentUser, kDesktopKey, kScreenSaverValue, saver);
        RegWriteText(RegRoot::CurrentUser, kDesktopKey, "ScreenSaveActive", "1");
        std::string error;
        if (!InstallXScreenSaverEntry(BinDir() + "/" + kHackProgram, &error)) {
            std::fprintf(stderr, "zentrix-setup: %s\n", error.c_str());
        }
    }
    if (choices.savedOnDesktop) {
        progress("Adding link to saved settings...", 98);
        WriteDesktopEntry(DesktopDir() + "/" + kDesktopSavedFile,
                          {.name = "Zentrix SS - Saved Displays",
                           .comment = "Zentrix SS - Saved Displays",
                           .exec = OpenWithDesktop(savedDir)},
                          true);
    }
    if (choices.default256Colours) {
        // The presenter animates the palette on every screen, so the desktop
        // already counts as a 256-colour display: nothing is stored.
        progress("Setting default video mode...", 99);
    }
    progress("Installation complete.", 100);
    return InstallResult::Done;
}

int RunUnattendedSetup(const std::string& setupPath) {
    PackageFolder package = FindPackageFolder(setupPath);
    SetupStart start = InitialSetup(package);
    if (!PrepareDirectory(start.choices.installDir)) {
        std::fprintf(stderr, "zentrix-setup: %s (%s)\n", kInvalidDirectoryText, start.choices.installDir.c_str());
        return 1;
    }
    SetupHost host{
        .progress = [](const std::string& text, int percent) { std::printf("%3d%% %s\n", percent, text.c_str()); },
        .closeOldVersions = [] { std::fprintf(stderr, "zentrix-setup: %s\n", kCloseOldVersionsText); }};
    if (RunInstall(package, start.choices, host) != InstallResult::Done) {
        std::fprintf(stderr, "zentrix-setup: %s %s\n", kInstallProblemCaption, kInstallProblemText);
        return 1;
    }
    std::fflush(stdout);
    return 0;
}

std::string ConfigureCommand() { return "\"" + BinDir() + "/" + kSaverProgram + "\" /C"; }

}  // namespace ztx
