// The plug-in host: fills the module table's PlugIn slot from a shared
// object in the plug-in folder, hands the library the host's routines and
// defines its "Strength" control.
//
// Plug-ins are named by a bare file name inside the plug-in folder (the
// setting "PlugInDir", by default the installation folder's "PlugIns"). A
// name with "/" or "..", or one that does not end in ".so", is refused, so a
// display file can never make the program load a library from elsewhere. A
// library once loaded stays loaded for the life of the process.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#define ZTX_PLUGIN_HOST 1
#include "include/zentrix/plugin.h"

namespace ztx {

// Title of the message shown when a library lacks a required export.
constexpr char kInvalidPluginTitle[] = "Invalid Plug-In Module";

// The plug-in folder: "PlugInDir", or the default when it is not set.
std::string PluginFolder();

// Whether `name` may name a plug-in: a non-empty file name of at most 259
// characters ending in ".so" (any case), without "/" and without "..".
bool IsPluginFileName(std::string_view name);

// Loads the library `fileName` of the plug-in folder into the PlugIn slot.
// Its routines are stored in the slot's record as they are found; then the
// host's routine table is handed over, the record's controls are cleared and
// defined by the library, and the host adds "Strength" (slot 9). Returns 1,
// or 0 when the name is refused, the library cannot be loaded (nothing is
// stored then) or a required export is missing. In the last case, unless
// `quiet`, `message` (when given) receives the text to show the user under
// kInvalidPluginTitle; the routines found before the missing one stay
// stored and the missing one is stored as absent. Display loading and saving
// load quietly. Runs on the caller's thread.
int LoadPlugin(const char* fileName, bool quiet = true, std::string* message = nullptr);

// File names of the plug-ins in the plug-in folder ("*.so", any case),
// sorted without regard to case; empty when there are none.
std::vector<std::string> ListPlugins();

// Which entry of a plug-in list the editor shows: the PlugIn record's
// PluginPath when set (its index, or -1 when it is not in the list); else the
// first entry, whose name is then copied into PluginPath. -1 for an empty
// list.
int SelectListedPlugin(const std::vector<std::string>& names);

// The table of host routines handed to every plug-in.
const ZtxPluginCallbacks& HostPluginCallbacks();

}  // namespace ztx
