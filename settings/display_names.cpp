#include "settings/display_names.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "platform/files.h"
#include "platform/folders.h"
#include "settings/settings_key.h"

namespace ztx {

bool IsValidDisplayName(const std::string& name, std::string* why) {
    auto refuse = [&](const char* text) {
        if (why) *why = text;
        return false;
    };
    if (name.empty()) return refuse("A display needs a name.");
    if (name == "." || name == "..") return refuse("\".\" and \"..\" cannot name a display.");
    if (name.find('/') != std::string::npos) return refuse("A display name cannot contain \"/\".");
    if (name.find('\0') != std::string::npos) return refuse("A display name cannot contain a zero character.");
    if (name.size() > kMaxDisplayName) return refuse("A display name can have at most 127 characters.");
    return true;
}

std::string SavedDisplayDir() {
    std::string dir = ReadSettingText("ZentrixSav", kMaxPathText);
    return dir.empty() ? DefaultSavedDir() : dir;
}

std::string DisplayPath(const std::string& name) {
    if (!IsValidDisplayName(name)) return std::string();
    std::string dir = SavedDisplayDir();
    std::string path = dir + "/" + name + ".ZTX";
    if (FileExists(path)) return path;
    // A file copied in by hand may spell the extension otherwise.
    for (const std::string& file : ListMatchingFiles(dir, "*.ZTX")) {
        if (file.size() == name.size() + 4 && file.compare(0, name.size(), name) == 0) return dir + "/" + file;
    }
    return path;
}

std::vector<std::string> ListDisplays() {
    std::vector<std::string> names;
    for (const std::string& file : ListMatchingFiles(SavedDisplayDir(), "*.ZTX")) {
        std::string name = file.substr(0, file.size() - 4);
        if (IsValidDisplayName(name)) names.push_back(name);
    }
    return names;
}

std::string ExportFileName(const std::string& name) {
    static const char kAllowed[] = "$%'-_@ ~`!(){}.^#&+,;=[]";
    std::string out;
    for (char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     (c != '\0' && std::strchr(kAllowed, c) != nullptr);
        out += plain ? c : '_';
    }
    return out + ".ZTX";
}

std::string NextSnapshotName() {
    for (int n = 0;; ++n) {
        std::string name = "Capture #" + std::to_string(n);
        if (!FileExists(DisplayPath(name))) return name;
    }
}

bool IsLegacyDisplayFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned char head[4];
    bool legacy = read(fd, head, 4) == 4 && head[0] == 0x00 && head[1] == 0x42 && head[2] == 0x00 && head[3] == 0x42;
    close(fd);
    return legacy && IsRegularFile(path);
}

}  // namespace ztx
