// The settings key and the helpers every part of the program uses to reach
// it. The key is "Control Panel\<name>" of the current user, the name being
// "Screen Saver.Zentrix".
#pragma once
#include <cstdint>
#include <string>

#include "engine/process_state.h"
#include "settings/registry.h"
#include "settings/text_limits.h"

namespace ztx {

constexpr char kDefaultSettingsKeyName[] = "Screen Saver.Zentrix";
constexpr char kProductKey[] = "Software\\Zentrix";
// Where the password grace period lives (the NT family's Winlogon key; the
// program behaves as on that family).
constexpr char kWinlogonKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// SettingsKeyName and SettingsKeyExisted are declared in
// engine/process_state.h.

// "Control Panel\<keyName>".
std::string SettingsKeyPath(const char* keyName = SettingsKeyName);

// Start-up of the key: sets the name, remembers whether the key existed and
// creates it when it did not.
void StartSettingsKey();

// Fills `buffer` with zeros, then reads the value of the settings key into
// it. Returns 1 when read, 0 when the key or value is missing or the value is
// larger than the buffer. `type` is the caller's expectation and, as in the
// registry, not checked.
int ReadSetting(const char* valueName, const char* keyName, uint32_t type, void* buffer, uint32_t size);
// Writes a value of the existing settings key with the given type and size;
// a size of 0 deletes the value. Returns 1 when the key opened and the value
// was stored.
int WriteSetting(const char* valueName, const char* keyName, uint32_t type, const void* data, uint32_t size);
// Text shorthands of the two above (text values are stored with their zero).
std::string ReadSettingText(const char* valueName, size_t maxChars = kMaxPathText);
int WriteSettingText(const char* valueName, const std::string& text);

// Keys of the current user.
int CreateKey(const std::string& path);
int KeyExists(const std::string& path);
// Deletes a key and everything below it: 0 on success, 1010 for an empty
// path (nothing is touched), another registry code otherwise.
long DeleteKeyTree(RegRoot root, const std::string& path);
// Deletes the older registry form of one saved display.
int DeleteSavedTree(const char* keyName, const std::string& displayName);

// General text read and write on any key (the write creates the key).
int ReadRegistryText(RegRoot root, const std::string& path, const std::string& name, std::string& out,
                     size_t maxChars = kMaxPathText);
int WriteRegistryText(RegRoot root, const std::string& path, const std::string& name, const std::string& text);

// Publishes this program's version for the companion analyser:
// "Current Version" = major * 65536 + minor, "Build" under "Software\Zentrix".
void PublishVersion(int major, int minor, int build);

// Registers the display-file association: ".ZTX" opens with the saver as a
// test run. `programPath` empty means the running program.
void RegisterDisplayAssociation(const std::string& programPath);

}  // namespace ztx
