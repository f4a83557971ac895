// Display names and where their files live. A display is saved as the file
// "<name>.ZTX" in the saved-display folder, so a name must be usable as a
// file name; names are used unchanged otherwise.
#pragma once
#include <string>
#include <vector>

#include "settings/text_limits.h"

namespace ztx {

// Reserved names.
constexpr char kTestingDisplay[] = "Testing Current Settings";
constexpr char kFallbackDisplay[] = "[R] Saved Sound Settings";

// Whether `name` can name a display file: not empty, not "." or "..", no "/"
// and no NUL, at most 127 characters. `why` receives a sentence for the user.
bool IsValidDisplayName(const std::string& name, std::string* why = nullptr);

// The saved-display folder: the "ZentrixSav" setting, or the installation's
// "Settings" folder when it is not set.
std::string SavedDisplayDir();

// The file of a display: "<folder>/<name>.ZTX". When a file of that name
// exists with the extension spelt in another case, that file. Empty for a
// name that cannot be a file name, so nothing is ever touched outside the
// folder.
std::string DisplayPath(const std::string& name);

// Saved display names (file names without ".ZTX"), sorted without regard
// to case.
std::vector<std::string> ListDisplays();

// The file name proposed when a display is exported: "<name>.ZTX" with every
// character that is neither an ASCII letter or digit nor one of
// $%'-_@ ~`!(){}.^#&+,;=[] replaced by "_".
std::string ExportFileName(const std::string& name);

// The lowest "Capture #n" (n >= 0) that has no display file.
std::string NextSnapshotName();

// Whether the file starts with the legacy binary display magic 00 42 00 42.
bool IsLegacyDisplayFile(const std::string& path);
constexpr unsigned kLegacyMagic = 0x42004200u;

}  // namespace ztx
