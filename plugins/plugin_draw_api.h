// The drawing interface offered to plug-in modules: C functions over the
// drawing layer, handed to each plug-in as a versioned table of function
// pointers (ZtxDrawApi in include/zentrix/plugin.h).
#pragma once

#define ZTX_PLUGIN_HOST 1
#include "include/zentrix/plugin.h"

namespace ztx {

// The table; it lives for the life of the process.
const ZtxDrawApi& PluginDrawApi();

}  // namespace ztx
