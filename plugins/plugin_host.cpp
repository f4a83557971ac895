// The plug-in host: loading a library into the PlugIn slot and the routines
// the library may call back.
#include "plugins/plugin_host.h"

#include <cstring>
#include <mutex>

#include "engine/engine_state.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "plugins/plugin_draw_api.h"
#include "settings/settings_key.h"

namespace ztx {
namespace {

constexpr size_t kMaxNameChars = ZTX_PATH_SIZE - 1;

// Every library loaded so far. They are never closed: a plug-in's code may
// still be referenced from the record or from its own threads.
std::mutex g_librariesLock;
std::vector<DynamicLibrary>& LoadedLibraries() {
    static std::vector<DynamicLibrary> all;
    return all;
}

void KeepLoaded(const DynamicLibrary& lib) {
    std::lock_guard<std::mutex> hold(g_librariesLock);
    for (const DynamicLibrary& known : LoadedLibraries()) {
        if (known.handle == lib.handle) return;  // the same library again
    }
    LoadedLibraries().push_back(lib);
}

bool ValidSlot(const ModuleRecord* record, int slot) {
    return record != nullptr && slot >= 0 && slot < kControlCount;
}

// ---- the ten host routines ---------------------------------------------------

int ZTX_PLUGIN_CALL HostAnimationRunning() { return AnimationRunning.load(std::memory_order_relaxed); }

int ZTX_PLUGIN_CALL HostDefineControl(ModuleRecord* record, int slot, const char* name, int min, int max,
                                      int rangeLo, int rangeHi, int value, int check, int sense, int animatable) {
    if (record == nullptr) return 0;
    return DefinePluginControl(record, slot, name, min, max, rangeLo, rangeHi, value, check, sense, animatable);
}

int ZTX_PLUGIN_CALL HostIsDriven(ModuleRecord* record, int slot) {
    return ValidSlot(record, slot) && IsDriven(record->Check[slot]) ? 1 : 0;
}

int ZTX_PLUGIN_CALL HostEvolveInt(ModuleRecord* record, int slot) {
    return ValidSlot(record, slot) ? EvolveControl(record, slot) : 0;
}

float ZTX_PLUGIN_CALL HostEvolveFloat(ModuleRecord* record, int slot) {
    if (!ValidSlot(record, slot)) return 0.0f;
    return EvolveValue(record->Check[slot], &record->EvolveState[slot], record->Sense[slot], record->RangeLo[slot],
                       record->RangeHi[slot]);
}

int ZTX_PLUGIN_CALL HostRestartControls(ModuleRecord* record) {
    if (record == nullptr) return 0;
    RandomizeControls(record);
    return EvolveControls(record);
}

int ZTX_PLUGIN_CALL HostControlValue(ModuleRecord* record, int slot) {
    return ValidSlot(record, slot) ? record->Control[slot] : 0;
}

void* ZTX_PLUGIN_CALL HostDrawingContext(ModuleRecord* record) { return record ? record->Dc : nullptr; }
int ZTX_PLUGIN_CALL HostWidth(ModuleRecord* record) { return record ? record->Width : 0; }
int ZTX_PLUGIN_CALL HostHeight(ModuleRecord* record) { return record ? record->Height : 0; }


std::string MissingExportMessage(const char* exportName) {
    return std::string("This plug-in module does not export a required entry point.\n\n"
                       "Please inform the developer of this plug-in module that the '") +
           exportName + "' entry point has not been properly exported.";
}

ModuleRoutine Routine(const DynamicLibrary& lib, const char* name) {
    return reinterpret_cast<ModuleRoutine>(FindSymbol(lib, name));
}

}  // namespace

std::string PluginFolder() {
    std::string dir = ReadSettingText("PlugInDir");
    if (dir.empty()) dir = DefaultPluginDir();
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

bool IsPluginFileName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameChars) return false;
    if (name.find('/') != std::string_view::npos || name.find("..") != std::string_view::npos) return false;
    if (name.find('\0') != std::string_view::npos) return false;
    return name.size() > 3 && MatchPattern("*.so", name);
}

int LoadPlugin(const char* fileName, bool quiet, std::string* message) {
    if (fileName == nullptr) return 0;
    const std::string name(fileName, strnlen(fileName, kMaxNameChars + 1));
    if (!IsPluginFileName(name)) return 0;
    const std::string folder = PluginFolder();
    // Only a full path: a relative folder would make the library depend on
    // the working folder.
    if (folder.empty() || folder[0] != '/') return 0;

    DynamicLibrary lib = OpenLibrary(folder + "/" + name);
    if (!lib.handle) return 0;
    KeepLoaded(lib);

    ModuleRecord& record = ModuleTable[kSlotPlugIn];
    auto missing = [&](const char* exportName) {
        if (!quiet && message) *message = MissingExportMessage(exportName);
        return 0;
    };

    // The drawing routines, each stored as soon as it is looked up.
    const struct {
        const char* name;
        ModuleRoutine ModuleRecord::*field;
    } required[] = {
        {ZTX_EXPORT_DRAW_FRAME, &ModuleRecord::DoDrawFrame},
        {ZTX_EXPORT_PRE_INITIALIZE, &ModuleRecord::DoPreInitialize},
        {ZTX_EXPORT_INITIALIZE, &ModuleRecord::DoInitialize},
        {ZTX_EXPORT_CLOSE, &ModuleRecord::DoClose},
    };
    for (const auto& entry : required) {
        record.*entry.field = Routine(lib, entry.name);
        if (record.*entry.field == nullptr) return missing(entry.name);
    }
    record.DoAbout = Routine(lib, ZTX_EXPORT_ABOUT);
    record.Table = ModuleTable;

    auto registerCallbacks =
        reinterpret_cast<ZtxRegisterCallbacksRoutine>(FindSymbol(lib, ZTX_EXPORT_REGISTER_CALLBACKS));
    if (registerCallbacks == nullptr) return missing(ZTX_EXPORT_REGISTER_CALLBACKS);
    registerCallbacks(&HostPluginCallbacks());

    record.DoPreInitializeControls = Routine(lib, ZTX_EXPORT_PRE_INITIALIZE_CONTROLS);
    if (record.DoPreInitializeControls == nullptr) return missing(ZTX_EXPORT_PRE_INITIALIZE_CONTROLS);

    std::memset(record.Defined, 0, sizeof record.Defined);
    record.DoPreInitializeControls(&record);
    // "Strength" is the host's: the control every built-in module has, except
    // that a plug-in's may be animated.
    static constexpr ControlSpec kPluginStrength[] = {[] {
        ControlSpec strength = kStrengthControl;
        strength.animatable = true;
        return strength;
    }()};
    DefineControls(&record, kPluginStrength);
    return 1;
}

std::vector<std::string> ListPlugins() {
    std::vector<std::string> names = ListMatchingFiles(PluginFolder(), "*.so");
    std::erase_if(names, [](const std::string& n) { return !IsPluginFileName(n); });
    return names;
}

int SelectListedPlugin(const std::vector<std::string>& names) {
    if (names.empty()) return -1;
    ModuleRecord& record = ModuleTable[kSlotPlugIn];
    const std::string current(record.PluginPath, strnlen(record.PluginPath, kMaxNameChars));
    if (!current.empty()) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == current) return static_cast<int>(i);
        }
        return -1;
    }
    const std::string& first = names.front();
    const size_t n = std::min(first.size(), kMaxNameChars);
    std::memcpy(record.PluginPath, first.data(), n);
    record.PluginPath[n] = '\0';
    return 0;
}

const ZtxPluginCallbacks& HostPluginCallbacks() {
    static const ZtxPluginCallbacks table = {
        sizeof(ZtxPluginCallbacks),
        ZTX_PLUGIN_API_VERSION,
        HostAnimationRunning,
        HostDefineControl,
        HostIsDriven,
        HostEvolveInt,
        HostEvolveFloat,
        HostRestartControls,
        HostControlValue,
        HostDrawingContext,
        HostWidth,
        HostHeight,
        &PluginDrawApi(),
    };
    return table;
}

}  // namespace ztx
