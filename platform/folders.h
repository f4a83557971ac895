// Where the program keeps its files on Linux. Every folder honours the XDG
// variables, so tests and users can point the program at other folders.
#pragma once
#include <string>

namespace ztx {

// $XDG_CONFIG_HOME/zentrix (~/.config/zentrix): the registry file.
std::string ConfigDir();
// $XDG_DATA_HOME/zentrix (~/.local/share/zentrix): the installation folder.
std::string InstallDir();
// The installation folder's "Settings" (saved displays), "PlugIns" and
// "Screen Shots" folders: the defaults when the settings name none.
std::string DefaultSavedDir();
std::string DefaultPluginDir();
std::string DefaultCaptureDir();
// The installation folder's "system" folder (wallpapers, help, pictures).
std::string SystemDir();
// ~/.local/bin: where setup installs the saver.
std::string BinDir();
// Where desktop entries go: applications menu, desktop, autostart.
std::string ApplicationsDir();
std::string DesktopDir();
std::string AutostartDir();
// The user's home folder ($HOME, or the password database's entry).
std::string HomeDir();

}  // namespace ztx
