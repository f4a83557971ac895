// The random meta-module, "Random" in slot 22. It paints nothing itself:
// every period it closes the modules that are drawing, chooses new ones
// (modules of the starting display at random, or another whole display, see
// sequencing.h), starts them and lets the frame loop draw them until the
// period is over. It is registered like any module.
//
// Its state lives on the animation thread only.
#pragma once
#include <cstdint>

#include "engine/process_state.h"
#include "include/zentrix/module_record.h"
#include "modules/framework/module_table.h"

namespace ztx {

// Control slots of the module.
enum RandomControl : int {
    kRandomSelection = 0,     // "Actv/Svd/Snd": the selection mode
    kRandomMaxAtOnce = 1,     // "Maximum at once": module picks per period in mode 0
    kRandomSequenceMark = 2,  // not a user control: a sequence display stores 4 here
    kRandomControls = 3,      // "Random Controls": switch every started control to Random
    kRandomClearScreen = 4,   // "Clear Screen": paint the screen black at each switch
    kRandomDuration = 8,      // "Duration": the period in seconds
};

// What the first switch of the process saw: which slots were active and the
// global settings a loaded display must not change.
struct RandomStartSettings {
    int32_t active[kModuleSlots];
    int32_t priority;
    int32_t clearFirst;
    int32_t showInfo;
    int32_t showName;
};

struct RandomModuleState {
    int32_t selectionMode = 0;        // control 0 at the last switch
    int32_t maxAtOnce = 1;            // control 1
    int32_t forceRandomControls = 0;  // control 3
    int32_t switchClear = 1;          // control 4, or the sequence item's clear flag
    int32_t periodMs = 16000;         // the current period
    uint32_t nextSwitchTick = 0;      // when the next switch is due
    RandomStartSettings start{};      // taken at the first switch in the process
    int32_t startTaken = 0;           // `start` holds the copy; stays set for the process
};

// The five routines.
int RandomDefineControls(ModuleRecord* record);
int RandomDrawFrame(ModuleRecord* record);    // switches when the period is over
int RandomAllocate(ModuleRecord* record);     // builds the candidate list
int RandomInitialize(ModuleRecord* record);   // one switch
int RandomClose(ModuleRecord* record);        // frees the candidate list

// Puts the state, the start settings included, back to its starting values
// (tests; a process otherwise keeps its start settings for its whole life).
void ResetRandomModule();

}  // namespace ztx
