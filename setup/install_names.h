// What setup creates and the uninstaller removes, named once for both: the
// settings and registry values, the files of the package, and the desktop
// entries that stand in for the start-menu group, desktop shortcuts and the
// Startup folder.
#pragma once
#include <string>
#include <vector>

#include "soundlink/sound_link.h"

namespace ztx {

// Settings of the program's key that locate the installation.
constexpr char kZentrixDirValue[] = "ZentrixDir";
constexpr char kSavedDirValue[] = "ZentrixSav";
constexpr char kPluginDirValue[] = "PlugInDir";

// The uninstall entry (local machine) and the default saver (current user).
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zentrix";
constexpr char kProductDisplayName[] = "The Zentrical Screen Saver";
constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kScreenSaverValue[] = "SCRNSAVE.EXE";
// The companion analyser's key (where its program path is registered) is
// kCompanionKey of soundlink/sound_link.h.

// Program files. The saver and its helpers go to the user's bin folder (the
// design's System directory); the uninstaller and the task-bar launcher to
// the installation folder.
constexpr char kSaverProgram[] = "zentrix";
constexpr char kHackProgram[] = "zentrix-xscreensaver";
constexpr char kToolProgram[] = "ztx";
constexpr char kUninstallProgram[] = "zentrix-uninstall";
constexpr char kLauncherProgram[] = "zentrix-launcher";
constexpr char kCompanionProgram[] = "zentrix-listen";

// The saver files the uninstaller removes from the bin folder and then from
// the installation's "system" folder, in this order.
inline const std::vector<std::string>& SaverFileNames() {
    static const std::vector<std::string> names = {kLauncherProgram, kSaverProgram, kHackProgram, kToolProgram};
    return names;
}
// Files of the installation folder besides the displays, in removal order.
inline const std::vector<std::string>& InstallFileNames() {
    static const std::vector<std::string> names = {"File_ID.DIZ", kLauncherProgram, kUninstallProgram,
                                                   "License.TXT", "ReadMe.TXT",     "FAQ.TXT"};
    return names;
}
// Package files copied into the installation folder.
inline const std::vector<std::string>& PackageDocNames() {
    static const std::vector<std::string> names = {"ReadMe.TXT", "File_ID.DIZ", "License.TXT"};
    return names;
}

// Desktop entry files. The menu group "The Zentrical Screen Saver" is a
// submenu built from the menu entries' category.
constexpr char kMenuCategory[] = "X-Zentrix";
constexpr char kMenuFile[] = "zentrix.menu";                // in menus/applications-merged
constexpr char kMenuDirectoryFile[] = "zentrix.directory";  // in desktop-directories
inline const std::vector<std::string>& MenuEntryFiles() {
    static const std::vector<std::string> names = {"zentrix-configure.desktop", "zentrix-help.desktop",
                                                   "zentrix-saved-displays.desktop", "zentrix-release-notes.desktop",
                                                   "zentrix-uninstall.desktop"};
    return names;
}
constexpr char kDesktopConfigureFile[] = "zentrix-configure.desktop";
constexpr char kDesktopSavedFile[] = "zentrix-saved-displays.desktop";
constexpr char kAutostartFile[] = "zentrix-launcher.desktop";
// The file association's own files (written by RegisterDisplayAssociation).
constexpr char kDisplayEntryFile[] = "zentrix-display.desktop";
constexpr char kMimePackageFile[] = "zentrix.xml";  // in mime/packages

// Folders of the desktop's menus (XDG_CONFIG_HOME and XDG_DATA_HOME based).
std::string MenusMergedDir();
std::string DesktopDirectoriesDir();
std::string MimePackagesDir();

}  // namespace ztx
