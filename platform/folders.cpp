#include "platform/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace ztx {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// An XDG base folder: the variable when it holds an absolute path (the XDG
// rules say relative ones are to be ignored), else the home-relative default.
std::string XdgDir(const char* var, const char* fallback) {
    std::string v = Env(var);
    if (!v.empty() && v[0] == '/') return v;
    return HomeDir() + "/" + fallback;
}

}  // namespace

std::string HomeDir() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string ConfigDir() { return XdgDir("XDG_CONFIG_HOME", ".config") + "/zentrix"; }
std::string InstallDir() { return XdgDir("XDG_DATA_HOME", ".local/share") + "/zentrix"; }
std::string DefaultSavedDir() { return InstallDir() + "/Settings"; }
std::string DefaultPluginDir() { return InstallDir() + "/PlugIns"; }
std::string DefaultCaptureDir() { return InstallDir() + "/Screen Shots"; }
std::string SystemDir() { return InstallDir() + "/system"; }
std::string BinDir() { return HomeDir() + "/.local/bin"; }
std::string ApplicationsDir() { return XdgDir("XDG_DATA_HOME", ".local/share") + "/applications"; }
std::string AutostartDir() { return XdgDir("XDG_CONFIG_HOME", ".config") + "/autostart"; }

std::string DesktopDir() {
    std::string d = Env("XDG_DESKTOP_DIR");
    if (!d.empty() && d[0] == '/') return d;
    return HomeDir() + "/Desktop";
}

}  // namespace ztx
