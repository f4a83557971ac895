// The module table: one record per module slot in a fixed order, the flags
// saying which slots take part in the current display, and the registration
// that fills the records with each module's routines and default controls.
#pragma once
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/process_state.h"
#include "include/zentrix/module_record.h"

namespace ztx {


// Slot numbers; the order is fixed (displays draw their modules in it).
enum ModuleSlot : int {
    kSlotBezier = 0,
    kSlotCyclic = 1,
    kSlotPattern = 2,
    kSlotPlasma = 3,
    kSlotPolygon = 4,
    kSlotSphere = 5,
    kSlotStain = 6,
    kSlotStar = 7,
    kSlotVortex = 8,
    kSlotRay = 9,
    kSlotWhip = 10,
    kSlotFlow = 11,
    kSlotLine = 12,
    kSlotSquiggle = 13,
    kSlotWave = 14,
    kSlotWander = 15,
    kSlotCube = 16,
    kSlotWipe = 17,
    kSlotEffect = 18,
    kSlotBitmap = 19,
    kSlotPlugIn = 20,
    kSlotSequencer = 21,
    kSlotRandom = 22,
};

// ModuleTable and ModuleActive are declared in engine/process_state.h.

// The name of a slot ("Bezier" ... "Random"), or "" outside 0..22.
const char* SlotName(int slot);
// The slot with that name (compared without regard to case), or -1.
int SlotByName(std::string_view name);

// The five routines of a module, in registration order.
struct ModuleRoutines {
    ModuleRoutine defineControls;  // DoPreInitializeControls
    ModuleRoutine drawFrame;       // DoDrawFrame
    ModuleRoutine preInitialize;   // DoPreInitialize
    ModuleRoutine initialize;      // DoInitialize
    ModuleRoutine close;           // DoClose
};

// A built-in module: its slot and its routines.
struct BuiltinModule {
    int slot;
    ModuleRoutines routines;
};

// The modules compiled into the program (builtin_modules.cpp).
const std::vector<BuiltinModule>& BuiltinModules();
// Replaces the list RegisterModules takes its modules from (tests register
// fake modules this way); null restores the built-in list. The caller keeps
// the list alive while it is installed.
void SetModuleCatalog(const std::vector<BuiltinModule>* catalog);

// The routine for everything a module does not need: does nothing, returns 0.
int NoModuleWork(ModuleRecord* record);

// Stores the five routines in the record of `slot`, clears DoAbout, points
// Table at the module table and lets the module define its controls at once.
// Returns false for a slot outside 0..22.
bool RegisterModule(int slot, ModuleRoutine defineControls, ModuleRoutine drawFrame,
                    ModuleRoutine preInitialize, ModuleRoutine initialize, ModuleRoutine close);

// Registers the module the catalog (see SetModuleCatalog) has for `slot`.
// Returns false when it has none.
bool RegisterFromCatalog(int slot);
// Whether the catalog has a module for `slot`.
bool InCatalog(int slot);

// Makes `slot` the only active module (a one-module run: `ztx render
// --module`, the module harness).
void ActivateOnly(int slot);

// Fills the table: option defaults, slot names, the palette record, the
// modules in their registration order, then the stored settings (see
// SetStoredSettingsLoader), a fallback to the random meta-module when no slot
// is active, and a clamp of every record's controls.
void RegisterModules();

// What RegisterModules runs after the modules are registered, to apply what
// the settings store holds: write the first-run displays when none exist,
// load the active display (falling back to "[R] Saved Sound Settings"), and
// load the global options (LoadStoredSettings, the default). Tools and
// tests that want each module's defaults only install nullptr (no loading).
using StoredSettingsLoader = void (*)();
void SetStoredSettingsLoader(StoredSettingsLoader loader);

// The slots in the order RegisterModules registers them.
const std::vector<int>& RegistrationOrder();

// "Reset" of one module: its controls return to their definitions.
void ResetModule(int slot);

// Runs the draw calls of one frame for the record as its "Strength"
// (control 9) says: n > 0 up to n calls, stopping after a call that returns
// FrameSkipped; 0 one call; -n one call when frameCount is a multiple of n.
// After a FrameSkipped result the thread sleeps 10 ms. Returns the number of
// calls made.
int RunDrawCalls(ModuleRecord* record, uint32_t frameCount);

// Zero-fills the table and the active flags.
void ClearModuleTable();
// Clears the table and puts the catalog, the settings loader and the control
// state (pin mode, draw gate, sound peaks) back to their starting values.
void ResetModuleFramework();

}  // namespace ztx
