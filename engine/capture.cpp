#include "engine/capture.h"

#include <cstdio>

#include "engine/animation.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "render/picture.h"
#include "settings/global_options.h"
#include "settings/registry.h"
#include "settings/settings_key.h"
#include "soundlink/sound_link.h"

namespace ztx {

namespace {

unsigned g_captureNumber = 0;
unsigned g_wallpaperNumber = 0;

std::string NumberedName(const std::string& folder, const std::string& prefix, unsigned n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4u.BMP", n);
    return folder + "/" + prefix + buf;
}

}  // namespace

void (*RootWindowWallpaper)(const std::string& path) = nullptr;

std::string CaptureFolder() {
    std::string folder = ReadSettingText("Capture", kMaxPathText);
    if (folder.empty()) {
        std::string install = ReadSettingText("ZentrixDir", kMaxPathText);
        folder = (install.empty() ? InstallDir() : install) + "/Screen Shots";
        WriteSettingText("Capture", folder);
    }
    return folder;
}

unsigned NextFileNumber(const std::string& folder, const std::string& prefix, unsigned start) {
    unsigned n = start ? start : static_cast<unsigned>(ListMatchingFiles(folder, prefix + "*.BMP").size()) + 1;
    // Counting alone could land on a file that is there (0001 and 0003 make
    // a count of two): never overwrite an earlier capture.
    while (FileExists(NumberedName(folder, prefix, n))) ++n;
    return n;
}

void ResetCaptureNumbers() { g_captureNumber = g_wallpaperNumber = 0; }

bool WriteCapture(DrawContext& window, int width, int height) {
    const std::string folder = CaptureFolder();
    if (!IsDirectory(folder)) MakeDirs(folder);
    g_captureNumber = NextFileNumber(folder, "ZTX-", g_captureNumber);
    SoundLinkRecord* link = SoundLink();
    const int scale = (link && link->captureFullRequest) ? 100 : Options.captureScale;
    const bool ok = GrabToBmp(window, NumberedName(folder, "ZTX-", g_captureNumber), true, width, height, scale,
                              Options.captureTile != 0) != 0;
    if (link) link->captureScaledRequest = 0;
    if (ok) ++g_captureNumber;
    return ok;
}

bool WriteWallpaper(DrawContext& window, int width, int height) {
    WallpaperKeyPressed = 0;
    const std::string folder = SystemDir();
    MakeDirs(folder);
    g_wallpaperNumber = NextFileNumber(folder, "BACK", g_wallpaperNumber);
    SoundLinkRecord* link = SoundLink();
    const int scale = (link && link->wallpaperRequest) ? 100 : Options.captureScale;
    const std::string path = NumberedName(folder, "BACK", g_wallpaperNumber);
    const bool ok = GrabToBmp(window, path, true, width, height, scale, Options.captureTile != 0) != 0;
    if (ok) {
        ++g_wallpaperNumber;
        SetDesktopWallpaper(path);
    }
    if (link) link->wallpaperRequest = 0;
    return ok;
}

void SetDesktopWallpaper(const std::string& path) {
    const char* key = "Control Panel\\Desktop";
    RegUpdate([&](RegistryData& d) {
        d.CreateKey(RegRoot::CurrentUser, key);
        d.Set(RegRoot::CurrentUser, key, "TileWallPaper", MakeTextValue("1"));
        d.Set(RegRoot::CurrentUser, key, "Wallpaper", MakeTextValue(path));
        return true;
    });
    if (RootWindowWallpaper) RootWindowWallpaper(path);
    // The desktops' own settings, where their tools are installed; a missing
    // tool simply fails to start.
    const std::string uri = "file://" + path;
    RunCommandLine("gsettings set org.gnome.desktop.background picture-uri \"" + uri + "\"");
    RunCommandLine("gsettings set org.gnome.desktop.background picture-uri-dark \"" + uri + "\"");
    RunCommandLine("gsettings set org.gnome.desktop.background picture-options wallpaper");
    RunCommandLine("xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image -s \"" + path +
                   "\"");
    RunCommandLine("feh --no-fehbg --bg-tile \"" + path + "\"");
}

}  // namespace ztx
