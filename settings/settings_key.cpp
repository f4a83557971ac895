#include "settings/settings_key.h"

#include <cstring>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "settings/display_names.h"

namespace ztx {

char SettingsKeyName[128] = "Screen Saver.Zentrix";
bool SettingsKeyExisted = false;

std::string SettingsKeyPath(const char* keyName) {
    return std::string("Control Panel\\") + (keyName ? keyName : SettingsKeyName);
}

void StartSettingsKey() {
    // Saves cut short by a crash or a full disk leave their temporary files
    // beside the settings and the displays.
    RemoveStaleTemporaries(DirName(RegistryFilePath()));
    std::strncpy(SettingsKeyName, kDefaultSettingsKeyName, sizeof SettingsKeyName - 1);
    SettingsKeyExisted = RegKeyExists(RegRoot::CurrentUser, SettingsKeyPath());
    if (!SettingsKeyExisted) RegCreateKey(RegRoot::CurrentUser, SettingsKeyPath());
    RemoveStaleTemporaries(SavedDisplayDir());
}

int ReadSetting(const char* valueName, const char* keyName, uint32_t /*type*/, void* buffer, uint32_t size) {
    if (buffer && size) std::memset(buffer, 0, size);
    RegValue v;
    if (!buffer || !RegQuery(RegRoot::CurrentUser, SettingsKeyPath(keyName), valueName ? valueName : "", v))
        return 0;
    if (v.data.size() > size) return 0;
    std::memcpy(buffer, v.data.data(), v.data.size());
    return 1;
}

int WriteSetting(const char* valueName, const char* keyName, uint32_t type, const void* data, uint32_t size) {
    const std::string path = SettingsKeyPath(keyName);
    const std::string name = valueName ? valueName : "";
    bool keyOpened = false;
    bool written = RegUpdate([&](RegistryData& d) {
        if (!d.KeyExists(RegRoot::CurrentUser, path)) return false;
        keyOpened = true;
        if (size == 0) return d.DeleteValue(RegRoot::CurrentUser, path, name);
        RegValue v;
        v.type = type;
        v.data.assign(static_cast<const char*>(data), size);
        return d.Set(RegRoot::CurrentUser, path, name, std::move(v));
    });
    return keyOpened && written ? 1 : 0;
}

std::string ReadSettingText(const char* valueName, size_t maxChars) {
    std::string out;
    if (!RegReadText(RegRoot::CurrentUser, SettingsKeyPath(), valueName, out, maxChars)) out.clear();
    return out;
}

int WriteSettingText(const char* valueName, const std::string& text) {
    RegValue v = MakeTextValue(text);
    return WriteSetting(valueName, SettingsKeyName, kRegSz, v.data.data(), static_cast<uint32_t>(v.data.size()));
}

int CreateKey(const std::string& path) { return RegCreateKey(RegRoot::CurrentUser, path) ? 1 : 0; }

int KeyExists(const std::string& path) { return RegKeyExists(RegRoot::CurrentUser, path) ? 1 : 0; }

long DeleteKeyTree(RegRoot root, const std::string& path) { return RegDeleteKeyTree(root, path); }

int DeleteSavedTree(const char* keyName, const std::string& displayName) {
    if (displayName.empty()) return 0;
    return DeleteKeyTree(RegRoot::CurrentUser, SettingsKeyPath(keyName) + "\\Saved\\" + displayName) == kRegOk ? 1
                                                                                                             : 0;
}

int ReadRegistryText(RegRoot root, const std::string& path, const std::string& name, std::string& out,
                     size_t maxChars) {
    return RegReadText(root, path, name, out, maxChars) ? 1 : 0;
}

int WriteRegistryText(RegRoot root, const std::string& path, const std::string& name, const std::string& text) {
    return RegWriteText(root, path, name, text, true) ? 1 : 0;
}

void PublishVersion(int major, int minor, int build) {
    uint32_t version = static_cast<uint32_t>(major) * 65536u + (static_cast<uint32_t>(minor) & 0xFFFFu);
    uint32_t b = static_cast<uint32_t>(build) & 0xFFFFu;
    RegUpdate([&](RegistryData& d) {
        const RegValue* cv = d.Find(RegRoot::CurrentUser, kProductKey, "Current Version");
        const RegValue* cb = d.Find(RegRoot::CurrentUser, kProductKey, "Build");
        RegValue nv = MakeDwordValue(version), nb = MakeDwordValue(b);
        // Nothing to write when both are already there (every start calls this).
        if (cv && cb && cv->type == nv.type && cv->data == nv.data && cb->type == nb.type && cb->data == nb.data)
            return false;
        d.CreateKey(RegRoot::CurrentUser, kProductKey);
        d.Set(RegRoot::CurrentUser, kProductKey, "Current Version", nv);
        d.Set(RegRoot::CurrentUser, kProductKey, "Build", nb);
        return true;
    });
}

void RegisterDisplayAssociation(const std::string& programPath) {
    std::string program = programPath.empty() ? OwnProgramPath() : programPath;
    RegUpdate([&](RegistryData& d) {
        const RegRoot root = RegRoot::ClassesRoot;
        d.CreateKey(root, ".ZTX");
        d.Set(root, ".ZTX", "", MakeTextValue("Zentrix"));
        d.Set(root, ".ZTX", "Content Type", MakeTextValue("application/zentrix"));
        d.CreateKey(root, "Zentrix\\shell\\open\\command");
        d.Set(root, "Zentrix\\shell\\open\\command", "", MakeTextValue("Zentrix.SCR /S %1"));
        d.CreateKey(root, "Zentrix\\DefaultIcon");
        d.Set(root, "Zentrix\\DefaultIcon", "", MakeTextValue(program + ",1"));
        return true;
    });

    // The desktop's own form of the same association: a MIME type for
    // "*.ZTX" files and a desktop entry that opens them as a test run.
    std::string dataHome = DirName(InstallDir());
    WriteFileAtomically(dataHome + "/mime/packages/zentrix.xml",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                        "  <mime-type type=\"application/zentrix\">\n"
                        "    <comment>Zentrix display</comment>\n"
                        "    <glob pattern=\"*.ztx\" case-sensitive=\"false\"/>\n"
                        "  </mime-type>\n"
                        "</mime-info>\n");
    WriteFileAtomically(ApplicationsDir() + "/zentrix-display.desktop",
                        "[Desktop Entry]\nType=Application\nName=Zentrix display\n"
                        "Comment=Try out a Zentrix display full screen\nExec=\"" +
                            program + "\" /S %f\nMimeType=application/zentrix;\nNoDisplay=true\n");
    // Tell the desktop that associations changed (when its tools are there).
    RunCommandLine("update-mime-database \"" + dataHome + "/mime\"");
}

}  // namespace ztx
