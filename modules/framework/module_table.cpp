#include "modules/framework/module_table.h"

#include <cstring>

#include "modules/framework/controls.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "settings/display_file.h"
#include "settings/global_options.h"
#include "soundlink/sound_link.h"

namespace ztx {

ModuleRecord ModuleTable[kModuleSlots];
std::atomic<int32_t> ModuleActive[kModuleSlots];

namespace {

constexpr const char* kSlotNames[kModuleSlots] = {
    "Bezier", "Cyclic",   "Pattern", "Plasma", "Polygon", "Sphere", "Stain",   "Star",
    "Vortex", "Ray",      "Whip",    "Flow",   "Line",    "Squiggle", "Wave",  "Wander",
    "Cube",   "Wipe",     "Effect",  "Bitmap", "PlugIn",  "Sequencer", "Random",
};

const std::vector<BuiltinModule>* g_catalog = nullptr;

void NoStoredSettings() {}
// The program's own loader: first-run displays, the active display, the
// global options.
StoredSettingsLoader g_storedSettingsLoader = &LoadStoredSettings;

}  // namespace

const char* SlotName(int slot) { return slot >= 0 && slot < kModuleSlots ? kSlotNames[slot] : ""; }

int SlotByName(std::string_view name) {
    for (int s = 0; s < kModuleSlots; ++s) {
        if (EqualsNoCase(name, kSlotNames[s])) return s;
    }
    return -1;
}

void SetModuleCatalog(const std::vector<BuiltinModule>* catalog) { g_catalog = catalog; }

void SetStoredSettingsLoader(StoredSettingsLoader loader) {
    g_storedSettingsLoader = loader ? loader : &NoStoredSettings;
}

int NoModuleWork(ModuleRecord*) { return 0; }

const std::vector<int>& RegistrationOrder() {
    // Slots 20 (plug-in, filled from a library) and 21 (sequence marker,
    // no routines) are not registered.
    static const std::vector<int> order = {0, 1, 2, 14, 3, 4, 5, 6, 7, 8, 9, 10, 17, 11, 12, 16, 13, 15, 18, 19, 22};
    return order;
}

bool RegisterModule(int slot, ModuleRoutine defineControls, ModuleRoutine drawFrame, ModuleRoutine preInitialize,
                    ModuleRoutine initialize, ModuleRoutine close) {
    if (slot < 0 || slot >= kModuleSlots) return false;
    ModuleRecord& r = ModuleTable[slot];
    r.DoPreInitializeControls = defineControls;
    r.DoDrawFrame = drawFrame;
    r.DoPreInitialize = preInitialize;
    r.DoInitialize = initialize;
    r.DoClose = close;
    r.DoAbout = nullptr;
    r.Table = ModuleTable;
    if (defineControls) defineControls(&r);
    return true;
}

namespace {

const BuiltinModule* CatalogEntry(int slot) {
    for (const BuiltinModule& m : g_catalog ? *g_catalog : BuiltinModules()) {
        if (m.slot == slot) return &m;
    }
    return nullptr;
}

}  // namespace

bool RegisterFromCatalog(int slot) {
    const BuiltinModule* m = CatalogEntry(slot);
    if (!m) return false;
    const ModuleRoutines& f = m->routines;
    return RegisterModule(slot, f.defineControls, f.drawFrame, f.preInitialize, f.initialize, f.close);
}

bool InCatalog(int slot) { return CatalogEntry(slot) != nullptr; }

void ActivateOnly(int slot) {
    for (int s = 0; s < kModuleSlots; ++s) ModuleActive[s].store(s == slot ? 1 : 0, std::memory_order_relaxed);
}

void RegisterModules() {
    PutSoundOptionDefaults();  // defaults that hold before anything is loaded
    for (int s = 0; s < kModuleSlots; ++s) ModuleTable[s].Name = kSlotNames[s];
    PaletteRecord* palette = CurrentPalette();
    for (ModuleRecord& r : ModuleTable) r.PaletteState = palette;

    for (int slot : RegistrationOrder()) RegisterFromCatalog(slot);

    g_storedSettingsLoader();

    bool anyActive = false;
    for (const auto& active : ModuleActive) anyActive = anyActive || active.load(std::memory_order_relaxed) != 0;
    if (!anyActive) ModuleActive[kSlotRandom].store(1, std::memory_order_relaxed);

    for (ModuleRecord& r : ModuleTable) ClampControls(&r);
}

void ResetModule(int slot) {
    if (slot < 0 || slot >= kModuleSlots) return;
    ModuleRecord& r = ModuleTable[slot];
    if (r.DoPreInitializeControls) r.DoPreInitializeControls(&r);
}

int RunDrawCalls(ModuleRecord* record, uint32_t frameCount) {
    if (record->DoDrawFrame == nullptr) return 0;
    const int32_t strength = record->Control[kStrengthSlot];
    int calls = 0;
    auto drawOnce = [&]() {
        ++calls;
        if (record->DoDrawFrame(record) != kFrameSkipped) return true;
        SleepMs(10);
        return false;
    };
    if (strength > 0) {
        for (int i = 0; i < strength; ++i) {
            if (!drawOnce()) break;
        }
    } else if (strength == 0) {
        // One call whose result is not examined: no pause after a skip.
        ++calls;
        record->DoDrawFrame(record);
    } else {
        const uint32_t every = static_cast<uint32_t>(-static_cast<int64_t>(strength));
        if (frameCount % every == 0) drawOnce();
    }
    return calls;
}

void ClearModuleTable() {
    std::memset(static_cast<void*>(ModuleTable), 0, sizeof(ModuleTable));
    for (auto& active : ModuleActive) active.store(0, std::memory_order_relaxed);
}

void ResetModuleFramework() {
    ClearModuleTable();
    g_catalog = nullptr;
    g_storedSettingsLoader = &LoadStoredSettings;
    ResetControlState();
}

}  // namespace ztx
