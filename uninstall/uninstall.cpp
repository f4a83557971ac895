#include "uninstall/uninstall.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "settings/registry.h"
#include "settings/settings_key.h"
#include "setup/install_names.h"
#include "setup/running_programs.h"
#include "setup/xscreensaver_list.h"

namespace ztx {

namespace {

void DeleteFile(const std::string& path) {
    if (unlink(path.c_str()) == 0) return;
    chmod(path.c_str(), 0644);
    unlink(path.c_str());
}

// Removes a folder tree of our own (the help pages).
void DeleteTree(const std::string& dir) {
    DeleteMatchingFiles(dir, "*");
    for (const std::string& name : ListSubfolders(dir)) DeleteTree(dir + "/" + name);
    rmdir(dir.c_str());
}

std::string StoredFolder(const char* value) {
    std::string dir = ReadSettingText(value);
    return !dir.empty() && dir[0] == '/' ? dir : std::string();
}

}  // namespace

void DeleteMatchingFiles(const std::string& dir, const std::string& pattern) {
    if (dir.empty()) return;
    for (const std::string& name : ListMatchingFiles(dir, pattern)) DeleteFile(dir + "/" + name);
}

bool RunUninstall(const UninstallDialogs& dialogs) {
    // 1. The design's self-copy is not needed: a running program may delete
    //    its own file here.
    // 2. Confirmation.
    if (!dialogs.askYesNo(kConfirmRemovalText, kConfirmRemovalCaption)) return false;
    const std::string installDir = StoredFolder(kZentrixDirValue);
    const std::string savedDir = StoredFolder(kSavedDirValue);
    const std::string pluginDir = StoredFolder(kPluginDirValue);

    // 4. The saver files, from the bin folder, then the "system" folder.
    for (const std::string& dir : {BinDir(), SystemDir()}) {
        for (const std::string& name : SaverFileNames()) DeleteFile(dir + "/" + name);
    }

    // 5. The task-bar launcher.
    if (dialogs.askYesNo(kLauncherQuestionText, kLauncherQuestionCaption)) {
        CloseUserPrograms(kLauncherProgram);
        DeleteFile(AutostartDir() + "/" + kAutostartFile);
        if (!installDir.empty()) DeleteFile(installDir + "/" + kLauncherProgram);
    }

    // 6-7. Desktop items.
    DeleteFile(DesktopDir() + "/" + kDesktopConfigureFile);
    DeleteFile(DesktopDir() + "/" + kDesktopSavedFile);

    // 8. The installation tree: plug-ins, displays, the installation folder's
    //    files and the help pages setup put into its "system" folder.
    DeleteMatchingFiles(pluginDir, "*.so");
    if (!pluginDir.empty()) rmdir(pluginDir.c_str());
    DeleteMatchingFiles(savedDir, "*.ZTX");
    if (!savedDir.empty()) rmdir(savedDir.c_str());
    if (!installDir.empty()) {
        DeleteMatchingFiles(installDir, "*.ZTX");
        for (const std::string& name : InstallFileNames()) DeleteFile(installDir + "/" + name);
    }
    DeleteTree(SystemDir() + "/help");
    rmdir(SystemDir().c_str());
    if (!installDir.empty()) rmdir(installDir.c_str());

    // 9. The menu group.
    for (const std::string& name : MenuEntryFiles()) DeleteFile(ApplicationsDir() + "/" + name);
    DeleteFile(MenusMergedDir() + "/" + kMenuFile);
    DeleteFile(DesktopDirectoriesDir() + "/" + kMenuDirectoryFile);

    // 10. The association and the uninstall entry, then the desktop is told
    //     that file types changed.
    RegDeleteKeyTree(RegRoot::ClassesRoot, ".ZTX");
    RegDeleteKeyTree(RegRoot::ClassesRoot, "Zentrix");
    RegDeleteKeyTree(RegRoot::LocalMachine, kUninstallKey);
    DeleteFile(ApplicationsDir() + "/" + kDisplayEntryFile);
    DeleteFile(MimePackagesDir() + "/" + kMimePackageFile);
    if (IsDirectory(DirName(MimePackagesDir())))
        RunCommandLine("update-mime-database \"" + DirName(MimePackagesDir()) + "\"");

    // 11. The settings tree.
    DeleteKeyTree(RegRoot::CurrentUser, SettingsKeyPath(kDefaultSettingsKeyName));

    // 12. No default saver any more: out of XScreenSaver's list, and the
    //     registry's value when it names our saver.
    RemoveXScreenSaverEntryFromFile(nullptr);
    std::string current;
    if (RegReadText(RegRoot::CurrentUser, kDesktopKey, kScreenSaverValue, current, kMaxPathText) &&
        BaseName(current) == kSaverProgram) {
        RegWriteText(RegRoot::CurrentUser, kDesktopKey, kScreenSaverValue, "(None)");
    }

    // 13.
    dialogs.inform(kRemovedText, kRemovedCaption);
    return true;
}

}  // namespace ztx
